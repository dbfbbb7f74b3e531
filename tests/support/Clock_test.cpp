#include "support/Clock.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(ClockTest, UtcIso8601CarriesMilliseconds) {
  struct Case {
    std::int64_t ms;
    const char* text;
  };
  const Case cases[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {1796749509042, "2026-12-08T17:05:09.042Z"},
      {951782400999, "2000-02-29T00:00:00.999Z"},
      {-1, "1969-12-31T23:59:59.999Z"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatUtcIso8601(c.ms), c.text) << c.ms;
}

}  // namespace
}  // namespace quendal
