#include "hamlib/HamlibLevelSource.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hamlib/HamlibLibrary.h"
#include "hamlib/HamlibTransmit.h"
#include "tests/flex/FakeRadio.h"
#include "tests/support/FakeClock.h"

namespace quendal {
namespace {

using testing::WaitUntil;

class HamlibSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApplication(); }

  // A source as the window makes it, from this config.ini text, logging into dir_.
  std::unique_ptr<HamlibLevelSource> Source(const std::string& keys,
                                            const Clock& clock = SystemClock::Instance()) {
    const IniFile ini = IniFile::FromText("[Hamlib]\n" + keys);
    HamlibSourceSettings settings;
    settings.Config = ReadHamlibConfig(ini, "Hamlib", HamlibKnowsModel);
    settings.EnableLogging = ini.ReadBool("Logging", "EnableLogging", false);
    settings.LogPath = LogPath();
    settings.clock = clock;
    return std::make_unique<HamlibLevelSource>(settings);
  }

  std::string LogPath() const { return dir_.filePath("Hamlib.log").toStdString(); }

  // The real rigctld with the dummy rig, given `options`, on a free port.
  std::string StartRigctld(const QStringList& options) {
    const std::string port = FreePort();
    rigctld_.start(
        QStandardPaths::findExecutable("rigctld"),
        QStringList{"-m", "1", "-T", "127.0.0.1", "-t", QString::fromStdString(port)} + options);
    EXPECT_TRUE(rigctld_.waitForStarted(5000)) << "rigctld (libhamlib-utils) is needed";
    EXPECT_TRUE(WaitUntil(
        [&] {
          QTcpSocket probe;
          probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(std::stoi(port)));
          return probe.waitForConnected(100);
        },
        5000));
    return port;
  }

  // Keys (true) or unkeys the dummy rig behind rigctld at `port`, as another client would.
  static void Key(const std::string& port, bool on) {
    QProcess rigctl;
    rigctl.start(
        QStandardPaths::findExecutable("rigctl"),
        {"-m", "2", "-r", QString::fromStdString("127.0.0.1:" + port), "T", on ? "1" : "0"});
    ASSERT_TRUE(rigctl.waitForFinished(10000));
    ASSERT_EQ(rigctl.exitCode(), 0) << rigctl.readAllStandardError().toStdString();
  }

  static std::string FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return std::to_string(probe.serverPort());
  }

  void TearDown() override {
    rigctld_.kill();
    rigctld_.waitForFinished(3000);
  }

  QTemporaryDir dir_;
  QProcess rigctld_;
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

TEST_F(HamlibSourceTest, FollowsTheDummyRigsPttAndReadsItsMetersWhileItTransmits) {
  const std::string port = StartRigctld({"-P", "RIG"});
  auto source = Source("Device=127.0.0.1:" + port + "\nPollMs=20\n");
  source->Start();
  ASSERT_TRUE(WaitUntil([&] { return source->Status().State == LinkState::Receiving; }, 5000));
  TransmitStatus status = source->CurrentTransmit();
  EXPECT_TRUE(status.StateKnown);
  EXPECT_FALSE(status.Transmitting);
  EXPECT_EQ(status.Offered, (std::array<bool, 4>{true, true, true, true}));
  EXPECT_EQ(status.Values, TransmitStatus{}.Values);

  Key(port, true);
  ASSERT_TRUE(WaitUntil([&] { return source->CurrentTransmit().Transmitting; }, 5000));
  status = source->CurrentTransmit();
  // The dummy's power jiggles within its 100 W; it measures no SWR and no ALC action.
  ASSERT_TRUE(status.Value(TransmitReading::Power).has_value());
  EXPECT_GT(*status.Value(TransmitReading::Power), 0.0);
  EXPECT_LE(*status.Value(TransmitReading::Power), 100.0);
  EXPECT_EQ(status.Value(TransmitReading::Swr), std::nullopt);
  EXPECT_EQ(status.Value(TransmitReading::Alc), kHamlibAlcFloorDb);
  EXPECT_TRUE(status.Value(TransmitReading::Compression).has_value());

  Key(port, false);
  ASSERT_TRUE(WaitUntil([&] { return !source->CurrentTransmit().Transmitting; }, 5000));
  EXPECT_EQ(source->CurrentTransmit().Values, TransmitStatus{}.Values);
  EXPECT_EQ(source->Status().State, LinkState::Receiving);
}

TEST_F(HamlibSourceTest, AReportOfTransmittingGrowsStaleWithoutAPoll) {
  const std::string port = StartRigctld({"-P", "RIG"});
  Key(port, true);
  testing::FakeClock clock;
  // Polled once on opening, then not for ten seconds.
  auto source = Source("Device=127.0.0.1:" + port + "\nPollMs=10000\n", clock);
  source->Start();
  ASSERT_TRUE(WaitUntil([&] { return source->CurrentTransmit().Transmitting; }, 5000));
  clock.Advance(FreshFor(std::chrono::milliseconds{10000}));
  EXPECT_TRUE(source->CurrentTransmit().Transmitting);
  clock.Advance(std::chrono::milliseconds{1});
  const TransmitStatus stale = source->CurrentTransmit();
  EXPECT_FALSE(stale.Transmitting);
  EXPECT_TRUE(stale.StateKnown);
  EXPECT_EQ(stale.Values, TransmitStatus{}.Values);
}

TEST_F(HamlibSourceTest, ARigWhosePttCannotBeReadStaysOnSUnitsAndSaysSoOnce) {
  const std::string port = StartRigctld({});
  auto source = Source("Device=127.0.0.1:" + port + "\nPollMs=20\n[Logging]\nEnableLogging=1\n");
  source->Start();
  ASSERT_TRUE(WaitUntil([&] { return !source->CurrentTransmit().StateKnown; }, 5000));
  testing::Pump(200);  // ten more polls
  EXPECT_FALSE(source->CurrentTransmit().Transmitting);
  EXPECT_EQ(source->Status().State, LinkState::Receiving);
  source->Stop();
  const std::vector<std::string> entries = LaterEntries(LogPath());
  ASSERT_EQ(entries.size(), 3u) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries[0], "Hamlib: Opened Hamlib NET rigctl.");
  EXPECT_EQ(
      entries[1],
      "Hamlib: The rig's PTT cannot be read; the needle stays on S units while it transmits.");
  EXPECT_EQ(entries[2], "Hamlib: Stopped.");
}

TEST_F(HamlibSourceTest, ARigThatDoesNotAnswerIsLostAndRetriedWithTheBackoff) {
  const std::string port = FreePort();  // nothing listens there once the probe is gone

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

// The library is opened only when the family is chosen, so a machine without it (or
// with one too old) learns why when it chooses Hamlib, not at every start.
TEST(HamlibLibraryTest, ALibraryMissingOrLackingAFunctionIsNamed) {
  struct Case {
    const char* path;
    std::string start, end;
  } cases[] = {
      {"libquendal-no-such-hamlib.so.4",
       "Hamlib (libquendal-no-such-hamlib.so.4) could not be loaded: Cannot load library "
       "libquendal-no-such-hamlib.so.4",
       ". Install Hamlib's library to use [Radio] Type=hamlib."},
      {"libz.so.1", "Hamlib (libz.so.1) lacks rig_set_debug",
       ": it is older than this build of Quendal needs."},
  };
  for (const Case& c : cases) {
    try {
      OpenHamlibLibrary(c.path);
      ADD_FAILURE() << c.path << " opened";
    } catch (const std::runtime_error& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.starts_with(c.start), true) << what;
      EXPECT_EQ(what.ends_with(c.end), true) << what;
    }
  }
}

}  // namespace
}  // namespace quendal
