// The rigctld reply path. Hamlib's NET rigctl backend (model 2) parses a
// rigctld's replies itself, so the target plays rigctld on loopback and runs the
// real worker against it: the open, with its dump_state, and a few polls.
//
// Input: the replies, separated by NUL bytes; each answers one command line, and
// the fake rigctld hangs up when they run out or Hamlib asks nothing more for a
// while. Whatever arrives, the worker must report readings on the meter's scale
// (transmit readings only while transmitting, and only those the rig offers) or a
// lost rig, never crash or hang.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hamlib/HamlibLibrary.h"
#include "hamlib/HamlibWorker.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

constexpr int kQuietMs = 100;  // Hamlib waiting on a reply cut short: hang up
constexpr std::size_t kMaxLine = 4096;

int ListeningSocket(std::uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 4) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    fuzz::Fail("no loopback socket for the fake rigctld");
  port = ntohs(address.sin_port);
  return fd;
}

bool Readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) == 1;
}

// Answers each command line with the next reply, then hangs up.
void ServeOneClient(int listener, std::vector<std::string_view> replies) {
  if (!Readable(listener, 2000)) return;
  const int client = accept(listener, nullptr, nullptr);
  if (client < 0) return;
  std::size_t next = 0;
  std::string line;
  while (next < replies.size() && Readable(client, kQuietMs)) {
    char c = 0;
    if (recv(client, &c, 1, 0) != 1) break;
    if (c != '\n') {
      if (line.size() < kMaxLine) line += c;
      continue;
    }
    line.clear();
    const std::string_view reply = replies[next++];
    if (!reply.empty() && send(client, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) break;
  }
  close(client);
}

std::vector<std::string_view> Split(std::string_view input) {
  std::vector<std::string_view> parts;
  while (true) {
    const std::size_t nul = input.find('\0');
    parts.push_back(input.substr(0, nul));
    if (nul == std::string_view::npos) return parts;
    input.remove_prefix(nul + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::uint16_t port = 0;
  static const int listener = [] {
    Hamlib().rig_set_debug(RIG_DEBUG_NONE);
    return ListeningSocket(port);
  }();

  std::thread rigctld(ServeOneClient, listener, Split(fuzz::AsText(data, size)));

  HamlibConfig config;
  config.Model = HamlibConfig::kNetRigctl;
  config.Device = "127.0.0.1:" + std::to_string(port);
  HamlibWorker worker(config);
  bool opened = false;
  bool lost = false;
  QObject::connect(&worker, &HamlibWorker::Opened, [&] { opened = true; });
  QObject::connect(&worker, &HamlibWorker::Lost, [&](const QString&, int retry) {
    if (retry < 1 || retry > 30) fuzz::Fail("a retry pause off the backoff");
    lost = true;
  });
  QObject::connect(&worker, &HamlibWorker::Reading, [&](double dbm, qint64 hz) {
    if (!opened || lost) fuzz::Fail("a reading from a rig that is not open");
    if (!std::isfinite(dbm)) fuzz::Fail("a level that is no number");
    if (hz < 0) fuzz::Fail("a negative frequency");
  });

  QObject::connect(&worker, &HamlibWorker::Transmit, [&](const TransmitStatus& status) {
    if (!opened || lost) fuzz::Fail("a transmitter of a rig that is not open");
    for (const TransmitReading reading : kTransmitReadings) {
      const std::optional<double> value = status.Value(reading);
      if (!value) continue;
      if (!status.Transmitting) fuzz::Fail("a transmit reading while receiving");
      if (!status.Offers(reading)) fuzz::Fail("a reading the rig does not offer");
      if (!std::isfinite(*value)) fuzz::Fail("a transmit reading that is no number");
    }
    const std::optional<double> swr = status.Value(TransmitReading::Swr);
    if (swr && *swr < 1) fuzz::Fail("an SWR below 1");
    const std::optional<double> power = status.Value(TransmitReading::Power);
    if (power && *power < 0) fuzz::Fail("a negative power");
  });

  worker.Open();
  for (int i = 0; i < 3 && opened && !lost; ++i) worker.Poll();
  if (!opened && !lost) fuzz::Fail("an open that neither opened nor failed");
  worker.End();
  rigctld.join();
  return 0;
}
