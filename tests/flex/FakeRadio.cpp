#include "tests/flex/FakeRadio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QThread>

namespace quendal::testing {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "radio_test";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::usleep(200);
  }
  return true;
}

void Pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::usleep(200);
  }
}

namespace {
void AppendWord(QByteArray& out, std::uint32_t word) {
  out += static_cast<char>(word >> 24);
  out += static_cast<char>(word >> 16);
  out += static_cast<char>(word >> 8);
  out += static_cast<char>(word);
}
}  // namespace

QByteArray VitaDatagram(std::uint8_t class_hi, std::uint8_t class_lo, std::uint32_t stream_id,
                        const QByteArray& payload) {
  QByteArray padded = payload;
  while (padded.size() % 4 != 0) padded += '\0';
  const auto words = static_cast<std::uint32_t>(7 + padded.size() / 4);
  QByteArray out;
  AppendWord(out, 0x38500000u | words);
  AppendWord(out, stream_id);
  AppendWord(out, 0x00001C2Du);
  AppendWord(out, 0x534C0000u | (std::uint32_t{class_hi} << 8) | class_lo);
  AppendWord(out, 1765213509u);
  AppendWord(out, 0);
  AppendWord(out, 0);
  return out + padded;
}

QByteArray DiscoveryDatagram(const std::string& payload_text) {
  return VitaDatagram(0xFF, 0xFF, 0x00000800u, QByteArray::fromStdString(payload_text));
}

QByteArray MeterDatagram(const std::vector<std::pair<std::uint16_t, std::int16_t>>& pairs) {
  QByteArray payload;
  for (const auto& [id, raw] : pairs) {
    payload += static_cast<char>(id >> 8);
    payload += static_cast<char>(id & 0xFF);
    const auto value = static_cast<std::uint16_t>(raw);
    payload += static_cast<char>(value >> 8);
    payload += static_cast<char>(value & 0xFF);
  }
  return VitaDatagram(0x80, 0x02, 0x00000700u, payload);
}

FakeRadio::FakeRadio() {
  // A radio on the LAN: it talks directly, whatever proxy a test names for the program.
  server_.setProxy(QNetworkProxy::NoProxy);
  udp_.setProxy(QNetworkProxy::NoProxy);
  server_.listen(QHostAddress::LocalHost, 0);
  port_ = server_.serverPort();
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      ++connections_;
      if (ClientConnected() || resets_left_ > 0) {
        if (!ClientConnected()) --resets_left_;
        socket->abort();
        socket->deleteLater();
        continue;
      }
      if (client_ != nullptr) client_->deleteLater();
      received_.clear();
      client_ = socket;
      client_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
      connect(client_, &QTcpSocket::readyRead, this, [this] { received_ += client_->readAll(); });
    }
  });
}

bool FakeRadio::ClientConnected() const {
  return client_ != nullptr && client_->state() == QAbstractSocket::ConnectedState;
}

void FakeRadio::SendText(const QByteArray& text) {
  client_->write(text);
  client_->flush();
}

void FakeRadio::SendTextInPieces(const QByteArray& text, int piece_bytes) {
  for (qsizetype i = 0; i < text.size(); i += piece_bytes) {
    client_->write(text.mid(i, piece_bytes));
    client_->flush();
    Pump(0);
  }
}

void FakeRadio::CloseClient() { client_->disconnectFromHost(); }

void FakeRadio::StopListening() { server_.close(); }

void FakeRadio::ListenAgain() { server_.listen(QHostAddress::LocalHost, port_); }

void FakeRadio::SendDatagram(quint16 port, const QByteArray& datagram) {
  udp_.writeDatagram(datagram, QHostAddress::LocalHost, port);
}

}  // namespace quendal::testing
