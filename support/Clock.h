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
  // Milliseconds since 1970-01-01 00:00 UTC, for records read beside other stations' clocks.
  virtual std::int64_t UtcMillisecondsNow() const = 0;
};

class SystemClock final : public Clock {
 public:
  LocalDateTime LocalNow() const override;
  std::chrono::steady_clock::time_point MonotonicNow() const override;
  std::int64_t UtcMillisecondsNow() const override;

  // One shared instance for code that has no clock injected.
  static const SystemClock& Instance();
};

// "yyyy-mm-dd hh:nn:ss.zzz"
std::string FormatLogTimestamp(const LocalDateTime& t);

// ISO 8601 in UTC with milliseconds: "2026-12-09T07:03:29.042Z".
std::string FormatUtcIso8601(std::int64_t UtcMilliseconds);

}  // namespace quendal
