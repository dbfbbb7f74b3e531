#include "meters/MeterDatagram.h"

#include <gtest/gtest.h>

#include <vector>

#include "meters/Vita49Tools.h"
#include "support/NumberFormat.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Pair {
  std::uint16_t id;
  std::int16_t raw;
};

// A meter datagram as the radio sends it: type 3, class, both timestamps.
Bytes MeterDatagram(const std::vector<Pair>& pairs) {
  const std::size_t words = 7 + pairs.size();
  Bytes d = {0x38, 0x52, static_cast<std::uint8_t>(words >> 8), static_cast<std::uint8_t>(words)};
  d.insert(d.end(), {0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x1C, 0x2D, 0x53, 0x4C, 0x80, 0x02});
  d.insert(d.end(), 12, 0x00);
  for (const Pair& p : pairs) {
    const auto raw = static_cast<std::uint16_t>(p.raw);
    d.insert(d.end(), {static_cast<std::uint8_t>(p.id >> 8), static_cast<std::uint8_t>(p.id),
                       static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw)});
  }
  return d;
}

TMeter Described(std::string id, std::string name, std::string unit, double peak = 0.0) {
  TMeter m;
  m.ID = std::move(id);
  m.Name = std::move(name);
  m.UnitStr = std::move(unit);
  m.Peak = peak;
  return m;
}

TEST(MeterDatagramTest, UnitScaleIgnoresCaseAndDefaultsToOne) {
  struct Case {
    const char* unit;
    double divisor;
  };
  const Case cases[] = {
      {"dB", 128.0},    {"dBm", 128.0},  {"DBFS", 128.0}, {"swr", 128.0},
      {"Volts", 256.0}, {"AMPS", 256.0}, {"degC", 64.0},  {"degF", 64.0},
      {"", 1.0},        {"RPM", 1.0},    {"dBm ", 1.0},   {"volt", 1.0},
  };
  for (const Case& c : cases) EXPECT_EQ(UnitScale(c.unit), c.divisor) << c.unit;
}

TEST(MeterDatagramTest, ScalesRawValuesByTheMetersUnit) {
  struct Case {
    const char* what;
    std::string unit;
    std::int16_t raw;
    double value;
    double peak;
    const char* first_unit = nullptr;  // described with this unit before
  };
  const Case cases[] = {
      {"S9 in dBm", "dBm", static_cast<std::int16_t>(0xDB80), -73.0, -1.0},
      {"described again in dBm", "dBm", static_cast<std::int16_t>(0xDB80), -73.0, -1.0, "RPM"},
      {"volts with a capital", "Volts", static_cast<std::int16_t>(0xDB80), -36.5, -1.0},
      {"unit not in the table", "RPM", 1500, 1500.0, 1500.0},
      {"lowest raw value", "dBm", static_cast<std::int16_t>(0x8000), -256.0, -1.0},
      {"highest raw value", "dBm", 32767, 32767.0 / 128.0, 32767.0 / 128.0},
      {"temperature", "degC", 2400, 37.5, 37.5},
      {"between 0 and -1", "dB", -64, -0.5, -0.5},
  };
  for (const Case& c : cases) {
    TMeterList meters;
    if (c.first_unit) meters.AddOrUpdateMeter(Described("9", "M", c.first_unit));
    meters.AddOrUpdateMeter(Described("9", "M", c.unit));
    testing::TestLog log(::testing::UnitTest::GetInstance()->current_test_info()->name(), false);
    ApplyMeterDatagram(MeterDatagram({{9, c.raw}}), meters, log.Log());
    const TMeter m = meters.FindById("9");
    EXPECT_EQ(m.Value, c.value) << c.what;
    EXPECT_EQ(m.Peak, c.peak) << c.what;
    EXPECT_EQ(m.Name, "M") << c.what;
    EXPECT_EQ(meters.Count(), 1u) << c.what;
  }
}

TEST(MeterDatagramTest, PeakIsARunningMaximumWithZeroReadAsMinusOne) {
  struct Step {
    std::int16_t raw;
    double value;
    double peak;
  };
  struct Case {
    std::string unit;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"dBm", {{-9344, -73.0, -1.0}, {-6400, -50.0, -1.0}, {-12800, -100.0, -1.0}}},
      {"SWR", {{192, 1.5, 1.5}, {160, 1.25, 1.5}, {256, 2.0, 2.0}}},
      {"dBm", {{640, 5.0, 5.0}, {-9344, -73.0, 5.0}}},
  };
  for (const Case& c : cases) {
    TMeterList meters;
    meters.AddOrUpdateMeter(Described("9", "M", c.unit));
    testing::TestLog log("peak", false);
    for (const Step& s : c.steps) {
      ApplyMeterDatagram(MeterDatagram({{9, s.raw}}), meters, log.Log());
      EXPECT_EQ(meters.FindById("9").Value, s.value) << c.unit << " " << s.raw;
      EXPECT_EQ(meters.FindById("9").Peak, s.peak) << c.unit << " " << s.raw;
    }
  }
}

TEST(MeterDatagramTest, PairsApplyInOrderAndUnknownIdsUpdateOnlyTheEmptyEntry) {
  TMeterList meters;
  meters.AddOrUpdateMeter(Described("9", "LEVEL", "dBm"));
  meters.AddOrUpdateMeter(Described("10", "SWR", "SWR"));
  testing::TestLog log("pairs", false);

  const std::string_view level[] = {"9"};
  meters.Watch(level);
  EXPECT_EQ(ApplyMeterDatagram(MeterDatagram({{9, -9344}, {77, 500}, {10, 192}, {9, -6400}}),
                               meters, log.Log())
                .Arrived,
            1u);
  ASSERT_EQ(meters.Count(), 3u);
  EXPECT_EQ(meters.FindById("9").Value, -50.0);
  EXPECT_EQ(meters.FindById("10").Value, 1.5);
  const TMeter anonymous = meters.Items()[2];
  EXPECT_EQ(anonymous.ID, "");
  EXPECT_EQ(anonymous.Value, 500.0);
  EXPECT_EQ(anonymous.Peak, 500.0);

  // The empty entry is rebuilt from scratch for every unknown pair.
  // Only a value for the watched meter itself counts, not one for an unknown ID.
  EXPECT_EQ(ApplyMeterDatagram(MeterDatagram({{78, -3}}), meters, log.Log()).Arrived, 0u);
  EXPECT_EQ(meters.Count(), 3u);
  EXPECT_EQ(meters.FindById("").Value, -3.0);
  EXPECT_EQ(meters.FindById("").Peak, -1.0);
  EXPECT_EQ(meters.FindById("9").Value, -50.0);

  // Several watched meters: one bit each, in the order they are watched; "9" gets the
  // value it already had.
  const std::string_view watched[] = {"10", "", "9", "77"};
  meters.Watch(watched);
  WatchedValues values = ApplyMeterDatagram(MeterDatagram({{10, 256}, {78, 1}}), meters, log.Log());
  EXPECT_EQ(values.Arrived, 0b0001u);
  EXPECT_EQ(values.Changed, 0b0001u);
  values = ApplyMeterDatagram(MeterDatagram({{9, -6400}, {10, 128}}), meters, log.Log());
  EXPECT_EQ(values.Arrived, 0b0101u);
  EXPECT_EQ(values.Changed, 0b0001u);
}

TEST(MeterDatagramTest, DatagramsWithoutPairsChangeNothing) {
  TMeterList meters;
  meters.AddOrUpdateMeter(Described("9", "LEVEL", "dBm"));
  testing::TestLog log("nopairs", false);
  const Bytes cases[] = {Bytes{}, Bytes(27, 0x00), MeterDatagram({})};
  for (const Bytes& d : cases) {
    ApplyMeterDatagram(d, meters, log.Log());
    EXPECT_EQ(meters.Count(), 1u);
    EXPECT_EQ(meters.FindById("9").Peak, 0.0);
  }
}

// Found by fuzzing: a short datagram declaring more words than it carries must not
// turn the decoder's zero padding into pairs for meter 0.
TEST(MeterDatagramTest, OnlyPairsThatArrivedAreApplied) {
  struct Case {
    const char* what;
    std::uint16_t declared_words;
    std::vector<Pair> sent;
    std::size_t extra_bytes;
    double level;
    std::size_t log_lines;
  };
  const Case cases[] = {
      {"three pairs declared, one sent", 10, {{9, -9344}}, 0, -73.0, 1},
      {"largest size declared", 0xFFFF, {{9, -6400}, {10, 192}}, 0, -50.0, 2},
      {"half a pair after the last", 9, {{9, -9344}}, 2, -73.0, 1},
      {"header only, pairs declared", 20, {}, 0, 0.0, 0},
  };
  for (const Case& c : cases) {
    TMeterList meters;
    meters.AddOrUpdateMeter(Described("9", "LEVEL", "dBm"));
    meters.AddOrUpdateMeter(Described("10", "SWR", "SWR"));
    testing::TestLog log("arrived", false);
    log.Log().SetEnabled(true);
    Bytes d = MeterDatagram(c.sent);
    d[2] = static_cast<std::uint8_t>(c.declared_words >> 8);
    d[3] = static_cast<std::uint8_t>(c.declared_words);
    d.insert(d.end(), c.extra_bytes, 0x5A);
    ApplyMeterDatagram(d, meters, log.Log());
    EXPECT_EQ(meters.Count(), 2u) << c.what;
    EXPECT_EQ(meters.FindById("9").Value, c.level) << c.what;
    EXPECT_EQ(log.Messages().size(), c.log_lines) << c.what;
  }
}

TEST(MeterDatagramTest, MalformedHeaderRaisesAndChangesNothing) {
  TMeterList meters;
  meters.AddOrUpdateMeter(Described("9", "LEVEL", "dBm"));
  testing::TestLog log("malformed", false);
  Bytes d = MeterDatagram({{9, -9344}});
  d[3] = 0x06;  // 24 bytes declared for a 28-byte header
  EXPECT_THROW(ApplyMeterDatagram(d, meters, log.Log()), Vita49Error);
  EXPECT_EQ(meters.FindById("9").Value, 0.0);
  EXPECT_EQ(meters.Count(), 1u);
}

TEST(MeterDatagramTest, LogsEachPairOnlyWhenEnabled) {
  TMeterList meters;
  meters.AddOrUpdateMeter(Described("9", "LEVEL", "dBm"));
  testing::TestLog off("off", false);
  ApplyMeterDatagram(MeterDatagram({{9, -9344}}), meters, off.Log());
  EXPECT_FALSE(off.Exists());

  testing::TestLog on("on", false);
  on.Log().SetEnabled(true);
  SetDecimalSeparator(',');
  ApplyMeterDatagram(MeterDatagram({{9, -6400}, {5, 12}}), meters, on.Log());
  SetDecimalSeparator('.');
  EXPECT_EQ(on.Messages(),
            (std::vector<std::string>{
                "Meter: LEVEL, Previous Value: -73,00, New Value: -50,00, Peak: -1,00",
                "Meter: , Previous Value: 0,00, New Value: 12,00, Peak: -1,00",
            }));
}

TEST(MeterDatagramTest, LogMeterListWritesEveryMeterInOrder) {
  TMeterList meters;
  testing::TestLog log("list", false);
  log.Log().SetEnabled(true);
  LogMeterList(meters, log.Log());
  EXPECT_EQ(log.Messages(), std::vector<std::string>{"Logging all meters in the FMeterList:"});

  TMeter level = Described("24", "LEVEL", "dBm", -1.0);
  level.Src = "SLC";
  level.Desc = "Signal strength of signals in the filter passband";
  level.Value = -73.0;
  TMeter volts = Described("3", "+13.8A", "Volts", 13.876);
  volts.Src = "RAD";
  volts.Group = "0";
  volts.Value = 13.8;
  meters.AddOrUpdateMeter(level);
  meters.AddOrUpdateMeter(volts);
  testing::TestLog full("listfull", false);
  full.Log().SetEnabled(true);
  LogMeterList(meters, full.Log());
  EXPECT_EQ(full.Messages(),
            (std::vector<std::string>{
                "Logging all meters in the FMeterList:",
                "Meter Name: LEVEL, ID: 24, Src: SLC, Desc: Signal strength of signals in the "
                "filter passband, Group: , Value: -73.00, Peak: -1.00",
                "Meter Name: +13.8A, ID: 3, Src: RAD, Desc: , Group: 0, Value: 13.80, Peak: 13.88",
            }));

  testing::TestLog silent("listoff", false);
  LogMeterList(meters, silent.Log());
  EXPECT_FALSE(silent.Exists());
}

}  // namespace
}  // namespace quendal
