#include "hamlib/HamlibTransmit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quendal {
namespace {

TEST(HamlibTransmitTest, TurnsTheRigsLevelsIntoTheNeedlesUnits) {
  using Values = std::array<std::optional<double>, kTransmitReadings.size()>;
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    HamlibTransmitLevels levels;
    Values values;  // power W, SWR, ALC dB, compression dB
  };
  const Case cases[] = {
      {"nothing offered", {}, {}},
      {"watts over the fraction", {48.5, 0.1, {}, {}, {}}, {{48.5, {}, {}, {}}}},
      {"the fraction of MaxPowerW", {{}, 0.25, {}, {}, {}}, {{50.0, {}, {}, {}}}},
      {"everything", {{}, 1.0, 1.5, 0.5, 6.0}, {{200.0, 1.5, 20 * std::log10(0.5), 6.0}}},
      {"no power at all", {0.0, {}, {}, {}, {}}, {{0.0, {}, {}, {}}}},
      {"SWR 1 is a perfect match", {{}, {}, 1.0, {}, {}}, {{{}, 1.0, {}, {}}}},
      {"SWR below 1 is no reading", {{}, {}, 0.99, {}, {}}, {}},
      {"SWR 0 is no reading", {{}, {}, 0.0, {}, {}}, {}},
      {"ALC full scale", {{}, {}, {}, 1.0, {}}, {{{}, {}, 0.0, {}}}},
      {"no ALC action rests at the floor",
       {{}, {}, {}, 0.0, {}},
       {{{}, {}, kHamlibAlcFloorDb, {}}}},
      {"negative meters are no reading", {-1.0, {}, {}, -0.1, -3.0}, {}},
      {"a negative fraction", {{}, -0.5, {}, {}, {}}, {}},
      {"not numbers", {kNaN, {}, kInf, kNaN, kInf}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(TransmitValues(c.levels, 200), c.values) << c.what;
}

}  // namespace
}  // namespace quendal
