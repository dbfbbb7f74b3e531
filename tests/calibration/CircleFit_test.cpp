#include "calibration/CircleFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace quendal {
namespace {

// 16 marks on an arc from `from` to `to` degrees, rounded to whole pixels, each moved
// outwards by the matching entry of `noise`.
std::vector<TPoint> ArcMarks(double cx, double cy, double r, double from, double to,
                             const std::vector<double>& noise = {}) {
  std::vector<TPoint> marks;
  for (int k = 0; k < 16; ++k) {
    const double a = (from + (to - from) * k / 15.0) * std::numbers::pi / 180.0;
    const double radius = r + (noise.empty() ? 0.0 : noise[k]);
    marks.push_back({static_cast<std::int32_t>(std::lround(cx + radius * std::cos(a))),
                     static_cast<std::int32_t>(std::lround(cy - radius * std::sin(a)))});
  }
  return marks;
}

TEST(CircleFitTest, FindsTheCircleOfMarksOnAnArc) {
  const std::vector<double> jitter = {1.5, -2, 0.5, 2,    -1, -1.5, 2, 0,
                                      -2,  1,  1.5, -0.5, -2, 2,    1, -1};
  struct Case {
    const char* name;
    double cx, cy, r, from, to;
    std::vector<double> noise;
    double tolerance;  // of centre and radius, in pixels
    bool arc;
  };
  // Marks rounded to whole pixels move the centre of a short arc by about a pixel.
  const Case cases[] = {
      {"pivot below the face", 240, 310, 220, 140, 40, {}, 1.5, true},
      {"pivot inside the face", 250, 260, 180, 160, 20, {}, 1.0, true},
      {"wide shallow arc", 250, 700, 650, 110, 70, {}, 1.5, true},
      {"clicked two pixels either side", 240, 310, 220, 140, 40, jitter, 4.0, true},
      {"noisy half circle", 250, 150, 100, 180, 0, jitter, 2.0, true},
  };
  for (const Case& c : cases) {
    const std::vector<TPoint> marks = ArcMarks(c.cx, c.cy, c.r, c.from, c.to, c.noise);
    const std::optional<FittedCircle> fit = FitCircle(marks);
    ASSERT_TRUE(fit) << c.name;
    EXPECT_NEAR(fit->CenterX, c.cx, c.tolerance) << c.name;
    EXPECT_NEAR(fit->CenterY, c.cy, c.tolerance) << c.name;
    EXPECT_NEAR(fit->Radius, c.r, c.tolerance) << c.name;
    EXPECT_LT(fit->Residual, c.noise.empty() ? 0.5 : 2.0) << c.name;
    EXPECT_EQ(LiesOnArc(*fit), c.arc) << c.name;
  }
}

TEST(CircleFitTest, AStraightScaleIsNoArc) {
  std::vector<TPoint> level, slanted, wobbly;
  const int wobble[] = {1, -1, 0, 2, -2, 1, 0, -1, 2, 0, -2, 1, -1, 0, 2, -1};
  for (int k = 0; k < 16; ++k) {
    level.push_back({40 + 28 * k, 150});
    slanted.push_back({40 + 28 * k, 200 - 7 * k});
    wobbly.push_back({40 + 28 * k, 150 + wobble[k]});
  }
  EXPECT_FALSE(FitCircle(level));
  EXPECT_FALSE(FitCircle(slanted));
  const std::optional<FittedCircle> fit = FitCircle(wobbly);
  ASSERT_TRUE(fit);
  EXPECT_FALSE(LiesOnArc(*fit)) << fit->Radius << " " << fit->Sagitta;
}

TEST(CircleFitTest, TooFewOrScatteredPoints) {
  EXPECT_FALSE(FitCircle(std::vector<TPoint>{}));
  EXPECT_FALSE(FitCircle(std::vector<TPoint>{{1, 2}, {5, 6}}));
  EXPECT_FALSE(FitCircle(std::vector<TPoint>(16, TPoint{100, 100})));
  // Marks scattered at random are no arc even when a circle can be put through them.
  const std::vector<TPoint> scattered = {
      {10, 10},  {300, 40}, {40, 250},  {200, 200}, {120, 30},  {400, 90}, {60, 160},  {350, 280},
      {250, 15}, {90, 90},  {310, 170}, {20, 280},  {180, 260}, {440, 20}, {140, 140}, {480, 250}};
  const std::optional<FittedCircle> fit = FitCircle(scattered);
  ASSERT_TRUE(fit);
  EXPECT_FALSE(LiesOnArc(*fit));
}

TEST(CircleFitTest, AClickFarOffTheOthersArcIsTold) {
  const std::vector<double> jitter = {1.5, -2, 0.5, 2,    -1, -1.5, 2, 0,
                                      -2,  1,  1.5, -0.5, -2, 2,    1, -1};
  const std::vector<TPoint> marks = ArcMarks(240, 310, 220, 145, 35, jitter);
  // Clicked by hand, mark after mark: never a false alarm.
  for (std::size_t n = 1; n <= marks.size(); ++n)
    EXPECT_FALSE(LastFarFromTheOthers(std::span(marks).first(n))) << n << " marks";
  const auto with_last = [&](std::size_t n, TPoint last) {
    std::vector<TPoint> points(marks.begin(), marks.begin() + static_cast<std::ptrdiff_t>(n - 1));
    points.push_back(last);
    return points;
  };
  const TPoint sixth = marks[5];
  const struct {
    const char* name;
    std::vector<TPoint> points;
    bool far;
  } cases[] = {
      {"sixth 20 px inside", with_last(6, {sixth.X, sixth.Y + 20}), true},
      {"sixth 6 px inside", with_last(6, {sixth.X, sixth.Y + 6}), false},
      {"fifth 20 px inside: too few before it", with_last(5, {marks[4].X, marks[4].Y + 20}), false},
      {"last 15 px outside", with_last(16, {marks[15].X + 11, marks[15].Y - 11}), true},
      {"a mark skipped, still on the arc", with_last(6, marks[6]), false},
      {"straight scale: no curve to measure",
       {{0, 50}, {20, 50}, {40, 50}, {60, 50}, {80, 90}},
       false},
  };
  for (const auto& c : cases) EXPECT_EQ(LastFarFromTheOthers(c.points), c.far) << c.name;
}

}  // namespace
}  // namespace quendal
