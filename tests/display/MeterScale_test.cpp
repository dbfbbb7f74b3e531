#include "display/MeterScale.h"

#include <gtest/gtest.h>

#include <cmath>

#include "display/NeedleGeometry.h"

namespace quendal {
namespace {

TEST(MeterScale, EveryLengthAndPointScalesTogether) {
  MeterSettings settings;
  MeterCalibration calibration;
  for (int i = 0; i < kCalibrationPointCount; ++i)
    calibration.CalibrationPoints[i] = {20 + i * 21, 33};
  calibration.CalibrationPoints[3] = {0, 0};  // unset stays unset
  calibration.ArcCenter = {171, 251};
  calibration.ArcRadius = 201;
  calibration.PivotArcRadius = 41;
  calibration.NeedleLengthOffset = -7;
  calibration.ArcCenterOffsetX = 3;
  calibration.ArcCenterOffsetY = -5;
  calibration.IndependentPivot = {11, 13};
  // Above 100 % the three strokes of thickness 2 widen; below it one stroke is left.
  const struct {
    double factor;
    std::int32_t needleLength, bottomOffset, thickness;
    double strokeWidth;
    std::int32_t shadowOffset;
    TPoint point1, arcCenter, pivot;
    std::int32_t radius, pivotRadius, lengthOffset, offsetX, offsetY;
  } cases[] = {
      {1.0, 220, -50, 2, 1.0, 4, {41, 33}, {171, 251}, {11, 13}, 201, 41, -7, 3, -5},
      {2.0, 440, -100, 2, 2.0, 8, {82, 66}, {342, 502}, {22, 26}, 402, 82, -14, 6, -10},
      // Halves round to even: 20.5 -> 20, 16.5 -> 16, 125.5 -> 126.
      {0.5, 110, -25, 1, 1.0, 2, {20, 16}, {86, 126}, {6, 6}, 100, 20, -4, 2, -2},
      {1.5, 330, -75, 2, 1.5, 6, {62, 50}, {256, 376}, {16, 20}, 302, 62, -10, 4, -8},
  };
  for (const auto& c : cases) {
    const ScaledMeter m = ScaleMeter(settings, calibration, c.factor);
    EXPECT_EQ(m.Settings.NeedleLength, c.needleLength) << c.factor;
    EXPECT_EQ(m.Settings.ImageBottomOffset, c.bottomOffset) << c.factor;
    EXPECT_EQ(m.Settings.NeedleThickness, c.thickness) << c.factor;
    EXPECT_EQ(m.StrokeWidth, c.strokeWidth) << c.factor;
    EXPECT_EQ(m.Settings.ShadowOffset, c.shadowOffset) << c.factor;
    EXPECT_EQ(m.Calibration.CalibrationPoints[1], c.point1) << c.factor;
    EXPECT_EQ(m.Calibration.CalibrationPoints[3], (TPoint{0, 0})) << c.factor;
    EXPECT_EQ(m.Calibration.ArcCenter, c.arcCenter) << c.factor;
    EXPECT_EQ(m.Calibration.IndependentPivot, c.pivot) << c.factor;
    EXPECT_EQ(m.Calibration.ArcRadius, c.radius) << c.factor;
    EXPECT_EQ(m.Calibration.PivotArcRadius, c.pivotRadius) << c.factor;
    EXPECT_EQ(m.Calibration.NeedleLengthOffset, c.lengthOffset) << c.factor;
    EXPECT_EQ(m.Calibration.ArcCenterOffsetX, c.offsetX) << c.factor;
    EXPECT_EQ(m.Calibration.ArcCenterOffsetY, c.offsetY) << c.factor;
    EXPECT_EQ(ScaleSize(QSize(345, 201), c.factor),
              QSize(ScaleLength(345, c.factor), ScaleLength(201, c.factor)));
  }
}

TEST(MeterScale, TheNeedlePointsAtTheSameMarkOfTheScaledFace) {
  MeterSettings settings;
  MeterCalibration calibration;
  for (int i = 0; i < kCalibrationPointCount; ++i)
    calibration.CalibrationPoints[i] = {30 + i * 19, 60 + (i - 8) * (i - 8)};
  calibration.CalibrationDone = true;
  // An even width: the centre is the width halved, rounded down at every size.
  const TPoint center = MeterCenter(settings, calibration, 346, 200);
  const double angle = CalculateNeedleAngleStandardMode(SScale(calibration), center, 9.0);
  const ScaledMeter twice = ScaleMeter(settings, calibration, 2.0);
  const TPoint center2 = MeterCenter(twice.Settings, twice.Calibration, 692, 400);
  EXPECT_EQ(center2, (TPoint{2 * center.X, 2 * center.Y}));
  EXPECT_DOUBLE_EQ(CalculateNeedleAngleStandardMode(SScale(twice.Calibration), center2, 9.0),
                   angle);
}

}  // namespace
}  // namespace quendal
