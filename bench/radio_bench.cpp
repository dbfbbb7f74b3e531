// How fast the radio link takes in meter datagrams: 30 pairs each, on loopback,
// logging off. The sender runs on the same thread, so its cost is counted too.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>
#include <filesystem>
#include <memory>

#include "flex/FlexRadioLib_v3_1.h"

namespace {

using quendal::RadioLinkSettings;
using quendal::TFlexRadioLib;

constexpr int kPairs = 30;

void AppendWord(QByteArray& out, std::uint32_t word) {
  const std::uint32_t be = qToBigEndian(word);
  out.append(reinterpret_cast<const char*>(&be), 4);
}

QByteArray Vita(std::uint32_t stream, std::uint32_t class_word, QByteArray payload) {
  while (payload.size() % 4 != 0) payload += '\0';
  QByteArray out;
  AppendWord(out, 0x38500000u | static_cast<std::uint32_t>(7 + payload.size() / 4));
  AppendWord(out, stream);
  AppendWord(out, 0x00001C2Du);
  AppendWord(out, class_word);
  AppendWord(out, 0);
  AppendWord(out, 0);
  AppendWord(out, 0);
  return out + payload;
}

QByteArray MeterDatagram(int step) {
  QByteArray payload;
  for (int id = 1; id <= kPairs; ++id) {
    AppendWord(payload, (static_cast<std::uint32_t>(id) << 16) |
                            static_cast<std::uint16_t>(-9344 + ((step + id) % 256)));
  }
  return Vita(0x700, 0x534C8002u, payload);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A connected radio link that knows 30 dBm meters, and a socket that feeds it.
struct Rig {
  QTcpServer server;
  QTcpSocket* radio = nullptr;
  std::unique_ptr<TFlexRadioLib> link;
  QUdpSocket sender;
  std::vector<QByteArray> datagrams;

  Rig() {
    server.listen(QHostAddress::LocalHost, 0);
    RadioLinkSettings settings;
    settings.DiscoveryPort = 0;
    settings.CommandPort = server.serverPort();
    link = std::make_unique<TFlexRadioLib>(settings);
    link->AutoDiscoverAndConnect(5993, 4992);
    sender.writeDatagram(Vita(0x800, 0x534CFFFFu, "ip=127.0.0.1"), QHostAddress::LocalHost,
                         link->DiscoveryListenerPort());
    Pump([&] { return server.hasPendingConnections() || radio != nullptr; });
    radio = server.nextPendingConnection();
    QByteArray status;
    for (int id = 1; id <= kPairs; ++id) {
      const QByteArray n = QByteArray::number(id);
      status += "S2A3B4C5D|meter " + n + ".src=SLC#" + n + ".nam=M" + n + "#" + n +
                ".desc=Signal strength of signals in the filter passband#" + n + ".unit=dBm#\n";
    }
    Pump([&] { return link->MeterListening(); });
    radio->write(status);
    radio->flush();
    Pump([&] { return link->MeterList().Count() >= kPairs; });
    for (int i = 0; i < 256; ++i) datagrams.push_back(MeterDatagram(i));
  }

  template <typename Done>
  static bool Pump(Done done, int timeout_ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > timeout_ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
  }

  void Send(int count, std::uint64_t& sent) {
    for (int i = 0; i < count; ++i, ++sent)
      sender.writeDatagram(datagrams[sent % datagrams.size()], QHostAddress::LocalHost,
                           link->MeterListenerPort());
  }
};

Rig& TheRig() {
  static int argc = 1;
  static char name[] = "radio_bench";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static Rig rig;
  return rig;
}

// Throughput: batches of 200 datagrams, each batch taken in whole.
void BM_MeterDatagramIntake(benchmark::State& state) {
  Rig& rig = TheRig();
  std::uint64_t sent = 0;
  const std::uint64_t start = rig.link->MeterDatagramsReceived();
  for (auto _ : state) {
    rig.Send(200, sent);
    Rig::Pump([&] { return rig.link->MeterDatagramsReceived() - start >= sent; }, 1000);
  }
  const std::uint64_t received = rig.link->MeterDatagramsReceived() - start;
  state.SetItemsProcessed(static_cast<std::int64_t>(received));
  state.counters["lost"] = static_cast<double>(sent - received);
}
BENCHMARK(BM_MeterDatagramIntake)->Unit(benchmark::kMillisecond);

// The target load in real time: 20,000 datagrams a second for two seconds.
// "cpu_cores" is the process's CPU time over the wall time, sender included.
void BM_MeterStreamAt20000PerSecond(benchmark::State& state) {
  Rig& rig = TheRig();
  for (auto _ : state) {
    std::uint64_t sent = 0;
    const std::uint64_t start = rig.link->MeterDatagramsReceived();
    const double cpu_start = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A 1 ms timer sends what is due; in between the event loop sleeps as the program's would.
    QTimer pacer;
    pacer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pacer, &QTimer::timeout, [&] {
      const auto due = static_cast<std::uint64_t>(wall.nsecsElapsed() / 50000);  // one per 50 us
      if (due > sent) rig.Send(static_cast<int>(due - sent), sent);
    });
    pacer.start(1);
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    pacer.stop();
    Rig::Pump([&] { return rig.link->MeterDatagramsReceived() - start >= sent; }, 500);
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const std::uint64_t received = rig.link->MeterDatagramsReceived() - start;
    state.counters["sent_per_s"] = static_cast<double>(sent) / seconds;
    state.counters["received"] = static_cast<double>(received);
    state.counters["lost"] = static_cast<double>(sent - received);
    state.counters["cpu_cores"] = (CpuSeconds() - cpu_start) / seconds;
  }
}
BENCHMARK(BM_MeterStreamAt20000PerSecond)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
