#include "calibration/Scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace quendal {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(Scale, TheSScaleHasItsSixteenMarksAtTheScalePositions) {
  MeterCalibration calibration;
  for (int k = 0; k < kCalibrationPointCount; ++k)
    calibration.CalibrationPoints[k] = {10 + 20 * k, 200 - k * k};
  EXPECT_TRUE(SScale(calibration).Empty()) << "no scale until its points are done";
  calibration.CalibrationDone = true;
  const Scale s = SScale(calibration);
  ASSERT_EQ(s.Marks().size(), 16u);
  for (int k = 0; k < kCalibrationPointCount; ++k) {
    EXPECT_EQ(s.Marks()[k], (ScaleMark{static_cast<double>(k), calibration.CalibrationPoints[k]}));
  }
  EXPECT_EQ(s.Between(), ScaleInterpolation::Chord);
}

TEST(Scale, LocateFindsTheSegmentAndHowFarAlongIt) {
  TCalibrationPoints points{};
  const Scale s = SScale(points);
  const Scale watts({{0, {}}, {5, {}}, {10, {}}, {50, {}}, {100, {}}}, ScaleInterpolation::Angle);
  struct Case {
    const Scale& scale;
    double value;
    ScaleSpot expected;
  };
  const Case cases[] = {
      {s, 0.0, {0, 0.0}},
      {s, 0.5, {0, 0.5}},
      {s, 1.0, {1, 0.0}},
      {s, 9.25, {9, 0.25}},
      {s, 14.5, {14, 0.5}},
      // At and past +60 dB: the last mark.
      {s, 15.0, {14, 1.0}},
      {s, 16.3, {14, 1.0}},
      // Below S0 the first chord extends, counting only the part past whole segments.
      {s, -0.05, {0, -0.05}},
      {s, -1.25, {0, -0.25}},
      {watts, 0.0, {0, 0.0}},
      {watts, 2.5, {0, 0.5}},
      {watts, 10.0, {2, 0.0}},
      {watts, 30.0, {2, 0.5}},
      {watts, 100.0, {3, 1.0}},
      // A scale that interpolates angles stops at its end marks.
      {watts, -10.0, {0, 0.0}},
      {watts, 1500.0, {3, 1.0}},
      {watts, kInfinity, {3, 1.0}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.scale.Locate(c.value), c.expected) << c.value;

  for (const Scale* scale : {&s, &watts}) {
    const ScaleSpot nan = scale->Locate(kNaN);
    EXPECT_EQ(nan.Index, 0u);
    EXPECT_TRUE(std::isnan(nan.Fraction));
  }
  EXPECT_EQ(Scale().Locate(3.0), (ScaleSpot{0, 0.0}));
}

TEST(Scale, MarksWithAProblemMakeNoScale) {
  struct Case {
    std::vector<double> values;
    const char* problem;
  };
  const Case cases[] = {
      {{}, "a scale needs at least two marks"},
      {{1}, "a scale needs at least two marks"},
      {{1, 1.5, 2, 3}, ""},
      {{-20, -10, 0}, ""},
      {{1, 2, 2}, "mark 3: the value is not above that of mark 2"},
      {{5, 1}, "mark 2: the value is not above that of mark 1"},
      {{1, 3, kInfinity}, "mark 3: the value is not a finite number"},
      {{kNaN, 1}, "mark 1: the value is not a finite number"},
  };
  for (const Case& c : cases) {
    std::vector<ScaleMark> marks;
    for (double v : c.values) marks.push_back({v, {}});
    EXPECT_EQ(ScaleMarksProblem(marks), c.problem) << c.problem;
    EXPECT_EQ(Scale(marks, ScaleInterpolation::Angle).Marks().size(),
              *c.problem ? 0u : marks.size())
        << c.problem;
  }
}

}  // namespace
}  // namespace quendal
