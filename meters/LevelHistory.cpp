#include "meters/LevelHistory.h"

#include <algorithm>
#include <cmath>

#include "meters/LevelCsv.h"
#include "support/Clock.h"

namespace quendal {

namespace {

std::int64_t UtcSecondOf(std::int64_t utcMs) {
  return utcMs >= 0 ? utcMs / 1000 : -((999 - utcMs) / 1000);
}

// "2026-12-08T17:05:09Z": whole seconds.
std::string SecondText(std::int64_t utcSecond) {
  std::string text = FormatUtcIso8601(utcSecond * 1000);
  return text.substr(0, text.size() - 5) + "Z";
}

}  // namespace

std::optional<double> LevelSecond::AverageDbm() const {
  if (Levels == 0) return std::nullopt;
  return SumDbm / Levels;
}

void LevelHistory::Add(const LevelSample& Sample) {
  const std::int64_t second = UtcSecondOf(Sample.UtcMs);
  if (!seconds_.empty() && second < seconds_.back().UtcSecond) {
    seconds_.clear();
    last_frequency_ = 0;
  }
  if (seconds_.empty() || seconds_.back().UtcSecond != second) {
    seconds_.push_back(LevelSecond{});
    seconds_.back().UtcSecond = second;
  }
  while (!seconds_.empty() &&
         seconds_.front().UtcSecond <= second - static_cast<std::int64_t>(capacity_))
    seconds_.pop_front();

  LevelSecond& now = seconds_.back();
  now.Transmitting = now.Transmitting || Sample.Transmitting;
  if (!Sample.Dbm) return;
  const double dbm = *Sample.Dbm;
  now.MinDbm = now.Levels == 0 ? dbm : std::min(now.MinDbm, dbm);
  now.MaxDbm = now.Levels == 0 ? dbm : std::max(now.MaxDbm, dbm);
  now.SumDbm += dbm;
  ++now.Levels;
  now.FrequencyHz = Sample.FrequencyHz;
  if (last_frequency_ != 0 && Sample.FrequencyHz != last_frequency_) now.FrequencyChanged = true;
  last_frequency_ = Sample.FrequencyHz;
}

void LevelHistory::HoldUntil(const LevelSample& Held, std::int64_t UntilUtcMs) {
  const std::int64_t first = UtcSecondOf(Held.UtcMs) + 1;
  const std::int64_t until = UtcSecondOf(UntilUtcMs);
  if (until - first > kMostSecondsHeld) return;
  for (std::int64_t second = first; second < until; ++second) {
    LevelSample held = Held;
    held.UtcMs = second * 1000;
    Add(held);
  }
}

std::optional<SpanAverage> AverageOver(const std::deque<LevelSecond>& Seconds,
                                       std::int64_t FirstUtcSecond, std::int64_t LastUtcSecond) {
  if (FirstUtcSecond > LastUtcSecond) std::swap(FirstUtcSecond, LastUtcSecond);
  double sum = 0.0;
  int levels = 0;
  SpanAverage span;
  for (const LevelSecond& s : Seconds) {
    if (s.UtcSecond < FirstUtcSecond || s.UtcSecond > LastUtcSecond) continue;
    if (s.Transmitting || s.Levels == 0) continue;
    sum += s.SumDbm;
    levels += s.Levels;
    ++span.Seconds;
  }
  if (levels == 0) return std::nullopt;
  span.Dbm = sum / levels;
  return span;
}

std::string CompareSpans(double ADbm, double BDbm) {
  const double difference = std::round((BDbm - ADbm) * 10.0) / 10.0;
  if (difference == 0.0) return "B is level with A";
  return "B is " + CsvNumber(std::fabs(difference), 1) + " dB " +
         (difference > 0.0 ? "above" : "below") + " A";
}

std::string HistoryCsv(const std::deque<LevelSecond>& Seconds) {
  std::string csv = "time_utc,frequency_hz,min_dbm,avg_dbm,max_dbm,transmitting\r\n";
  for (const LevelSecond& s : Seconds) {
    csv += SecondText(s.UtcSecond) + "," + std::to_string(s.FrequencyHz) + ",";
    if (const std::optional<double> average = s.AverageDbm()) {
      csv += CsvNumber(s.MinDbm, 1) + "," + CsvNumber(*average, 1) + "," + CsvNumber(s.MaxDbm, 1);
    } else {
      csv += ",,";
    }
    csv += std::string(",") + (s.Transmitting ? "1" : "0") + "\r\n";
  }
  return csv;
}

}  // namespace quendal
