#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QTcpServer>
#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>

#include "flex/FlexRadioLib_v3_1.h"
#include "tests/flex/FakeRadio.h"
#include "tests/support/FakeClock.h"

namespace quendal {
namespace {

using namespace std::chrono_literals;
using testing::WaitUntil;

quint16 FreeTcpPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

class RadioSimTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (sim_.state() != QProcess::NotRunning) {
      sim_.kill();
      sim_.waitForFinished(3000);
    }
  }
  void StartSim(const QStringList& arguments) {
    sim_.setProgram(QStringLiteral(QUENDAL_RADIOSIM_PATH));
    sim_.setArguments(arguments);
    sim_.setProcessChannelMode(QProcess::SeparateChannels);
    sim_.start();
    ASSERT_TRUE(sim_.waitForStarted(5000));
  }
  QByteArray SimOutput() {
    output_ += sim_.readAllStandardOutput();
    return output_;
  }

  QProcess sim_;
  QByteArray output_;
  testing::FakeClock clock_;
};

TEST_F(RadioSimTest, TheLinkRunsAgainstTheSimulator) {
  RadioLinkSettings settings;
  settings.DiscoveryPort = 0;
  settings.CommandPort = FreeTcpPort();
  settings.clock = clock_;
  settings.WatchdogInterval = 10ms;
  TFlexRadioLib link(settings);
  link.AutoDiscoverAndConnect(5993, 4992);

  StartSim({"--command-port", QString::number(settings.CommandPort), "--discovery-port",
            QString::number(link.DiscoveryListenerPort()), "--level", "steady:-73", "--chunk-bytes",
            "7", "--silence-after", "0.5"});

  ASSERT_TRUE(WaitUntil([&] { return link.CommandChannelConnected(); }, 5000))
      << SimOutput().toStdString() << sim_.readAllStandardError().toStdString();
  ASSERT_TRUE(WaitUntil([&] { return link.GetMeterByName("LEVEL").Value == -73.0; }, 5000));
  EXPECT_EQ(link.CurrentFreq(), 14074000);
  // A datagram read before the list keeps its value in an entry without an ID.
  const std::vector<TMeter> meters = link.MeterList().Items();
  EXPECT_EQ(
      std::count_if(meters.begin(), meters.end(), [](const TMeter& m) { return !m.ID.empty(); }),
      26);
  EXPECT_EQ(link.GetMeterById("24").Name, "LEVEL");
  EXPECT_EQ(link.GetMeterByName("+13.8A").UnitStr, "Volts");
  EXPECT_EQ(link.GetMeterByName("FWDPWR").Value, -32000.0 / 128.0);

  // The stream stops; once the silence passes 5 s on the link's clock it
  // re-subscribes, and the simulator streams again.
  ASSERT_TRUE(WaitUntil([&] { return SimOutput().contains("# meter stream silenced"); }, 5000));
  const auto datagrams = link.MeterDatagramsReceived();
  clock_.Advance(5001ms);
  ASSERT_TRUE(WaitUntil([&] { return link.MeterDatagramsReceived() > datagrams + 2; }, 5000));

  // What the radio received, line by line, as the simulator printed it.
  std::vector<std::string> received;
  for (const QByteArray& line : SimOutput().split('\n'))
    if (line.startsWith("< ")) received.push_back(line.toStdString());
  const std::string port = std::to_string(link.MeterListenerPort());
  const std::vector<std::string> expected = {"< C1|client udpport " + port + "\\r",
                                             "< ",
                                             "< C2|meter list\\r",
                                             "< ",
                                             "< C3|sub meter all\\r",
                                             "< ",
                                             "< C4|sub tx all\\r",
                                             "< ",
                                             "< C5|sub meter all\\r"};
  ASSERT_GE(received.size(), expected.size()) << SimOutput().toStdString();
  EXPECT_EQ(std::vector<std::string>(received.begin(), received.begin() + 9), expected);
}

TEST_F(RadioSimTest, TheLinkFollowsTheSimulatedTransmitter) {
  RadioLinkSettings settings;
  settings.DiscoveryPort = 0;
  settings.CommandPort = FreeTcpPort();
  settings.clock = clock_;
  TFlexRadioLib link(settings);
  link.AutoDiscoverAndConnect(5993, 4992);
  StartSim({"--command-port", QString::number(settings.CommandPort), "--discovery-port",
            QString::number(link.DiscoveryListenerPort()), "--transmit", "0.5:0.5", "--tx-power",
            "100", "--swr", "2", "--alc", "-5", "--compression", "10"});

  using Values = std::array<std::optional<double>, 4>;
  ASSERT_TRUE(WaitUntil([&] { return link.CurrentTransmit().Values[0].has_value(); }, 5000))
      << SimOutput().toStdString();
  const TransmitStatus on_air = link.CurrentTransmit();
  EXPECT_TRUE(on_air.Transmitting);
  EXPECT_EQ(on_air.Offered, (std::array<bool, 4>{true, true, true, true}));
  ASSERT_TRUE(WaitUntil([&] {
    return link.CurrentTransmit().Values == Values{100.0, 2.0, -5.0, 10.0};
  })) << link.CurrentTransmit().Values[1].value_or(0);
  ASSERT_TRUE(WaitUntil([&] { return !link.CurrentTransmit().Transmitting; }, 5000));
  EXPECT_EQ(link.CurrentTransmit().Values, Values{});

  // The interlock as the simulator walked it, once round.
  ASSERT_TRUE(WaitUntil([&] { return SimOutput().contains("# interlock READY"); }));
  std::vector<std::string> walk;
  for (const QByteArray& line : SimOutput().split('\n'))
    if (line.startsWith("# interlock ") && walk.size() < 4)
      walk.push_back(line.mid(12).toStdString());
  EXPECT_EQ(walk, (std::vector<std::string>{"PTT_REQUESTED", "TRANSMITTING", "UNKEY_REQUESTED",
                                            "READY"}));
}

TEST_F(RadioSimTest, RejectsBadOptions) {
  const QStringList bad[] = {
      {"--level", "loud"},   {"--command-port", "70000"}, {"--chunk-bytes", "0"}, {"--rate", "-1"},
      {"--transmit", "5"},   {"--tx-power", "0"},         {"--swr", "0.9"},       {"--alc", "21"},
      {"--compression", "x"}};
  for (const QStringList& arguments : bad) {
    QProcess sim;
    sim.start(QStringLiteral(QUENDAL_RADIOSIM_PATH), arguments);
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(sim.readAllStandardError().startsWith("quendal-radiosim: "));
  }
}

}  // namespace
}  // namespace quendal
