#include "tools/facegen/FaceDesign.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <numbers>
#include <string>

#include "tools/facegen/StrokeFont.h"

namespace quendal::facegen {

namespace {

constexpr double kLeftEndDegrees = 140.0;
constexpr double kSweepDegrees = 100.0;
constexpr double kSShare = 0.5;

// Never pure black inside the face: pure black is see-through in the window.
const QColor kInk(22, 22, 24);
// The +dB part in deep blue: the default needle is red and must stand out on it.
const QColor kRed(24, 62, 150);
const QColor kPanel(40, 42, 48);
const QColor kHousing(56, 58, 64);
const QColor kHousingRim(118, 122, 132);

constexpr double kArcRadius = 206.0;
constexpr double kMarkInner = 206.0;
constexpr double kMarkOuter = 232.0;
constexpr double kLabelRadius = 248.0;
constexpr double kLabelUnit = 2.0;

void StrokeRadial(QPainter& p, double position, double inner, double outer, double width,
                  const QColor& color) {
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(ScalePoint(position, inner), ScalePoint(position, outer));
}

// The marks run from the pivot through the whole-pixel calibration points, so that
// the needle aimed at a point runs down the middle of its mark.
void StrokeMark(QPainter& p, int index, double inner, double outer, double width,
                const QColor& color) {
  const TCalibrationPoints points = MarkPoints();
  const QPointF towards = QPointF(points[index].X, points[index].Y) - kPivot;
  const QPointF unit = towards / std::hypot(towards.x(), towards.y());
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(kPivot + unit * inner, kPivot + unit * outer);
}

void StrokeArc(QPainter& p, double from, double to, double radius, double width,
               const QColor& color) {
  const QRectF box(kPivot.x() - radius, kPivot.y() - radius, 2 * radius, 2 * radius);
  const double start = ScaleAngleDegrees(from);
  const double span = ScaleAngleDegrees(to) - start;
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(box, static_cast<int>(std::lround(start * 16)),
            static_cast<int>(std::lround(span * 16)));
}

void DrawLabel(QPainter& p, const std::string& text, QPointF centre, double unit,
               const QColor& color) {
  p.setPen(QPen(color, unit * 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(TextPath(text, unit, centre));
}

void DrawBackground(QPainter& p) {
  p.fillRect(QRectF(0, 0, kFaceWidth, kFaceHeight), QColor(0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(kPanel);
  p.drawRoundedRect(QRectF(6, 6, kFaceWidth - 12, kFaceHeight - 12), 16, 16);
  QLinearGradient cream(0, 18, 0, kFaceHeight - 18);
  cream.setColorAt(0.0, QColor(249, 241, 218));
  cream.setColorAt(1.0, QColor(233, 219, 186));
  p.setBrush(cream);
  p.drawRoundedRect(QRectF(20, 18, kFaceWidth - 40, kFaceHeight - 36), 10, 10);
}

void DrawScale(QPainter& p) {
  StrokeArc(p, 0.0, 9.0, kArcRadius, 2.0, kInk);
  StrokeArc(p, 9.0, 15.0, kArcRadius + 2.5, 5.0, kRed);
  // Half-unit and 5 dB ticks between the marks.
  for (int k = 0; k < 9; ++k) StrokeRadial(p, k + 0.5, kMarkInner, 218.0, 1.5, kInk);
  for (int k = 9; k < 15; ++k) StrokeRadial(p, k + 0.5, kMarkInner, 218.0, 1.5, kRed);
  // The S0 start mark is longer and heavier than the others.
  StrokeMark(p, 0, kMarkInner - 8.0, kMarkOuter + 4.0, 4.0, kInk);
  for (int k = 1; k <= 15; ++k) {
    StrokeMark(p, k, kMarkInner, kMarkOuter, 3.0, k <= 9 ? kInk : kRed);
  }
  for (int k = 1; k <= 9; k += 2) {
    DrawLabel(p, std::to_string(k), ScalePoint(k, kLabelRadius), kLabelUnit, kInk);
  }
  for (int k = 10; k <= 15; ++k) {
    DrawLabel(p, "+" + std::to_string((k - 9) * 10), ScalePoint(k, kLabelRadius), kLabelUnit, kRed);
  }
  DrawLabel(p, "S-UNITS", QPointF(kFaceWidth / 2.0, 176.0), 2.2, kInk);
  DrawLabel(p, "dB", ScalePoint(13.5, 186.0), 1.8, kRed);
}

// The cover over the pivot, which lies below the face: a disc about it, cut off by
// the face's bottom edge, so that the needle always comes out from under it.
void DrawPivotCover(QPainter& p) {
  p.save();
  p.setClipRect(QRectF(0, 0, kFaceWidth, kFaceHeight));
  const QRectF disc(kPivot.x() - kCoverRadius, kPivot.y() - kCoverRadius, 2 * kCoverRadius,
                    2 * kCoverRadius);
  p.setPen(QPen(kHousingRim, 2.0));
  p.setBrush(kHousing);
  p.drawEllipse(disc);
  p.restore();
}

}  // namespace

double ScaleAngleDegrees(double Position) {
  const double fraction =
      Position <= 9.0 ? Position / 9.0 * kSShare : kSShare + (Position - 9.0) / 6.0 * (1 - kSShare);
  return kLeftEndDegrees - kSweepDegrees * fraction;
}

QPointF ScalePoint(double Position, double Radius) {
  const double a = ScaleAngleDegrees(Position) * std::numbers::pi / 180.0;
  return {kPivot.x() + Radius * std::cos(a), kPivot.y() - Radius * std::sin(a)};
}

TCalibrationPoints MarkPoints() {
  TCalibrationPoints points;
  for (int k = 0; k < kCalibrationPointCount; ++k) {
    const QPointF p = ScalePoint(k, kTipRadius);
    points[k] = {static_cast<std::int32_t>(std::lround(p.x())),
                 static_cast<std::int32_t>(std::lround(p.y()))};
  }
  return points;
}

QImage DrawFace() {
  QImage face(kFaceWidth, kFaceHeight, QImage::Format_ARGB32);
  face.fill(QColor(0, 0, 0));
  QPainter p(&face);
  p.setRenderHint(QPainter::Antialiasing, true);
  DrawBackground(p);
  // From here on whole coordinates are pixel centres, as for the needle.
  p.translate(0.5, 0.5);
  DrawScale(p);
  // Also on the face itself, for a window that runs without the foreground.
  DrawPivotCover(p);
  return face;
}

QImage DrawForeground() {
  QImage foreground(kFaceWidth, kFaceHeight, QImage::Format_ARGB32);
  foreground.fill(QColor(0, 0, 0));
  QPainter p(&foreground);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.translate(0.5, 0.5);
  DrawPivotCover(p);
  return foreground;
}

QImage DrawEmblem() {
  QImage emblem(kEmblemSide, kEmblemSide, QImage::Format_ARGB32);
  emblem.fill(Qt::transparent);
  QPainter p(&emblem);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(218, 41, 28));
  p.drawRoundedRect(QRectF(0, 0, kEmblemSide, kEmblemSide), 3, 3);
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(QRectF(9, 4, 4, 14));
  p.drawRect(QRectF(4, 9, 14, 4));
  return emblem;
}

}  // namespace quendal::facegen
