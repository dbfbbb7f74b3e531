#include "hamlib/HamlibLevelSource.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/flex/FakeRadio.h"

namespace quendal {
namespace {

using testing::WaitUntil;

class HamlibSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApplication(); }

  // A source as the window makes it, from this config.ini text, logging into dir_.
  std::unique_ptr<HamlibLevelSource> Source(const std::string& keys) {
    const IniFile ini = IniFile::FromText("[Hamlib]\n" + keys);
    HamlibSourceSettings settings;
    settings.Config = ReadHamlibConfig(ini, "Hamlib", HamlibKnowsModel);
    settings.EnableLogging = ini.ReadBool("Logging", "EnableLogging", false);
    settings.LogPath = LogPath();
    return std::make_unique<HamlibLevelSource>(settings);
  }

  std::string LogPath() const { return dir_.filePath("Hamlib.log").toStdString(); }

  QTemporaryDir dir_;
};

// The log's entries after the first, without their stamps.
std::vector<std::string> LaterEntries(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.ends_with("\r\n")) text.resize(text.size() - 2);
  std::vector<std::string> entries;
  constexpr std::size_t kStamp = std::string_view("2026-12-08 17:05:09.042: ").size();
  for (std::size_t at = text.find("\r\n20"); at != std::string::npos;) {
    const std::size_t next = text.find("\r\n20", at + 2);
    entries.push_back(text.substr(at + 2 + kStamp, next - at - 2 - kStamp));
    at = next;
  }
  return entries;
}

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

  for (const bool debug : {false, true}) {
    std::filesystem::remove(LogPath());
    auto source = Source("Model=2\nDevice=127.0.0.1:" + port + "\nDebug=" + (debug ? "1" : "0") +
                         "\n[Logging]\nEnableLogging=1\n");
    source->Start();
    ASSERT_TRUE(WaitUntil([&] { return source->Status().State == LinkState::Lost; }, 5000));
    EXPECT_EQ(source->Status().RetryInSeconds, 1);
    EXPECT_FALSE(source->CurrentLevel().Age.has_value());
    // The second attempt fails as well and waits twice as long.
    ASSERT_TRUE(WaitUntil([&] { return source->Status().RetryInSeconds == 2; }, 5000));
    EXPECT_EQ(source->Status().State, LinkState::Lost);
    source->Stop();

    // One line per attempt with Hamlib's own words; Debug=1 puts Hamlib's trace before them.
    const std::vector<std::string> entries = LaterEntries(LogPath());
    ASSERT_EQ(entries.size(), 3u) << debug;
    const std::string failed = "Hamlib: Opening the rig failed: ";
    for (const std::string& entry : {entries[0], entries[1]}) {
      EXPECT_EQ(entry.starts_with(failed + (debug ? "" : "IO error;")), true) << entry;
      EXPECT_EQ(
          entry.find("network_open: failed to connect to 127.0.0.1:" + port) != std::string::npos,
          debug)
          << entry;
    }
    EXPECT_EQ(entries[0].ends_with("IO error; next attempt in 1 s."), true) << entries[0];
    EXPECT_EQ(entries[1].ends_with("IO error; next attempt in 2 s."), true) << entries[1];
    EXPECT_EQ(entries[2], "Hamlib: Stopped.");
  }
}

TEST_F(HamlibSourceTest, AModelHamlibDoesNotKnowIsRefused) {
  try {
    MakeHamlibSource(IniFile::FromText("[Hamlib]\nModel=999999\n"), "Hamlib", false);
    ADD_FAILURE() << "made a source with an unknown model";
  } catch (const HamlibConfigError& e) {
    EXPECT_STREQ(e.what(),
                 "[Hamlib] Model=999999 is not usable: Hamlib knows no such rig (rigctl -l lists "
                 "them).");
  }
}

}  // namespace
}  // namespace quendal
