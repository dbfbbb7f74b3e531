#include "tci/TciLevelSource.h"

#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

// How often a server that pushes channel sensors is asked to.
constexpr std::int32_t kSensorIntervalMs = 100;

}  // namespace

TciLevelSource::TciLevelSource(TciSourceSettings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      log_(settings_.LogPath, settings_.clock.get()),
      socket_(new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this)),
      connect_timer_(new QTimer(this)),
      reconnect_timer_(new QTimer(this)),
      poll_timer_(new QTimer(this)) {
  socket_->setMaxAllowedIncomingMessageSize(kMaxMessageBytes);
  socket_->setMaxAllowedIncomingFrameSize(kMaxMessageBytes);
  connect(socket_, &QWebSocket::connected, this, &TciLevelSource::OnConnected);
  connect(socket_, &QWebSocket::disconnected, this, &TciLevelSource::OnDisconnected);
  connect(socket_, &QWebSocket::textMessageReceived, this, &TciLevelSource::OnTextMessage);

  connect_timer_->setSingleShot(true);
  connect(connect_timer_, &QTimer::timeout, this, &TciLevelSource::OnConnectTimeout);
  reconnect_timer_->setSingleShot(true);
  connect(reconnect_timer_, &QTimer::timeout, this, &TciLevelSource::Connect);
  log_.SetEnabled(settings_.EnableLogging);
  poll_timer_->setInterval(static_cast<int>(settings_.PollInterval.count()));
  connect(poll_timer_, &QTimer::timeout, this, &TciLevelSource::OnPollTick);
}

TciLevelSource::~TciLevelSource() { Stop(); }

std::unique_ptr<LevelSource> MakeTciSource(const IniFile& ini, std::string_view section,
                                           bool logging) {
  TciSourceSettings settings;
  settings.Config = ReadTciConfig(ini, section);
  settings.EnableLogging = logging;
  return std::make_unique<TciLevelSource>(std::move(settings));
}

void TciLevelSource::Log(const std::string& message) {
  log_.Log([&] { return "TCI: " + message; });
}

void TciLevelSource::Start() {
  reader_ = TciReader(settings_.Config.Target);
  running_ = true;
  backoff_.Reset();
  Log("Starting; server " + settings_.Config.Address() + ", receiver " +
      std::to_string(settings_.Config.Target.Receiver) + ", channel " +
      std::to_string(settings_.Config.Target.Channel) + ".");
  Connect();
}

void TciLevelSource::Stop() {
  if (!running_) return;
  running_ = false;
  connect_timer_->stop();
  reconnect_timer_->stop();
  poll_timer_->stop();
  connected_ = false;
  socket_->abort();
  Log("Stopped.");
  TellChange();
}

void TciLevelSource::Connect() {
  if (!running_) return;
  connected_ = false;
  reader_.Reset();
  ForgetTransmit();
  Log("Connecting to " + settings_.Config.Address() + ".");
  socket_->abort();
  QUrl url;
  url.setScheme(QStringLiteral("ws"));
  url.setHost(QString::fromStdString(settings_.Config.Host));
  url.setPort(settings_.Config.Port);
  socket_->open(url);
  connect_timer_->start(static_cast<int>(settings_.ConnectTimeout.count()));
  TellChange();
}

void TciLevelSource::OnConnectTimeout() {
  Log("No connection within " + std::to_string(settings_.ConnectTimeout.count()) + " ms.");
  ScheduleReconnect();
}

void TciLevelSource::OnConnected() {
  connect_timer_->stop();
  connected_ = true;
  connected_at_ = settings_.clock.get().MonotonicNow();
  Log("Connected; waiting for the server's start-up sequence.");
  poll_timer_->start();
  TellChange();
}

void TciLevelSource::OnDisconnected() {
  if (!running_ || reconnect_timer_->isActive()) return;
  const QString reason =
      socket_->closeReason().isEmpty() ? socket_->errorString() : socket_->closeReason();
  Log("Connection closed: " + reason.toStdString());
  ScheduleReconnect();
}

void TciLevelSource::ScheduleReconnect() {
  connect_timer_->stop();
  poll_timer_->stop();
  connected_ = false;
  socket_->abort();
  ForgetTransmit();
  const std::chrono::seconds pause = backoff_.Next();
  retry_at_ = settings_.clock.get().MonotonicNow() + pause;
  Log("Next attempt in " + std::to_string(pause.count()) + " s.");
  reconnect_timer_->start(static_cast<int>(std::chrono::milliseconds(pause).count()));
  TellChange();
}

void TciLevelSource::OnTextMessage(const QString& message) {
  const QByteArray text = message.toUtf8();
  const TciFrameResult result =
      reader_.Feed(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  for (const std::string& problem : result.Problems) Log(problem);
  if (result.MoreProblems > 0)
    Log("... and " + std::to_string(result.MoreProblems) + " more unreadable commands.");

  if (result.BecameReady) {
    const TciServerInfo& server = reader_.Server();
    Log("Server ready: " + server.Protocol + " " + server.Version + ", device " + server.Device +
        ".");
    backoff_.Reset();
    if (reader_.SupportsSensors()) {
      Send(TciSensorsEnable(kSensorIntervalMs));
      Send(TciTxSensorsEnable(kSensorIntervalMs));
    }
  }
  TakeTransmit(result);
  if (result.LevelDbm) {
    if (!level_dbm_ || level_time_ < connected_at_) backoff_.Reset();
    level_dbm_ = result.LevelDbm;
    level_time_ = settings_.clock.get().MonotonicNow();
  }
  if (result.FrequencyHz) {
    if (*result.FrequencyHz > std::numeric_limits<std::int32_t>::max()) {
      Log("Frequency " + std::to_string(*result.FrequencyHz) + " Hz is beyond the meter's range.");
      frequency_hz_ = 0;
    } else {
      frequency_hz_ = static_cast<std::int32_t>(*result.FrequencyHz);
    }
  }
  TellChange();
}

void TciLevelSource::TakeTransmit(const TciFrameResult& result) {
  // Meters of an earlier transmission say nothing about this one.
  if (result.Transmitting && *result.Transmitting != transmitting_) ForgetTransmit();
  if (result.Transmitting) transmitting_ = *result.Transmitting;
  const auto now = settings_.clock.get().MonotonicNow();
  if (result.TxPowerW) tx_power_ = {result.TxPowerW, now};
  if (result.TxPeakPowerW) tx_peak_power_ = {result.TxPeakPowerW, now};
  if (result.TxSwr) tx_swr_ = {SwrReading(*result.TxSwr), now};
}

void TciLevelSource::ForgetTransmit() {
  transmitting_ = false;
  tx_power_ = {};
  tx_peak_power_ = {};
  tx_swr_ = {};
}

void TciLevelSource::OnPollTick() {
  if (!connected_) return;
  const auto now = settings_.clock.get().MonotonicNow();
  if (!reader_.Server().Ready && Since(connected_at_, now) < settings_.ReadyTimeout) return;
  // Pushed readings keep coming faster than this; ask only when they do not.
  const std::optional<std::chrono::milliseconds> age = LevelAge();
  if (!age || *age > settings_.PollInterval + settings_.PollInterval / 2)
    Send(TciSmeterQuery(settings_.Config.Target));
}

std::optional<std::chrono::milliseconds> TciLevelSource::LevelAge() const {
  if (!level_dbm_ || level_time_ < connected_at_) return std::nullopt;
  return Since(level_time_, settings_.clock.get().MonotonicNow());
}

void TciLevelSource::Send(const std::string& command) {
  socket_->sendTextMessage(QString::fromStdString(command));
}

LevelReading TciLevelSource::CurrentLevel() {
  return LevelInDbm(level_dbm_, level_time_, settings_.clock.get().MonotonicNow(), frequency_hz_);
}

LinkStatus TciLevelSource::Status() const {
  LinkStatus status;
  if (!running_) return status;
  if (reconnect_timer_->isActive()) {
    status.State = LinkState::Lost;
    const auto left = retry_at_ - settings_.clock.get().MonotonicNow();
    status.RetryInSeconds = static_cast<std::int32_t>(
        std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::seconds>(left).count()));
  } else if (!connected_) {
    status.State = LinkState::Connecting;
    status.Address = settings_.Config.Address();
  } else {
    const std::optional<std::chrono::milliseconds> age = LevelAge();
    status.State =
        ReadingIsFresh(age, UpdateInterval()) ? LinkState::Receiving : LinkState::NoMeterData;
    status.SilentForSeconds = SilentForSeconds(age);
  }
  return status;
}

TransmitStatus TciLevelSource::CurrentTransmit() {
  TransmitStatus status;
  status.Offered[IndexOf(TransmitReading::Power)] = true;
  status.Offered[IndexOf(TransmitReading::Swr)] = true;
  status.Transmitting = connected_ && transmitting_;
  if (!status.Transmitting) return status;
  const auto now = settings_.clock.get().MonotonicNow();
  const auto fresh = [&](const TimedValue& meter) {
    return meter.value && ReadingIsFresh(Since(meter.at, now), UpdateInterval()) ? meter.value
                                                                                 : std::nullopt;
  };
  status.Values[IndexOf(TransmitReading::Power)] = fresh(tx_power_);
  status.Values[IndexOf(TransmitReading::Swr)] = fresh(tx_swr_);
  status.PeakPowerW = fresh(tx_peak_power_);
  return status;
}

RadioIdentity TciLevelSource::Identity() const {
  RadioIdentity identity;
  identity.Model = reader_.Server().Device;
  identity.Address = settings_.Config.Address();
  return identity;
}

}  // namespace quendal
