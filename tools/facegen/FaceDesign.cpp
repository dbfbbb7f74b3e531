#include "tools/facegen/FaceDesign.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <numbers>
#include <string>

#include "calibration/TransmitScaleFile.h"
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

// The transmit scales: arcs with their marks outwards and numbers inside.
constexpr double kPowerArcRadius = 184.0;
constexpr double kSwrArcRadius = 140.0;
constexpr double kTransmitMarkLength = 10.0;
constexpr double kTransmitLabelGap = 12.0;
constexpr double kTransmitLabelUnit = 1.5;
constexpr double kPowerFullScaleW = 100.0;
const double kPowerLabels[] = {0, 25, 50, 75, 100};
const double kSwrLabels[] = {1, 1.5, 2, 3, kSwrInfinity};

double SweepAngleDegrees(double fraction) { return kLeftEndDegrees - kSweepDegrees * fraction; }

QPointF SweepPoint(double fraction, double radius) {
  const double a = SweepAngleDegrees(fraction) * std::numbers::pi / 180.0;
  return {kPivot.x() + radius * std::cos(a), kPivot.y() - radius * std::sin(a)};
}

// Where along the sweep an S scale position lies.
double SFraction(double position) {
  return position <= 9.0 ? position / 9.0 * kSShare
                         : kSShare + (position - 9.0) / 6.0 * (1 - kSShare);
}

TPoint WholePixel(QPointF p) {
  return {static_cast<std::int32_t>(std::lround(p.x())),
          static_cast<std::int32_t>(std::lround(p.y()))};
}

// Where along the sweep a power lies: linear in watts.
double PowerFraction(double watts) { return watts / kPowerFullScaleW; }

// Where along the sweep an SWR lies: as on a reflectometer, whose needle follows the
// reflection coefficient (s - 1) / (s + 1); the ∞ mark ends the sweep.
double SwrFraction(double swr) { return swr >= kSwrInfinity ? 1.0 : (swr - 1.0) / (swr + 1.0); }

std::vector<ScaleMark> MarksAt(const double* values, std::size_t count, double (*fraction)(double),
                               double arcRadius) {
  std::vector<ScaleMark> marks;
  for (std::size_t k = 0; k < count; ++k) {
    const double middle = arcRadius + kTransmitMarkLength / 2.0;
    marks.push_back({values[k], WholePixel(SweepPoint(fraction(values[k]), middle))});
  }
  return marks;
}

void StrokeRadial(QPainter& p, double position, double inner, double outer, double width,
                  const QColor& color) {
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(ScalePoint(position, inner), ScalePoint(position, outer));
}

// The marks run from the pivot through the whole-pixel calibration points, so that
// the needle aimed at a point runs down the middle of its mark.
void StrokeMark(QPainter& p, TPoint point, double inner, double outer, double width,
                const QColor& color) {
  const QPointF towards = QPointF(point.X, point.Y) - kPivot;
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

// "1.5", "25": as few digits as the value needs.
std::string NumberLabel(double value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string SwrLabel(double value) {
  return value >= kSwrInfinity ? std::string(1, kInfinityGlyph) : NumberLabel(value);
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
  const TCalibrationPoints points = MarkPoints();
  StrokeMark(p, points[0], kMarkInner - 8.0, kMarkOuter + 4.0, 4.0, kInk);
  for (int k = 1; k <= 15; ++k) {
    StrokeMark(p, points[k], kMarkInner, kMarkOuter, 3.0, k <= 9 ? kInk : kRed);
  }
  for (int k = 1; k <= 9; k += 2) {
    DrawLabel(p, std::to_string(k), ScalePoint(k, kLabelRadius), kLabelUnit, kInk);
  }
  for (int k = 10; k <= 15; ++k) {
    DrawLabel(p, "+" + std::to_string((k - 9) * 10), ScalePoint(k, kLabelRadius), kLabelUnit, kRed);
  }
  // In the corners, clear of the transmit scales below.
  DrawLabel(p, "S-UNITS", QPointF(80.0, 45.0), 2.0, kInk);
  DrawLabel(p, "dB", QPointF(434.0, 172.0), 1.8, kRed);
}

// One transmit scale: its arc over the sweep, a mark through each point and the
// value inside it.
void DrawTransmitScale(QPainter& p, const std::vector<ScaleMark>& marks, double arcRadius,
                       double (*fraction)(double), std::string (*label)(double)) {
  const double from = fraction(marks.front().Value);
  const double to = fraction(marks.back().Value);
  const QRectF box(kPivot.x() - arcRadius, kPivot.y() - arcRadius, 2 * arcRadius, 2 * arcRadius);
  p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(box, static_cast<int>(std::lround(SweepAngleDegrees(from) * 16)),
            static_cast<int>(std::lround((SweepAngleDegrees(to) - SweepAngleDegrees(from)) * 16)));
  for (const ScaleMark& mark : marks) {
    StrokeMark(p, mark.Point, arcRadius, arcRadius + kTransmitMarkLength, 2.5, kInk);
    DrawLabel(p, label(mark.Value), SweepPoint(fraction(mark.Value), arcRadius - kTransmitLabelGap),
              kTransmitLabelUnit, kInk);
  }
}

void DrawTransmitScales(QPainter& p) {
  // Every 5 W between the numbered marks.
  for (int watts = 5; watts < 100; watts += 5) {
    const QPointF inner = SweepPoint(PowerFraction(watts), kPowerArcRadius);
    const QPointF outer = SweepPoint(PowerFraction(watts), kPowerArcRadius + 5.0);
    p.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(inner, outer);
  }
  DrawTransmitScale(p, PowerMarks(), kPowerArcRadius, PowerFraction, NumberLabel);
  DrawLabel(p, "W", SweepPoint(1.07, kPowerArcRadius), 1.8, kInk);
  DrawTransmitScale(p, SwrMarks(), kSwrArcRadius, SwrFraction, SwrLabel);
  DrawLabel(p, "SWR", SweepPoint(0.75, kSwrArcRadius - kTransmitLabelGap), kTransmitLabelUnit,
            kInk);
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

double ScaleAngleDegrees(double Position) { return SweepAngleDegrees(SFraction(Position)); }

QPointF ScalePoint(double Position, double Radius) {
  return SweepPoint(SFraction(Position), Radius);
}

TCalibrationPoints MarkPoints() {
  TCalibrationPoints points;
  for (int k = 0; k < kCalibrationPointCount; ++k) {
    points[k] = WholePixel(ScalePoint(k, kTipRadius));
  }
  return points;
}

std::vector<ScaleMark> PowerMarks() {
  return MarksAt(kPowerLabels, std::size(kPowerLabels), PowerFraction, kPowerArcRadius);
}

std::vector<ScaleMark> SwrMarks() {
  return MarksAt(kSwrLabels, std::size(kSwrLabels), SwrFraction, kSwrArcRadius);
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
  DrawTransmitScales(p);
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
