#include "display/NeedleGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/display/TestMeter.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

constexpr double kRad = 0.017453292519943295;

TCalibrationPoints DistinctPoints() {
  TCalibrationPoints points;
  for (int k = 0; k < kCalibrationPointCount; ++k) points[k] = {10 + 20 * k, 200 - k * k};
  return points;
}

TEST(CalculateImagePosition, DefaultAndArcCentresAreSetAndLogged) {
  struct Case {
    bool arcMode;
    std::int32_t width, height, bottomOffset;
    TPoint expected;
    const char* message;
  };
  const Case cases[] = {
      {false, 345, 200, -50, {172, 250}, "Using default image position: (172, 250)"},
      {false, 480, 260, 20, {240, 240}, "Using default image position: (240, 240)"},
      {false, 7, 100, 0, {3, 100}, "Using default image position: (3, 100)"},
      {true,
       345,
       200,
       -50,
       {205, 177},
       "Using ArcCenter with offset as image position: (205, 177)"},
  };
  for (const Case& c : cases) {
    testing::TestLog log("centre");
    testing::TestMeter s;
    s.settings.ImageBottomOffset = c.bottomOffset;
    s.calibration.UseArcCalibration = c.arcMode;
    s.calibration.ArcCalibrationDone = c.arcMode;
    s.calibration.ArcCenter = {200, 180};
    s.calibration.ArcCenterOffsetX = 5;
    s.calibration.ArcCenterOffsetY = -3;
    CalculateImagePosition(s.needle, s.settings, s.calibration, c.width, c.height, log.Log());
    EXPECT_EQ(s.needle.ImageCenterX, c.expected.X) << c.message;
    EXPECT_EQ(s.needle.ImageCenterY, c.expected.Y) << c.message;
    EXPECT_EQ(log.Messages(), std::vector<std::string>{c.message});
  }
}

TEST(CalculateImagePosition, ArcCentreOnlyWhenArcCalibrationIsAlsoDone) {
  testing::TestLog log("centre_arc_pending");
  testing::TestMeter s;
  s.calibration.UseArcCalibration = true;
  s.calibration.ArcCalibrationDone = false;
  s.calibration.ArcCenter = {10, 10};
  CalculateImagePosition(s.needle, s.settings, s.calibration, 345, 200, log.Log());
  EXPECT_EQ(s.needle.ImageCenterX, 172);
  EXPECT_EQ(s.needle.ImageCenterY, 250);
}

TEST(ChordAimPoint, AimsOnTheChordBetweenNeighbouringPoints) {
  const TCalibrationPoints p = DistinctPoints();
  const Scale scale = SScale(p);
  auto mix = [&](int a, int b, double f) {
    return AimPoint{(1 - f) * p[a].X + f * p[b].X, (1 - f) * p[a].Y + f * p[b].Y};
  };
  struct Case {
    double position;
    AimPoint expected;
  };
  const Case cases[] = {
      {0.0, mix(0, 1, 0.0)},
      {0.5, mix(0, 1, 0.5)},
      {1.0, mix(1, 2, 0.0)},
      {8.5, mix(8, 9, 0.5)},
      {9.25, mix(9, 10, 0.25)},
      {-0.05, mix(0, 1, -0.05)},
      {14.5, mix(14, 15, 0.5)},
      {0.999999, mix(0, 1, 0.999999)},
      // At and beyond the end of the scale the needle stops on the last point.
      {15.0, mix(15, 15, 0.0)},
      {16.3, mix(15, 15, 0.0)},
      {1e9, mix(15, 15, 0.0)},
  };
  for (const Case& c : cases) {
    const AimPoint aim = ChordAimPoint(scale, c.position);
    EXPECT_NEAR(aim.X, c.expected.X, 1e-9) << c.position;
    EXPECT_NEAR(aim.Y, c.expected.Y, 1e-9) << c.position;
  }
  // -0.05 lies just beyond point 0, on the extension of the chord from point 1.
  const AimPoint before = ChordAimPoint(scale, -0.05);
  EXPECT_NEAR(before.X, 9.0, 1e-9);
  EXPECT_NEAR(before.Y, 200.05, 1e-9);
  const AimPoint justAbove = ChordAimPoint(scale, 1.000001);
  EXPECT_NEAR(justAbove.X, p[1].X, 1e-4);
  EXPECT_NEAR(justAbove.Y, p[1].Y, 1e-4);
}

TEST(ScaleAngle, AnAngleScaleGoesLinearlyWithTheValueInEveryGeometry) {
  struct Geometry {
    const char* name;
    bool arcMode, independent;
    TPoint reference;  // what the angle is seen from
  };
  const Geometry geometries[] = {
      {"standard", false, false, {100, 100}},
      {"arc", true, false, {200, 150}},
      {"arc about the independent pivot", true, true, {50, 300}},
  };
  struct Case {
    double watts, degrees;
  };
  const Case cases[] = {
      {0.0, 180.0}, {5.0, 135.0},  {10.0, 90.0},  {55.0, 45.0},
      {100.0, 0.0}, {-5.0, 180.0}, {1000.0, 0.0},
  };
  for (const Geometry& g : geometries) {
    testing::TestMeter s;
    s.calibration.UseArcCalibration = g.arcMode;
    s.calibration.ArcCalibrationDone = g.arcMode;
    s.calibration.ArcCenter = {200, 150};
    s.calibration.IndependentPivotSet = g.independent;
    s.calibration.IndependentPivot = {50, 300};
    const TPoint r = g.reference;
    // Left, up and right of the reference, at unequal distances: a chord would bend.
    const Scale watts({{0, {r.X - 100, r.Y}}, {10, {r.X, r.Y - 50}}, {100, {r.X + 200, r.Y}}},
                      ScaleInterpolation::Angle);
    for (const Case& c : cases) {
      const NeedleGeometry needle =
          SelectNeedleGeometry(s.settings, s.calibration, watts, c.watts, 100, 100);
      EXPECT_NEAR(needle.Angle, c.degrees * kRad, 1e-12) << g.name << " at " << c.watts;
    }
  }
  // Marks either side of straight left: the needle passes through left, not right.
  const Scale across({{0, {0, 0}}, {1, {0, 200}}}, ScaleInterpolation::Angle);
  EXPECT_NEAR(std::fabs(ScaleAngle(across, {100, 100}, 0.5)), 180.0 * kRad, 1e-12);
}

TEST(CalculateNeedleAngle, UncalibratedFallbackScales) {
  struct Case {
    double position, standardDegrees, arcDegrees;
  };
  const Case cases[] = {
      {0.0, 150.0, 150.0}, {4.5, 135.0, 90.0}, {9.0, 120.0, 30.0},
      {9.5, 87.5, 27.5},   {12.0, 75.0, 15.0}, {15.0, 60.0, 0.0},
  };
  testing::TestMeter s;
  for (const Case& c : cases) {
    EXPECT_NEAR(
        CalculateNeedleAngleStandardMode(
            SScale(s.calibration), {s.needle.ImageCenterX, s.needle.ImageCenterY}, c.position),
        c.standardDegrees * kRad, 1e-12)
        << c.position;
    EXPECT_NEAR(CalculateNeedleAngle(s.calibration, SScale(s.calibration), c.position),
                c.arcDegrees * kRad, 1e-12)
        << c.position;
  }
}

TEST(CalculateNeedleAngle, CalibratedAnglesPointFromTheirReference) {
  testing::TestMeter s;
  s.calibration.CalibrationDone = true;
  s.needle.ImageCenterX = 172;
  s.needle.ImageCenterY = 250;
  s.calibration.ArcCenter = {100, 100};
  s.calibration.IndependentPivot = {0, 300};
  s.calibration.CalibrationPoints[0] = {272, 150};  // up-right of the meter centre
  s.calibration.CalibrationPoints[1] = {200, 0};    // straight up from the arc centre
  s.calibration.CalibrationPoints[2] = {100, 200};  // straight up-right of the pivot

  EXPECT_NEAR(CalculateNeedleAngleStandardMode(SScale(s.calibration),
                                               {s.needle.ImageCenterX, s.needle.ImageCenterY}, 0.0),
              45.0 * kRad, 1e-12);
  EXPECT_NEAR(CalculateNeedleAngle(s.calibration, SScale(s.calibration), 1.0), 45.0 * kRad, 1e-12);
  s.calibration.IndependentPivotSet = true;
  EXPECT_NEAR(CalculateNeedleAngle(s.calibration, SScale(s.calibration), 2.0), 45.0 * kRad, 1e-12);
  // The standard angle ignores the independent pivot: it always starts at the centre.
  EXPECT_NEAR(CalculateNeedleAngleStandardMode(SScale(s.calibration),
                                               {s.needle.ImageCenterX, s.needle.ImageCenterY}, 0.0),
              45.0 * kRad, 1e-12);
}

TEST(HandleModes, PivotAndLengthPerGeometry) {
  struct Case {
    const char* name;
    std::int32_t arcRadius, pivotArcRadius, lengthOffset;
    bool independent;
    TPoint pivot;
    std::int32_t expectedLength;
  };
  const Case cases[] = {
      {"arc, no offset", 200, 40, 0, false, {}, 160},
      {"arc, +100 capped at the radius", 200, 40, 100, false, {}, 200},
      {"arc, -100 raised to the lower bound", 200, 40, -100, false, {}, 160},
      {"arc, +20 within bounds", 200, 40, 20, false, {}, 180},
      {"arc, bounds in conflict: the lower one wins", 10, -10, 0, false, {}, 20},
      {"independent pivot 30 px away", 200, 0, 0, true, {130, 100}, 200},
      {"independent pivot, pivot circle 50", 200, 50, 0, true, {130, 100}, 170},
      {"independent pivot 3-4-5 away", 100, 90, 0, true, {103, 104}, 95},
  };
  for (const Case& c : cases) {
    testing::TestMeter s;
    s.calibration.ArcRadius = c.arcRadius;
    s.calibration.PivotArcRadius = c.pivotArcRadius;
    s.calibration.NeedleLengthOffset = c.lengthOffset;
    s.calibration.IndependentPivot = c.pivot;
    double px = 0, py = 0;
    std::int32_t length = 0;
    const double angle = 60.0 * kRad;
    if (c.independent) {
      HandleIndependentPivotMode(s.calibration, px, py, length, angle, 100, 100);
      EXPECT_EQ(px, c.pivot.X) << c.name;
      EXPECT_EQ(py, c.pivot.Y) << c.name;
    } else {
      HandleArcCalibrationMode(s.calibration, px, py, length, angle, 100, 100);
      EXPECT_NEAR(px, 100 + std::cos(angle) * c.pivotArcRadius, 1e-12) << c.name;
      EXPECT_NEAR(py, 100 - std::sin(angle) * c.pivotArcRadius, 1e-12) << c.name;
    }
    EXPECT_EQ(length, c.expectedLength) << c.name;
  }

  testing::TestMeter s;
  s.settings.NeedleLength = 220;
  double px = 0, py = 0;
  std::int32_t length = 0;
  HandleStandardMode(s.settings, px, py, length, 1.0, 172, 250);
  EXPECT_EQ(px, 172.0);
  EXPECT_EQ(py, 250.0);
  EXPECT_EQ(length, 220);
}

TEST(SelectNeedleGeometry, FollowsTheSelectionTable) {
  struct Case {
    bool arcMode, independent;
    double expectedAngleDegrees;  // uncalibrated at position 9
    double pivotX, pivotY;
    std::int32_t length;
  };
  // Centre (100, 100); arc radius 200, pivot circle 40; independent pivot (130, 100).
  const double arcPivotX = 100 + std::cos(30 * kRad) * 40;
  const double arcPivotY = 100 - std::sin(30 * kRad) * 40;
  const Case cases[] = {
      {false, false, 120.0, 100.0, 100.0, 220},
      {false, true, 120.0, 130.0, 100.0, 170},
      {true, false, 30.0, arcPivotX, arcPivotY, 160},
      {true, true, 30.0, 130.0, 100.0, 170},
  };
  for (const Case& c : cases) {
    testing::TestMeter s;
    s.needle.NeedlePosition = 9.0;
    s.calibration.UseArcCalibration = c.arcMode;
    s.calibration.ArcCalibrationDone = c.arcMode;
    s.calibration.IndependentPivotSet = c.independent;
    s.calibration.IndependentPivot = {130, 100};
    s.calibration.ArcRadius = 200;
    s.calibration.PivotArcRadius = 40;
    const NeedleGeometry g = SelectNeedleGeometry(s.settings, s.calibration, SScale(s.calibration),
                                                  s.needle.NeedlePosition, 100, 100);
    EXPECT_NEAR(g.Angle, c.expectedAngleDegrees * kRad, 1e-12) << c.arcMode << c.independent;
    EXPECT_NEAR(g.PivotX, c.pivotX, 1e-9) << c.arcMode << c.independent;
    EXPECT_NEAR(g.PivotY, c.pivotY, 1e-9) << c.arcMode << c.independent;
    EXPECT_EQ(g.Length, c.length) << c.arcMode << c.independent;
  }
}

}  // namespace
}  // namespace quendal
