#include "tools/radiosim/SimMeters.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace quendal::radiosim {
namespace {

TEST(SimMetersTest, DescribesMetersAsTheRadioDoes) {
  const std::vector<SimMeter> meters = SimulatedMeters();
  const SimMeter* level = nullptr;
  std::set<int> ids;
  for (const SimMeter& m : meters) {
    ids.insert(m.id);
    if (std::string(m.name) == "LEVEL") level = &m;
  }
  EXPECT_EQ(ids.size(), meters.size());
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(MeterDescription(*level),
            "24.src=SLC#24.num=0#24.nam=LEVEL#24.low=-150.0#24.hi=20.0#24.desc=Signal strength "
            "of signals in the filter passband#24.unit=dBm#24.fps=10#");
}

TEST(SimMetersTest, LevelModels) {
  struct Case {
    const char* text;
    bool ok;
    double seconds;
    double dbm;
  };
  const Case cases[] = {
      {"steady:-73", true, 3.0, -73.0},      {"steady:-120.5", true, 0.0, -120.5},
      {"sweep", true, 0.0, -127.0},          {"sweep", true, 10.0, -13.0},
      {"sweep", true, 15.0, -70.0},          {"steady:", false, 0, 0},
      {"steady:-7x", false, 0, 0},           {"loud", false, 0, 0},
      {"drop:-53:-121:4", true, 3.9, -53.0}, {"drop:-53:-121:4", true, 4.0, -121.0},
      {"drop:-53:-121", false, 0, 0},        {"drop:-53:-121:4:5", false, 0, 0},
  };
  for (const Case& c : cases) {
    LevelModel model;
    EXPECT_EQ(model.Parse(c.text), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(model.LevelDbm(c.seconds), c.dbm) << c.text << " at " << c.seconds;
    }
  }
  LevelModel qsb;
  ASSERT_TRUE(qsb.Parse("qsb"));
  double low = 0.0;
  double high = -200.0;
  for (int i = 0; i < 2000; ++i) {
    const double dbm = qsb.LevelDbm(i * 0.01);
    low = std::min(low, dbm);
    high = std::max(high, dbm);
  }
  EXPECT_GE(low, -109.0);
  EXPECT_LE(high, -53.0);
  EXPECT_GT(high - low, 30.0);  // it does fade
}

TEST(SimMetersTest, RawValuesAndPacketLayout) {
  LevelModel level;
  ASSERT_TRUE(level.Parse("steady:-73"));
  // Receiving, then on the air with 50 W, SWR 1.5 (2 W reflected), ALC -3 dB, 6 dB compression.
  const TransmitModel on_air;
  struct Expected {
    std::int16_t receiving;
    std::int16_t transmitting;
  };
  const std::map<std::string, Expected> expected = {
      {"LEVEL", {-9344, -9344}},   {"FWDPWR", {-32000, 6015}}, {"REFPWR", {-32000, 4225}},
      {"SWR", {128, 192}},         {"ALC", {-32000, -384}},    {"COMPPEAK", {-32000, 768}},
      {"CODEC", {-32000, -32000}}, {"PATEMP", {2208, 2208}},   {"MAINFAN", {1250, 1250}},
  };
  std::size_t checked = 0;
  for (const SimMeter& m : SimulatedMeters()) {
    const auto it = expected.find(m.name);
    if (it == expected.end()) continue;
    EXPECT_EQ(RawValue(m, level, 0.0), it->second.receiving) << m.name;
    EXPECT_EQ(RawValue(m, level, 0.0, &on_air), it->second.transmitting) << m.name;
    ++checked;
  }
  EXPECT_EQ(checked, expected.size());
  const QByteArray packet = MeterPacket({{24, -9344}, {16, 3533}}, 17);
  ASSERT_EQ(packet.size(), 36);
  EXPECT_EQ(packet.left(16).toHex(),
            "38510009000007000000"
            "1c2d534c8002");
  EXPECT_EQ(packet.mid(28).toHex(), "0018db8000100dcd");
}

TEST(SimMetersTest, TransmitCycles) {
  struct Case {
    const char* text;
    bool ok;
    double on_s;
    double off_s;
  };
  const Case cases[] = {
      {"3:5", true, 3.0, 5.0}, {"0.5:1.25", true, 0.5, 1.25},
      {"0:5", false, 0, 0},    {"3:-1", false, 0, 0},
      {"3", false, 0, 0},      {"3:5:1", false, 0, 0},
      {":5", false, 0, 0},     {"3:x", false, 0, 0},
      {"inf:1", false, 0, 0},
  };
  for (const Case& c : cases) {
    TransmitModel model;
    EXPECT_EQ(model.ParseCycle(c.text), c.ok) << c.text;
    EXPECT_EQ(model.on_s, c.on_s) << c.text;
    EXPECT_EQ(model.off_s, c.off_s) << c.text;
  }
}

TEST(SimMetersTest, EachSliceHasItsLevelMeterAndARebootRenumbers) {
  LevelModel level;
  ASSERT_TRUE(level.Parse("steady:-73"));
  struct Case {
    int slices;
    int id_offset;
    std::vector<std::pair<int, std::int16_t>> levels;  // (ID, raw) of each LEVEL meter
  };
  const Case cases[] = {
      {1, 0, {{24, -9344}}},
      {2, 0, {{24, -9344}, {28, -12416}}},  // slice 1 is 24 dB weaker
      {3, 100, {{124, -9344}, {128, -12416}, {132, -15488}}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int, std::int16_t>> levels;
    for (const SimMeter& m : SimulatedMeters(c.slices, c.id_offset)) {
      if (std::string(m.name) == "LEVEL") levels.emplace_back(m.id, RawValue(m, level, 1.0));
    }
    EXPECT_EQ(levels, c.levels) << c.slices << " slices";
  }
}

}  // namespace
}  // namespace quendal::radiosim
