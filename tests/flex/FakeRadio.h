#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quendal::testing {

// Runs the event loop until `done` holds or `timeout_ms` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 3000);
// Runs the event loop for a while.
void Pump(int ms);
// A QCoreApplication for the whole test program.
void EnsureApplication();

// A VITA-49 datagram as the radio frames it: 28-byte header, then the payload
// padded to whole 32-bit words.
QByteArray VitaDatagram(std::uint8_t class_word_low_byte_hi, std::uint8_t class_word_low_byte_lo,
                        std::uint32_t stream_id, const QByteArray& payload);
QByteArray DiscoveryDatagram(const std::string& payload_text);
QByteArray MeterDatagram(const std::vector<std::pair<std::uint16_t, std::int16_t>>& pairs);

// A radio on loopback: a command port on a free port that records every byte
// it receives, and a UDP sender for discovery and meter datagrams.
class FakeRadio : public QObject {
 public:
  FakeRadio();
  quint16 CommandPort() const { return port_; }
  int Connections() const { return connections_; }
  bool ClientConnected() const;
  // What the current client sent since it connected.
  const QByteArray& Received() const { return received_; }
  // The next `count` connections are accepted and reset at once.
  void ResetNextConnections(int count) { resets_left_ = count; }
  // Closes the command port (connections are refused) or opens it again, same port.
  void StopListening();
  void ListenAgain();

  void SendText(const QByteArray& text);
  // One write per piece, each flushed, so the link sees many small chunks.
  void SendTextInPieces(const QByteArray& text, int piece_bytes);
  void CloseClient();
  void SendDatagram(quint16 port, const QByteArray& datagram);

 private:
  QTcpServer server_;
  QTcpSocket* client_ = nullptr;
  QUdpSocket udp_;
  QByteArray received_;
  int connections_ = 0;
  int resets_left_ = 0;
  quint16 port_ = 0;
};

}  // namespace quendal::testing
