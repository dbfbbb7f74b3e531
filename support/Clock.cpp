#include "support/Clock.h"

#include <cstdio>
#include <ctime>

namespace quendal {

LocalDateTime SystemClock::LocalNow() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &seconds);  // the Windows C runtime has no localtime_r
#else
  localtime_r(&seconds, &tm);
#endif
  LocalDateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = static_cast<int>(ms < 0 ? ms + 1000 : ms);
  return t;
}

std::chrono::steady_clock::time_point SystemClock::MonotonicNow() const {
  return std::chrono::steady_clock::now();
}

std::int64_t SystemClock::UtcMillisecondsNow() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

const SystemClock& SystemClock::Instance() {
  static const SystemClock clock;
  return clock;
}

std::string FormatLogTimestamp(const LocalDateTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond);
  return buffer;
}

std::string FormatUtcIso8601(std::int64_t UtcMilliseconds) {
  using namespace std::chrono;
  const sys_time<milliseconds> time{milliseconds{UtcMilliseconds}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> clock{time - day};
  char buffer[64];
  std::snprintf(
      buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return buffer;
}

}  // namespace quendal
