#include "flex/FlexRadioLib_v3_1.h"

#include <QDate>
#include <QElapsedTimer>
#include <QLocale>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QTime>
#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

#include "meters/LevelConversions.h"
#include "meters/MeterDatagram.h"
#include "meters/MeterStatus.h"
#include "meters/Vita49Tools.h"
#include "support/AsciiText.h"
#include "support/NumberFormat.h"

namespace quendal {

namespace {

// The OS buffers bursts of meter datagrams while the event loop is busy painting.
constexpr int kMeterReceiveBufferBytes = 1024 * 1024;

std::string AsciiText(std::string_view bytes) {
  std::string text(bytes);
  for (char& c : text)
    if (static_cast<unsigned char>(c) > 0x7F) c = '?';
  return text;
}

bool ContainsMeterMarker(std::string_view text) {
  return FindIgnoringAsciiCase(text, "|meter") != std::string_view::npos;
}

// "192.168.1.50", also for an IPv4 address a dual-stack socket reports as IPv6.
std::string AddressText(const QHostAddress& address) {
  bool is_v4 = false;
  const quint32 v4 = address.toIPv4Address(&is_v4);
  return (is_v4 ? QHostAddress(v4) : address).toString().toStdString();
}

// Slice status numbers: "." decimal point, blanks around the number allowed.
std::optional<double> ParseFrequencyText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return ParseDouble(text);
}

}  // namespace

std::unique_ptr<LevelSource> MakeFlexSource(const IniFile& ini, std::string_view section,
                                            bool logging, RadioLinkSettings link) {
  link.Config = ReadFlexConfig(ini, section);
  link.EnableLogging = logging;
  return std::make_unique<TFlexRadioLib>(std::move(link));
}

DiscoveryRecord ParseDiscoveryPayload(std::string_view payload) {
  const std::string text = AsciiText(payload.substr(0, payload.find('\0')));
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::string token;
    if (text[pos] == '"') {
      ++pos;
      while (pos < text.size()) {
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            token += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        token += text[pos++];
      }
    } else {
      const std::size_t blank = text.find(' ', pos);
      const std::size_t end = blank == std::string::npos ? text.size() : blank;
      token = text.substr(pos, end - pos);
      pos = end;
    }
    tokens.push_back(std::move(token));
    if (pos < text.size() && text[pos] == ' ') ++pos;
  }

  DiscoveryRecord record;
  for (const std::string& token : tokens) {
    const std::size_t eq = token.find('=');
    if (eq == std::string::npos) continue;
    const std::size_t next = token.find('=', eq + 1);
    record.emplace_back(token.substr(0, eq), token.substr(eq + 1, next - eq - 1));
  }
  return record;
}

std::string DiscoveryValue(const DiscoveryRecord& record, std::string_view key) {
  for (const auto& [name, value] : record) {
    if (EqualsIgnoringAsciiCase(name, key)) return value;
  }
  return {};
}

std::string BytesToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

TFlexRadioLib::TFlexRadioLib(RadioLinkSettings settings, QObject* parent)
    : QObject(parent),
      FSettings(std::move(settings)),
      FLog(FSettings.LogPath, FSettings.clock.get()),
      FIdTelnet(new TelnetChannel(this)),
      FIdUDPServer1(new QUdpSocket(this)),
      FIdUDPServer2(new QUdpSocket(this)),
      FFrequencySettleTimer(new QTimer(this)),
      FDiscoveryTimer(new QTimer(this)),
      FTimer(new QTimer(this)),
      FRetryTimer(new QTimer(this)) {
  LoadConfig();

  FLastUDPReceiveTime = FSettings.clock.get().MonotonicNow();
  FTimer->setInterval(static_cast<int>(FSettings.WatchdogInterval.count()));
  connect(FTimer, &QTimer::timeout, this, &TFlexRadioLib::OnTimer);
  FTimer->start();

  connect(FIdTelnet, &TelnetChannel::DataAvailable, this, &TFlexRadioLib::IdTelnetDataAvailable);
  connect(FIdTelnet, &TelnetChannel::ConnectedToHost, this, &TFlexRadioLib::IdTelnetConnected);
  connect(FIdTelnet, &TelnetChannel::ConnectFailed, this, &TFlexRadioLib::IdTelnetConnectFailed);
  connect(FIdTelnet, &TelnetChannel::Disconnected, this, &TFlexRadioLib::IdTelnetDisconnected);
  connect(FIdTelnet, &TelnetChannel::Closed, this, &TFlexRadioLib::IdTelnetClosed);

  // Meters and discovery come straight from the radio on the LAN, never through a proxy.
  FIdUDPServer1->setProxy(QNetworkProxy::NoProxy);
  FIdUDPServer2->setProxy(QNetworkProxy::NoProxy);
  connect(FIdUDPServer1, &QUdpSocket::readyRead, this, &TFlexRadioLib::ReadPendingMeterDatagrams);
  connect(FIdUDPServer2, &QUdpSocket::readyRead, this,
          &TFlexRadioLib::ReadPendingDiscoveryDatagrams);

  FFrequencySettleTimer->setSingleShot(true);
  connect(FFrequencySettleTimer, &QTimer::timeout, this, &TFlexRadioLib::HandleFrequencyChange);
  FDiscoveryTimer->setSingleShot(true);
  connect(FDiscoveryTimer, &QTimer::timeout, this, &TFlexRadioLib::OnDiscoveryTimeout);
  FRetryTimer->setSingleShot(true);
  connect(FRetryTimer, &QTimer::timeout, this, &TFlexRadioLib::OnRetryDue);
}

TFlexRadioLib::~TFlexRadioLib() {
  FTimer->stop();
  DisconnectRadio();
  FFrequencySettleTimer->stop();
  FDiscoveryTimer->stop();
  FRetryTimer->stop();
}

// ---- settings and log ----

// The window has read config.ini; the link takes its settings from what it was handed.
void TFlexRadioLib::LoadConfig() {
  FLog.SetEnabled(FSettings.EnableLogging);
  FTelnetIP = FSettings.Config.FlexIP;
  FReconnect = FSettings.Config.Reconnect;
  FRadioSerial = FSettings.Config.RadioSerial;
  FSlice = FSettings.Config.Slice;
}

std::string TFlexRadioLib::LocalDateTimeText() const {
  const LocalDateTime t = FSettings.clock.get().LocalNow();
  const QLocale locale = QLocale::system();
  const QString date = locale.toString(QDate(t.year, t.month, t.day), QLocale::ShortFormat);
  const QString time = QTime(t.hour, t.minute, t.second).toString(QStringLiteral("HH:mm:ss"));
  return (date + QLatin1Char(' ') + time).toStdString();
}

// ---- meters ----

TMeter TFlexRadioLib::GetMeterById(std::string_view MeterId) const {
  return FMeterList.FindById(MeterId);
}

TMeter TFlexRadioLib::GetMeterByName(std::string_view MeterName) {
  TMeter meter;
  GetMeterByName(MeterName, meter);
  return meter;
}

void TFlexRadioLib::GetMeterByName(std::string_view MeterName, TMeter& Meter) {
  Meter = FMeterList.FindByName(MeterName);
  Log([&] {
    return "GetMeterByName - Meter " + std::string(MeterName) +
           " value: " + FormatFixed2(Meter.Value);
  });
}

// ---- level source ----

void TFlexRadioLib::Start() { AutoDiscoverAndConnect(5993, 4992); }

void TFlexRadioLib::Stop() { DisconnectRadio(); }

TMeter TFlexRadioLib::FindLevelMeter() const {
  if (!FSlice) return FMeterList.FindByName("LEVEL");
  const std::string slice = std::to_string(*FSlice);
  for (const TMeter& meter : FMeterList.Items()) {
    if (EqualsIgnoringAsciiCase(meter.Name, "LEVEL") && meter.Src == "SLC" && meter.Num == slice)
      return meter;
  }
  return TMeter{};
}

void TFlexRadioLib::RefreshWatchedMeters() {
  RefreshLevelMeter();
  FTransmit.Refresh(FMeterList);
  // The level meter first, then the transmit meters in reading order.
  const std::array<std::string, 4>& tx = FTransmit.Ids();
  const std::array<std::string_view, 5> watched = {FLevelMeterId, tx[0], tx[1], tx[2], tx[3]};
  FMeterList.Watch(watched);
}

void TFlexRadioLib::RefreshLevelMeter() {
  const std::string id = FindLevelMeter().ID;
  if (id == FLevelMeterId) return;
  // Another meter (a new ID after a restart, a slice opened or closed): its age starts anew.
  FLevelMeterId = id;
  FLevelValueTime.reset();
  FSubscribedTime = FSettings.clock.get().MonotonicNow();
}

LevelReading TFlexRadioLib::CurrentLevel() {
  LevelReading reading;
  reading.Meter = FindLevelMeter();
  Log([&] { return "GetMeterByName - Meter LEVEL value: " + FormatFixed2(reading.Meter.Value); });
  reading.FrequencyHz = FCurrentFreq;
  if (FLevelValueTime && !reading.Meter.ID.empty()) reading.Age = Since(*FLevelValueTime);
  return reading;
}

bool TFlexRadioLib::LevelValueFresh(std::chrono::steady_clock::time_point now) const {
  // Fresh for the shortest time any rate allows: no need to look up the meter's own.
  return FLevelValueTime &&
         ReadingIsFresh(quendal::Since(*FLevelValueTime, now), std::chrono::milliseconds{0});
}

std::chrono::milliseconds TFlexRadioLib::UpdateInterval() const {
  const std::int32_t fps = FindLevelMeter().FPS;
  return fps > 0 ? std::chrono::milliseconds(1000 / fps) : std::chrono::milliseconds{0};
}

std::chrono::milliseconds TFlexRadioLib::Since(std::chrono::steady_clock::time_point then) const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      FSettings.clock.get().MonotonicNow() - then);
}

LinkStatus TFlexRadioLib::Status() const {
  LinkFacts facts;
  facts.Phase = FPhase;
  facts.Address = FConnectHost;
  if (FRetryTimer->isActive()) {
    const auto unit = std::max<std::int64_t>(FSettings.ReconnectPauseUnit.count(), 1);
    facts.RetryInSeconds =
        static_cast<std::int32_t>((FRetryTimer->remainingTime() + unit - 1) / unit);
  }
  facts.MetersKnown = FMeterList.Count() > 0;
  facts.LevelMeterKnown = !FLevelMeterId.empty();
  if (FLevelValueTime && facts.LevelMeterKnown) facts.LevelAge = Since(*FLevelValueTime);
  facts.LevelInterval = UpdateInterval();
  facts.SinceSubscribed = Since(FSubscribedTime);
  if (FStreamSeenOnThisConnection) facts.StreamSilence = Since(FLastUDPReceiveTime);
  if (FPingSequence) facts.PingUnanswered = Since(FPingSentTime);
  facts.MeterPort = MeterListenerPort();
  facts.Slice = FSlice.value_or(-1);
  return DescribeLink(facts);
}

TransmitStatus TFlexRadioLib::CurrentTransmit() {
  return FTransmit.Current(FMeterList, FSettings.clock.get().MonotonicNow());
}

RadioIdentity TFlexRadioLib::Identity() const {
  RadioIdentity identity;
  identity.Name = DiscoveryValue(FFlexDiscovery, "nickname");
  identity.Model = DiscoveryValue(FFlexDiscovery, "model");
  identity.Serial = DiscoveryValue(FFlexDiscovery, "serial");
  identity.Address = !FTelnetIP.empty() ? FTelnetIP : DiscoveryValue(FFlexDiscovery, "ip");
  return identity;
}

// ---- lifecycle ----

void TFlexRadioLib::Enter(LinkEvent event) {
  FPhase = NextLinkPhase(FPhase, event, FReconnect);
  TellChange();
}

void TFlexRadioLib::ConnectionLost(const std::string& reason) {
  FIdTelnet->Disconnect();
  FIdUDPServer1->close();
  ExpectMetersFrom(QHostAddress());
  ForgetMeters();
  FPingSequence.reset();
  FHeardSinceLoss = false;
  ScheduleRetry();
  Log([&] {
    return "TFlexRadioLib.ConnectionLost: Radio lost (" + reason + "), retrying in " +
           std::to_string(FRetryTimer->interval()) + " ms.";
  });
  // Listen again at once, so the radio's return is heard during the pause.
  if (FTelnetIP.empty() && !DiscoveryListening()) OpenDiscoveryListener();
}

void TFlexRadioLib::ScheduleRetry() {
  const auto pause = FBackoff.Next().count() * FSettings.ReconnectPauseUnit.count();
  FRetryTimer->start(static_cast<int>(pause));
}

void TFlexRadioLib::OnRetryDue() {
  Enter(LinkEvent::RetryDue);
  if (FPhase != LinkPhase::Searching) return;
  if (FTelnetIP.empty() && !DiscoveryListening() && !OpenDiscoveryListener()) {
    Enter(LinkEvent::ConnectFailed);
    return;
  }
  // A radio heard since the loss (or a fixed address) is tried now; otherwise its
  // next announcement starts the attempt.
  if (!FTelnetIP.empty() || FHeardSinceLoss) ConnectToTelnetServer();
}

void TFlexRadioLib::ForgetMeters() {
  // A restarted radio numbers its meters afresh: an old ID must never feed the needle.
  FMeterList.Clear();
  FStatusLines.Clear();
  FTransmit.Forget();
  RefreshWatchedMeters();
}

bool TFlexRadioLib::WantedRadio(const DiscoveryRecord& record) const {
  return FRadioSerial.empty() ||
         EqualsIgnoringAsciiCase(DiscoveryValue(record, "serial"), FRadioSerial);
}

void TFlexRadioLib::LogChosenRadio() {
  Log([&] {
    return "TFlexRadioLib.IdTelnetConnected: Radio: model " +
           DiscoveryValue(FFlexDiscovery, "model") + ", nickname " +
           DiscoveryValue(FFlexDiscovery, "nickname") + ", serial " +
           DiscoveryValue(FFlexDiscovery, "serial") + ", IP " + FConnectHost + ", version " +
           DiscoveryValue(FFlexDiscovery, "version") + ".";
  });
}

// ---- discovery ----

// The two ports are kept in the signature by name only: the program calls it with them,
// but discovery and the command channel use the ports of RadioLinkSettings.
void TFlexRadioLib::AutoDiscoverAndConnect(int /*UDPPort*/, int /*TelnetPort*/) {
  Log("TFlexRadioLib.AutoDiscoverAndConnect: Starting discovery.");
  FIdUDPServer2->close();
  if (!FIdUDPServer2->bind(QHostAddress::AnyIPv4, FSettings.DiscoveryPort,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
    const std::string message = FIdUDPServer2->errorString().toStdString();
    FIdUDPServer2->close();
    Log("TFlexRadioLib.AutoDiscoverAndConnect: Failed to activate UDP Server.");
    throw std::runtime_error(message);
  }
  Log("TFlexRadioLib.AutoDiscoverAndConnect: UDP Server activated.");
  FDiscoveryTimer->start(static_cast<int>(FSettings.DiscoveryTimeout.count()));
  Enter(LinkEvent::Start);
  // A fixed address needs no announcement (VPN, another subnet).
  if (FReconnect && !FTelnetIP.empty()) ConnectToTelnetServer();
}

bool TFlexRadioLib::OpenDiscoveryListener() {
  if (FIdUDPServer2->bind(QHostAddress::AnyIPv4, FSettings.DiscoveryPort,
                          QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
    return true;
  Log([&] {
    return "TFlexRadioLib.OpenDiscoveryListener: Failed to activate UDP Server: " +
           FIdUDPServer2->errorString().toStdString();
  });
  FIdUDPServer2->close();
  return false;
}

bool TFlexRadioLib::DiscoveryListening() const {
  return FIdUDPServer2->state() == QAbstractSocket::BoundState;
}

quint16 TFlexRadioLib::DiscoveryListenerPort() const {
  return DiscoveryListening() ? FIdUDPServer2->localPort() : 0;
}

void TFlexRadioLib::ReadPendingDiscoveryDatagrams() {
  while (FIdUDPServer2->state() == QAbstractSocket::BoundState &&
         FIdUDPServer2->hasPendingDatagrams()) {
    const qint64 size = std::max<qint64>(FIdUDPServer2->pendingDatagramSize(), 0);
    // Never shrunk: the meter stream reads into it too.
    if (FReceiveBuffer.size() < static_cast<std::size_t>(size))
      FReceiveBuffer.resize(static_cast<std::size_t>(size));
    QHostAddress sender;
    const qint64 read =
        FIdUDPServer2->readDatagram(reinterpret_cast<char*>(FReceiveBuffer.data()), size, &sender);
    if (read < 0) break;
    IdUDPServer2UDPRead(
        std::span<const std::uint8_t>(FReceiveBuffer.data(), static_cast<std::size_t>(read)),
        AddressText(sender));
  }
}

void TFlexRadioLib::IdUDPServer2UDPRead(std::span<const std::uint8_t> AData,
                                        const std::string& sender) {
  Log("TFlexRadioLib.IdUDPServer2UDPRead: UDP data received on server 2.");
  TVita packet;
  try {
    packet = vita49_decode(AData);
  } catch (const Vita49Error& e) {
    Log([&] {
      return std::string("TFlexRadioLib.IdUDPServer2UDPRead: Datagram dropped: ") + e.what();
    });
    return;
  }
  // The text ends at its first NUL, so the zeros a short datagram stands for add nothing.
  const std::string_view payload(reinterpret_cast<const char*>(packet.payload.Present().data()),
                                 packet.payload.Present().size());
  Log([&] {
    return "TFlexRadioLib.IdUDPServer2UDPRead: Decoded message: " +
           AsciiText(payload.substr(0, payload.find('\0')));
  });
  DiscoveryRecord record = ParseDiscoveryPayload(payload);
  if (!WantedRadio(record)) {
    Log([&] {
      return "TFlexRadioLib.IdUDPServer2UDPRead: Radio " + DiscoveryValue(record, "serial") +
             " ignored: RadioSerial is " + FRadioSerial + ".";
    });
    return;
  }
  LogAnnouncedElsewhere(record, sender);
  FFlexDiscovery = std::move(record);
  FHeardSinceLoss = true;
  TellChange();
  Log("TFlexRadioLib.IdUDPServer2UDPRead: Discovery information processed.");

  // One attempt at a time, and none during a reconnect pause: later datagrams only
  // refresh the record.
  if (FPhase != LinkPhase::Searching || FIdTelnet->Connecting() || FIdTelnet->Connected()) return;
  ConnectToTelnetServer();
}

// A radio behind a router may announce an address other than the one it sends from;
// the announced one is still used, and said once.
void TFlexRadioLib::LogAnnouncedElsewhere(const DiscoveryRecord& record,
                                          const std::string& sender) {
  const std::string ip = DiscoveryValue(record, "ip");
  if (sender.empty() || ip.empty() || ip == sender) return;
  const std::string mismatch = ip + " from " + sender;
  if (mismatch == FAnnouncedElsewhereLogged) return;
  FAnnouncedElsewhereLogged = mismatch;
  Log([&] {
    return "TFlexRadioLib.IdUDPServer2UDPRead: Radio " + DiscoveryValue(record, "serial") +
           " announces ip=" + ip + " but sent from " + sender + "; connecting to " + ip + ".";
  });
}

void TFlexRadioLib::OnDiscoveryTimeout() {
  if (!FFlexDiscovery.empty()) return;
  Log("TFlexRadioLib.AutoDiscoverAndConnect: Auto-discovery timed out or failed.");
  // The radio may be switched on later: only the one-shot link stops listening.
  if (FReconnect) return;
  if (DiscoveryListening()) FIdUDPServer2->close();
  Enter(LinkEvent::DiscoveryTimedOut);
}

// ---- connection ----

void TFlexRadioLib::ConnectToTelnetServer() {
  Log("TFlexRadioLib.ConnectToTelnetServer: Attempting to connect to Telnet server.");
  FConnectHost = !FTelnetIP.empty() ? FTelnetIP : DiscoveryValue(FFlexDiscovery, "ip");
  Enter(LinkEvent::RadioHeard);
  FIdTelnet->ConnectToHost(QString::fromStdString(FConnectHost), FSettings.CommandPort,
                           static_cast<int>(FSettings.ConnectTimeout.count()));
}

void TFlexRadioLib::IdTelnetConnectFailed(const QString& message) {
  Log([&] {
    return "TFlexRadioLib.ConnectToTelnetServer: Failed to connect to Telnet server: " +
           message.toStdString();
  });
  Enter(LinkEvent::ConnectFailed);
  if (FPhase == LinkPhase::WaitingToRetry) ScheduleRetry();
}

void TFlexRadioLib::IdTelnetConnected() {
  Log("TFlexRadioLib.IdTelnetConnected: Connected to Telnet server.");
  Enter(LinkEvent::Connected);
  LogChosenRadio();
  FStatusLines.Clear();
  if (DiscoveryListening()) {
    FIdUDPServer2->close();
    Log("TFlexRadioLib.IdTelnetConnected: Discovery UDP server deactivated.");
  }
  const auto now = FSettings.clock.get().MonotonicNow();
  FSubscribedTime = now;
  FLastStatusTime = now;
  FStreamSeenOnThisConnection = false;
  FPingSequence.reset();
  ExpectMetersFrom(FIdTelnet->PeerAddress());
  if (!StartUDPServer()) return;
  const quint16 AssignedPort = FIdUDPServer1->localPort();
  Log([&] {
    return "TFlexRadioLib.IdTelnetConnected: UDP server started on port " +
           std::to_string(AssignedPort);
  });
  SendRadioCommand("client udpport " + std::to_string(AssignedPort));
  SendRadioCommand("meter list");
  SendRadioCommand("sub meter all");
  SendRadioCommand("sub tx all");
}

bool TFlexRadioLib::StartUDPServer() {
  Log("TFlexRadioLib.StartUDPServer: Starting UDP server.");
  FIdUDPServer1->close();
  // Listen only on the interface that reaches the radio, when the channel says which.
  const QHostAddress local = FIdTelnet->LocalAddress();
  if (!local.isNull() && !FIdUDPServer1->bind(local, 0)) {
    Log([&] {
      return "TFlexRadioLib.StartUDPServer: Cannot listen on " + AddressText(local) + " (" +
             FIdUDPServer1->errorString().toStdString() + "), listening on every interface.";
    });
    FIdUDPServer1->close();
  }
  if (!MeterListening() && !FIdUDPServer1->bind(QHostAddress::AnyIPv4, 0)) {
    Log([&] {
      return "TFlexRadioLib.StartUDPServer: Failed to start UDP server: " +
             FIdUDPServer1->errorString().toStdString();
    });
    return false;
  }
  FIdUDPServer1->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                 kMeterReceiveBufferBytes);
  Log([&] {
    return "TFlexRadioLib.StartUDPServer: UDP server started on port " +
           std::to_string(FIdUDPServer1->localPort());
  });
  return true;
}

void TFlexRadioLib::IdTelnetDisconnected() {
  Log("TFlexRadioLib.IdTelnetDisconnected: Disconnected from Telnet server.");
}

void TFlexRadioLib::IdTelnetClosed(const QString& reason) {
  Enter(LinkEvent::ChannelClosed);
  FTransmit.Unkeyed();
  // Without reconnection the loss goes unremarked, as it always did: the watchdog
  // reports the closed channel on its next tick.
  if (FPhase == LinkPhase::WaitingToRetry) ConnectionLost(reason.toStdString());
}

void TFlexRadioLib::DisconnectRadio() {
  Log("TFlexRadioLib.DisconnectRadio: Disconnecting radio.");
  FRetryTimer->stop();
  Enter(LinkEvent::Stop);
  FIdTelnet->Disconnect();
  FTransmit.Unkeyed();
  FIdUDPServer1->close();
  ExpectMetersFrom(QHostAddress());
  FIdUDPServer2->close();
  Log("TFlexRadioLib.DisconnectRadio: Radio disconnected.");
}

bool TFlexRadioLib::MeterListening() const {
  return FIdUDPServer1->state() == QAbstractSocket::BoundState;
}

quint16 TFlexRadioLib::MeterListenerPort() const {
  return MeterListening() ? FIdUDPServer1->localPort() : 0;
}

// ---- command channel ----

void TFlexRadioLib::SendRadioCommand(std::string_view Command) {
  Log([&] { return "TFlexRadioLib.SendRadioCommand: Sending command - " + std::string(Command); });
  const std::string line =
      "C" + std::to_string(FCommandCount) + "|" + std::string(Command) + "\r\n";
  FIdTelnet->Send(line);
  ++FCommandCount;
}

void TFlexRadioLib::IdTelnetDataAvailable(const QByteArray& Buffer) {
  const std::string_view raw(Buffer.constData(), static_cast<std::size_t>(Buffer.size()));
  const std::string ResponseStr = AsciiText(raw);
  FLastStatusTime = FSettings.clock.get().MonotonicNow();
  Log([&] {
    return "TFlexRadioLib.IdTelnetDataAvailable: Raw data received - " + BytesToHex(raw);
  });
  Log([&] { return "TFlexRadioLib.IdTelnetDataAvailable: Decoded data - " + ResponseStr; });
  LineAssembler::Result assembled = FStatusLines.Feed(ResponseStr);
  if (assembled.dropped_lines > 0) {
    Log([&] {
      return "TFlexRadioLib.IdTelnetDataAvailable: Dropped a status line longer than " +
             std::to_string(LineAssembler::kMaxLineBytes) + " bytes.";
    });
  }
  bool meter_data_seen = false;
  for (const std::string& line : assembled.lines) HandleStatusLine(line, meter_data_seen);
  if (meter_data_seen) LogMeterList(FMeterList, FLog);
  if (!assembled.lines.empty()) TellChange();  // the meters or the frequency may have changed
}

void TFlexRadioLib::HandleStatusLine(const std::string& line, bool& meter_data_seen) {
  // A line the parsers choke on is reported and skipped; the next one is read as usual.
  if (IsPingReply(line)) FPingSequence.reset();
  try {
    if (ContainsMeterMarker(line)) {
      meter_data_seen = true;
      ParseMeterData(line, FMeterList, FLog);
      RefreshWatchedMeters();
    }
    FollowInterlock(line);
    ParseSliceString(line);
  } catch (const std::exception& e) {
    Log([&] {
      return std::string("TFlexRadioLib.IdTelnetDataAvailable: Error in status line: ") + e.what();
    });
  }
}

void TFlexRadioLib::FollowInterlock(const std::string& line) {
  const std::optional<std::string> state = InterlockState(line);
  if (!state) return;
  Log([&] { return "TFlexRadioLib.FollowInterlock: Interlock state " + *state + "."; });
  FTransmit.FollowInterlock(*state);
}

// ---- watchdog ----

void TFlexRadioLib::OnTimer() {
  Log([&] {
    return "TFlexRadioLib.OnTimer: Timer triggered at " + LocalDateTimeText() +
           ", checking for UDP activity.";
  });
  MonitorUDPActivity();
  if (FReconnect) MonitorRadioAnswers();
}

bool TFlexRadioLib::IsPingReply(std::string_view line) const {
  if (!FPingSequence) return false;
  const std::string prefix = "R" + std::to_string(*FPingSequence) + "|";
  return line.starts_with(prefix);
}

void TFlexRadioLib::MonitorRadioAnswers() {
  if (FPhase != LinkPhase::Connected) return;
  if (FPingSequence) {
    if (Since(FPingSentTime) <= FSettings.PingTimeout) return;
    Enter(LinkEvent::PingUnanswered);
    ConnectionLost("no answer to ping");
    return;
  }
  // Only a radio that has gone quiet on both paths is asked; a live one answers.
  const auto quiet = std::min(Since(FLastStatusTime), Since(FLastUDPReceiveTime));
  if (quiet <= FSettings.PingAfterQuiet) return;
  FPingSequence = FCommandCount;
  FPingSentTime = FSettings.clock.get().MonotonicNow();
  SendRadioCommand("ping");
}

void TFlexRadioLib::MonitorUDPActivity() {
  if (!FIdTelnet->Connected() || !MeterListening()) {
    Log("TFlexRadioLib.MonitorUDPActivity: Telnet or UDP is not active. Skipping "
        "resubscription.");
    return;
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      FSettings.clock.get().MonotonicNow() - FLastUDPReceiveTime);
  const std::int32_t ElapsedTime = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(elapsed.count() < 0 ? -elapsed.count() : elapsed.count(), 0,
                               std::numeric_limits<std::int32_t>::max()));
  Log([&] {
    return "TFlexRadioLib.MonitorUDPActivity: Elapsed time since last UDP packet: " +
           std::to_string(ElapsedTime) + " ms";
  });
  if (ElapsedTime > FUDPTimeout) {
    Log("TFlexRadioLib.MonitorUDPActivity: No UDP packets received for a while, resubscribing "
        "to meters.");
    ResubscribeMeters();
  }
}

void TFlexRadioLib::ResubscribeMeters() {
  SendRadioCommand("sub meter all");
  Log("TFlexRadioLib.ResubscribeMeters: Resubscribed to all meters.");
}

// ---- slice frequency ----

void TFlexRadioLib::ParseSliceString(std::string_view SliceString) {
  Log("TFlexRadioLib.ParseSliceString: Parsing slice string.");
  const std::string FreqStr = GetValueFromAttributeString(SliceString, "RF_frequency");
  if (FreqStr.empty()) return;
  const std::optional<double> FreqFloat = ParseFrequencyText(FreqStr);
  if (!FreqFloat) return;
  std::int32_t NewFreq = 0;
  try {
    NewFreq = FloatToIntegerWithoutDot(*FreqFloat);
  } catch (const ConversionError& e) {
    // Beyond 32 bits of hertz: keep the frequency we have.
    Log([&] {
      return "TFlexRadioLib.ParseSliceString: Frequency " + FreqStr + " ignored: " + e.what();
    });
    return;
  }
  const std::int32_t OldFreq = FCurrentFreq;
  FCurrentFreq = NewFreq;
  UpdateFrequencyFromRadio(FCurrentFreq);
  Log([&] {
    return "TFlexRadioLib.ParseSliceString: Frequency updated to " + std::to_string(FCurrentFreq);
  });
  if (OldFreq / 1000000 != FCurrentFreq / 1000000)
    Log("TFlexRadioLib.ParseSliceString: Band change detected.");
}

void TFlexRadioLib::UpdateFrequencyFromRadio(std::int32_t NewFrequency) {
  Log([&] {
    return "TFlexRadioLib.UpdateFrequencyFromRadio: Updating frequency to " +
           std::to_string(NewFrequency);
  });
  FLastFrequencyChangeTime = FSettings.clock.get().MonotonicNow();
  // One timer restarted per report: only the last report of a burst is followed
  // by a check, as it would be if every report had its own.
  FFrequencySettleTimer->start(static_cast<int>(FSettings.FrequencySettleDelay.count()));
}

void TFlexRadioLib::HandleFrequencyChange() {
  const auto quiet = FSettings.clock.get().MonotonicNow() - FLastFrequencyChangeTime;
  if (quiet >= FSettings.FrequencySettleDelay)
    Log("TFlexRadioLib.HandleFrequencyChange: Frequency stabilized");
}

// ---- meter stream ----

void TFlexRadioLib::ExpectMetersFrom(const QHostAddress& radio) {
  const std::string text = radio.isNull() ? std::string() : AddressText(radio);
  FMeterSenders.ExpectFrom(text);
  FMeterRadioAddress = text.empty() ? QHostAddress() : QHostAddress(QString::fromStdString(text));
}

void TFlexRadioLib::ReadPendingMeterDatagrams() {
  // A flood (with the log on, every pair is a line) must not starve the meter tick
  // and the paints: read for a few milliseconds, then let the event loop run. The
  // socket's notifier fires again for what is left.
  constexpr qint64 kReadBudgetNs = 4'000'000;
  // The largest datagram UDP carries: each is read whole without first asking its size.
  constexpr std::size_t kLargestDatagram = 65536;
  if (FReceiveBuffer.size() < kLargestDatagram) FReceiveBuffer.resize(kLargestDatagram);
  QElapsedTimer spent;
  spent.start();
  // The notifier fires with a datagram waiting: read it, then ask whether another one is.
  // Two calls into the kernel a datagram where asking first took four.
  do {
    if (!MeterListening()) return;
    QHostAddress sender;
    const qint64 read = FIdUDPServer1->readDatagram(reinterpret_cast<char*>(FReceiveBuffer.data()),
                                                    kLargestDatagram, &sender);
    if (read < 0) return;
    // The radio's own datagrams, nearly all of them, pass without their sender as text.
    const bool from_radio = !FMeterRadioAddress.isNull() &&
                            sender.isEqual(FMeterRadioAddress, QHostAddress::ConvertV4MappedToIPv4);
    if (!from_radio &&
        !FMeterSenders.Accept(AddressText(sender), FSettings.clock.get().MonotonicNow(), FLog))
      continue;
    IdUDPServer1UDPRead(
        std::span<const std::uint8_t>(FReceiveBuffer.data(), static_cast<std::size_t>(read)));
  } while (spent.nsecsElapsed() < kReadBudgetNs && MeterListening() &&
           FIdUDPServer1->hasPendingDatagrams());
}

void TFlexRadioLib::IdUDPServer1UDPRead(std::span<const std::uint8_t> AData) {
  Log("TFlexRadioLib.IdUDPServer1UDPRead: UDP data received.");
  const auto now = FSettings.clock.get().MonotonicNow();
  FLastUDPReceiveTime = now;
  ++FMeterDatagramCount;
  if (!FStreamSeenOnThisConnection && FPhase == LinkPhase::Connected) {
    // The connection works: the next loss starts the backoff from its first step.
    FStreamSeenOnThisConnection = true;
    FBackoff.Reset();
  }
  Log([&] {
    return "TFlexRadioLib.IdUDPServer1UDPRead: FLastUDPReceiveTime updated to " +
           LocalDateTimeText();
  });
  FByteArrayData.assign(AData.begin(), AData.end());
  try {
    const WatchedValues values = ApplyMeterDatagram(AData, FMeterList, FLog);
    const bool levelNews =
        (values.Changed & 1u) != 0 || ((values.Arrived & 1u) != 0 && !LevelValueFresh(now));
    if (values.Arrived & 1u) FLevelValueTime = now;
    FTransmit.ValuesArrived(values.Arrived >> 1, now);
    // The same fresh level again, or transmit meters while receiving, change nothing the
    // window reads: its tick sleeps on through a steady signal.
    if (levelNews || ((values.Arrived >> 1) != 0 && FTransmit.Transmitting())) TellChange();
  } catch (const Vita49Error& e) {
    Log([&] {
      return std::string("TFlexRadioLib.IdUDPServer1UDPRead: Datagram dropped: ") + e.what();
    });
  }
}

}  // namespace quendal
