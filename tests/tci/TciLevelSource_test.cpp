#include "tci/TciLevelSource.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "tests/flex/FakeRadio.h"
#include "tests/support/FakeClock.h"

namespace quendal {
namespace {

using namespace std::chrono_literals;
using testing::WaitUntil;

// The real simulator on a free port, and a source reading the given [TCI] keys.
class TciSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApplication(); }
  void TearDown() override {
    source_.reset();
    if (sim_.state() != QProcess::NotRunning) {
      sim_.kill();
      sim_.waitForFinished(3000);
    }
  }

  void StartSim(QStringList arguments) {
    arguments << "--port"
              << "0";
    output_.clear();
    sim_.setProgram(QStringLiteral(QUENDAL_TCISIM_PATH));
    sim_.setArguments(arguments);
    sim_.start();
    ASSERT_TRUE(sim_.waitForStarted(5000));
    const QRegularExpression listening("# listening on port (\\d+)");
    ASSERT_TRUE(WaitUntil([&] { return listening.match(SimOutput()).hasMatch(); }, 5000));
    port_ = listening.match(SimOutput()).captured(1).toStdString();
  }

  void StartSource(const std::string& keys, const Clock& clock = SystemClock::Instance()) {
    TciSourceSettings settings;
    settings.clock = clock;
    settings.Config =
        ReadTciConfig(IniFile::FromText("[TCI]\nAddress=127.0.0.1:" + port_ + "\n" + keys), "TCI");
    settings.ReadyTimeout = 300ms;
    source_ = std::make_unique<TciLevelSource>(settings);
    source_->Start();
  }

  QString SimOutput() {
    output_ += QString::fromUtf8(sim_.readAllStandardOutput());
    return output_;
  }
  bool Reads(double dbm) {
    const LevelReading reading = source_->CurrentLevel();
    return reading.Meter.Name == "LEVEL" && reading.Meter.Value == dbm &&
           source_->Status().State == LinkState::Receiving;
  }

  QProcess sim_;
  QString output_;
  std::string port_;
  std::unique_ptr<TciLevelSource> source_;
};

TEST_F(TciSourceTest, ReadsTheChosenReceiverFromPushesInAnyCaseAmidGarbage) {
  StartSim({"--level", "steady:-50", "--upper-case", "--garbage"});
  StartSource("Receiver=1\nChannel=1\n");
  // Receiver 1, channel 1 is 60 dB below the simulator's level.
  ASSERT_TRUE(WaitUntil([&] { return Reads(-110.0); }, 5000)) << SimOutput().toStdString();
  const LevelReading reading = source_->CurrentLevel();
  EXPECT_EQ(reading.Meter.UnitStr, "dBm");
  EXPECT_EQ(reading.FrequencyHz, 14075000);
  ASSERT_TRUE(reading.Age.has_value());
  EXPECT_LT(*reading.Age, 1000ms);
  EXPECT_EQ(source_->Identity().Model, "QUENDAL-TCISIM");
  EXPECT_EQ(source_->Identity().Address, "127.0.0.1:" + port_);
}

TEST_F(TciSourceTest, AsksWhenTheServerPushesNothing) {
  struct Case {
    const char* version;
    const char* asked;  // what the source sends
  };
  for (const Case& c :
       {Case{"1.4", "< rx_smeter:0,1;"}, Case{"1.9", "< rx_sensors_enable:true,100;"}}) {
    StartSim({"--push-ms", "0", "--version", c.version, "--level", "steady:-33"});
    StartSource("Channel=1\n");
    EXPECT_TRUE(WaitUntil([&] { return Reads(-53.0); }, 5000)) << c.version;
    EXPECT_TRUE(SimOutput().contains(c.asked)) << SimOutput().toStdString();
    TearDown();
  }
}

TEST_F(TciSourceTest, FollowsTheChosenReceiversTransmitterAndItsMeters) {
  struct Case {
    const char* version;
    std::optional<double> peak;  // tx_sensors carry it, tx_power does not
  };
  for (const Case& c : {Case{"1.9", 50.0}, Case{"1.8", {}}}) {
    StartSim({"--version", c.version, "--transmit", "1:1", "--tx-power", "50", "--swr", "1.5"});
    StartSource("");
    TciSourceSettings other;
    other.Config = ReadTciConfig(
        IniFile::FromText("[TCI]\nAddress=127.0.0.1:" + port_ + "\nReceiver=1\n"), "TCI");
    TciLevelSource receiver1(other);
    receiver1.Start();
    ASSERT_TRUE(WaitUntil(
        [&] {
          const TransmitStatus status = source_->CurrentTransmit();
          return status.Value(TransmitReading::Power) == 50.0 && status.PeakPowerW == c.peak;
        },
        5000))
        << c.version << SimOutput().toStdString();
    const TransmitStatus keyed = source_->CurrentTransmit();
    EXPECT_TRUE(keyed.Transmitting) << c.version;
    EXPECT_TRUE(keyed.StateKnown) << c.version;
    EXPECT_EQ(keyed.Offered, (std::array<bool, 4>{true, true, false, false})) << c.version;
    EXPECT_EQ(keyed.Value(TransmitReading::Swr), 1.5) << c.version;
    EXPECT_EQ(keyed.PeakPowerW, c.peak) << c.version;
    EXPECT_FALSE(receiver1.CurrentTransmit().Transmitting) << c.version;
    EXPECT_EQ(SimOutput().contains("< tx_sensors_enable:true,100;"), c.peak.has_value());

    ASSERT_TRUE(WaitUntil([&] { return !source_->CurrentTransmit().Transmitting; }, 5000));
    EXPECT_EQ(source_->CurrentTransmit().Values, TransmitStatus{}.Values) << c.version;
    EXPECT_EQ(source_->CurrentTransmit().PeakPowerW, std::nullopt) << c.version;
    TearDown();
  }
}

TEST_F(TciSourceTest, TransmitMetersGrowStaleWhileTheStateStays) {
  testing::FakeClock clock;
  StartSim({"--transmit", "100:1"});
  StartSource("", clock);
  ASSERT_TRUE(WaitUntil(
      [&] { return source_->CurrentTransmit().Value(TransmitReading::Power).has_value(); }, 5000));
  // Nothing arrives between the clock's step and the look: the event loop does not run.
  clock.Advance(FreshFor(source_->UpdateInterval()));
  EXPECT_EQ(source_->CurrentTransmit().Value(TransmitReading::Power), 50.0);
  clock.Advance(1ms);
  const TransmitStatus stale = source_->CurrentTransmit();
  EXPECT_TRUE(stale.Transmitting);
  EXPECT_EQ(stale.Values, TransmitStatus{}.Values);
  EXPECT_EQ(stale.PeakPowerW, std::nullopt);
}

TEST_F(TciSourceTest, ReconnectsWithTheBackoffWhenTheServerDropsOrFloods) {
  for (const char* fault : {"--drop-after", "--huge-frame"}) {
    QStringList arguments{"--level", "steady:-73", fault};
    if (QString(fault) == "--drop-after") arguments << "1";
    StartSim(arguments);
    StartSource("");
    ASSERT_TRUE(WaitUntil([&] { return Reads(-73.0); }, 5000)) << fault;
    ASSERT_TRUE(WaitUntil([&] { return source_->Status().State == LinkState::Lost; }, 5000))
        << fault;
    EXPECT_EQ(source_->Status().RetryInSeconds, 1) << fault;
    // The last reading stays, growing old, for the needle to judge.
    EXPECT_EQ(source_->CurrentLevel().Meter.Value, -73.0) << fault;
    EXPECT_TRUE(WaitUntil([&] { return Reads(-73.0); }, 5000)) << fault;
    EXPECT_EQ(SimOutput().count("# client connected"), 2) << fault;
    TearDown();
  }
}

TEST_F(TciSourceTest, ASilentServerIsConnectedWithoutMeterData) {
  StartSim({"--silent"});
  StartSource("");
  ASSERT_TRUE(WaitUntil([&] { return SimOutput().contains("< rx_smeter:0,0;"); }, 5000));
  EXPECT_EQ(source_->Status().State, LinkState::NoMeterData);
  EXPECT_FALSE(source_->CurrentLevel().Age.has_value());
  EXPECT_EQ(source_->CurrentLevel().Meter.Name, "");
  source_->Stop();
  EXPECT_EQ(source_->Status().State, LinkState::NotConnected);
}

}  // namespace
}  // namespace quendal
