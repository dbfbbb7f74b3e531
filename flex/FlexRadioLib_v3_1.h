#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "flex/FlexConfig.h"
#include "flex/LinkLifecycle.h"
#include "flex/TelnetChannel.h"
#include "flex/TransmitMeters.h"
#include "meters/LevelSource.h"
#include "meters/MeterList.h"
#include "meters/MeterSender.h"
#include "support/Clock.h"
#include "support/ReconnectBackoff.h"
#include "support/TextLog.h"

namespace quendal {

// The user's settings, read by the window, and what differs between the program and
// its tests; the program uses the defaults of the latter.
struct RadioLinkSettings {
  FlexConfig Config;
  bool EnableLogging = false;    // [Logging] EnableLogging
  quint16 DiscoveryPort = 4992;  // 0: any free port (tests), see DiscoveryListenerPort()
  quint16 CommandPort = 4992;
  std::string LogPath = "FlexRadioLib.log";
  std::reference_wrapper<const Clock> clock = SystemClock::Instance();
  std::chrono::milliseconds DiscoveryTimeout{10000};
  std::chrono::milliseconds WatchdogInterval{1000};
  std::chrono::milliseconds FrequencySettleDelay{100};
  std::chrono::milliseconds ConnectTimeout{5000};
  // One step of the reconnect backoff (1, then 2 of these).
  std::chrono::milliseconds ReconnectPauseUnit{1000};
  // With nothing heard for this long the radio is pinged; an unanswered ping loses it.
  std::chrono::milliseconds PingAfterQuiet{5000};
  std::chrono::milliseconds PingTimeout{10000};
};

// The key=value pairs of the last discovery datagram, in payload order.
using DiscoveryRecord = std::vector<std::pair<std::string, std::string>>;

// Reads a discovery payload: ASCII up to the first NUL, tokens split at single
// blanks (a token starting with a double quote runs to its closing quote),
// tokens without "=" skipped, further "=" pieces dropped.
DiscoveryRecord ParseDiscoveryPayload(std::string_view payload);
// First value of `key` (ignoring ASCII case); empty when missing.
std::string DiscoveryValue(const DiscoveryRecord& record, std::string_view key);
// "0AFF" for the bytes 0x0A 0xFF.
std::string BytesToHex(std::string_view bytes);

// The radio link: finds the radio, keeps the command channel and the meter
// stream, follows the slice frequency, and keeps FlexRadioLib.log. Everything
// runs on the event loop of the thread that owns it.
class TFlexRadioLib : public QObject, public LevelSource {
 public:
  explicit TFlexRadioLib(RadioLinkSettings settings = {}, QObject* parent = nullptr);
  ~TFlexRadioLib() override;

  TFlexRadioLib(const TFlexRadioLib&) = delete;
  TFlexRadioLib& operator=(const TFlexRadioLib&) = delete;

  // Opens the discovery listener; each datagram refreshes the discovery record
  // and, when no attempt is under way and the channel is not connected, starts
  // one. The arguments are not used. Throws std::runtime_error when the listener
  // cannot be opened.
  void AutoDiscoverAndConnect(int UDPPort, int TelnetPort);
  // Closes the command channel and both listeners. Harmless when repeated.
  void DisconnectRadio();

  TMeter GetMeterById(std::string_view MeterId) const;
  TMeter GetMeterByName(std::string_view MeterName);
  void GetMeterByName(std::string_view MeterName, TMeter& Meter);
  const TMeterList& MeterList() const { return FMeterList; }
  std::int32_t CurrentFreq() const { return FCurrentFreq; }

  // The level source: Start discovers and connects, Stop disconnects.
  void Start() override;
  void Stop() override;
  LevelReading CurrentLevel() override;
  // The LEVEL meter's own rate, as the radio describes it (fps).
  std::chrono::milliseconds UpdateInterval() const override;
  LinkStatus Status() const override;
  RadioIdentity Identity() const override;
  // The interlock and the TX- meters, both as the radio reports them.
  TransmitStatus CurrentTransmit() override;
  bool TellsChanges() const override { return true; }

  // Read-only state, for the program's own log and for tests.
  bool LoggingEnabled() const { return FLog.Enabled(); }
  const std::string& TelnetIP() const { return FTelnetIP; }
  bool Reconnect() const { return FReconnect; }
  const std::string& RadioSerial() const { return FRadioSerial; }
  std::optional<std::int32_t> Slice() const { return FSlice; }
  LinkPhase Phase() const { return FPhase; }
  const DiscoveryRecord& FlexDiscovery() const { return FFlexDiscovery; }
  bool DiscoveryListening() const;
  quint16 DiscoveryListenerPort() const;
  bool MeterListening() const;
  quint16 MeterListenerPort() const;
  bool CommandChannelConnected() const { return FIdTelnet->Connected(); }
  std::uint64_t MeterDatagramsReceived() const { return FMeterDatagramCount; }
  std::uint64_t MeterDatagramsIgnored() const { return FMeterSenders.Dropped(); }

 private:
  // Takes the handed settings: the window has read config.ini once for everyone.
  void LoadConfig();
  // A line of text, or a callable that builds it only when the log is on.
  template <typename Message>
  void Log(Message&& message) {
    FLog.Log(std::forward<Message>(message));
  }

  void ConnectToTelnetServer();
  void IdTelnetConnected();
  void IdTelnetConnectFailed(const QString& message);
  void IdTelnetDisconnected();
  void IdTelnetClosed(const QString& reason);
  bool StartUDPServer();

  // Reconnection: a lost link is torn down and tried again after the backoff pause.
  void Enter(LinkEvent event);
  void ConnectionLost(const std::string& reason);
  void ScheduleRetry();
  void OnRetryDue();
  bool OpenDiscoveryListener();
  void MonitorRadioAnswers();
  bool IsPingReply(std::string_view line) const;
  void ForgetMeters();
  void RefreshWatchedMeters();
  void RefreshLevelMeter();
  void FollowInterlock(const std::string& line);
  TMeter FindLevelMeter() const;
  // Whether the level meter's last value is still fresh at `now`, whatever its rate.
  bool LevelValueFresh(std::chrono::steady_clock::time_point now) const;
  bool WantedRadio(const DiscoveryRecord& record) const;
  void LogChosenRadio();
  std::chrono::milliseconds Since(std::chrono::steady_clock::time_point then) const;

  void SendRadioCommand(std::string_view Command);
  void IdTelnetDataAvailable(const QByteArray& Buffer);
  void HandleStatusLine(const std::string& line, bool& meter_data_seen);

  void OnTimer();
  void MonitorUDPActivity();
  void ResubscribeMeters();

  void ParseSliceString(std::string_view SliceString);
  void UpdateFrequencyFromRadio(std::int32_t NewFrequency);
  void HandleFrequencyChange();

  // Meter datagrams count only from `radio` (none: from nobody).
  void ExpectMetersFrom(const QHostAddress& radio);
  void ReadPendingMeterDatagrams();
  void IdUDPServer1UDPRead(std::span<const std::uint8_t> AData);
  void ReadPendingDiscoveryDatagrams();
  void IdUDPServer2UDPRead(std::span<const std::uint8_t> AData, const std::string& sender);
  void LogAnnouncedElsewhere(const DiscoveryRecord& record, const std::string& sender);
  void OnDiscoveryTimeout();

  std::string LocalDateTimeText() const;

  RadioLinkSettings FSettings;
  TextLog FLog;
  TelnetChannel* FIdTelnet;
  QUdpSocket* FIdUDPServer1;  // meter stream
  QUdpSocket* FIdUDPServer2;  // discovery
  // A copy of the last meter datagram; nothing reads it, it stays as the documented field.
  std::vector<std::uint8_t> FByteArrayData;
  std::vector<std::uint8_t> FReceiveBuffer;
  TMeterList FMeterList;
  DiscoveryRecord FFlexDiscovery;
  std::int32_t FCommandCount = 1;
  std::int32_t FCurrentFreq = 0;
  std::chrono::steady_clock::time_point FLastFrequencyChangeTime{};
  QTimer* FFrequencySettleTimer;
  QTimer* FDiscoveryTimer;
  std::string FTelnetIP;
  QTimer* FTimer;
  std::chrono::steady_clock::time_point FLastUDPReceiveTime{};
  std::int32_t FUDPTimeout = 5000;
  LineAssembler FStatusLines;
  std::uint64_t FMeterDatagramCount = 0;
  MeterSenderFilter FMeterSenders;
  QHostAddress FMeterRadioAddress;  // the filter's radio, to compare without text

  bool FReconnect = true;
  std::string FRadioSerial;            // empty: the first radio that answers
  std::optional<std::int32_t> FSlice;  // empty: the first LEVEL meter
  LinkPhase FPhase = LinkPhase::Idle;
  ReconnectBackoff FBackoff;
  QTimer* FRetryTimer;
  std::string FConnectHost;
  std::string FAnnouncedElsewhereLogged;  // the last "ip from sender" mismatch logged
  bool FHeardSinceLoss = false;
  bool FStreamSeenOnThisConnection = false;
  std::chrono::steady_clock::time_point FSubscribedTime{};
  std::chrono::steady_clock::time_point FLastStatusTime{};
  std::optional<std::int32_t> FPingSequence;
  std::chrono::steady_clock::time_point FPingSentTime{};
  // The chosen LEVEL meter and the time of its own last value.
  std::string FLevelMeterId;
  std::optional<std::chrono::steady_clock::time_point> FLevelValueTime;
  TransmitMeters FTransmit;
};

// The radio link with the settings that `section` of config.ini (and [Meter]) holds,
// on the ports and clock of `link`.
std::unique_ptr<LevelSource> MakeFlexSource(const IniFile& ini, std::string_view section,
                                            bool logging, RadioLinkSettings link = {});

}  // namespace quendal
