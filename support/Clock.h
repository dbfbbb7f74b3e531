#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace quendal {

// Broken-down local time, as log stamps and date checks need it.
struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Wall time for what people read, a monotonic clock for elapsed times, so that
// setting the system clock never looks like silence or activity.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime LocalNow() const = 0;
  virtual std::chrono::steady_clock::time_point MonotonicNow() const = 0;
};

class SystemClock final : public Clock {
 public:
  LocalDateTime LocalNow() const override;
  std::chrono::steady_clock::time_point MonotonicNow() const override;

  // One shared instance for code that has no clock injected.
  static const SystemClock& Instance();
};

// "yyyy-mm-dd hh:nn:ss.zzz"
std::string FormatLogTimestamp(const LocalDateTime& t);

}  // namespace quendal
