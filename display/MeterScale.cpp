#include "display/MeterScale.h"

#include <algorithm>
#include <limits>

#include "support/Rounding.h"

namespace quendal {

namespace {

TPoint ScalePoint(TPoint p, double factor) {
  return {ScaleLength(p.X, factor), ScaleLength(p.Y, factor)};
}

}  // namespace

std::int32_t ScaleLength(std::int32_t FacePixels, double Factor) {
  const double scaled = RoundHalfEven(FacePixels * Factor);
  return static_cast<std::int32_t>(std::clamp<double>(
      scaled, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

QSize ScaleSize(QSize FaceSize, double Factor) {
  return {ScaleLength(FaceSize.width(), Factor), ScaleLength(FaceSize.height(), Factor)};
}

ScaledMeter ScaleMeter(const MeterSettings& Settings, const MeterCalibration& Calibration,
                       double Factor) {
  ScaledMeter m{Settings, Calibration};
  if (Factor == 1.0) return m;
  MeterSettings& s = m.Settings;
  m.StrokeWidth = std::max(1.0, Factor);
  s.NeedleLength = ScaleLength(s.NeedleLength, Factor);
  s.ImageBottomOffset = ScaleLength(s.ImageBottomOffset, Factor);
  s.NeedleThickness = ScaleLength(s.NeedleThickness, Factor / m.StrokeWidth);
  s.ShadowOffset = ScaleLength(s.ShadowOffset, Factor);
  MeterCalibration& c = m.Calibration;
  for (TPoint& p : c.CalibrationPoints) p = ScalePoint(p, Factor);
  c.ArcCenter = ScalePoint(c.ArcCenter, Factor);
  c.IndependentPivot = ScalePoint(c.IndependentPivot, Factor);
  c.ArcRadius = ScaleLength(c.ArcRadius, Factor);
  c.NeedleLengthOffset = ScaleLength(c.NeedleLengthOffset, Factor);
  c.PivotArcRadius = ScaleLength(c.PivotArcRadius, Factor);
  c.ArcCenterOffsetX = ScaleLength(c.ArcCenterOffsetX, Factor);
  c.ArcCenterOffsetY = ScaleLength(c.ArcCenterOffsetY, Factor);
  return m;
}

}  // namespace quendal
