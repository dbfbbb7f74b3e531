#include "meters/LevelHistory.h"

#include <gtest/gtest.h>

#include <vector>

namespace quendal {
namespace {

constexpr std::int64_t kSecond = 1796749509;  // 2026-12-08T17:05:09Z

LevelSample Sample(std::int64_t ms, std::optional<double> dbm, std::int32_t hz = 14074000,
                   bool transmitting = false) {
  LevelSample s;
  s.UtcMs = kSecond * 1000 + ms;
  s.Dbm = dbm;
  s.FrequencyHz = hz;
  s.Transmitting = transmitting;
  return s;
}

// Antenna A for two seconds, a transmission, antenna B 4.5 dB stronger on 7 MHz.
LevelHistory ABTest() {
  LevelHistory history;
  const LevelSample samples[] = {
      Sample(0, -80.0),
      Sample(500, -78.0),
      Sample(1000, -79.0),
      Sample(2000, -60.0, 14074000, true),
      Sample(2500, std::nullopt, 14074000, true),
      Sample(3000, -75.0, 7074000),
      Sample(3900, -74.0, 7074000),
      Sample(4100, -74.5, 7074000),
  };
  for (const LevelSample& s : samples) history.Add(s);
  return history;
}

TEST(LevelHistoryTest, SecondsKeepLowestMeanHighestTransmitAndFrequencyChange) {
  const LevelHistory history = ABTest();
  struct Expected {
    std::int64_t offset;
    double min, average, max;
    bool transmitting, frequencyChanged;
  };
  const Expected expected[] = {
      {0, -80.0, -79.0, -78.0, false, false}, {1, -79.0, -79.0, -79.0, false, false},
      {2, -60.0, -60.0, -60.0, true, false},  {3, -75.0, -74.5, -74.0, false, true},
      {4, -74.5, -74.5, -74.5, false, false},
  };
  ASSERT_EQ(history.Seconds().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const LevelSecond& s = history.Seconds()[i];
    const Expected& e = expected[i];
    EXPECT_EQ(s.UtcSecond, kSecond + e.offset);
    EXPECT_EQ(s.MinDbm, e.min) << i;
    EXPECT_EQ(s.AverageDbm(), e.average) << i;
    EXPECT_EQ(s.MaxDbm, e.max) << i;
    EXPECT_EQ(s.Transmitting, e.transmitting) << i;
    EXPECT_EQ(s.FrequencyChanged, e.frequencyChanged) << i;
  }
  EXPECT_EQ(HistoryCsv(history.Seconds()),
            "time_utc,frequency_hz,min_dbm,avg_dbm,max_dbm,transmitting\r\n"
            "2026-12-08T17:05:09Z,14074000,-80.0,-79.0,-78.0,0\r\n"
            "2026-12-08T17:05:10Z,14074000,-79.0,-79.0,-79.0,0\r\n"
            "2026-12-08T17:05:11Z,14074000,-60.0,-60.0,-60.0,1\r\n"
            "2026-12-08T17:05:12Z,7074000,-75.0,-74.5,-74.0,0\r\n"
            "2026-12-08T17:05:13Z,7074000,-74.5,-74.5,-74.5,0\r\n");
}

TEST(LevelHistoryTest, AHeldReadingFillsTheSecondsARestingMeterSleptThrough) {
  struct Case {
    std::int64_t heldMs, nextMs;
    std::vector<std::int64_t> offsets;  // the seconds kept, after the first
  };
  const Case cases[] = {
      {200, 900, {}},                          // the same second
      {200, 1100, {1}},                        // the next second: nothing to fill
      {200, 2100, {1, 2}},                     // one second slept through
      {900, 3050, {1, 2, 3}}, {0, 4000, {4}},  // three seconds without a sample: a gap
  };
  for (const Case& c : cases) {
    LevelHistory history;
    const LevelSample held = Sample(c.heldMs, -73.0);
    history.Add(held);
    history.HoldUntil(held, Sample(c.nextMs, -60.0).UtcMs);
    history.Add(Sample(c.nextMs, -60.0));
    std::vector<std::int64_t> offsets;
    for (std::size_t i = 1; i < history.Seconds().size(); ++i)
      offsets.push_back(history.Seconds()[i].UtcSecond - kSecond);
    EXPECT_EQ(offsets, c.offsets) << c.heldMs << " " << c.nextMs;
    for (const LevelSecond& s : history.Seconds()) {
      if (s.UtcSecond != kSecond + c.nextMs / 1000) {
        EXPECT_EQ(s.AverageDbm(), -73.0) << s.UtcSecond;
      }
    }
  }
}

TEST(LevelHistoryTest, SpanAveragesLeaveOutTransmissions) {
  const LevelHistory history = ABTest();
  struct Case {
    std::int64_t first, last;
    std::optional<double> dbm;
    int seconds;
  };
  const Case cases[] = {
      {0, 2, -79.0, 2},  // the transmission does not count
      {4, 3, -74.5, 2},  // dragged leftwards
      {2, 2, std::nullopt, 0},
      {5, 9, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    const std::optional<SpanAverage> span =
        AverageOver(history.Seconds(), kSecond + c.first, kSecond + c.last);
    ASSERT_EQ(span.has_value(), c.dbm.has_value()) << c.first;
    if (!span) continue;
    EXPECT_EQ(span->Dbm, *c.dbm) << c.first;
    EXPECT_EQ(span->Seconds, c.seconds) << c.first;
  }
  EXPECT_EQ(CompareSpans(-79.0, -74.5), "B is 4.5 dB above A");
  EXPECT_EQ(CompareSpans(-74.5, -79.0), "B is 4.5 dB below A");
  EXPECT_EQ(CompareSpans(-74.5, -74.52), "B is level with A");
}

TEST(LevelHistoryTest, KeepsTenMinutesAndStartsAgainWhenTheClockGoesBack) {
  LevelHistory history;
  for (std::int64_t s = 0; s < 700; ++s) history.Add(Sample(s * 1000, -73.0));
  ASSERT_EQ(history.Seconds().size(), 600u);
  EXPECT_EQ(history.Seconds().front().UtcSecond, kSecond + 100);
  history.Add(Sample(5000, -73.0));
  ASSERT_EQ(history.Seconds().size(), 1u);
  EXPECT_EQ(history.Seconds().front().UtcSecond, kSecond + 5);
}

}  // namespace
}  // namespace quendal
