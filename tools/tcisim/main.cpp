// quendal-tcisim: a TCI server as far as the meter can see, so the meter can be
// run and tested without a TCI radio or console.
#include <QCommandLineParser>
#include <QCoreApplication>

#include "tools/SimulatorOptions.h"
#include "tools/tcisim/TciSimulator.h"

using quendal::simulator::Fail;
using quendal::tcisim::SimOptions;
using quendal::tcisim::TciSimulator;

namespace {

// Larger numbers are typing mistakes, not plans for a test run.
constexpr double kLargestNumber = 1e6;

double NumberValue(const QCommandLineParser& parser, const QString& name, double minimum) {
  return quendal::simulator::NumberValue(parser, name, minimum, kLargestNumber);
}

// "<on s>:<off s>", each at least a tenth of a second.
void ParseTransmit(const QString& text, SimOptions& options) {
  const QStringList parts = text.split(QLatin1Char(':'));
  bool on_ok = false;
  bool off_ok = false;
  if (parts.size() == 2) {
    options.transmit_on_s = parts[0].toDouble(&on_ok);
    options.transmit_off_s = parts[1].toDouble(&off_ok);
  }
  const auto usable = [](bool ok, double s) { return ok && s >= 0.1 && s <= kLargestNumber; };
  if (!usable(on_ok, options.transmit_on_s) || !usable(off_ok, options.transmit_off_s))
    Fail("--transmit needs <on s>:<off s>, each 0.1 or more, not " + text);
}

SimOptions ParseOptions(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A TCI server: start-up sequence, pushed and polled S-meter readings, and a transmitter\n"
      "that keys and unkeys.\n"
      "Every text frame received is printed as '< text'; notes start with '# '.");
  parser.addHelpOption();
  parser.addOptions({
      {"listen", "Address to listen on (default 127.0.0.1).", "addr", "127.0.0.1"},
      {"port", "TCP port; 0 picks a free one (default 50001).", "port", "50001"},
      {"version", "Protocol version announced (default 1.9; 1.9 and later offer channel sensors).",
       "v", "1.9"},
      {"trx", "Number of receivers (default 2).", "n", "2"},
      {"push-ms", "Push every receiver's S-meter every N ms; 0 answers queries only (default 200).",
       "N", "200"},
      {"level",
       "Receiver 0 channel 0, from the first client on: sweep (default), steady:<dBm> or "
       "steps:<dBm>,<dBm>,...",
       "plan", "sweep"},
      {"hold", "Seconds each step of --level steps lasts (default 2).", "S", "2"},
      {"transmit",
       "From the first client on, receive for OFF seconds, then key receiver 0's transmitter "
       "for ON seconds, over and over; sends trx, and tx_sensors (or tx_power and tx_swr to a "
       "client that did not ask for sensors) while keyed.",
       "ON:OFF"},
      {"tx-power", "Output power while keyed, in watts (default 50).", "W", "50"},
      {"swr", "SWR while keyed (default 1.5).", "ratio", "1.5"},
      {"alc", "Accepted like radiosim's, but TCI has no channel for ALC: nothing is sent for it.",
       "dB", "0"},
      {"compression",
       "Accepted like radiosim's, but TCI has no channel for compression: nothing is sent for it.",
       "dB", "0"},
      {"upper-case", "Send everything in upper case."},
      {"silent", "Accept connections, then never send anything."},
      {"garbage", "Send bad commands beside the good ones in every push."},
      {"huge-frame", "One second after the start-up sequence, send a 2 MiB frame."},
      {"drop-after", "Close each connection S seconds after it opened.", "S"},
      {"restart-after", "Stop listening S seconds after the start, closing every connection.", "S"},
      {"down", "How long a restart stays down (default 3).", "S", "3"},
  });
  parser.process(app);

  SimOptions options;
  if (!options.listen.setAddress(parser.value("listen")))
    Fail("--listen needs an IP address, not " + parser.value("listen"));
  const double port = NumberValue(parser, "port", 0);
  if (port > 65535 || port != static_cast<int>(port)) Fail("--port needs a port number");
  options.port = static_cast<quint16>(port);
  bool ok = false;
  parser.value("version").toDouble(&ok);
  if (!ok) Fail("--version needs a number such as 1.9, not " + parser.value("version"));
  options.version = parser.value("version");
  options.trx_count = static_cast<int>(NumberValue(parser, "trx", 1));
  if (options.trx_count > 16) Fail("--trx is at most 16");
  options.push_ms = static_cast<int>(NumberValue(parser, "push-ms", 0));
  if (!options.level.Parse(parser.value("level").toStdString()))
    Fail("--level must be sweep, steady:<dBm> or steps:<dBm>,..., not " + parser.value("level"));
  options.level.hold_s = NumberValue(parser, "hold", 0.1);
  if (parser.isSet("transmit")) ParseTransmit(parser.value("transmit"), options);
  options.tx_power_w = NumberValue(parser, "tx-power", 0);
  options.swr = NumberValue(parser, "swr", 1);
  quendal::simulator::NumberValue(parser, "alc", -kLargestNumber, kLargestNumber);
  quendal::simulator::NumberValue(parser, "compression", 0, kLargestNumber);
  options.upper_case = parser.isSet("upper-case");
  options.silent = parser.isSet("silent");
  options.garbage = parser.isSet("garbage");
  options.huge_frame = parser.isSet("huge-frame");
  if (parser.isSet("drop-after")) options.drop_after_s = NumberValue(parser, "drop-after", 0);
  if (parser.isSet("restart-after"))
    options.restart_after_s = NumberValue(parser, "restart-after", 0);
  options.down_s = NumberValue(parser, "down", 0);
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("quendal-tcisim");
  TciSimulator simulator(ParseOptions(app));
  if (!simulator.Start()) return 1;
  return QCoreApplication::exec();
}
