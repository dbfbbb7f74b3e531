#include "flex/TelnetChannel.h"

#include <QNetworkProxy>

namespace quendal {

namespace {
constexpr std::uint8_t kIAC = 255;
constexpr std::uint8_t kDONT = 254;
constexpr std::uint8_t kDO = 253;
constexpr std::uint8_t kWONT = 252;
constexpr std::uint8_t kWILL = 251;
constexpr std::uint8_t kSB = 250;
constexpr std::uint8_t kSE = 240;
constexpr std::uint8_t kTerminalType = 24;
constexpr std::uint8_t kSend = 1;
constexpr std::uint8_t kIs = 0;
// A sub-negotiation longer than this is nonsense; the rest of it is ignored.
constexpr std::size_t kMaxSubOption = 256;

void AppendCommand(std::string& out, std::uint8_t verb, std::uint8_t option) {
  out += static_cast<char>(kIAC);
  out += static_cast<char>(verb);
  out += static_cast<char>(option);
}
}  // namespace

TelnetFilter::Result TelnetFilter::Filter(std::string_view received) {
  Result result;
  result.data.reserve(received.size());
  for (char ch : received) {
    const auto byte = static_cast<std::uint8_t>(ch);
    if (byte == kIAC) seen_command_byte_ = true;
    switch (state_) {
      case State::Data:
        if (byte == kIAC) {
          state_ = State::Command;
        } else {
          result.data += ch;
        }
        break;
      case State::Command:
        if (byte == kIAC) {
          result.data += ch;
          state_ = State::Data;
        } else if (byte >= kWILL && byte <= kDONT) {
          verb_ = byte;
          state_ = State::Option;
        } else if (byte == kSB) {
          sub_option_.clear();
          state_ = State::SubOption;
        } else {
          state_ = State::Data;  // NOP, GA, and the other two-byte commands
        }
        break;
      case State::Option:
        AnswerOption(verb_, byte, result.replies);
        state_ = State::Data;
        break;
      case State::SubOption:
        if (byte == kIAC) {
          state_ = State::SubOptionCommand;
        } else if (sub_option_.size() < kMaxSubOption) {
          sub_option_ += ch;
        }
        break;
      case State::SubOptionCommand:
        if (byte == kSE) {
          AnswerSubOption(result.replies);
          state_ = State::Data;
        } else {
          if (byte == kIAC && sub_option_.size() < kMaxSubOption) sub_option_ += ch;
          state_ = State::SubOption;
        }
        break;
    }
  }
  return result;
}

void TelnetFilter::AnswerOption(std::uint8_t verb, std::uint8_t option, std::string& replies) {
  if (verb == kDO) {
    AppendCommand(replies, option == kTerminalType ? kWILL : kWONT, option);
  } else if (verb == kWILL) {
    AppendCommand(replies, kDONT, option);
  }
  // WONT and DONT ask for what is already the case: no answer, so no loop.
}

void TelnetFilter::AnswerSubOption(std::string& replies) {
  if (sub_option_.size() >= 2 && static_cast<std::uint8_t>(sub_option_[0]) == kTerminalType &&
      static_cast<std::uint8_t>(sub_option_[1]) == kSend) {
    replies += static_cast<char>(kIAC);
    replies += static_cast<char>(kSB);
    replies += static_cast<char>(kTerminalType);
    replies += static_cast<char>(kIs);
    replies += "dumb";
    replies += static_cast<char>(kIAC);
    replies += static_cast<char>(kSE);
  }
}

LineAssembler::Result LineAssembler::Feed(std::string_view text) {
  Result result;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    const std::string_view piece = text.substr(0, lf);
    if (!discarding_) {
      pending_.append(piece);
      if (pending_.size() > max_line_bytes_) {
        pending_.clear();
        pending_.shrink_to_fit();
        discarding_ = true;
        ++result.dropped_lines;
      }
    }
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
    if (discarding_) {
      discarding_ = false;
      continue;
    }
    if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
    result.lines.push_back(std::move(pending_));
    pending_.clear();
  }
  return result;
}

void LineAssembler::Clear() {
  pending_.clear();
  discarding_ = false;
}

TelnetChannel::TelnetChannel(QObject* parent)
    : QObject(parent), socket_(new QTcpSocket(this)), connect_timer_(new QTimer(this)) {
  connect_timer_->setSingleShot(true);
  connect(connect_timer_, &QTimer::timeout, this, &TelnetChannel::OnConnectTimeout);
  // Bounded, so a flood from the radio is read in pieces rather than all at once.
  socket_->setReadBufferSize(qint64{256} * 1024);
  // The radio streams its meters straight to us, so it is reached directly: a proxy the
  // system names could not carry that, and asking for one loads the system's proxy library.
  socket_->setProxy(QNetworkProxy::NoProxy);
  connect(socket_, &QTcpSocket::connected, this, &TelnetChannel::OnConnected);
  connect(socket_, &QTcpSocket::errorOccurred, this, &TelnetChannel::OnError);
  connect(socket_, &QTcpSocket::readyRead, this, &TelnetChannel::OnReadyRead);
  connect(socket_, &QTcpSocket::disconnected, this, &TelnetChannel::OnSocketDisconnected);
}

TelnetChannel::~TelnetChannel() {
  // No signals into a half-destroyed owner.
  socket_->disconnect(this);
  socket_->abort();
}

void TelnetChannel::ConnectToHost(const QString& host, quint16 port, int timeout_ms) {
  if (connecting_ || Connected()) return;
  connecting_ = true;
  filter_ = TelnetFilter{};
  socket_->abort();
  if (host.trimmed().isEmpty()) {
    // Reported from the event loop, as every other outcome of an attempt is.
    QTimer::singleShot(0, this, [this] { FailAttempt(QStringLiteral("No host name given.")); });
    return;
  }
  connect_timer_->start(timeout_ms);
  socket_->connectToHost(host, port);
}

bool TelnetChannel::Connected() const {
  return !connecting_ && socket_->state() == QAbstractSocket::ConnectedState;
}

QHostAddress TelnetChannel::PeerAddress() const {
  return Connected() ? socket_->peerAddress() : QHostAddress();
}

QHostAddress TelnetChannel::LocalAddress() const {
  return Connected() ? socket_->localAddress() : QHostAddress();
}

void TelnetChannel::Disconnect() {
  const bool was_connected = Connected();
  connect_timer_->stop();
  connecting_ = false;
  established_ = false;  // a close of our own is not the radio's
  socket_->abort();
  if (was_connected) emit Disconnected();
}

bool TelnetChannel::Send(std::string_view text) {
  if (!Connected()) return false;
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(text.size()) * 2);
  const bool expand_cr = !filter_.SeenCommandByte();
  for (char ch : text) {
    const auto byte = static_cast<std::uint8_t>(ch);
    bytes += byte < 0x80 ? ch : '?';
    if (ch == '\r' && expand_cr) bytes += '\n';
  }
  return socket_->write(bytes) == bytes.size();
}

void TelnetChannel::OnConnected() {
  connect_timer_->stop();
  connecting_ = false;
  established_ = true;
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  emit ConnectedToHost();
}

void TelnetChannel::OnSocketDisconnected() {
  if (!established_) return;
  established_ = false;
  emit Closed(socket_->errorString());
}

void TelnetChannel::OnError(QAbstractSocket::SocketError) {
  if (connecting_) FailAttempt(socket_->errorString());
  // Errors of an established connection end it; OnSocketDisconnected reports that.
}

void TelnetChannel::OnConnectTimeout() {
  if (connecting_) FailAttempt(QStringLiteral("Connection timed out."));
}

void TelnetChannel::FailAttempt(const QString& message) {
  if (!connecting_) return;
  connect_timer_->stop();
  connecting_ = false;
  socket_->abort();
  emit ConnectFailed(message);
}

void TelnetChannel::OnReadyRead() {
  const QByteArray received = socket_->readAll();
  if (received.isEmpty()) return;
  TelnetFilter::Result filtered = filter_.Filter(
      std::string_view(received.constData(), static_cast<std::size_t>(received.size())));
  if (!filtered.replies.empty())
    socket_->write(filtered.replies.data(), static_cast<qint64>(filtered.replies.size()));
  if (!filtered.data.empty())
    emit DataAvailable(
        QByteArray(filtered.data.data(), static_cast<qsizetype>(filtered.data.size())));
}

}  // namespace quendal
