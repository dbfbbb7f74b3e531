#include "tci/TciProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quendal {
namespace {

struct FrameCase {
  const char* what;
  std::vector<std::string> frames;  // fed in order; the last result is checked
  std::optional<double> level;
  std::optional<std::int64_t> frequency;
  std::size_t problems;
};

TEST(TciReaderTest, TakesTheTargetsReadingsFromFrames) {
  const std::string huge(TciReader::kMaxCommandBytes + 1, 'x');
  const std::vector<FrameCase> cases = {
      {"one pushed reading", {"rx_smeter:1,0,-73;"}, -73.0, {}, 0},
      {"the last of several",
       {"rx_smeter:1,0,-80.5;vfo:1,0,7074000;rx_smeter:1,0,-60;"},
       -60.0,
       7074000,
       0},
      {"upper case and blanks", {"RX_SMETER: 1, 0, -93.25 ;\r\n"}, -93.25, {}, 0},
      {"channel sensors", {"rx_channel_sensors:1,0,-101;"}, -101.0, {}, 0},
      {"other receivers and channels",
       {"rx_smeter:0,0,-50;rx_smeter:1,1,-40;vfo:0,0,14000000;"},
       {},
       {},
       0},
      {"the echo of a query", {"rx_smeter:1,0;"}, {}, {}, 0},
      {"a command over two frames", {"rx_sme", "ter:1,0,-", "55;"}, -55.0, {}, 0},
      {"a fractional frequency", {"vfo:1,0,14074000.4;"}, {}, 14074000, 0},
      {"unknown commands", {"dds:0,14000000;iq_samplerate:48000;foo;"}, {}, {}, 0},
      {"NaN", {"rx_smeter:1,0,nan;"}, {}, {}, 1},
      {"infinity and beyond the scale", {"rx_smeter:1,0,inf;rx_smeter:1,0,1e6;"}, {}, {}, 2},
      {"garbage numbers", {"rx_smeter:1,0,loud;rx_smeter:x,0,-73;vfo:1,0,-5;"}, {}, {}, 3},
      {"too few arguments", {"rx_smeter:1;trx_count;"}, {}, {}, 2},
      {"a huge command, then a good one", {huge + ";rx_smeter:1,0,-70;"}, -70.0, {}, 1},
      {"a huge command over frames", {huge, "more;rx_smeter:1,0,-71;"}, -71.0, {}, 0},
      {"binary bytes", {std::string("\0\xff:\x01;", 5) + "rx_smeter:1,0,-72;"}, -72.0, {}, 0},
  };
  for (const FrameCase& c : cases) {
    TciReader reader({1, 0});
    TciFrameResult result;
    for (const std::string& frame : c.frames) result = reader.Feed(frame);
    EXPECT_EQ(result.LevelDbm, c.level) << c.what;
    EXPECT_EQ(result.FrequencyHz, c.frequency) << c.what;
    EXPECT_EQ(result.Problems.size() + result.MoreProblems, c.problems) << c.what;
  }
}

TEST(TciReaderTest, FollowsTheTargetsTransmitterAndItsMeters) {
  struct Case {
    const char* what;
    const char* frame;
    std::optional<bool> transmitting;
    std::optional<double> power;
    std::optional<double> peak;
    std::optional<double> swr;
    std::size_t problems;
  };
  const Case cases[] = {
      {"keyed", "trx:1,true;", true, {}, {}, {}, 0},
      {"keyed by a source", "TRX:1,TRUE,tci;", true, {}, {}, {}, 0},
      {"unkeyed, the last word counts", "trx:1,true;trx:1,false;", false, {}, {}, {}, 0},
      {"another receiver keyed", "trx:0,true;tx_sensors:0,-20,50,60,1.5;", {}, {}, {}, {}, 0},
      {"sensors", "tx_sensors:1,-20.5,48.5,97,1.4;", {}, 48.5, 97.0, 1.4, 0},
      {"sensors with no SWR", "tx_sensors:1,-20,0,0,0;", {}, 0.0, 0.0, 0.0, 0},
      {"older servers", "tx_power:25.5;tx_swr:2;", {}, 25.5, {}, 2.0, 0},
      {"an SWR below 1 as sent", "tx_swr:2;tx_swr:0.5;", {}, {}, {}, 0.5, 0},
      {"an SWR below 0", "tx_swr:-1;", {}, {}, {}, {}, 1},
      {"a state that is no state", "trx:1,maybe;trx:x,true;", {}, {}, {}, {}, 2},
      {"powers that are none", "tx_power:-1;tx_power:1e9;tx_power:nan;", {}, {}, {}, {}, 3},
      {"sensors that are none",
       "tx_sensors:1,-20,50,x,1.5;tx_sensors:1,-20,50,60,inf;",
       {},
       {},
       {},
       {},
       2},
      {"too few arguments", "trx:1;tx_sensors:1,-20,50,60;tx_swr;", {}, {}, {}, {}, 3},
  };
  for (const Case& c : cases) {
    TciReader reader({1, 0});
    const TciFrameResult result = reader.Feed(c.frame);
    EXPECT_EQ(result.Transmitting, c.transmitting) << c.what;
    EXPECT_EQ(result.TxPowerW, c.power) << c.what;
    EXPECT_EQ(result.TxPeakPowerW, c.peak) << c.what;
    EXPECT_EQ(result.TxSwr, c.swr) << c.what;
    EXPECT_EQ(result.Problems.size() + result.MoreProblems, c.problems) << c.what;
  }
}

TEST(TciReaderTest, AnSwrBelowOneIsNoReading) {
  const std::vector<std::pair<double, std::optional<double>>> ratios = {
      {0.0, {}}, {0.99, {}}, {1.0, 1.0}, {1.5, 1.5}, {999.0, 999.0}};
  for (const auto& [ratio, reading] : ratios) EXPECT_EQ(SwrReading(ratio), reading) << ratio;
}

TEST(TciReaderTest, ReadsTheStartUpSequenceAndReportsBoundedProblems) {
  TciReader reader({0, 0});
  TciFrameResult first = reader.Feed(
      "protocol:ExpertSDR3,1.9;device:SunSDR2PRO;receive_only:false;trx_count:2;"
      "channels_count:2;vfo_limits:10000,500000000;");
  EXPECT_FALSE(first.BecameReady);
  EXPECT_EQ(reader.Server().Protocol, "ExpertSDR3");
  EXPECT_EQ(reader.Server().Device, "SunSDR2PRO");
  EXPECT_EQ(reader.Server().TrxCount, 2);
  EXPECT_EQ(reader.Server().ChannelsCount, 2);
  EXPECT_TRUE(reader.SupportsSensors());
  EXPECT_TRUE(reader.Feed("READY;").BecameReady);
  EXPECT_FALSE(reader.Feed("ready;").BecameReady);

  std::string noisy;
  for (int i = 0; i < 20; ++i) noisy += "rx_smeter:0,0,?;";
  const TciFrameResult bad = reader.Feed(noisy);
  EXPECT_EQ(bad.Problems.size(), TciReader::kMaxReportedProblems);
  EXPECT_EQ(bad.MoreProblems, 20 - TciReader::kMaxReportedProblems);
  EXPECT_EQ(bad.Problems[0], "Ignored 'rx_smeter:0,0,?': a level that is no dBm value");

  reader.Reset();
  EXPECT_FALSE(reader.Server().Ready);
  EXPECT_EQ(reader.Feed("ready;").BecameReady, true);
}

TEST(TciReaderTest, KnowsWhichProtocolVersionsPushSensors) {
  const std::vector<std::pair<const char*, bool>> versions = {
      {"protocol:ExpertSDR2,1.4;", false},
      {"protocol:x,1.8;", false},
      {"protocol:x,1.9;", true},
      {"protocol:x,1.10;", true},
      {"protocol:x,2.0;", true},
      {"protocol:x,2;", true},
      {"protocol:x;", false},
      {"protocol:x,v1.9;", false},
  };
  for (const auto& [frame, sensors] : versions) {
    TciReader reader({0, 0});
    reader.Feed(frame);
    EXPECT_EQ(reader.SupportsSensors(), sensors) << frame;
  }
}

TEST(TciReaderTest, WritesTheCommandsItSends) {
  EXPECT_EQ(TciSmeterQuery({1, 0}), "rx_smeter:1,0;");
  EXPECT_EQ(TciSensorsEnable(200), "rx_sensors_enable:true,200;");
  EXPECT_EQ(TciTxSensorsEnable(100), "tx_sensors_enable:true,100;");
}

}  // namespace
}  // namespace quendal
