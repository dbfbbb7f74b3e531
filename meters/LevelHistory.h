#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "meters/LevelSample.h"

namespace quendal {

// One second of the level: its samples' lowest, mean and highest dBm, whether the rig
// transmitted in it, and the frequency it ended on.
struct LevelSecond {
  std::int64_t UtcSecond = 0;  // since 1970-01-01 00:00 UTC
  double MinDbm = 0.0;
  double MaxDbm = 0.0;
  double SumDbm = 0.0;
  int Levels = 0;  // samples with a level; none: only the transmitter read
  bool Transmitting = false;
  std::int32_t FrequencyHz = 0;
  // Another frequency than the second with a level before it.
  bool FrequencyChanged = false;

  std::optional<double> AverageDbm() const;
};

// The last Seconds seconds of samples, a second at a time; the newest second fills as
// its samples arrive.
class LevelHistory {
 public:
  static constexpr std::size_t kTenMinutes = 600;
  static constexpr std::int64_t kMostSecondsHeld = 2;

  explicit LevelHistory(std::size_t Seconds = kTenMinutes) : capacity_(Seconds) {}

  // Samples come in time order; one from before the newest second (the clock was set
  // back) starts the history again.
  void Add(const LevelSample& Sample);
  // Held (a fresh sample, the last added) stood until UntilUtcMs: the whole seconds between
  // get it too. A resting meter samples once a second at least while its reading holds, so
  // a longer span is a real gap and is left as one.
  void HoldUntil(const LevelSample& Held, std::int64_t UntilUtcMs);
  const std::deque<LevelSecond>& Seconds() const { return seconds_; }

 private:
  std::size_t capacity_;
  std::deque<LevelSecond> seconds_;
  std::int32_t last_frequency_ = 0;
};

// The mean level of a span of the history, from its first second to its last, both
// included; seconds in which the rig transmitted do not count.
struct SpanAverage {
  double Dbm = 0.0;
  int Seconds = 0;
};
std::optional<SpanAverage> AverageOver(const std::deque<LevelSecond>& Seconds,
                                       std::int64_t FirstUtcSecond, std::int64_t LastUtcSecond);

// "B is 4.5 dB above A", "B is 2.0 dB below A", "B is level with A".
std::string CompareSpans(double ADbm, double BDbm);

// The history as CSV with a header row: "2026-12-08T17:05:09Z,14074000,-75.0,-73.2,-71.0,0".
std::string HistoryCsv(const std::deque<LevelSecond>& Seconds);

}  // namespace quendal
