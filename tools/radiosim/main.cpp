// quendal-radiosim: behaves like a FlexRadio on the network, as far as the
// meter program can see, so it can be run and tested without a radio.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <optional>

#include "tools/SimulatorOptions.h"
#include "tools/radiosim/RadioSimulator.h"

using quendal::radiosim::RadioSimulator;
using quendal::radiosim::SimOptions;
using quendal::simulator::Fail;
using quendal::simulator::NumberValue;

namespace {

quint16 PortValue(const QCommandLineParser& parser, const QString& name) {
  bool ok = false;
  const uint port = parser.value(name).toUInt(&ok);
  if (!ok || port > 65535) Fail("--" + name + " needs a port number, not " + parser.value(name));
  return static_cast<quint16>(port);
}

int CountValue(const QCommandLineParser& parser, const QString& name, int minimum) {
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < minimum || value > 1000000)
    Fail("--" + name + " needs a whole number from " + QString::number(minimum) + ", not " +
         parser.value(name));
  return value;
}

// One word of discovery text: no blanks, no "=", plain ASCII.
std::string WordValue(const QCommandLineParser& parser, const QString& name) {
  const QString value = parser.value(name);
  static const QRegularExpression kWord(QStringLiteral("^[!-<>-~]{1,64}$"));
  if (!kWord.match(value).hasMatch())
    Fail("--" + name + " needs one word of printable ASCII without '=', not " + value);
  return value.toStdString();
}

SimOptions ParseOptions(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A FlexRadio simulator: discovery broadcasts, the command port and a meter stream.\n"
      "Every line received on the command port is printed as '< line' with non-printable "
      "bytes escaped; notes start with '# '.");
  parser.addHelpOption();
  parser.addOptions({
      {"listen", "Address of the command port (default 127.0.0.1).", "addr", "127.0.0.1"},
      {"command-port", "TCP command port; 0 picks a free one (default 4992).", "port", "4992"},
      {"discovery-port", "UDP port discovery datagrams go to (default 4992).", "port", "4992"},
      {"ip", "Address advertised in discovery (default: the listen address).", "addr"},
      {"broadcast", "Send discovery to 255.255.255.255 instead of 127.0.0.1."},
      {"no-discovery", "Send no discovery datagrams."},
      {"level",
       "LEVEL meter: qsb (default), sweep, steady:<dBm>, or drop:<dBm>:<dBm>:<seconds> (the first "
       "level, then the second).",
       "mode", "qsb"},
      {"silence-after",
       "Stop the meter stream S seconds after it starts (a new 'sub meter "
       "all' starts it again).",
       "S"},
      {"drop-after", "Close the command channel S seconds after the client connects.", "S"},
      {"chunk-bytes", "Write status text in pieces of N bytes.", "N"},
      {"rate", "Multiply every meter's rate by X (default 1).", "X", "1"},
      {"no-command", "Open no command port: a radio that only announces itself."},
      {"huge-status-line",
       "One second after 'sub meter all', send a 2 MiB status line before its line end."},
      {"discovery-burst", "Send N extra discovery datagrams within the first second.", "N"},
      {"garbage-rate",
       "Send N garbage datagrams a second to the client's meter port, beside the good stream.",
       "N"},
      {"garbage-seconds", "How long the garbage lasts (default 10).", "S", "10"},
      {"garbage-count", "End the garbage after N datagrams instead, however long they take.", "N"},
      {"garbage-after", "Start the garbage S seconds after the meter stream (default 0).", "S",
       "0"},
      {"start-after", "Stay silent S seconds (no discovery, port closed), then start.", "S"},
      {"restart-after",
       "S seconds after the first client connects, drop every socket and come back after "
       "--restart-pause with new meter IDs and a new handle, like a reboot.",
       "S"},
      {"restart-pause", "How long a restart keeps the radio away (default 3).", "S", "3"},
      {"freeze-after",
       "S seconds after the first client connects, stop answering and sending but keep the "
       "connection open; after --freeze-for come back as after a reboot.",
       "S"},
      {"freeze-for", "How long the radio stays frozen (default 20).", "S", "20"},
      {"refuse-first", "Accept and reset the first N connections.", "N"},
      {"slices", "Open N slices, each with its own LEVEL meter, 24 dB apart (default 1).", "N",
       "1"},
      {"transmit",
       "Key and unkey in a loop: receive for OFF seconds, transmit for ON seconds, and again "
       "(from the first client on).",
       "ON:OFF"},
      {"tx-power", "Forward power while transmitting, in watts (default 50).", "W", "50"},
      {"swr", "SWR while transmitting (default 1.5).", "ratio", "1.5"},
      {"alc", "ALC meter while transmitting, in dB (default -3).", "dB", "-3"},
      {"compression", "Compression (COMPPEAK) while transmitting, in dB (default 6).", "dB", "6"},
      {"serial", "The serial number announced in discovery.", "text"},
      {"nickname", "The radio's nickname, in discovery and status.", "text"},
  });
  parser.process(app);

  SimOptions options;
  if (!options.listen.setAddress(parser.value("listen")))
    Fail("--listen needs an IP address, not " + parser.value("listen"));
  options.command_port = PortValue(parser, "command-port");
  options.discovery_port = PortValue(parser, "discovery-port");
  if (options.discovery_port == 0) Fail("--discovery-port cannot be 0");
  if (parser.isSet("ip")) {
    QHostAddress advertised;
    if (!advertised.setAddress(parser.value("ip")))
      Fail("--ip needs an IP address, not " + parser.value("ip"));
    options.advertised_ip = advertised.toString();
  }
  options.broadcast = parser.isSet("broadcast");
  options.discovery = !parser.isSet("no-discovery");
  if (!options.level.Parse(parser.value("level").toStdString()))
    Fail("--level must be qsb, sweep, steady:<dBm> or drop:<dBm>:<dBm>:<seconds>, not " +
         parser.value("level"));
  if (parser.isSet("silence-after"))
    options.silence_after_s = NumberValue(parser, "silence-after", 0.0);
  if (parser.isSet("drop-after")) options.drop_after_s = NumberValue(parser, "drop-after", 0.0);
  if (parser.isSet("chunk-bytes")) {
    bool ok = false;
    options.chunk_bytes = parser.value("chunk-bytes").toInt(&ok);
    if (!ok || options.chunk_bytes < 1)
      Fail("--chunk-bytes needs a positive number, not " + parser.value("chunk-bytes"));
  }
  options.rate = NumberValue(parser, "rate", 0.001);
  if (options.rate > 10000) Fail("--rate is at most 10000");
  options.command = !parser.isSet("no-command");
  options.huge_status_line = parser.isSet("huge-status-line");
  if (parser.isSet("discovery-burst")) {
    bool ok = false;
    options.discovery_burst = parser.value("discovery-burst").toInt(&ok);
    if (!ok || options.discovery_burst < 1 || options.discovery_burst > 1000000)
      Fail("--discovery-burst needs a number from 1 to 1000000, not " +
           parser.value("discovery-burst"));
  }
  if (parser.isSet("garbage-rate")) {
    options.garbage_rate = NumberValue(parser, "garbage-rate", 1.0);
    if (options.garbage_rate > 1e6) Fail("--garbage-rate is at most 1000000");
  }
  options.garbage_seconds = NumberValue(parser, "garbage-seconds", 0.0);
  if (parser.isSet("garbage-count"))
    options.garbage_count = static_cast<long long>(NumberValue(parser, "garbage-count", 1.0, 1e12));
  options.garbage_after_s = NumberValue(parser, "garbage-after", 0.0);
  if (parser.isSet("start-after")) options.start_after_s = NumberValue(parser, "start-after", 0.0);
  if (parser.isSet("restart-after"))
    options.restart_after_s = NumberValue(parser, "restart-after", 0.0);
  options.restart_pause_s = NumberValue(parser, "restart-pause", 0.0);
  if (parser.isSet("freeze-after"))
    options.freeze_after_s = NumberValue(parser, "freeze-after", 0.0);
  options.freeze_for_s = NumberValue(parser, "freeze-for", 0.0);
  if (parser.isSet("refuse-first")) options.refuse_first = CountValue(parser, "refuse-first", 0);
  options.slices = CountValue(parser, "slices", 1);
  if (options.slices > 8) Fail("--slices is at most 8");
  if (parser.isSet("transmit") &&
      !options.transmit.ParseCycle(parser.value("transmit").toStdString()))
    Fail("--transmit needs <on s>:<off s>, both above 0, not " + parser.value("transmit"));
  // Within what the meters can carry: FWDPWR and SWR up to 255, ALC and COMPPEAK -150 to 20.
  options.transmit.power_w = NumberValue(parser, "tx-power", 0.001, 10000.0);
  options.transmit.swr = NumberValue(parser, "swr", 1.0, 255.0);
  options.transmit.alc_db = NumberValue(parser, "alc", -150.0, 20.0);
  options.transmit.compression_db = NumberValue(parser, "compression", -150.0, 20.0);
  if (parser.isSet("serial")) options.serial = WordValue(parser, "serial");
  if (parser.isSet("nickname")) options.nickname = WordValue(parser, "nickname");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("quendal-radiosim");
  RadioSimulator simulator(ParseOptions(app));
  if (!simulator.Start()) return 1;
  return QCoreApplication::exec();
}
