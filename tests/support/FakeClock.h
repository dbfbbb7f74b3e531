#pragma once

#include "support/Clock.h"

namespace quendal::testing {

// A clock that stands still until a test moves it.
class FakeClock final : public Clock {
 public:
  LocalDateTime local{2026, 12, 8, 17, 5, 9, 42};
  std::chrono::steady_clock::time_point monotonic{};
  std::int64_t utcMs = 1796749509042;  // 2026-12-08T17:05:09.042Z

  LocalDateTime LocalNow() const override { return local; }
  std::chrono::steady_clock::time_point MonotonicNow() const override { return monotonic; }
  std::int64_t UtcMillisecondsNow() const override { return utcMs; }
  void Advance(std::chrono::milliseconds ms) {
    monotonic += ms;
    utcMs += ms.count();
  }
};

}  // namespace quendal::testing
