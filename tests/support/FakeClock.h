#pragma once

#include "support/Clock.h"

namespace quendal::testing {

// A clock that stands still until a test moves it.
class FakeClock final : public Clock {
 public:
  LocalDateTime local{2026, 12, 8, 17, 5, 9, 42};
  std::chrono::steady_clock::time_point monotonic{};

  LocalDateTime LocalNow() const override { return local; }
  std::chrono::steady_clock::time_point MonotonicNow() const override { return monotonic; }
  void Advance(std::chrono::milliseconds ms) { monotonic += ms; }
};

}  // namespace quendal::testing
