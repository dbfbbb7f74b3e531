#include "display/PeakHold.h"

#include <gtest/gtest.h>

#include <vector>

namespace quendal {
namespace {

struct Tick {
  double needle;
  std::int64_t ms;
  double peak;
};

TEST(PeakHold, HoldsTheHighestPositionThenFallsAsTheNeedleFalls) {
  MeterSettings smooth;  // decay 0.2 x (1 - 0.15) = 0.17 of the distance per tick
  MeterSettings stepped;
  stepped.NeedleMovementMode = nmFastAttackSlowDecay;
  MeterSettings noHold;
  noHold.PeakHoldMs = 0;
  const struct {
    const char* name;
    const MeterSettings* settings;
    std::vector<Tick> ticks;
  } cases[] = {
      {"held for PeakHoldMs, then 0.17 of the way per tick",
       &smooth,
       {{0, 0, 0}, {5, 10, 5}, {2, 20, 5}, {2, 1509, 5}, {2, 1510, 4.49}, {2, 1520, 4.0667}}},
      {"a higher needle restarts the hold",
       &smooth,
       {{5, 0, 5}, {3, 1000, 5}, {6, 1200, 6}, {3, 2600, 6}, {3, 2700, 5.49}}},
      {"fast attack, slow decay: 0.1 per tick, never below the needle",
       &stepped,
       {{4, 0, 4}, {3.85, 1500, 3.9}, {3.85, 1510, 3.85}, {3.85, 1520, 3.85}}},
      {"no hold time falls at once", &noHold, {{9, 0, 9}, {0, 10, 7.47}}},
      {"lands on the needle within the snap distance", &smooth, {{1.001, 0, 1.001}, {1, 1500, 1}}},
  };
  for (const auto& c : cases) {
    PeakHold peak;
    for (const Tick& t : c.ticks) {
      EXPECT_NEAR(peak.Update(t.needle, t.ms, *c.settings), t.peak, 1e-9)
          << c.name << " at " << t.ms << " ms";
    }
  }
}

}  // namespace
}  // namespace quendal
