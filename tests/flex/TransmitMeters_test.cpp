#include "flex/TransmitMeters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace quendal {
namespace {

using namespace std::chrono_literals;
using Reading = TransmitReading;

TEST(InterlockStateTest, OnlyTheStateOfAnInterlockStatusLine) {
  struct Case {
    const char* line;
    std::optional<std::string> state;
  };
  const Case cases[] = {
      {"S0|interlock state=TRANSMITTING reason= source=SW", "TRANSMITTING"},
      {"S2A3B4C5D|interlock tx_client_handle=0x2A3B4C5D state=READY reason= tx_allowed=1", "READY"},
      {"S1234ABCD|interlock state=UNKEY_REQUESTED", "UNKEY_REQUESTED"},
      {"S0|interlock timeout=0 acc_txreq_enable=0", std::nullopt},
      {"S0|interlock state= reason=", std::nullopt},
      {"S0|transmit state=TRANSMITTING", std::nullopt},
      {"S0|slice 0 interlock state=TRANSMITTING", std::nullopt},
      {"S0|interlockstate=TRANSMITTING", std::nullopt},
      {"R4|0|interlock state=TRANSMITTING", std::nullopt},
      {"interlock state=TRANSMITTING", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(InterlockState(c.line), c.state) << c.line;
}

TMeter Meter(const char* id, const char* src, const char* name, const char* unit) {
  TMeter meter;
  meter.ID = id;
  meter.Src = src;
  meter.Name = name;
  meter.UnitStr = unit;
  meter.FPS = 20;
  return meter;
}

TMeterList RadioMeters() {
  TMeterList meters;
  meters.AddOrUpdateMeter(Meter("5", "TX-", "COMPPEAK", "dBFS"));
  meters.AddOrUpdateMeter(Meter("7", "TX-", "ALC", "dBFS"));
  meters.AddOrUpdateMeter(Meter("19", "TX-", "FWDPWR", "dBm"));
  meters.AddOrUpdateMeter(Meter("21", "TX-", "SWR", "SWR"));
  meters.AddOrUpdateMeter(Meter("24", "SLC", "LEVEL", "dBm"));
  return meters;
}

// A datagram's values for some readings, as the link applies it: into the list, then stamped.
void Arrive(TransmitMeters& tx, TMeterList& meters,
            const std::vector<std::pair<Reading, double>>& values, TransmitMeters::TimePoint now) {
  std::uint32_t bits = 0;
  for (const auto& [reading, value] : values) {
    const std::size_t index = *meters.IndexOfId(tx.Ids()[IndexOf(reading)]);
    meters.SetValueAndPeak(index, value, value);
    bits |= std::uint32_t{1} << IndexOf(reading);
  }
  tx.ValuesArrived(bits, now);
}

TEST(TransmitMetersTest, ValuesCountOnlyWhenTheyArriveOnTheAirAndAreFresh) {
  using Values = std::array<std::optional<double>, 4>;  // power W, SWR, ALC dB, compression dB
  const std::vector<std::pair<Reading, double>> kReceiving = {{Reading::Power, -250.0},
                                                              {Reading::Swr, 1.0},
                                                              {Reading::Alc, -250.0},
                                                              {Reading::Compression, -250.0}};
  const std::vector<std::pair<Reading, double>> kOnAir = {{Reading::Power, 50.0},
                                                          {Reading::Swr, 1.5},
                                                          {Reading::Alc, -3.0},
                                                          {Reading::Compression, 6.0}};
  struct Step {
    const char* what;
    const char* interlock;  // nullptr: none
    std::vector<std::pair<Reading, double>> values;
    std::chrono::milliseconds later;
    bool transmitting;
    Values expected;
  };
  const Step steps[] = {
      {"receiving", nullptr, kReceiving, 0ms, false, {}},
      {"asked to key", "PTT_REQUESTED", kReceiving, 0ms, false, {}},
      {"on the air, nothing new yet", "TRANSMITTING", {}, 0ms, true, {}},
      {"the receive values still come", nullptr, kReceiving, 0ms, true,
       Values{std::nullopt, 1.0, std::nullopt, std::nullopt}},
      {"50 dBm is 100 W", nullptr, kOnAir, 0ms, true, Values{100.0, 1.5, -3.0, 6.0}},
      {"40 dBm is 10 W",
       nullptr,
       {{Reading::Power, 40.0}},
       0ms,
       true,
       Values{10.0, 1.5, -3.0, 6.0}},
      {"still fresh", nullptr, {}, 1000ms, true, Values{10.0, 1.5, -3.0, 6.0}},
      {"stale", nullptr, {}, 1ms, true, {}},
      {"again", nullptr, kOnAir, 0ms, true, Values{100.0, 1.5, -3.0, 6.0}},
      {"TRANSMITTING once more", "TRANSMITTING", {}, 0ms, true, Values{100.0, 1.5, -3.0, 6.0}},
      {"no numbers, and more watts than a double holds",
       nullptr,
       {{Reading::Power, 8000.0},
        {Reading::Swr, std::nan("")},
        {Reading::Alc, std::numeric_limits<double>::infinity()}},
       0ms,
       true,
       Values{std::nullopt, std::nullopt, std::nullopt, 6.0}},
      {"unkeying", "UNKEY_REQUESTED", kOnAir, 0ms, false, {}},
      {"ready", "READY", kOnAir, 0ms, false, {}},
      {"keyed again, old values", "TRANSMITTING", {}, 0ms, true, {}},
  };
  TMeterList meters = RadioMeters();
  TransmitMeters tx;
  tx.Refresh(meters);
  TransmitMeters::TimePoint now{};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    now += step.later;
    if (step.interlock) tx.FollowInterlock(step.interlock);
    Arrive(tx, meters, step.values, now);
    const TransmitStatus status = tx.Current(meters, now);
    EXPECT_EQ(status.Transmitting, step.transmitting);
    EXPECT_TRUE(status.StateKnown);
    EXPECT_EQ(status.Values, step.expected);
    EXPECT_EQ(status.Offered, (std::array<bool, 4>{true, true, true, true}));
  }
  tx.Unkeyed();
  EXPECT_FALSE(tx.Current(meters, now).Transmitting);
}

TEST(TransmitMetersTest, OfferedAreTheTransmitMetersOfTheList) {
  TMeterList meters;
  meters.AddOrUpdateMeter(Meter("19", "TX-", "fwdpwr", "dBm"));
  meters.AddOrUpdateMeter(Meter("30", "RAD", "SWR", "SWR"));
  meters.AddOrUpdateMeter(Meter("31", "TX-", "COMPPEAK", "dBFS"));
  TransmitMeters tx;
  tx.Refresh(meters);
  EXPECT_EQ(tx.Ids(), (std::array<std::string, 4>{"19", "", "", "31"}));
  EXPECT_EQ(tx.Current(meters, {}).Offered, (std::array<bool, 4>{true, false, false, true}));

  // The power meter gets a new ID: its value from before counts no more.
  tx.FollowInterlock("TRANSMITTING");
  Arrive(tx, meters, {{Reading::Power, 30.0}}, {});
  EXPECT_EQ(tx.Current(meters, {}).Value(Reading::Power), 1.0);
  meters.Remove("19");
  meters.AddOrUpdateMeter(Meter("119", "TX-", "FWDPWR", "dBm"));
  tx.Refresh(meters);
  EXPECT_EQ(tx.Current(meters, {}).Value(Reading::Power), std::nullopt);

  tx.Forget();
  EXPECT_EQ(tx.Ids(), (std::array<std::string, 4>{}));
  EXPECT_FALSE(tx.Current(meters, {}).Transmitting);
  EXPECT_EQ(tx.Current(meters, {}).Offered, (std::array<bool, 4>{}));
}

}  // namespace
}  // namespace quendal
