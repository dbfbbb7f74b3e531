#include "display/TransmitNeedle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "display/NeedleGeometry.h"

namespace quendal {
namespace {

// Directions of the 16 S marks seen from the reference point: along a line above it.
TPoint Direction(int mark) { return {8 * mark - 60, -50}; }

TPoint At(TPoint reference, TPoint direction, int times) {
  return {reference.X + times * direction.X, reference.Y + times * direction.Y};
}

// S marks twice as far out as the transmit marks, on the same directions, so a transmit
// mark lies exactly where its S mark does for the needle.
MeterCalibration CalibrationAbout(TPoint reference) {
  MeterCalibration c;
  for (int k = 0; k < kCalibrationPointCount; ++k)
    c.CalibrationPoints[k] = At(reference, Direction(k), 2);
  c.CalibrationDone = true;
  return c;
}

TEST(TransmitNeedle, AValuePointsTheNeedleWhereItsTransmitMarkLiesInEachGeometry) {
  const TPoint center{240, 310};
  const TPoint arcCenter{250, 300};
  const TPoint pivot{230, 320};
  MeterCalibration standard = CalibrationAbout(center);
  MeterCalibration arc = CalibrationAbout(arcCenter);
  arc.UseArcCalibration = arc.ArcCalibrationDone = true;
  arc.ArcCenter = arcCenter;
  MeterCalibration independent = CalibrationAbout(pivot);
  independent.UseArcCalibration = independent.ArcCalibrationDone = true;
  independent.ArcCenter = arcCenter;
  independent.IndependentPivot = pivot;
  independent.IndependentPivotSet = true;

  const struct {
    const char* name;
    const MeterCalibration* calibration;
    TPoint reference;
  } geometries[] = {{"standard", &standard, center},
                    {"arc", &arc, arcCenter},
                    {"independent pivot", &independent, pivot}};
  // Power 0, 50 and 100 W on the directions of S2, S9 and S9+30 dB.
  const struct {
    double watts;
    double position;  // negative: between marks, checked by angle
  } values[] = {{-10, 2}, {0, 2}, {50, 9}, {100, 12}, {150, 12}, {25, -1}, {80, -1}};
  for (const auto& g : geometries) {
    const Scale power({{0, At(g.reference, Direction(2), 1)},
                       {50, At(g.reference, Direction(9), 1)},
                       {100, At(g.reference, Direction(12), 1)}},
                      ScaleInterpolation::Angle);
    // An SWR scale printed wider than the S scale stops at its ends.
    const Scale swr({{1, At(g.reference, {-100, -50}, 1)}, {3, At(g.reference, {100, -50}, 1)}},
                    ScaleInterpolation::Angle);
    EXPECT_EQ(SScalePositionFor(*g.calibration, swr, 1, center), 0.0) << g.name;
    EXPECT_EQ(SScalePositionFor(*g.calibration, swr, 3, center), 15.0) << g.name;
    for (const auto& v : values) {
      const double position = SScalePositionFor(*g.calibration, power, v.watts, center);
      if (v.position >= 0) {
        EXPECT_NEAR(position, v.position, 1e-9) << g.name << " at " << v.watts << " W";
        continue;
      }
      EXPECT_NEAR(NeedleAngle(*g.calibration, SScale(*g.calibration), position, center),
                  NeedleAngle(*g.calibration, power, v.watts, center), 1e-9)
          << g.name << " at " << v.watts << " W";
    }
  }
}

TEST(TransmitNeedle, PowerPeakIsHeldForTwoSecondsThenFollowsThePower) {
  const struct {
    double watts;
    std::int64_t ms;
    double shown;
  } ticks[] = {{20, 0, 20},    {80, 10, 80},   {30, 1000, 80}, {30, 2009, 80}, {30, 2010, 30},
               {25, 2020, 30}, {90, 2500, 90}, {10, 4499, 90}, {10, 4500, 10}};
  PowerPeakHold pep;
  for (const auto& t : ticks) EXPECT_EQ(pep.Update(t.watts, t.ms), t.shown) << "at " << t.ms;
  pep.Reset();
  EXPECT_EQ(pep.Update(5, 4510), 5);
}

}  // namespace
}  // namespace quendal
