#include "tools/tcisim/TciSimulator.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quendal::tcisim {

namespace {

constexpr double kSweepLowDbm = -127.0;  // S0
constexpr double kSweepHighDbm = -13.0;  // S9+60
constexpr double kSweepPeriodS = 20.0;
constexpr int kChannels = 2;
constexpr double kMicDbm = -20.0;
// Pushes of a server that was not told how often.
constexpr int kTransmitPushMs = 200;

void Note(const QString& text) {
  std::printf("# %s\n", text.toLocal8Bit().constData());
  std::fflush(stdout);
}

// Printable, so a test can read what the client sent.
QString Escaped(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
      out += c;
    else
      out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
  }
  return out;
}

QString Number(double value) { return QString::number(value, 'f', 1); }

}  // namespace

bool LevelPlan::Parse(const std::string& text) {
  if (text == "sweep") {
    kind = Kind::Sweep;
    return true;
  }
  const QString value = QString::fromStdString(text);
  bool ok = false;
  if (value.startsWith(QStringLiteral("steady:"))) {
    kind = Kind::Steady;
    steady_dbm = value.mid(7).toDouble(&ok);
    return ok && std::isfinite(steady_dbm);
  }
  if (value.startsWith(QStringLiteral("steps:"))) {
    kind = Kind::Steps;
    steps.clear();
    for (const QString& part : value.mid(6).split(QLatin1Char(','))) {
      steps.push_back(part.toDouble(&ok));
      if (!ok || !std::isfinite(steps.back())) return false;
    }
    return !steps.empty();
  }
  return false;
}

double LevelPlan::LevelAt(double seconds) const {
  switch (kind) {
    case Kind::Steady:
      return steady_dbm;
    case Kind::Steps: {
      const auto index = static_cast<std::size_t>(std::max(0.0, seconds / hold_s));
      return steps[std::min(index, steps.size() - 1)];
    }
    case Kind::Sweep:
      break;
  }
  const double phase = std::fmod(seconds, kSweepPeriodS) / kSweepPeriodS;
  const double rise = phase < 0.5 ? phase * 2.0 : (1.0 - phase) * 2.0;
  return kSweepLowDbm + rise * (kSweepHighDbm - kSweepLowDbm);
}

// ---- one client ----

SimClient::SimClient(QWebSocket* socket, const SimOptions& options, const QElapsedTimer& clock,
                     bool keyed)
    : QObject(socket), socket_(socket), options_(options), clock_(clock), keyed_(keyed) {
  connect(socket_, &QWebSocket::textMessageReceived, this, &SimClient::OnText);
  connect(socket_, &QWebSocket::disconnected, socket_, &QObject::deleteLater);
  connect(&push_timer_, &QTimer::timeout, this, &SimClient::Push);
  connect(&transmit_timer_, &QTimer::timeout, this, &SimClient::PushTransmit);
  Note(QStringLiteral("client connected"));
  if (options_.silent) return;
  Greet();
  if (options_.push_ms > 0) push_timer_.start(options_.push_ms);
  if (options_.drop_after_s >= 0) {
    QTimer::singleShot(static_cast<int>(options_.drop_after_s * 1000), socket_, [this] {
      Note(QStringLiteral("dropping the client"));
      socket_->abort();
    });
  }
  if (options_.huge_frame) QTimer::singleShot(1000, this, &SimClient::SendHugeFrame);
  if (keyed_) StartTransmitPushes();
}

void SimClient::Greet() {
  QString text = QStringLiteral(
                     "protocol:ExpertSDR3,%1;device:quendal-tcisim;receive_only:true;"
                     "trx_count:%2;channels_count:%3;vfo_limits:10000,30000000;"
                     "if_limits:-48000,48000;modulations_list:AM,SAM,LSB,USB,CW,NFM,DIGL,DIGU;")
                     .arg(options_.version)
                     .arg(options_.trx_count)
                     .arg(kChannels);
  for (int trx = 0; trx < options_.trx_count; ++trx) {
    for (int channel = 0; channel < kChannels; ++channel)
      text += QStringLiteral("vfo:%1,%2,%3;").arg(trx).arg(channel).arg(14074000 + 1000 * channel);
    text += QStringLiteral("modulation:%1,USB;rx_enable:%1,true;trx:%1,%2;")
                .arg(trx)
                .arg(keyed_ && trx == 0 ? "true" : "false");
  }
  // The start-up sequence in one frame, then "ready;" in its own.
  Send(text);
  Send(QStringLiteral("ready;"));
}

void SimClient::OnText(const QString& text) {
  std::printf("< %s\n", Escaped(text).toLocal8Bit().constData());
  std::fflush(stdout);
  if (options_.silent) return;
  for (const QString& command : text.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    HandleCommand(command.trimmed().toLower());
}

void SimClient::HandleCommand(const QString& command) {
  const QString name = command.section(QLatin1Char(':'), 0, 0);
  const QStringList args = command.section(QLatin1Char(':'), 1).split(QLatin1Char(','));
  if (name == QLatin1String("rx_smeter") && args.size() == 2) {
    bool trx_ok = false;
    bool channel_ok = false;
    const int trx = args[0].toInt(&trx_ok);
    const int channel = args[1].toInt(&channel_ok);
    if (trx_ok && channel_ok && trx >= 0 && trx < options_.trx_count && channel >= 0 &&
        channel < kChannels) {
      Send(QStringLiteral("rx_smeter:%1,%2,%3;")
               .arg(trx)
               .arg(channel)
               .arg(Number(LevelOf(trx, channel))));
    }
  } else if (name == QLatin1String("rx_sensors_enable") && args.size() >= 1 &&
             options_.version.toDouble() >= 1.9) {
    sensors_ = args[0] == QLatin1String("true");
    const int interval = args.size() > 1 ? args[1].toInt() : 0;
    if (sensors_) push_timer_.start(std::max(30, interval > 0 ? interval : 200));
    Note(QStringLiteral("channel sensors %1").arg(sensors_ ? "on" : "off"));
    if (!sensors_ && options_.push_ms == 0) push_timer_.stop();
  } else if (name == QLatin1String("tx_sensors_enable") && args.size() >= 1 &&
             options_.version.toDouble() >= 1.9) {
    const int interval = args.size() > 1 ? args[1].toInt() : 0;
    tx_sensors_ms_ =
        args[0] == QLatin1String("true") ? std::clamp(interval > 0 ? interval : 200, 30, 1000) : 0;
    Note(QStringLiteral("transmit sensors %1").arg(tx_sensors_ms_ > 0 ? "on" : "off"));
    if (keyed_) StartTransmitPushes();
  }
}

void SimClient::SetKeyed(bool keyed) {
  if (keyed == keyed_ || options_.silent) return;
  keyed_ = keyed;
  Send(QStringLiteral("trx:0,%1;").arg(keyed ? "true" : "false"));
  if (keyed)
    StartTransmitPushes();
  else
    transmit_timer_.stop();
}

void SimClient::StartTransmitPushes() {
  transmit_timer_.start(tx_sensors_ms_ > 0 ? tx_sensors_ms_ : kTransmitPushMs);
  PushTransmit();
}

// The meters of receiver 0's transmitter: channel sensors once asked for, else the
// older commands.
void SimClient::PushTransmit() {
  if (tx_sensors_ms_ > 0) {
    Send(QStringLiteral("tx_sensors:0,%1,%2,%3,%4;")
             .arg(Number(kMicDbm), Number(options_.tx_power_w), Number(options_.tx_power_w),
                  QString::number(options_.swr, 'f', 2)));
  } else {
    Send(QStringLiteral("tx_power:%1;tx_swr:%2;")
             .arg(Number(options_.tx_power_w), QString::number(options_.swr, 'f', 2)));
  }
}

// Receiver t, channel c reads the level less 20 dB per step of 2t + c, so a client
// that mixes them up shows it.
double SimClient::LevelOf(int trx, int channel) const {
  const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
  return options_.level.LevelAt(seconds) - 20.0 * (2 * trx + channel);
}

QString SimClient::Levels(const char* name) const {
  QString text;
  for (int trx = 0; trx < options_.trx_count; ++trx)
    for (int channel = 0; channel < kChannels; ++channel)
      text += QStringLiteral("%1:%2,%3,%4;")
                  .arg(QLatin1String(name))
                  .arg(trx)
                  .arg(channel)
                  .arg(Number(LevelOf(trx, channel)));
  return text;
}

void SimClient::Push() {
  QString text = Levels(sensors_ ? "rx_channel_sensors" : "rx_smeter");
  if (options_.garbage) {
    text = QStringLiteral("rx_smeter:0,0,nan;rx_smeter:0,0,;RX_SMETER:0;rx_smeter:a,b,c;") +
           QStringLiteral("trx:0,maybe;tx_power:-5;tx_swr:nan;tx_sensors:0,a,b,c,d;") +
           QStringLiteral("x").repeated(5000) + QStringLiteral(";\x01\x7f;") + text +
           QStringLiteral("rx_smeter:0,0,inf;rx_smeter:0,0,-1e300;rx_smeter:0,0");
  }
  Send(text);
}

void SimClient::SendHugeFrame() {
  Note(QStringLiteral("sending a 2 MiB frame"));
  Send(QStringLiteral("vfo_limits:10000,30000000;").repeated(2 * 1024 * 1024 / 26));
}

void SimClient::Send(QString text) {
  if (options_.upper_case) text = text.toUpper();
  socket_->sendTextMessage(text);
}

// ---- the server ----

TciSimulator::TciSimulator(SimOptions options)
    : options_(std::move(options)),
      server_(QStringLiteral("quendal-tcisim"), QWebSocketServer::NonSecureMode) {
  connect(&server_, &QWebSocketServer::newConnection, this, &TciSimulator::OnNewConnection);
  connect(&level_report_timer_, &QTimer::timeout, this, &TciSimulator::ReportLevelChanges);
  transmit_timer_.setSingleShot(true);
  connect(&transmit_timer_, &QTimer::timeout, this, [this] { Key(!keyed_); });
}

bool TciSimulator::Start() {
  clock_.start();
  if (!Listen()) return false;
  if (options_.level.kind == LevelPlan::Kind::Steps) {
    ReportLevelChanges();
    level_report_timer_.start(50);
  }
  if (options_.restart_after_s >= 0)
    QTimer::singleShot(static_cast<int>(options_.restart_after_s * 1000), this,
                       &TciSimulator::GoDown);
  return true;
}

bool TciSimulator::Listen() {
  if (!server_.listen(options_.listen, options_.port)) {
    std::fprintf(stderr, "quendal-tcisim: cannot listen on %s:%u: %s\n",
                 options_.listen.toString().toLocal8Bit().constData(), options_.port,
                 server_.errorString().toLocal8Bit().constData());
    return false;
  }
  // A restart comes back on the same port, even when the first one was picked freely.
  options_.port = server_.serverPort();
  Note(QStringLiteral("listening on port %1").arg(options_.port));
  return true;
}

void TciSimulator::OnNewConnection() {
  while (QWebSocket* socket = server_.nextPendingConnection()) {
    // The level plan and the transmit cycle run from the first client on, so a client sees
    // all of them.
    if (!client_seen_) {
      clock_.restart();
      if (options_.transmit_on_s > 0)
        transmit_timer_.start(static_cast<int>(options_.transmit_off_s * 1000));
    }
    client_seen_ = true;
    socket->setParent(this);
    clients_.emplace_back(new SimClient(socket, options_, clock_, keyed_));
  }
}

void TciSimulator::Key(bool keyed) {
  keyed_ = keyed;
  Note(keyed ? QStringLiteral("keyed") : QStringLiteral("unkeyed"));
  std::erase_if(clients_, [](const QPointer<SimClient>& client) { return client.isNull(); });
  for (const QPointer<SimClient>& client : clients_) client->SetKeyed(keyed);
  const double seconds = keyed ? options_.transmit_on_s : options_.transmit_off_s;
  transmit_timer_.start(static_cast<int>(seconds * 1000));
}

void TciSimulator::GoDown() {
  Note(QStringLiteral("going down for %1 s").arg(options_.down_s));
  server_.close();
  for (QWebSocket* socket : findChildren<QWebSocket*>()) socket->abort();
  QTimer::singleShot(static_cast<int>(options_.down_s * 1000), this, [this] {
    if (!Listen()) QCoreApplication::exit(1);
  });
}

void TciSimulator::ReportLevelChanges() {
  const double level = options_.level.LevelAt(static_cast<double>(clock_.elapsed()) / 1000.0);
  if (level == reported_level_) return;
  reported_level_ = level;
  Note(QStringLiteral("level %1 dBm").arg(Number(level)));
}

}  // namespace quendal::tcisim
