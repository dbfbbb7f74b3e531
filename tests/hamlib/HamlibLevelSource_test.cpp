#include "hamlib/HamlibLevelSource.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTemporaryDir>
#include <fstream>

#include "tests/flex/FakeRadio.h"

namespace quendal {
namespace {

using testing::WaitUntil;

class HamlibSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApplication(); }

  std::unique_ptr<HamlibLevelSource> Source(const std::string& keys) {
    const std::string path = dir_.filePath("config.ini").toStdString();
    std::ofstream(path) << "[Hamlib]\n" << keys;
    HamlibSourceSettings settings;
    settings.ConfigPath = path;
    return std::make_unique<HamlibLevelSource>(settings);
  }

  QTemporaryDir dir_;
};

TEST_F(HamlibSourceTest, ReadsTheDummyRigOnItsWorkerThread) {
  auto source = Source("Model=1\nPollMs=20\n");
  source->Start();
  ASSERT_TRUE(WaitUntil([&] { return source->Status().State == LinkState::Receiving; }, 5000));
  const LevelReading reading = source->CurrentLevel();
  EXPECT_EQ(reading.Meter.Name, "LEVEL");
  EXPECT_EQ(reading.Meter.UnitStr, "dBm");
  // The dummy's S-meter jiggles some 30 dB below S9.
  EXPECT_GE(reading.Meter.Value, -73.0 - 54.0);
  EXPECT_LE(reading.Meter.Value, -73.0);
  EXPECT_EQ(reading.FrequencyHz, 145000000);
  EXPECT_EQ(source->Identity().Model, "Hamlib Dummy");
  source->Stop();
  EXPECT_EQ(source->Status().State, LinkState::NotConnected);
}

TEST_F(HamlibSourceTest, ARigThatDoesNotAnswerIsLostAndRetriedWithTheBackoff) {
  QTcpServer probe;  // a port on which nothing listens once the probe is gone
  probe.listen(QHostAddress::LocalHost, 0);
  const std::string port = std::to_string(probe.serverPort());
  probe.close();

  auto source = Source("Model=2\nDevice=127.0.0.1:" + port + "\n");
  source->Start();
  ASSERT_TRUE(WaitUntil([&] { return source->Status().State == LinkState::Lost; }, 5000));
  EXPECT_EQ(source->Status().RetryInSeconds, 1);
  EXPECT_FALSE(source->CurrentLevel().Age.has_value());
  // The second attempt fails as well and waits twice as long.
  ASSERT_TRUE(WaitUntil([&] { return source->Status().RetryInSeconds == 2; }, 5000));
  EXPECT_EQ(source->Status().State, LinkState::Lost);
  source->Stop();
}

TEST_F(HamlibSourceTest, AnUnknownModelStopsTheStart) {
  auto source = Source("Model=999999\n");
  try {
    source->Start();
    ADD_FAILURE() << "started with an unknown model";
  } catch (const HamlibConfigError& e) {
    EXPECT_STREQ(e.what(),
                 "[Hamlib] Model=999999 is not usable: Hamlib knows no such rig (rigctl -l lists "
                 "them).");
  }
  EXPECT_EQ(source->Status().State, LinkState::NotConnected);
}

}  // namespace
}  // namespace quendal
