#include "support/NumberFormat.h"

#include <gtest/gtest.h>

#include <limits>

namespace quendal {
namespace {

TEST(NumberFormatTest, FormatsTwoDecimalsWithUserSeparator) {
  struct Case {
    char separator;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {'.', -73.0, "-73.00"}, {'.', 0.0, "0.00"},      {'.', 1.005, "1.00"},
      {'.', 2.675, "2.67"},   {',', -73.25, "-73,25"}, {',', 14.0, "14,00"},
  };
  for (const Case& c : cases) {
    SetDecimalSeparator(c.separator);
    EXPECT_EQ(FormatFixed2(c.value), c.expected) << c.value;
  }
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatFixed(-72.96, 1), "-73,0");
  EXPECT_EQ(FormatFixed(8.25, 1), "8,2");
  SetDecimalSeparator('.');
}

TEST(NumberFormatTest, ParsesWithPointWhateverTheSeparator) {
  SetDecimalSeparator(',');
  EXPECT_EQ(ParseDouble("-150.0"), -150.0);
  EXPECT_EQ(ParseDouble("+20.5"), 20.5);
  EXPECT_EQ(ParseDouble("1e3"), 1000.0);
  EXPECT_FALSE(ParseDouble("1,5"));
  EXPECT_FALSE(ParseDouble(" 1.5"));
  EXPECT_FALSE(ParseDouble(""));
  EXPECT_FALSE(ParseDouble("+-1"));
  EXPECT_EQ(ParseInt32("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_FALSE(ParseInt32("2147483648"));
  EXPECT_FALSE(ParseInt32("10.0"));
  SetDecimalSeparator('.');
}

}  // namespace
}  // namespace quendal
