#include "meters/LevelSource.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

using std::chrono::milliseconds;

TEST(ReadingIsFreshTest, AtLeastASecondAndThreeUpdateIntervals) {
  struct Case {
    std::optional<milliseconds> age;
    milliseconds interval;
    bool fresh;
  };
  const Case cases[] = {
      {std::nullopt, milliseconds(100), false},  // nothing has arrived
      {milliseconds(0), milliseconds(0), true},
      {milliseconds(1000), milliseconds(0), true},  // a source that cannot say
      {milliseconds(1001), milliseconds(0), false},
      {milliseconds(1000), milliseconds(100), true},
      {milliseconds(1001), milliseconds(100), false},
      {milliseconds(1001), milliseconds(333), false},
      {milliseconds(1002), milliseconds(334), true},
      {milliseconds(1003), milliseconds(334), false},
      {milliseconds(7500), milliseconds(2500), true},  // a rig polled every 2.5 s
      {milliseconds(7501), milliseconds(2500), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadingIsFresh(c.age, c.interval), c.fresh)
        << (c.age ? c.age->count() : -1) << " ms old, every " << c.interval.count() << " ms";
  }
}

}  // namespace
}  // namespace quendal
