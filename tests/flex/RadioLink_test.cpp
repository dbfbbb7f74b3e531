#include <gtest/gtest.h>
#include <unistd.h>

#include <QNetworkProxy>
#include <QUdpSocket>
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "flex/FlexRadioLib_v3_1.h"
#include "support/NumberFormat.h"
#include "tests/flex/FakeRadio.h"
#include "tests/support/FakeClock.h"

namespace quendal {
namespace {

using namespace std::chrono_literals;
using testing::FakeRadio;
using testing::WaitUntil;

const char kHandle[] = "2A3B4C5D";

QByteArray MeterStatusText() {
  return QByteArray("S") + kHandle +
         "|meter 24.src=SLC#24.num=0#24.nam=LEVEL#24.low=-150.0#24.hi=20.0#24.desc=Signal "
         "strength of signals in the filter passband#24.unit=dBm#24.fps=10#\n" +
         "S" + kHandle +
         "|meter 4.src=RAD#4.num=0#4.nam=+13.8A#4.low=10.5#4.hi=15.0#4.desc=13.8V main "
         "supply#4.unit=Volts#4.fps=2#\n";
}

// The transmit meters as a FLEX-6600 describes them, on one line.
QByteArray TransmitMeterStatusText() {
  return QByteArray("S") + kHandle +
         "|meter 19.src=TX-#19.num=0#19.nam=FWDPWR#19.low=0.0#19.hi=53.0#19.unit=dBm#19.fps=20#"
         "21.src=TX-#21.num=0#21.nam=SWR#21.low=1.0#21.hi=999.0#21.unit=SWR#21.fps=20#\n";
}

const QByteArray kTransmitting = "S0|interlock state=TRANSMITTING reason= source=SW\n";

class RadioLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureApplication();
    dir_ = std::filesystem::temp_directory_path() /
           ("radiolink_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    link_.reset();
    std::filesystem::remove_all(dir_);
  }

  // The link's settings as the window reads them from this config.ini text.
  void UseConfig(const std::string& text) { config_ = IniFile::FromText(text); }

  RadioLinkSettings Settings() {
    RadioLinkSettings s;
    s.Config = ReadFlexConfig(config_, "Network");
    s.EnableLogging = config_.ReadBool("Logging", "EnableLogging", false);
    s.DiscoveryPort = 0;
    s.CommandPort = radio_.CommandPort();
    s.LogPath = (dir_ / "FlexRadioLib.log").string();
    s.clock = clock_;
    s.DiscoveryTimeout = 10000ms;
    s.WatchdogInterval = 10ms;
    s.FrequencySettleDelay = 20ms;
    s.ConnectTimeout = 2000ms;
    return s;
  }

  void Start(RadioLinkSettings settings) {
    link_ = std::make_unique<TFlexRadioLib>(std::move(settings));
    link_->AutoDiscoverAndConnect(5993, 4992);
    ASSERT_TRUE(link_->DiscoveryListening());
  }

  void Discover(const std::string& ip = "127.0.0.1") {
    radio_.SendDatagram(link_->DiscoveryListenerPort(),
                        testing::DiscoveryDatagram("model=FLEX-6600M ip=" + ip + " port=4992"));
  }

  std::vector<std::string> LogLines() {
    std::ifstream in(dir_ / "FlexRadioLib.log", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  // The messages, without the time stamp "2026-12-08 17:05:09.042: ".
  std::vector<std::string> LogMessages() {
    std::vector<std::string> messages;
    for (const std::string& line : LogLines())
      messages.push_back(line.size() > 25 ? line.substr(25) : line);
    return messages;
  }
  int CountLog(const std::string& message) {
    const std::vector<std::string> m = LogMessages();
    return static_cast<int>(std::count(m.begin(), m.end(), message));
  }

  static constexpr const char* kConnectFailed =
      "TFlexRadioLib.ConnectToTelnetServer: Failed to connect to Telnet server: Connection "
      "refused";

  std::filesystem::path dir_;
  IniFile config_;
  testing::FakeClock clock_;
  FakeRadio radio_;
  std::unique_ptr<TFlexRadioLib> link_;
};

TEST_F(RadioLinkTest, DiscoversConnectsSubscribesAndFollowsTheStream) {
  // The one-shot link: no reconnection, no ping.
  UseConfig("[Network]\nReconnect=0\n[Logging]\nEnableLogging=1\n");
  Start(Settings());
  EXPECT_TRUE(link_->LoggingEnabled());
  Discover();
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().count('\n') >= 8; }));
  EXPECT_FALSE(link_->DiscoveryListening());
  ASSERT_TRUE(link_->MeterListening());
  const std::string port = std::to_string(link_->MeterListenerPort());
  EXPECT_EQ(radio_.Received().toStdString(),
            "C1|client udpport " + port +
                "\r\n\nC2|meter list\r\n\nC3|sub meter all\r\n\nC4|sub tx all\r\n\n");
  EXPECT_EQ(DiscoveryValue(link_->FlexDiscovery(), "model"), "FLEX-6600M");

  radio_.SendText(QByteArray("V1.4.0.0\nH") + kHandle + "\n" + MeterStatusText() + "S" + kHandle +
                  "|slice 0 in_use=1 RF_frequency=14.074000 mode=USB\n");
  ASSERT_TRUE(WaitUntil([&] { return link_->CurrentFreq() == 14074000; }));
  ASSERT_EQ(link_->MeterList().Count(), 2u);
  TMeter level = link_->GetMeterByName("level");
  EXPECT_EQ(level.ID, "24");
  EXPECT_EQ(level.UnitStr, "dBm");
  EXPECT_EQ(level.Low, -150.0);
  EXPECT_EQ(level.Desc, "Signal strength of signals in the filter passband");

  // -73 dBm is raw -9344; 13.8 V is raw 3533 (13.80078 V).
  radio_.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{24, -9344}, {4, 3533}}));
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == 1; }));
  const LevelReading reading = link_->CurrentLevel();
  EXPECT_EQ(reading.Meter.Value, -73.0);
  EXPECT_EQ(reading.FrequencyHz, 14074000);
  EXPECT_EQ(link_->GetMeterById("4").Value, 3533.0 / 256.0);
  EXPECT_EQ(CountLog("GetMeterByName - Meter LEVEL value: -73.00"), 1);
  SetDecimalSeparator(',');
  link_->GetMeterByName("NoSuchMeter", level);
  SetDecimalSeparator('.');
  EXPECT_EQ(level.Name, "");
  EXPECT_EQ(CountLog("GetMeterByName - Meter NoSuchMeter value: 0,00"), 1);

  // Exactly 5000 ms of silence is still fine; one more millisecond is not.
  const auto sent_before = radio_.Received().size();
  clock_.Advance(5000ms);
  testing::Pump(60);
  EXPECT_EQ(radio_.Received().size(), sent_before);
  clock_.Advance(1ms);
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().size() > sent_before; }));
  EXPECT_TRUE(radio_.Received().mid(sent_before).startsWith("C5|sub meter all\r\n\n"));
  EXPECT_GE(
      CountLog("TFlexRadioLib.MonitorUDPActivity: Elapsed time since last UDP packet: 5001 ms"), 1);

  // A datagram ends the silence: no more re-subscriptions.
  radio_.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{24, -9000}}));
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == 2; }));
  testing::Pump(30);
  const auto after_datagram = radio_.Received().size();
  testing::Pump(60);
  EXPECT_EQ(radio_.Received().size(), after_datagram);

  // The radio goes away: no log line of its own, the watchdog says "not active".
  const std::string not_active =
      "TFlexRadioLib.MonitorUDPActivity: Telnet or UDP is not active. Skipping resubscription.";
  const int not_active_before = CountLog(not_active);
  radio_.CloseClient();
  ASSERT_TRUE(WaitUntil([&] { return !link_->CommandChannelConnected(); }));
  ASSERT_TRUE(WaitUntil([&] { return CountLog(not_active) > not_active_before; }));
  EXPECT_EQ(CountLog("TFlexRadioLib.IdTelnetDisconnected: Disconnected from Telnet server."), 0);
  EXPECT_TRUE(link_->MeterListening());

  link_->DisconnectRadio();
  link_->DisconnectRadio();
  EXPECT_FALSE(link_->MeterListening());
  EXPECT_EQ(CountLog("TFlexRadioLib.DisconnectRadio: Disconnecting radio."), 2);
  EXPECT_EQ(CountLog("TFlexRadioLib.DisconnectRadio: Radio disconnected."), 2);

  const std::vector<std::string> m = LogMessages();
  const std::vector<std::string> start(m.begin(), m.begin() + 4);
  EXPECT_EQ(start[0], "TFlexRadioLib.AutoDiscoverAndConnect: Starting discovery.");
  EXPECT_EQ(start[1], "TFlexRadioLib.AutoDiscoverAndConnect: UDP Server activated.");
  EXPECT_EQ(LogLines()[0].substr(0, 25), "2026-12-08 17:05:09.042: ");
  EXPECT_EQ(CountLog("TFlexRadioLib.IdTelnetConnected: UDP server started on port " + port), 1);
  EXPECT_EQ(CountLog("TFlexRadioLib.ParseSliceString: Band change detected."), 1);
  EXPECT_EQ(CountLog("Logging all meters in the FMeterList:"), 1);
}

TEST_F(RadioLinkTest, DiscoveryTimesOutWithAnEmptyRecord) {
  UseConfig("[Network]\nReconnect=0\n[Logging]\nEnableLogging=1\n");
  RadioLinkSettings s = Settings();
  s.DiscoveryTimeout = 50ms;
  Start(s);
  // A datagram with no pairs still makes an attempt, which fails without an address.
  radio_.SendDatagram(link_->DiscoveryListenerPort(), testing::DiscoveryDatagram(""));
  ASSERT_TRUE(WaitUntil([&] { return !link_->DiscoveryListening(); }));
  EXPECT_TRUE(link_->FlexDiscovery().empty());
  EXPECT_EQ(CountLog("TFlexRadioLib.AutoDiscoverAndConnect: Auto-discovery timed out or failed."),
            1);
  EXPECT_EQ(CountLog("TFlexRadioLib.ConnectToTelnetServer: Failed to connect to Telnet server: "
                     "No host name given."),
            1);
  EXPECT_EQ(radio_.Connections(), 0);
}

TEST_F(RadioLinkTest, ConfiguredAddressOverridesTheDiscoveredOne) {
  UseConfig("[Network]\nFlexIP = \"127.0.0.1\"\n[Logging]\nEnableLogging=0x10\n");
  Start(Settings());
  EXPECT_EQ(link_->TelnetIP(), "127.0.0.1");
  EXPECT_TRUE(link_->LoggingEnabled());
  Discover("192.0.2.1");  // a documentation address nobody answers on
  ASSERT_TRUE(WaitUntil([&] { return radio_.Connections() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return link_->CommandChannelConnected(); }));
}

TEST_F(RadioLinkTest, WithoutConfigNothingIsLogged) {
  Start(Settings());
  EXPECT_FALSE(link_->LoggingEnabled());
  EXPECT_EQ(link_->TelnetIP(), "");
  Discover();
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().count('\n') >= 8; }));
  link_->DisconnectRadio();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "FlexRadioLib.log"));
}

TEST_F(RadioLinkTest, BurstOfDiscoveryDatagramsMakesOneAttemptAtATime) {
  UseConfig("[Logging]\nEnableLogging=1\n");
  Start(Settings());
  const quint16 port = link_->DiscoveryListenerPort();
  for (int i = 0; i < 1000; ++i)
    radio_.SendDatagram(port, testing::DiscoveryDatagram("ip=127.0.0.1 n=" + std::to_string(i)));
  ASSERT_TRUE(WaitUntil([&] { return link_->CommandChannelConnected(); }));
  testing::Pump(100);
  EXPECT_EQ(radio_.Connections(), 1);
  EXPECT_EQ(
      CountLog("TFlexRadioLib.ConnectToTelnetServer: Attempting to connect to Telnet server."), 1);
  EXPECT_TRUE(radio_.Received().startsWith("C1|client udpport "));
}

TEST_F(RadioLinkTest, AnnouncedAddressOtherThanTheSenderIsLoggedOnceAndUsed) {
  // A radio behind a router: it announces one address and its datagrams come from another.
  UseConfig("[Logging]\nEnableLogging=1\n");
  Start(Settings());
  for (int i = 0; i < 3; ++i) {
    radio_.SendDatagram(link_->DiscoveryListenerPort(),
                        testing::DiscoveryDatagram("serial=0621-1104-6601-1641 ip=127.0.0.3"));
    testing::Pump(20);
  }
  ASSERT_TRUE(WaitUntil([&] { return link_->Identity().Address == "127.0.0.3"; }));
  EXPECT_EQ(CountLog("TFlexRadioLib.IdUDPServer2UDPRead: Radio 0621-1104-6601-1641 announces "
                     "ip=127.0.0.3 but sent from 127.0.0.1; connecting to 127.0.0.3."),
            1);
}

TEST_F(RadioLinkTest, GarbageDatagramsOnBothPortsAreSurvived) {
  UseConfig("[Logging]\nEnableLogging=1\n");
  Start(Settings());
  const std::vector<QByteArray> garbage = {
      QByteArray(),
      QByteArray("x"),
      QByteArray(27, '\xFF'),
      QByteArray::fromHex("385f0001000008000000"
                          "1c2d534cffff00000000000000000000"),  // size < header
      QByteArray::fromHex("385fffff000008000000"
                          "1c2d534cffff00000000000000000000"),  // size > datagram
      QByteArray(1400, '\x5A'),
  };
  for (const QByteArray& g : garbage) radio_.SendDatagram(link_->DiscoveryListenerPort(), g);
  testing::Pump(50);
  EXPECT_TRUE(link_->DiscoveryListening());

  Discover();
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterListening(); }));
  radio_.SendText(MeterStatusText());
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterList().Count() == 2; }));
  for (const QByteArray& g : garbage) radio_.SendDatagram(link_->MeterListenerPort(), g);
  radio_.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{24, -12800}}));
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == garbage.size() + 1; }));
  EXPECT_EQ(link_->GetMeterByName("LEVEL").Value, -100.0);
  EXPECT_GE(CountLog("TFlexRadioLib.IdUDPServer1UDPRead: UDP data received."), 7);
}

TEST_F(RadioLinkTest, StatusTextInTinyChunksParsesAsInOne) {
  const QByteArray text = MeterStatusText() + "S" + kHandle +
                          "|slice 0 RF_frequency=7.100000 wide=0\nS" + kHandle +
                          "|slice 0 lock=1 RF_frequency=7.150000\n";
  std::vector<TMeter> lists[2];
  std::int32_t freqs[2] = {0, 0};
  for (int run = 0; run < 2; ++run) {
    FakeRadio radio;
    RadioLinkSettings s = Settings();
    s.CommandPort = radio.CommandPort();
    TFlexRadioLib link(s);
    link.AutoDiscoverAndConnect(0, 0);
    radio.SendDatagram(link.DiscoveryListenerPort(), testing::DiscoveryDatagram("ip=127.0.0.1"));
    ASSERT_TRUE(WaitUntil([&] { return radio.ClientConnected(); }));
    if (run == 0) {
      radio.SendText(text);
    } else {
      radio.SendTextInPieces(text, 1);
    }
    ASSERT_TRUE(WaitUntil([&] { return link.CurrentFreq() == 7150000; })) << run;
    lists[run] = link.MeterList().Items();
    freqs[run] = link.CurrentFreq();
  }
  ASSERT_EQ(lists[0].size(), 2u);
  ASSERT_EQ(lists[1].size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(lists[1][i].ID, lists[0][i].ID);
    EXPECT_EQ(lists[1][i].Name, lists[0][i].Name);
    EXPECT_EQ(lists[1][i].Desc, lists[0][i].Desc);
    EXPECT_EQ(lists[1][i].High, lists[0][i].High);
  }
  EXPECT_EQ(freqs[1], freqs[0]);
}

TEST_F(RadioLinkTest, OverlongLineIsDroppedAndLaterLinesAreRead) {
  UseConfig("[Logging]\nEnableLogging=1\n");
  Start(Settings());
  Discover();
  ASSERT_TRUE(WaitUntil([&] { return radio_.ClientConnected(); }));
  const QByteArray big(2 * 1024 * 1024, 'x');
  // While logging, every chunk's hex lands in the log; 2 MiB of it is slow, so
  // the flood goes with logging's cost in mind: in 64 KiB writes.
  radio_.SendTextInPieces(big, 64 * 1024);
  radio_.SendText(QByteArray("\nS") + kHandle + "|slice 0 RF_frequency=14.250000\n");
  ASSERT_TRUE(WaitUntil([&] { return link_->CurrentFreq() == 14250000; }, 10000));
  EXPECT_EQ(CountLog("TFlexRadioLib.IdTelnetDataAvailable: Dropped a status line longer than "
                     "1048576 bytes."),
            1);
}

TEST_F(RadioLinkTest, FrequencyReportsAndBadValues) {
  UseConfig("[Logging]\nEnableLogging=1\n");
  Start(Settings());
  Discover();
  ASSERT_TRUE(WaitUntil([&] { return radio_.ClientConnected(); }));
  struct Step {
    const char* line;
    std::int32_t freq;
  };
  const Step steps[] = {
      {"|slice 0 RF_frequency=14.074000 mode=USB", 14074000},
      {"|slice 0 RF_frequency=14.250000", 14250000},
      {"|slice 0 RF_frequency=3000.000000", 14250000},  // does not fit 32 bits
      {"|slice 0 RF_frequency=abc", 14250000},
      {"|slice 0 RF_frequency=", 14250000},
      {"|slice 0 RF_frequency=7.1 RF_frequency=7.200000", 7200000},
      {"|meter 9.low=notanumber#", 7200000},  // a parser failure on one line
      {"|slice 0 RF_frequency=7.300000", 7300000},
  };
  for (const Step& step : steps) {
    radio_.SendText(QByteArray("S") + kHandle + step.line + "\r\n");
    // Read once its chunk is logged: the chunk is parsed in the same turn of the loop.
    ASSERT_TRUE(WaitUntil([&] {
      return CountLog(std::string("TFlexRadioLib.IdTelnetDataAvailable: Decoded data - S") +
                      kHandle + step.line) == 1;
    })) << step.line;
    EXPECT_EQ(link_->CurrentFreq(), step.freq) << step.line;
  }
  EXPECT_EQ(CountLog("TFlexRadioLib.ParseSliceString: Band change detected."), 2);
  EXPECT_EQ(CountLog("TFlexRadioLib.ParseSliceString: Frequency 3000.000000 ignored: "
                     "'3000000000' is not a valid integer value"),
            1);
  EXPECT_EQ(CountLog("TFlexRadioLib.ParseSliceString: Frequency updated to 7300000"), 1);
  int errors = 0;
  for (const std::string& m : LogMessages())
    errors += m.rfind("TFlexRadioLib.IdTelnetDataAvailable: Error in status line: ", 0) == 0;
  EXPECT_EQ(errors, 1);
  // The settle check: the fake clock stands still, so it logs only once it has moved.
  testing::Pump(60);
  EXPECT_EQ(CountLog("TFlexRadioLib.HandleFrequencyChange: Frequency stabilized"), 0);
  clock_.Advance(20ms);
  radio_.SendText(QByteArray("S") + kHandle + "|slice 0 RF_frequency=7.300000\n");
  testing::Pump(10);
  clock_.Advance(20ms);
  ASSERT_TRUE(WaitUntil(
      [&] { return CountLog("TFlexRadioLib.HandleFrequencyChange: Frequency stabilized") == 1; }));
}

TEST_F(RadioLinkTest, TelnetNegotiationIsAnsweredAndEndsCrExpansion) {
  Start(Settings());
  Discover();
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().count('\n') >= 8; }));
  const auto before = radio_.Received().size();
  radio_.SendText(QByteArray::fromHex("fffd18fffb01") + "V1.4.0.0\n" +
                  QByteArray::fromHex("fffa1801fff0"));
  const QByteArray answer = QByteArray::fromHex("fffb18fffe01fffa180064756d62fff0");
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().size() >= before + answer.size(); }));
  EXPECT_EQ(radio_.Received().mid(before), answer);
  clock_.Advance(6000ms);
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().contains("C6|"); }));
  EXPECT_TRUE(radio_.Received().mid(before + answer.size()).startsWith("C5|sub meter all\r\nC6|"))
      << radio_.Received().mid(before + answer.size()).left(60).toStdString();
}

// Each fault ends in a working meter that reads the radio's new LEVEL meter, never the old ID.
TEST_F(RadioLinkTest, EveryLossEndsInAWorkingMeter) {
  struct Fault {
    const char* name;
    std::function<void(FakeRadio&)> inflict;
  };
  const Fault faults[] = {
      {"closes the channel", [](FakeRadio& radio) { radio.CloseClient(); }},
      {"restarts inside its meter list",
       [](FakeRadio& radio) {
         radio.SendText("R2|0|meter 24.src=SLC#24.num=0#24.nam=LEV");
         testing::Pump(10);
         radio.CloseClient();
       }},
      {"refuses connections for a while",
       [this](FakeRadio& radio) {
         radio.StopListening();
         radio.CloseClient();
         ASSERT_TRUE(WaitUntil([&] { return CountLog(kConnectFailed) >= 2; }));
         radio.ListenAgain();
       }},
      {"accepts and closes at once",
       [](FakeRadio& radio) {
         radio.ResetNextConnections(2);
         radio.CloseClient();
       }},
      {"freezes with the channel open",
       [this](FakeRadio& radio) {
         clock_.Advance(5001ms);
         ASSERT_TRUE(WaitUntil([&] { return radio.Received().contains("|ping\r\n"); }));
         clock_.Advance(10001ms);
       }},
  };
  UseConfig("[Network]\nFlexIP=127.0.0.1\n[Meter]\nSlice=0\n[Logging]\nEnableLogging=1\n");
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    std::filesystem::remove(dir_ / "FlexRadioLib.log");
    FakeRadio radio;
    RadioLinkSettings s = Settings();
    s.CommandPort = radio.CommandPort();
    s.ReconnectPauseUnit = 20ms;
    link_ = std::make_unique<TFlexRadioLib>(s);
    link_->AutoDiscoverAndConnect(5993, 4992);
    ASSERT_TRUE(WaitUntil([&] { return radio.Received().count('\n') >= 8; }));
    radio.SendText(MeterStatusText() + TransmitMeterStatusText() + kTransmitting);
    ASSERT_TRUE(WaitUntil([&] { return link_->MeterList().Count() == 4; }));
    radio.SendDatagram(link_->MeterListenerPort(),
                       testing::MeterDatagram({{24, -9344}, {19, 50 * 128}}));
    ASSERT_TRUE(WaitUntil([&] { return link_->Status().State == LinkState::Receiving; }));
    ASSERT_TRUE(WaitUntil(
        [&] { return link_->CurrentTransmit().Value(TransmitReading::Power).has_value(); }));

    fault.inflict(radio);
    ASSERT_TRUE(WaitUntil([&] { return link_->MeterList().Count() == 0; }));
    EXPECT_EQ(link_->CurrentLevel().Meter.Name, "");
    EXPECT_FALSE(link_->CurrentLevel().Age.has_value());
    // The transmitter too: neither on the air nor a meter of it known.
    EXPECT_FALSE(link_->CurrentTransmit().Transmitting);
    EXPECT_EQ(link_->CurrentTransmit().Offered, (std::array<bool, 4>{}));

    // The same start-up sequence, numbered on from before.
    ASSERT_TRUE(WaitUntil([&] {
      return !radio.Received().startsWith("C1|") && radio.Received().contains("|sub meter all\r\n");
    }));
    const std::string again = radio.Received().toStdString();
    const std::size_t udpport =
        again.find("|client udpport " + std::to_string(link_->MeterListenerPort()) + "\r\n");
    EXPECT_LT(udpport, again.find("|meter list\r\n")) << again;
    EXPECT_LT(again.find("|meter list\r\n"), again.find("|sub meter all\r\n")) << again;
    EXPECT_LT(again.find("|sub meter all\r\n"), again.find("|sub tx all\r\n")) << again;

    // After the restart LEVEL is meter 7; a stale value for 24 must not move the needle.
    radio.SendText(QByteArray("S") + kHandle +
                   "|meter 7.src=SLC#7.num=0#7.nam=LEVEL#7.unit=dBm#\n");
    ASSERT_TRUE(WaitUntil([&] { return link_->CurrentLevel().Meter.ID == "7"; }));
    radio.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{24, -9344}}));
    testing::Pump(20);
    EXPECT_FALSE(link_->CurrentLevel().Age.has_value());
    radio.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{7, -12800}}));
    ASSERT_TRUE(WaitUntil([&] { return link_->Status().State == LinkState::Receiving; }));
    EXPECT_EQ(link_->CurrentLevel().Meter.Value, -100.0);
    link_.reset();
  }
}

TEST_F(RadioLinkTest, TransmitFollowsTheInterlockAndTheTransmitMeters) {
  UseConfig("[Network]\nFlexIP=127.0.0.1\n");
  Start(Settings());
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().count('\n') >= 8; }));
  radio_.SendText(MeterStatusText() + TransmitMeterStatusText());
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterList().Count() == 4; }));
  EXPECT_EQ(link_->CurrentTransmit().Offered, (std::array<bool, 4>{true, true, false, false}));
  const auto stream = [&](std::int16_t fwdpwr, std::int16_t swr) {
    radio_.SendDatagram(link_->MeterListenerPort(),
                        testing::MeterDatagram({{24, -9344}, {19, fwdpwr}, {21, swr}}));
  };

  // Receiving: the radio's -250 dBm and SWR 1.0 give no reading.
  stream(-32000, 128);
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == 1; }));
  EXPECT_EQ(link_->CurrentTransmit().Values, (std::array<std::optional<double>, 4>{}));

  // Another client keys the radio: 47 dBm and SWR 1.5 on the air.
  radio_.SendText(kTransmitting);
  ASSERT_TRUE(WaitUntil([&] { return link_->CurrentTransmit().Transmitting; }));
  stream(47 * 128, 192);
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == 2; }));
  EXPECT_EQ(link_->CurrentTransmit().Values,
            (std::array<std::optional<double>, 4>{std::pow(10.0, 1.7), 1.5, {}, {}}));

  radio_.SendText("S0|interlock state=UNKEY_REQUESTED reason= source=SW\n");
  ASSERT_TRUE(WaitUntil([&] { return !link_->CurrentTransmit().Transmitting; }));
  EXPECT_EQ(link_->CurrentTransmit().Values, (std::array<std::optional<double>, 4>{}));

  // A closed channel can no longer say the radio is on the air.
  radio_.SendText(kTransmitting);
  ASSERT_TRUE(WaitUntil([&] { return link_->CurrentTransmit().Transmitting; }));
  link_->Stop();
  EXPECT_FALSE(link_->CurrentTransmit().Transmitting);
}

// A steady signal must let the window's tick sleep: only a level that changed or comes
// after a stale stretch is told, and transmit meters only on the air.
TEST_F(RadioLinkTest, TellsALevelOnlyWhenItChangedOrWasStale) {
  UseConfig("[Network]\nFlexIP=127.0.0.1\n");
  Start(Settings());
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().count('\n') >= 8; }));
  radio_.SendText(MeterStatusText() + TransmitMeterStatusText());
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterList().Count() == 4; }));
  int told = 0;
  link_->OnChange([&] { ++told; });
  const struct {
    const char* what;
    std::chrono::milliseconds after;
    std::vector<std::pair<std::uint16_t, std::int16_t>> pairs;
    bool told;
  } steps[] = {
      {"the first level", 0ms, {{24, -9344}}, true},
      {"the same level", 100ms, {{24, -9344}, {4, 3533}}, false},
      {"another level", 100ms, {{24, -9000}}, true},
      {"the same level, fresh to its last millisecond", 1000ms, {{24, -9000}}, false},
      {"the same level after a stale millisecond", 1001ms, {{24, -9000}}, true},
      {"transmit meters while receiving", 0ms, {{19, 47 * 128}, {21, 192}}, false},
      {"the same level and an unknown meter", 0ms, {{24, -9000}, {99, 5}}, false},
  };
  std::uint64_t sent = 0;
  for (const auto& step : steps) {
    clock_.Advance(step.after);
    const int before = told;
    radio_.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram(step.pairs));
    ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == sent + 1; }));
    ++sent;
    EXPECT_EQ(told - before, step.told ? 1 : 0) << step.what;
  }
  radio_.SendText(kTransmitting);
  ASSERT_TRUE(WaitUntil([&] { return link_->CurrentTransmit().Transmitting; }));
  const int keyed = told;
  radio_.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{19, 47 * 128}}));
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterDatagramsReceived() == sent + 1; }));
  EXPECT_EQ(told - keyed, 1) << "the same transmit value on the air";
}

TEST_F(RadioLinkTest, ChosenSliceIsFollowedWhileItIsOpen) {
  UseConfig("[Network]\nFlexIP=127.0.0.1\n[Meter]\nSlice=1\n");
  Start(Settings());
  ASSERT_TRUE(WaitUntil([&] { return radio_.Received().count('\n') >= 8; }));
  const auto describe = [&](const char* id, const char* slice) {
    radio_.SendText(QByteArray("S") + kHandle + "|meter " + id + ".src=SLC#" + id +
                    ".num=" + slice + "#" + id + ".nam=LEVEL#" + id + ".unit=dBm#\n");
  };
  describe("24", "0");
  describe("30", "1");
  ASSERT_TRUE(WaitUntil([&] { return link_->MeterList().Count() == 2; }));
  radio_.SendDatagram(link_->MeterListenerPort(),
                      testing::MeterDatagram({{24, -9344}, {30, -12800}}));
  ASSERT_TRUE(WaitUntil([&] { return link_->Status().State == LinkState::Receiving; }));
  EXPECT_EQ(link_->CurrentLevel().Meter.Value, -100.0);

  radio_.SendText(QByteArray("S") + kHandle + "|meter 30 removed\n");
  ASSERT_TRUE(WaitUntil([&] { return link_->Status().State == LinkState::SliceNotOpen; }));
  EXPECT_EQ(link_->Status().Slice, 1);
  EXPECT_EQ(link_->CurrentLevel().Meter.Name, "");

  describe("31", "1");
  radio_.SendDatagram(link_->MeterListenerPort(), testing::MeterDatagram({{31, -11520}}));
  ASSERT_TRUE(WaitUntil([&] { return link_->Status().State == LinkState::Receiving; }));
  EXPECT_EQ(link_->CurrentLevel().Meter.Value, -90.0);
}

TEST_F(RadioLinkTest, OccupiedDiscoveryPortIsReported) {
  QUdpSocket holder;
  ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0));  // exclusive: no address sharing
  UseConfig("[Logging]\nEnableLogging=1\n");
  RadioLinkSettings s = Settings();
  s.DiscoveryPort = holder.localPort();
  TFlexRadioLib link(s);
  EXPECT_THROW(link.AutoDiscoverAndConnect(5993, 4992), std::runtime_error);
  EXPECT_FALSE(link.DiscoveryListening());
  EXPECT_EQ(CountLog("TFlexRadioLib.AutoDiscoverAndConnect: Failed to activate UDP Server."), 1);
}

// The radio streams its meters straight to us: a proxy named for the program (here one
// nobody answers at) is not used for the radio's sockets.
TEST_F(RadioLinkTest, TheRadioIsReachedDirectlyWhateverProxyIsSet) {
  struct NamedProxy {
    NamedProxy() {
      QNetworkProxy::setApplicationProxy(
          QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), 9));
    }
    ~NamedProxy() { QNetworkProxy::setApplicationProxy(QNetworkProxy()); }
  } proxy;
  UseConfig("[Network]\nReconnect=0\n");
  Start(Settings());
  Discover();
  EXPECT_TRUE(WaitUntil([&] { return link_->CommandChannelConnected(); }));
  EXPECT_TRUE(WaitUntil([&] { return link_->MeterListening(); }));
}

}  // namespace
}  // namespace quendal
