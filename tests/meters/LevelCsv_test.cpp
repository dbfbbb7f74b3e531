#include "meters/LevelCsv.h"

#include <gtest/gtest.h>

#include <vector>

namespace quendal {
namespace {

constexpr std::int64_t kStart = 1796749509042;  // 2026-12-08T17:05:09.042Z

LevelReading Level(double dbm, std::int32_t hz) {
  LevelReading level;
  level.Meter.Name = "LEVEL";
  level.Meter.Value = dbm;
  level.FrequencyHz = hz;
  return level;
}

TransmitStatus Transmitting(std::optional<double> value,
                            TransmitReading reading = TransmitReading::Power) {
  TransmitStatus transmit;
  transmit.Transmitting = true;
  transmit.Values[IndexOf(reading)] = value;
  return transmit;
}

// A receive period, a move to 6 m under the VHF rule, a transmission (each reading in its
// unit), and silence.
TEST(LevelCsvTest, RowsFollowFrequencyAndTransmitter) {
  struct Case {
    LevelReading level;
    bool fresh;
    TransmitStatus transmit;
    const char* row;  // nullptr: no row
    TransmitReading shown = TransmitReading::Power;
  };
  const Case cases[] = {
      {Level(-61.0, 14074000), true, {}, "2026-12-08T17:05:09.042Z,14074000,-61.0,S9+12,,"},
      {Level(-93.04, 14074000), true, {}, "2026-12-08T17:05:09.142Z,14074000,-93.0,S5.7,,"},
      {Level(-93.0, 50100000), true, {}, "2026-12-08T17:05:09.242Z,50100000,-93.0,S9,,"},
      {Level(-120.0, 50100000), false, Transmitting(48.0),
       "2026-12-08T17:05:09.342Z,50100000,,,48.0,W"},
      {Level(-80.5, 50100000), true, Transmitting(47.25),
       "2026-12-08T17:05:09.442Z,50100000,-80.5,S9+13,47.2,W"},
      {Level(-80.5, 50100000), false, Transmitting(1.5, TransmitReading::Swr),
       "2026-12-08T17:05:09.542Z,50100000,,,1.5,SWR", TransmitReading::Swr},
      {Level(-80.5, 50100000), false, Transmitting(-3.0, TransmitReading::Alc),
       "2026-12-08T17:05:09.642Z,50100000,,,-3.0,dB", TransmitReading::Alc},
      {Level(-80.5, 50100000), false, Transmitting(std::nullopt), nullptr},
      {Level(-80.5, 50100000), false, {}, nullptr},
      {Level(1e9, 50100000), true, {}, nullptr},
  };
  const SUnitRule rule{true, 30};
  std::int64_t utcMs = kStart;
  for (const Case& c : cases) {
    const std::optional<LevelSample> sample =
        TakeSample(c.level, c.fresh, c.transmit, c.shown, rule, utcMs);
    utcMs += 100;
    if (c.row == nullptr) {
      EXPECT_FALSE(sample) << LevelCsvRow(*sample);
      continue;
    }
    ASSERT_TRUE(sample) << c.row;
    EXPECT_EQ(LevelCsvRow(*sample), c.row);
  }
  EXPECT_EQ(LevelCsvHeader(), "time_utc,frequency_hz,dbm,s_units,transmit,transmit_unit");
}

}  // namespace
}  // namespace quendal
