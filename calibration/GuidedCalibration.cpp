#include "calibration/GuidedCalibration.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>

#include "calibration/CalibrationProcedure.h"
#include "calibration/CircleFit.h"
#include "calibration/TransmitScaleFile.h"

namespace quendal {

namespace {
constexpr int kArcPointCount = 3;
constexpr int kMarkerRadius = 7;
// From a mark to its badge's near edge: past the ticks, which hang inwards from the arc.
constexpr double kBadgeGap = 16.0;

// Towards the inside of the arc at point Index: to the centre of the circle the points
// draw, or straight down (where a meter's pivot is) until there is one.
QPointF Inwards(const std::vector<TPoint>& points, std::size_t index) {
  const TPoint p = points[index];
  if (const auto circle = FitCircle(points); circle && circle->Residual <= 3.0) {
    const double dx = circle->CenterX - p.X, dy = circle->CenterY - p.Y;
    const double length = std::hypot(dx, dy);
    if (length > 0.0) return {dx / length, dy / length};
  }
  return {0.0, 1.0};
}

}  // namespace

QRect MarkerBadgeBox(const std::vector<TPoint>& Points, std::size_t Index, QSize Size) {
  const QPointF in = Inwards(Points, Index);
  // Every other badge a line further in, so that close marks keep their names apart.
  const double reach = kBadgeGap + (Index % 2) * (Size.height() + 1) +
                       0.5 * (std::fabs(in.x()) * Size.width() + std::fabs(in.y()) * Size.height());
  const QPointF centre(Points[Index].X + in.x() * reach, Points[Index].Y + in.y() * reach);
  return {QPoint(static_cast<int>(std::lround(centre.x() - Size.width() / 2.0)),
                 static_cast<int>(std::lround(centre.y() - Size.height() / 2.0))),
          Size};
}

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

std::string MarkBadge(int Index) {
  return Index < 10 ? "S" + std::to_string(Index) : "+" + std::to_string((Index - 9) * 10);
}

void GuidedCalibration::Start(GuidedKind Kind) {
  kind_ = Kind;
  stage_ = GuidedStage::Clicking;
  points_.clear();
  preview_tick_ = 0;
  last_far_ = false;
}

void GuidedCalibration::StartTransmit(TransmitReading Reading, std::vector<double> Values) {
  reading_ = Reading;
  values_ = std::move(Values);
  Start(GuidedKind::Transmit);
}

int GuidedCalibration::Needed() const {
  switch (kind_) {
    case GuidedKind::Scale:
      return kCalibrationPointCount;
    case GuidedKind::Arc:
      return kArcPointCount;
    case GuidedKind::Transmit:
      break;
  }
  return static_cast<int>(values_.size());
}

void GuidedCalibration::Click(std::int32_t X, std::int32_t Y) {
  if (stage_ != GuidedStage::Clicking) return;
  points_.push_back(TPoint{X, Y});
  last_far_ = kind_ != GuidedKind::Arc && LastFarFromTheOthers(points_);
  if (static_cast<int>(points_.size()) < Needed()) return;
  // Three arc points have nothing to sweep over: straight to the question.
  stage_ = kind_ == GuidedKind::Arc ? GuidedStage::Question : GuidedStage::Preview;
  preview_tick_ = 0;
}

bool GuidedCalibration::TakeBack() {
  if (!Active() || points_.empty()) return false;
  // Also after the last mark: its click is taken again.
  points_.pop_back();
  stage_ = GuidedStage::Clicking;
  preview_tick_ = 0;
  last_far_ = false;
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

double GuidedCalibration::NeedlePosition(double Live) const {
  if (stage_ != GuidedStage::Preview || kind_ != GuidedKind::Scale) return Live;
  return static_cast<double>(kCalibrationPointCount - 1) * preview_tick_ / kPreviewTicks;
}

Scale GuidedCalibration::TransmitMarks() const {
  std::vector<ScaleMark> marks;
  for (std::size_t i = 0; i < points_.size() && i < values_.size(); ++i)
    marks.push_back({values_[i], points_[i]});
  return Scale(std::move(marks), ScaleInterpolation::Angle);
}

double GuidedCalibration::PreviewValue() const {
  if (values_.empty()) return 0.0;
  const double at = static_cast<double>(values_.size() - 1) * preview_tick_ / kPreviewTicks;
  const std::size_t index = std::min(static_cast<std::size_t>(at), values_.size() - 1);
  if (index + 1 == values_.size()) return values_.back();
  return values_[index] + (at - static_cast<double>(index)) * (values_[index + 1] - values_[index]);
}

std::string GuidedCalibration::Badge(int Index) const {
  switch (kind_) {
    case GuidedKind::Scale:
      return MarkBadge(Index);
    case GuidedKind::Arc:
      return std::to_string(Index + 1);
    case GuidedKind::Transmit:
      break;
  }
  return TransmitMarkValue(reading_, values_[static_cast<std::size_t>(Index)]);
}

std::string GuidedCalibration::PointName(int Index) const {
  switch (kind_) {
    case GuidedKind::Scale:
      return MarkName(Index);
    case GuidedKind::Arc:
      return ArcPointName(Index);
    case GuidedKind::Transmit:
      break;
  }
  return TransmitMarkName(reading_, values_[static_cast<std::size_t>(Index)]);
}

std::string GuidedCalibration::FarWarning() const {
  return PointName(static_cast<int>(points_.size()) - 1) +
         " is far from the others \u2013 Backspace to undo";
}

std::string GuidedCalibration::Instruction() const {
  switch (stage_) {
    case GuidedStage::Idle:
      return {};
    case GuidedStage::Clicking: {
      const int next = static_cast<int>(points_.size());
      const std::string name =
          kind_ == GuidedKind::Transmit ? "the " + PointName(next) + " mark" : PointName(next);
      const std::string click =
          "Click " + name + " (" + std::to_string(next + 1) + "/" + std::to_string(Needed()) + ")";
      if (last_far_) return FarWarning() + "  \u00b7  " + click;
      return click + "  \u00b7  Backspace: undo  \u00b7  Esc: cancel";
    }
    case GuidedStage::Preview:
      return last_far_ ? FarWarning() : "Preview\u2026";
    case GuidedStage::Question: {
      const std::string question =
          "Use this calibration?  Y: yes  \u00b7  N: start again  \u00b7  Esc: cancel";
      return last_far_ ? FarWarning() + "  \u00b7  " + question : question;
    }
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
  // Markers: a light ring with a dark centre and the mark's name inside the arc, so they
  // read on light and dark faces alike and leave the scale's printing free.
  const std::vector<TPoint>& points = Guided.Points();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TPoint p = points[i];
    Painter.setPen(QPen(QColor(255, 255, 255), 2));
    Painter.setBrush(Qt::NoBrush);
    Painter.drawEllipse(QPoint(p.X, p.Y), kMarkerRadius - 3, kMarkerRadius - 3);
    Painter.setPen(QPen(QColor(230, 0, 120), 1));
    Painter.drawEllipse(QPoint(p.X, p.Y), kMarkerRadius - 1, kMarkerRadius - 1);
    const int index = static_cast<int>(i);
    const QString badge = QString::fromStdString(Guided.Badge(index));
    const QSize size(metrics.horizontalAdvance(badge) + 4, metrics.height());
    const QRect box = MarkerBadgeBox(points, i, size);
    Painter.fillRect(box, QColor(20, 20, 20, 200));
    Painter.setPen(QColor(255, 255, 255));
    Painter.drawText(box, Qt::AlignCenter, badge);
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
