#include "display/NeedleGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "support/Rounding.h"

namespace quendal {

namespace {

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The length from the meter centre to a pivot, bounded by the arc radius above and
// by the arc radius less the pivot circle below (the lower bound wins).
std::int32_t ArcNeedleLength(const MeterCalibration& State, double PivotX, double PivotY,
                             std::int32_t CenterX, std::int32_t CenterY) {
  const double distance = std::hypot(PivotX - CenterX, PivotY - CenterY);
  const double rounded = RoundHalfEven(distance);
  // Coordinates are 32-bit, so the distance fits; a NaN pivot gives no length.
  const std::int64_t distanceToArc =
      std::isfinite(rounded) ? static_cast<std::int64_t>(rounded) : 0;
  const std::int64_t arcRadius = State.ArcRadius;
  std::int64_t length = arcRadius - distanceToArc + State.NeedleLengthOffset;
  if (length > arcRadius) length = arcRadius;
  const std::int64_t lowerBound = arcRadius - State.PivotArcRadius;
  if (length < lowerBound) length = lowerBound;
  return ClampToInt32(length);
}

double AngleTo(TPoint reference, TPoint point) {
  return std::atan2(static_cast<double>(reference.Y) - point.Y,
                    static_cast<double>(point.X) - reference.X);
}

}  // namespace

TPoint MeterCenter(const MeterSettings& Settings, const MeterCalibration& Calibration,
                   std::int32_t ClientWidth, std::int32_t ClientHeight) {
  if (Calibration.ArcMode()) {
    return {ClampToInt32(std::int64_t{Calibration.ArcCenter.X} + Calibration.ArcCenterOffsetX),
            ClampToInt32(std::int64_t{Calibration.ArcCenter.Y} + Calibration.ArcCenterOffsetY)};
  }
  return {ClientWidth / 2, ClampToInt32(std::int64_t{ClientHeight} - Settings.ImageBottomOffset)};
}

void CalculateImagePosition(NeedleState& Needle, const MeterSettings& Settings,
                            const MeterCalibration& Calibration, std::int32_t ClientWidth,
                            std::int32_t ClientHeight, TextLog& Log) {
  const TPoint center = MeterCenter(Settings, Calibration, ClientWidth, ClientHeight);
  Needle.ImageCenterX = center.X;
  Needle.ImageCenterY = center.Y;
  Log.Log([&] {
    return (Calibration.ArcMode() ? "Using ArcCenter with offset as image position: "
                                  : "Using default image position: ") +
           PointText(center);
  });
}

AimPoint ChordAimPoint(const Scale& NeedleScale, double Value) {
  const ScaleSpot spot = NeedleScale.Locate(Value);
  const TPoint& point1 = NeedleScale.Marks()[spot.Index].Point;
  const TPoint& point2 = NeedleScale.Marks()[spot.Index + 1].Point;
  const double fraction = spot.Fraction;
  return {(1.0 - fraction) * point1.X + fraction * point2.X,
          (1.0 - fraction) * point1.Y + fraction * point2.Y};
}

double ScaleAngle(const Scale& NeedleScale, TPoint Reference, double Value) {
  if (NeedleScale.Between() == ScaleInterpolation::Chord) {
    const AimPoint aim = ChordAimPoint(NeedleScale, Value);
    return std::atan2(Reference.Y - aim.Y, aim.X - Reference.X);
  }
  const ScaleSpot spot = NeedleScale.Locate(Value);
  const double from = AngleTo(Reference, NeedleScale.Marks()[spot.Index].Point);
  const double to = AngleTo(Reference, NeedleScale.Marks()[spot.Index + 1].Point);
  // The short way round, so marks either side of straight left stay neighbours.
  return from + spot.Fraction * std::remainder(to - from, 2.0 * std::numbers::pi);
}

double CalculateNeedleAngleStandardMode(const Scale& NeedleScale, TPoint Center, double Value) {
  if (!NeedleScale.Empty()) return ScaleAngle(NeedleScale, Center, Value);
  const double degrees =
      Value <= 9.0 ? 150.0 - Value * 30.0 / 9.0 : 90.0 - (Value - 9.0) * 30.0 / 6.0;
  return degrees * kDegreesToRadians;
}

double CalculateNeedleAngle(const MeterCalibration& State, const Scale& NeedleScale, double Value) {
  if (!NeedleScale.Empty()) {
    const TPoint reference = State.IndependentPivotSet ? State.IndependentPivot : State.ArcCenter;
    return ScaleAngle(NeedleScale, reference, Value);
  }
  const double degrees =
      Value <= 9.0 ? 150.0 - Value * 120.0 / 9.0 : 30.0 - (Value - 9.0) * 30.0 / 6.0;
  return degrees * kDegreesToRadians;
}

double NeedleAngle(const MeterCalibration& Calibration, const Scale& NeedleScale, double Value,
                   TPoint Center) {
  return Calibration.ArcMode() ? CalculateNeedleAngle(Calibration, NeedleScale, Value)
                               : CalculateNeedleAngleStandardMode(NeedleScale, Center, Value);
}

void HandleStandardMode(const MeterSettings& State, double& PivotX, double& PivotY,
                        std::int32_t& NeedleLength, double /*Angle*/, std::int32_t CenterX,
                        std::int32_t CenterY) {
  PivotX = CenterX;
  PivotY = CenterY;
  NeedleLength = State.NeedleLength;
}

void HandleArcCalibrationMode(const MeterCalibration& State, double& PivotX, double& PivotY,
                              std::int32_t& NeedleLength, double Angle, std::int32_t CenterX,
                              std::int32_t CenterY) {
  // The pivot slides round the pivot circle, always on the needle's own line.
  PivotX = CenterX + std::cos(Angle) * State.PivotArcRadius;
  PivotY = CenterY - std::sin(Angle) * State.PivotArcRadius;
  NeedleLength = ArcNeedleLength(State, PivotX, PivotY, CenterX, CenterY);
}

void HandleIndependentPivotMode(const MeterCalibration& State, double& PivotX, double& PivotY,
                                std::int32_t& NeedleLength, double /*Angle*/, std::int32_t CenterX,
                                std::int32_t CenterY) {
  PivotX = State.IndependentPivot.X;
  PivotY = State.IndependentPivot.Y;
  NeedleLength = ArcNeedleLength(State, PivotX, PivotY, CenterX, CenterY);
}

NeedleGeometry SelectNeedleGeometry(const MeterSettings& Settings,
                                    const MeterCalibration& Calibration, const Scale& NeedleScale,
                                    double Value, std::int32_t CenterX, std::int32_t CenterY) {
  NeedleGeometry g;
  g.Angle = NeedleAngle(Calibration, NeedleScale, Value, {CenterX, CenterY});
  if (Calibration.IndependentPivotSet) {
    HandleIndependentPivotMode(Calibration, g.PivotX, g.PivotY, g.Length, g.Angle, CenterX,
                               CenterY);
  } else if (Calibration.ArcMode()) {
    HandleArcCalibrationMode(Calibration, g.PivotX, g.PivotY, g.Length, g.Angle, CenterX, CenterY);
  } else {
    HandleStandardMode(Settings, g.PivotX, g.PivotY, g.Length, g.Angle, CenterX, CenterY);
  }
  return g;
}

}  // namespace quendal
