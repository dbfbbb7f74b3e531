#include "meters/LevelConversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "support/NumberFormat.h"

namespace quendal {
namespace {

TEST(LevelConversionsTest, DBMtoSUnitsFollowsS9AtMinus73With6DbPerUnit) {
  struct Case {
    std::int32_t dBm;
    double sUnits;
    std::int32_t plusDB;
  };
  const Case cases[] = {
      {-73, 9.0, 0},  {-53, 9.0, 20}, {-79, 8.0, 0},  {-100, 4.5, 0}, {-74, 8.0 + 5.0 / 6.0, 0},
      {-127, 0.0, 0}, {-140, 0.0, 0}, {-256, 0.0, 0}, {0, 9.0, 73},   {256, 9.0, 329},
  };
  for (const Case& c : cases) {
    std::int32_t plusDB = -999;
    EXPECT_DOUBLE_EQ(DBMtoSUnits(c.dBm, plusDB, 14225000), c.sUnits) << c.dBm;
    EXPECT_EQ(plusDB, c.plusDB) << c.dBm;
  }
}

TEST(LevelConversionsTest, DBMtoSUnitsIgnoresFrequency) {
  for (std::int32_t freq : {0, 7000000, 144000000, -1}) {
    std::int32_t plusDB = -1;
    EXPECT_DOUBLE_EQ(DBMtoSUnits(-91, plusDB, freq), 6.0) << freq;
    EXPECT_EQ(plusDB, 0);
  }
}

// S9 by band: the text carries the S units to a tenth and the dB over S9.
TEST(LevelConversionsTest, VhfRuleMovesS9ToMinus93FromItsFrequency) {
  struct Case {
    bool iaruVhf;
    std::int32_t vhfFromMHz;
    std::int32_t hz;
    std::int32_t dBm;
    bool vhf;
    const char* text;
  };
  const Case cases[] = {
      {true, 30, 50100000, -93, true, "S9"},      {true, 30, 28000000, -93, false, "S5.7"},
      {true, 30, 30000000, -81, true, "S9+12"},   {true, 30, 29999999, -79, false, "S8.0"},
      {true, 144, 50000000, -93, false, "S5.7"},  {true, 144, 144000000, -99, true, "S8.0"},
      {true, 30, 0, -93, false, "S5.7"},  // no frequency known
      {false, 30, 144300000, -93, false, "S5.7"},
  };
  for (const Case& c : cases) {
    const SUnitRule rule{c.iaruVhf, c.vhfFromMHz};
    std::int32_t plusDB = -1;
    const double sUnits = DBMtoSUnits(c.dBm, plusDB, c.hz, rule);
    EXPECT_EQ(SUnitsText(sUnits, plusDB), c.text) << c.hz << " Hz, " << c.dBm << " dBm";
    EXPECT_EQ(VhfSUnits(rule, c.hz), c.vhf) << c.hz;
  }
}

TEST(LevelConversionsTest, DBMtoSUnitsRejectsLevelsThatOverflow) {
  std::int32_t plusDB = 0;
  EXPECT_THROW(DBMtoSUnits(std::numeric_limits<std::int32_t>::max(), plusDB, 0),
               std::overflow_error);
  EXPECT_DOUBLE_EQ(DBMtoSUnits(std::numeric_limits<std::int32_t>::min(), plusDB, 0), 0.0);
}

TEST(LevelConversionsTest, FloatToIntegerWithoutDotGivesMillionths) {
  struct Case {
    double value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {14.225, 14225000},
      {14.074, 14074000},
      {0.0005, 500},
      {-1.5, -1500000},
      {0.0, 0},
      {-0.25, -250000},
      {-0.0, 0},
      {2147.483647, 2147483647},
      {-2147.483648, -2147483647 - 1},
      {0.00000049, 0},
      {7.1234565001, 7123457},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToIntegerWithoutDot(c.value), c.expected) << c.value;
}

TEST(LevelConversionsTest, FloatToIntegerWithoutDotIsTheSameUnderEveryDecimalSeparator) {
  SetDecimalSeparator(',');
  EXPECT_EQ(FloatToIntegerWithoutDot(14.225), 14225000);
  SetDecimalSeparator('.');
}

TEST(LevelConversionsTest, FloatToIntegerWithoutDotFailsOutside32Bits) {
  struct Case {
    double value;
    const char* message;
  };
  const Case cases[] = {
      {3000.0, "'3000000000' is not a valid integer value"},
      {2147.483648, "'2147483648' is not a valid integer value"},
      {-2147.483649, "'-2147483649' is not a valid integer value"},
      {std::nan(""), "'NAN' is not a valid integer value"},
      {-INFINITY, "'-INF' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    try {
      FloatToIntegerWithoutDot(c.value);
      ADD_FAILURE() << "no error for " << c.value;
    } catch (const ConversionError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_THROW(FloatToIntegerWithoutDot(1e20), ConversionError);
}

}  // namespace
}  // namespace quendal
