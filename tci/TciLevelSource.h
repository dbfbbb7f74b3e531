#pragma once

#include <QObject>
#include <QTimer>
#include <QWebSocket>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "meters/LevelSource.h"
#include "support/Clock.h"
#include "support/ReconnectBackoff.h"
#include "support/TextLog.h"
#include "tci/TciConfig.h"
#include "tci/TciProtocol.h"

namespace quendal {

// The user's settings, read by the window, and what differs between the program and
// its tests; the program uses the defaults of the latter.
struct TciSourceSettings {
  TciConfig Config;
  bool EnableLogging = false;  // [Logging] EnableLogging
  std::string LogPath = "TCI.log";
  std::reference_wrapper<const Clock> clock = SystemClock::Instance();
  // How often the source asks for the S-meter when the server pushes none.
  std::chrono::milliseconds PollInterval{200};
  std::chrono::milliseconds ConnectTimeout{5000};
  // A server that never says "ready;" is read anyway after this long.
  std::chrono::milliseconds ReadyTimeout{5000};
};

// The S-meter of one receiver channel of a TCI server (a WebSocket text
// protocol): reads the start-up sequence, takes pushed readings, asks when none
// come, and reconnects with the shared backoff when the server goes away.
// Everything runs on the event loop of the thread that owns it.
class TciLevelSource : public QObject, public LevelSource {
 public:
  // Text frames beyond this close the connection: no server sends such.
  static constexpr qint64 kMaxMessageBytes = 1 << 20;

  explicit TciLevelSource(TciSourceSettings settings = {}, QObject* parent = nullptr);
  ~TciLevelSource() override;

  TciLevelSource(const TciLevelSource&) = delete;
  TciLevelSource& operator=(const TciLevelSource&) = delete;

  void Start() override;
  void Stop() override;
  LevelReading CurrentLevel() override;
  // The poll's: a server that pushes readings sends them at least as often.
  std::chrono::milliseconds UpdateInterval() const override { return settings_.PollInterval; }
  LinkStatus Status() const override;
  RadioIdentity Identity() const override;
  // Power and SWR of the target receiver's transmitter, while it is keyed; TCI has
  // no channel for ALC or compression.
  TransmitStatus CurrentTransmit() override;
  bool TellsChanges() const override { return true; }

  const TciConfig& Config() const { return settings_.Config; }
  const TciServerInfo& Server() const { return reader_.Server(); }

 private:
  void Log(const std::string& message);
  void Connect();
  void OnConnected();
  void OnDisconnected();
  void OnConnectTimeout();
  void OnTextMessage(const QString& message);
  void OnPollTick();
  void ScheduleReconnect();
  void Send(const std::string& command);
  void TakeTransmit(const TciFrameResult& result);
  void ForgetTransmit();
  // Since the last reading on this connection; empty while none has come.
  std::optional<std::chrono::milliseconds> LevelAge() const;

  TciSourceSettings settings_;
  TextLog log_;
  TciReader reader_{{}};
  QWebSocket* socket_;
  QTimer* connect_timer_;
  QTimer* reconnect_timer_;
  QTimer* poll_timer_;
  ReconnectBackoff backoff_;
  bool running_ = false;
  bool connected_ = false;
  std::chrono::steady_clock::time_point connected_at_{};
  std::chrono::steady_clock::time_point retry_at_{};
  std::optional<double> level_dbm_;
  std::chrono::steady_clock::time_point level_time_{};
  std::int32_t frequency_hz_ = 0;

  // A meter of the transmitter and when it last arrived.
  struct TimedValue {
    std::optional<double> value;
    std::chrono::steady_clock::time_point at{};
  };
  bool transmitting_ = false;
  TimedValue tx_power_;
  TimedValue tx_peak_power_;
  TimedValue tx_swr_;
};

// The source of the TCI server that `section` of config.ini names. Throws
// TciConfigError (a std::runtime_error) for keys it cannot use.
std::unique_ptr<LevelSource> MakeTciSource(const IniFile& ini, std::string_view section,
                                           bool logging);

}  // namespace quendal
