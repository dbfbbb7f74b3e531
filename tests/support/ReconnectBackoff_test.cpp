#include "support/ReconnectBackoff.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(ReconnectBackoffTest, OneSecondThenTwoForAsLongAsItTakesAndAgainAfterReset) {
  ReconnectBackoff backoff;
  const int expected[] = {1, 2, 2, 2};
  for (int seconds : expected) EXPECT_EQ(backoff.Next().count(), seconds);
  for (int i = 0; i < 100; ++i) backoff.Next();
  EXPECT_EQ(backoff.Next().count(), 2);
  backoff.Reset();
  EXPECT_EQ(backoff.Next().count(), 1);
  EXPECT_EQ(backoff.Next().count(), 2);
}

}  // namespace
}  // namespace quendal
