#include "display/NeedleGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
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

AimPoint InterpolatedCalibrationPoint(const TCalibrationPoints& Points, double Position) {
  constexpr int kLastPoint = kCalibrationPointCount - 1;
  if (Position >= kLastPoint) {
    return {static_cast<double>(Points[kLastPoint].X), static_cast<double>(Points[kLastPoint].Y)};
  }
  // NaN falls into the first segment, with a NaN fraction.
  const int index = Position >= 1.0 ? static_cast<int>(std::trunc(Position)) : 0;
  const double fraction = Position - std::trunc(Position);
  const TPoint& point1 = Points[index];
  const TPoint& point2 = Points[index + 1];
  return {(1.0 - fraction) * point1.X + fraction * point2.X,
          (1.0 - fraction) * point1.Y + fraction * point2.Y};
}

double CalculateNeedleAngleStandardMode(const MeterCalibration& Calibration, TPoint Center,
                                        double Position) {
  if (Calibration.CalibrationDone) {
    const AimPoint aim = InterpolatedCalibrationPoint(Calibration.CalibrationPoints, Position);
    return std::atan2(Center.Y - aim.Y, aim.X - Center.X);
  }
  const double degrees =
      Position <= 9.0 ? 150.0 - Position * 30.0 / 9.0 : 90.0 - (Position - 9.0) * 30.0 / 6.0;
  return degrees * kDegreesToRadians;
}

double CalculateNeedleAngle(const MeterCalibration& State, double Position) {
  if (State.CalibrationDone) {
    const TPoint reference = State.IndependentPivotSet ? State.IndependentPivot : State.ArcCenter;
    const AimPoint aim = InterpolatedCalibrationPoint(State.CalibrationPoints, Position);
    return std::atan2(reference.Y - aim.Y, aim.X - reference.X);
  }
  const double degrees =
      Position <= 9.0 ? 150.0 - Position * 120.0 / 9.0 : 30.0 - (Position - 9.0) * 30.0 / 6.0;
  return degrees * kDegreesToRadians;
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
                                    const MeterCalibration& Calibration, double Position,
                                    std::int32_t CenterX, std::int32_t CenterY) {
  NeedleGeometry g;
  const bool arcMode = Calibration.ArcMode();
  g.Angle = arcMode ? CalculateNeedleAngle(Calibration, Position)
                    : CalculateNeedleAngleStandardMode(Calibration, {CenterX, CenterY}, Position);
  if (Calibration.IndependentPivotSet) {
    HandleIndependentPivotMode(Calibration, g.PivotX, g.PivotY, g.Length, g.Angle, CenterX,
                               CenterY);
  } else if (arcMode) {
    HandleArcCalibrationMode(Calibration, g.PivotX, g.PivotY, g.Length, g.Angle, CenterX, CenterY);
  } else {
    HandleStandardMode(Settings, g.PivotX, g.PivotY, g.Length, g.Angle, CenterX, CenterY);
  }
  return g;
}

}  // namespace quendal
