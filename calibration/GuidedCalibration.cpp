#include "calibration/GuidedCalibration.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include "calibration/CalibrationProcedure.h"

namespace quendal {

namespace {
constexpr int kArcPointCount = 3;
constexpr int kMarkerRadius = 7;
}  // namespace

std::string ArcPointName(int Index) {
  switch (Index) {
    case 0:
      return "left end of the scale";
    case 1:
      return "middle of the scale";
    default:
      return "right end of the scale";
  }
}

void GuidedCalibration::Start(GuidedKind Kind) {
  kind_ = Kind;
  stage_ = GuidedStage::Clicking;
  points_.clear();
  preview_tick_ = 0;
}

int GuidedCalibration::Needed() const {
  return kind_ == GuidedKind::Scale ? kCalibrationPointCount : kArcPointCount;
}

void GuidedCalibration::Click(std::int32_t X, std::int32_t Y) {
  if (stage_ != GuidedStage::Clicking) return;
  points_.push_back(TPoint{X, Y});
  if (static_cast<int>(points_.size()) < Needed()) return;
  // Three arc points have nothing to sweep over: straight to the question.
  stage_ = kind_ == GuidedKind::Scale ? GuidedStage::Preview : GuidedStage::Question;
  preview_tick_ = 0;
}

bool GuidedCalibration::TakeBack() {
  if (stage_ != GuidedStage::Clicking || points_.empty()) return false;
  points_.pop_back();
  return true;
}

void GuidedCalibration::Cancel() {
  stage_ = GuidedStage::Idle;
  points_.clear();
}

void GuidedCalibration::AdvancePreview() {
  if (stage_ != GuidedStage::Preview) return;
  if (++preview_tick_ >= kPreviewTicks) stage_ = GuidedStage::Question;
}

bool GuidedCalibration::Answer(GuidedAnswer Reply) {
  if (stage_ != GuidedStage::Question) {
    // Esc also leaves a calibration halfway through.
    if (Reply == GuidedAnswer::Cancel && Active()) Cancel();
    return false;
  }
  switch (Reply) {
    case GuidedAnswer::Yes:
      stage_ = GuidedStage::Idle;
      return true;
    case GuidedAnswer::No:
      Start(kind_);
      return false;
    case GuidedAnswer::Cancel:
      Cancel();
      return false;
  }
  return false;
}

TCalibrationPoints GuidedCalibration::ScalePoints() const {
  TCalibrationPoints points{};
  for (std::size_t i = 0; i < points_.size() && i < points.size(); ++i) points[i] = points_[i];
  return points;
}

double GuidedCalibration::PreviewPosition() const {
  if (stage_ == GuidedStage::Question) return kCalibrationPointCount - 1;
  return static_cast<double>(kCalibrationPointCount - 1) * preview_tick_ / kPreviewTicks;
}

std::string GuidedCalibration::Instruction() const {
  switch (stage_) {
    case GuidedStage::Idle:
      return {};
    case GuidedStage::Clicking: {
      const int next = static_cast<int>(points_.size());
      const std::string name = kind_ == GuidedKind::Scale ? MarkName(next) : ArcPointName(next);
      return "Click " + name + " (" + std::to_string(next + 1) + "/" + std::to_string(Needed()) +
             ")  \u00b7  Backspace: undo  \u00b7  Esc: cancel";
    }
    case GuidedStage::Preview:
      return "Preview\u2026";
    case GuidedStage::Question:
      return "Use this calibration?  Y: yes  \u00b7  N: start again  \u00b7  Esc: cancel";
  }
  return {};
}

void DrawGuidedOverlay(QPainter& Painter, const GuidedCalibration& Guided,
                       std::int32_t ClientWidth) {
  if (!Guided.Active()) return;
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, true);
  QFont font = Painter.font();
  font.setPixelSize(11);
  Painter.setFont(font);
  const QFontMetrics metrics(font);
  // Markers: a light ring with a dark centre and the click's number beside it, so
  // they read on light and dark faces alike.
  for (std::size_t i = 0; i < Guided.Points().size(); ++i) {
    const TPoint p = Guided.Points()[i];
    Painter.setPen(QPen(QColor(255, 255, 255), 2));
    Painter.setBrush(Qt::NoBrush);
    Painter.drawEllipse(QPoint(p.X, p.Y), kMarkerRadius - 3, kMarkerRadius - 3);
    Painter.setPen(QPen(QColor(230, 0, 120), 1));
    Painter.drawEllipse(QPoint(p.X, p.Y), kMarkerRadius - 1, kMarkerRadius - 1);
    const QString number = QString::number(i + 1);
    const QRect box(p.X + kMarkerRadius, p.Y - kMarkerRadius - metrics.height(),
                    metrics.horizontalAdvance(number) + 4, metrics.height());
    Painter.fillRect(box, QColor(20, 20, 20, 200));
    Painter.setPen(QColor(255, 255, 255));
    Painter.drawText(box, Qt::AlignCenter, number);
  }
  // The instruction in a dark band across the top, like the corner labels.
  const QString text = QString::fromStdString(Guided.Instruction());
  const QRect band(0, 0, ClientWidth, metrics.height() + 8);
  Painter.fillRect(band, QColor(20, 20, 20, 220));
  Painter.setPen(QColor(255, 255, 255));
  Painter.drawText(band, Qt::AlignCenter, text);
  Painter.restore();
}

}  // namespace quendal
