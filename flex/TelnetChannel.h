#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quendal {

// Removes telnet command sequences from received bytes and produces the answers
// to option negotiation: every option is refused except terminal type, which is
// "dumb". Keeps its state across chunks, since a sequence may be split.
class TelnetFilter {
 public:
  struct Result {
    std::string data;     // the data bytes (0xFF 0xFF gives one 0xFF)
    std::string replies;  // bytes to send back
  };
  Result Filter(std::string_view received);
  // True once any 0xFF byte has arrived.
  bool SeenCommandByte() const { return seen_command_byte_; }

 private:
  enum class State { Data, Command, Option, SubOption, SubOptionCommand };
  void AnswerOption(std::uint8_t verb, std::uint8_t option, std::string& replies);
  void AnswerSubOption(std::string& replies);

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::string sub_option_;
  bool seen_command_byte_ = false;
};

// Cuts received text into complete lines (ended by LF, a CR before it removed)
// and keeps the unfinished tail. A tail longer than the limit is dropped, and so
// is the rest of that line up to its LF, so memory stays bounded.
class LineAssembler {
 public:
  static constexpr std::size_t kMaxLineBytes = std::size_t{1024} * 1024;

  struct Result {
    std::vector<std::string> lines;
    std::size_t dropped_lines = 0;  // overlong lines given up in this chunk
  };
  explicit LineAssembler(std::size_t max_line_bytes = kMaxLineBytes)
      : max_line_bytes_(max_line_bytes) {}
  Result Feed(std::string_view text);
  std::size_t PendingBytes() const { return pending_.size(); }
  void Clear();

 private:
  std::size_t max_line_bytes_;
  std::string pending_;
  bool discarding_ = false;
};

// The command channel to the radio: a TCP connection with just enough telnet to
// talk to the radio's command port. Everything runs on the owner's event loop.
class TelnetChannel : public QObject {
  Q_OBJECT

 public:
  explicit TelnetChannel(QObject* parent = nullptr);
  ~TelnetChannel() override;

  // Starts one attempt; ends in Connected or ConnectFailed. Ignored while an
  // attempt is under way or the channel is connected.
  void ConnectToHost(const QString& host, quint16 port, int timeout_ms);
  bool Connecting() const { return connecting_; }
  bool Connected() const;
  // The radio's address and ours on the connection; null when not connected.
  QHostAddress PeerAddress() const;
  QHostAddress LocalAddress() const;
  // Closes the connection or the attempt; emits Disconnected when it was connected.
  void Disconnect();

  // Sends text in one write, so a command line reaches the radio whole. Until
  // the radio has sent a telnet command byte, each CR goes out as CR LF.
  // Non-ASCII characters become '?'. Returns false when nothing was written.
  bool Send(std::string_view text);

 signals:
  void ConnectedToHost();
  void ConnectFailed(const QString& message);
  // After a local Disconnect of a connected channel only.
  void Disconnected();
  // The radio closed or reset an established connection.
  void Closed(const QString& reason);
  // One chunk of data, telnet sequences removed; never empty.
  void DataAvailable(const QByteArray& chunk);

 private:
  void OnConnected();
  void OnError(QAbstractSocket::SocketError error);
  void OnReadyRead();
  void OnConnectTimeout();
  void OnSocketDisconnected();
  void FailAttempt(const QString& message);

  QTcpSocket* socket_;
  QTimer* connect_timer_;
  TelnetFilter filter_;
  bool connecting_ = false;
  bool established_ = false;  // connected, and not yet closed by either side
};

}  // namespace quendal
