#pragma once

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "calibration/Prompter.h"
#include "meters/LevelConversions.h"
#include "meters/LevelHistory.h"

namespace quendal {

// A span the operator dragged over the chart, in whole UTC seconds, first <= last.
struct DraggedSpan {
  std::int64_t First = 0;
  std::int64_t Last = 0;
};

// The chart of the level history: per second its lowest to highest level as a band, the
// mean as a line, dBm on the left and S units on the right, transmit periods shaded,
// frequency changes marked, and the two spans A and B the operator dragged over it.
class LevelHistoryChart : public QWidget {
 public:
  LevelHistoryChart(const LevelHistory& history, const SUnitRule& rule, QWidget* parent);

  // Draws again when a second was added or changed.
  void Follow();
  const std::optional<DraggedSpan>& SpanA() const { return a_; }
  const std::optional<DraggedSpan>& SpanB() const { return b_; }
  // Called when a span was dragged.
  void SetSpansChanged(std::function<void()> changed) { spans_changed_ = std::move(changed); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRect Plot() const;
  // The seconds the chart spans, oldest and newest.
  std::pair<std::int64_t, std::int64_t> TimeRange() const;
  std::pair<double, double> LevelRange() const;
  double XOf(double utcSecond) const;
  double YOf(double dbm) const;
  std::int64_t SecondAt(int x) const;
  void DrawAxes(QPainter& painter) const;
  void DrawSpan(QPainter& painter, const DraggedSpan& span, const QColor& color,
                const QString& name) const;

  const LevelHistory& history_;
  const SUnitRule& rule_;
  std::int64_t drawn_second_ = -1;
  int drawn_levels_ = -1;
  std::optional<DraggedSpan> a_, b_;
  std::optional<std::int64_t> drag_from_;
  bool dragging_b_ = false;
  std::function<void()> spans_changed_;
};

// "Level history…": the chart, each span's mean and how B compares with A, and the chart
// saved as a picture or its rows copied as CSV. Only drawn while shown.
class LevelHistoryWindow : public QWidget {
 public:
  // Asks where the picture goes; empty: nowhere.
  using PictureFileChooser = std::function<QString(QWidget& parent)>;

  // Prompter tells a picture that could not be written; ChoosePictureFile: null asks with a
  // file dialog.
  LevelHistoryWindow(const LevelHistory& history, const SUnitRule& rule, Prompter& prompter,
                     PictureFileChooser ChoosePictureFile = {});

  // A new sample arrived; nothing happens while the window is hidden.
  void Follow();

 private:
  void ShowComparison();
  void SavePicture();
  void CopyRows();

  const LevelHistory& history_;
  Prompter& prompter_;
  PictureFileChooser choose_picture_file_;
  LevelHistoryChart* chart_;
  QLabel* comparison_;
};

}  // namespace quendal
