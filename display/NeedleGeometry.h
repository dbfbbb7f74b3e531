#pragma once

#include <cstdint>

#include "calibration/Scale.h"
#include "display/MeterSettings.h"
#include "support/TextLog.h"

namespace quendal {

// Degrees to radians, the factor the fallback scales use.
inline constexpr double kDegreesToRadians = 0.017453292519943295;

// The meter centre for a client area: the shifted arc centre in arc mode, else
// the middle of the width at ImageBottomOffset above the bottom edge.
TPoint MeterCenter(const MeterSettings& Settings, const MeterCalibration& Calibration,
                   std::int32_t ClientWidth, std::int32_t ClientHeight);

// Sets ImageCenterX/Y from MeterCenter and logs which rule chose them.
void CalculateImagePosition(NeedleState& Needle, const MeterSettings& Settings,
                            const MeterCalibration& Calibration, std::int32_t ClientWidth,
                            std::int32_t ClientHeight, TextLog& Log);

// The point on the chord between the two marks a value lies between (see
// Scale::Locate). Needs a scale with marks.
struct AimPoint {
  double X = 0.0;
  double Y = 0.0;
};
AimPoint ChordAimPoint(const Scale& NeedleScale, double Value);

// The angle, seen from Reference, at which a value lies on a scale with marks: towards
// its chord point, or between the marks' own angles, as the scale interpolates.
double ScaleAngle(const Scale& NeedleScale, TPoint Reference, double Value);

// Needle angles in radians, counter-clockwise from the positive x axis, y up. The
// standard mode aims from the meter centre, the arc modes from the arc's own points.
// On an empty scale (an S scale not yet calibrated) Value is an S scale position on
// a fixed fallback scale.
double CalculateNeedleAngleStandardMode(const Scale& NeedleScale, TPoint Center, double Value);
double CalculateNeedleAngle(const MeterCalibration& Calibration, const Scale& NeedleScale,
                            double Value);

// The needle's angle at a value on a scale in the geometry in use: from the arc's own
// points in arc mode, else from the meter centre.
double NeedleAngle(const MeterCalibration& Calibration, const Scale& NeedleScale, double Value,
                   TPoint Center);

// Pivot and needle length for an angle about the meter centre (CenterX, CenterY).
void HandleStandardMode(const MeterSettings& Settings, double& PivotX, double& PivotY,
                        std::int32_t& NeedleLength, double Angle, std::int32_t CenterX,
                        std::int32_t CenterY);
void HandleArcCalibrationMode(const MeterCalibration& Calibration, double& PivotX, double& PivotY,
                              std::int32_t& NeedleLength, double Angle, std::int32_t CenterX,
                              std::int32_t CenterY);
void HandleIndependentPivotMode(const MeterCalibration& Calibration, double& PivotX, double& PivotY,
                                std::int32_t& NeedleLength, double Angle, std::int32_t CenterX,
                                std::int32_t CenterY);

// Angle, pivot and length of the needle at a value on a scale, chosen by arc mode and
// IndependentPivotSet as the painter needs them.
struct NeedleGeometry {
  double Angle = 0.0;
  double PivotX = 0.0;
  double PivotY = 0.0;
  std::int32_t Length = 0;
};
NeedleGeometry SelectNeedleGeometry(const MeterSettings& Settings,
                                    const MeterCalibration& Calibration, const Scale& NeedleScale,
                                    double Value, std::int32_t CenterX, std::int32_t CenterY);

}  // namespace quendal
