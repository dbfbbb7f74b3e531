#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <memory>
#include <string>
#include <vector>

namespace quendal::tcisim {

// The S-meter signal of receiver 0, channel 0 over time.
struct LevelPlan {
  enum class Kind { Steady, Sweep, Steps };
  Kind kind = Kind::Sweep;
  double steady_dbm = -73.0;
  std::vector<double> steps;  // Steps: each held hold_s, the last one kept
  double hold_s = 2.0;

  // "steady:<dBm>", "sweep" or "steps:<dBm>,<dBm>,..."; false when unreadable.
  bool Parse(const std::string& text);
  // The level `seconds` after the start.
  double LevelAt(double seconds) const;
};

struct SimOptions {
  QHostAddress listen = QHostAddress::LocalHost;
  quint16 port = 50001;  // 0: any free port
  QString version = QStringLiteral("1.9");
  int trx_count = 2;
  int push_ms = 200;  // 0: answer queries only
  LevelPlan level;
  bool upper_case = false;
  bool silent = false;      // accept, then never say anything
  bool garbage = false;     // bad commands beside the good ones
  bool huge_frame = false;  // one 2 MiB frame a second after the start-up sequence
  // From the first client on, receiver 0's transmitter unkeyed for transmit_off_s, then
  // keyed for transmit_on_s, over and over; 0: never keyed.
  double transmit_on_s = 0.0;
  double transmit_off_s = 0.0;
  double tx_power_w = 50.0;
  double swr = 1.5;
  double drop_after_s = -1.0;   // < 0: never
  double restart_after_s = -1;  // < 0: never
  double down_s = 3.0;
};

// One WebSocket client, with its own pushes.
class SimClient : public QObject {
 public:
  SimClient(QWebSocket* socket, const SimOptions& options, const QElapsedTimer& clock, bool keyed);
  // Tells the client at once, then pushes the transmitter's meters while keyed.
  void SetKeyed(bool keyed);

 private:
  void Greet();
  void OnText(const QString& text);
  void HandleCommand(const QString& command);
  void Push();
  void PushTransmit();
  void StartTransmitPushes();
  void SendHugeFrame();
  void Send(QString text);
  QString Levels(const char* name) const;
  double LevelOf(int trx, int channel) const;

  QWebSocket* socket_;
  const SimOptions& options_;
  const QElapsedTimer& clock_;
  QTimer push_timer_;
  QTimer transmit_timer_;
  bool sensors_ = false;
  bool keyed_ = false;
  int tx_sensors_ms_ = 0;  // 0: not asked for, so tx_power and tx_swr
};

// The server: start-up sequence, pushed and polled S-meter, drops and restarts.
class TciSimulator : public QObject {
 public:
  explicit TciSimulator(SimOptions options);
  bool Start();

 private:
  bool Listen();
  void OnNewConnection();
  void GoDown();
  void ReportLevelChanges();
  void Key(bool keyed);

  SimOptions options_;
  QWebSocketServer server_;
  QElapsedTimer clock_;
  QTimer level_report_timer_;
  QTimer transmit_timer_;
  std::vector<QPointer<SimClient>> clients_;
  bool keyed_ = false;
  double reported_level_ = 1e9;
  bool client_seen_ = false;
};

}  // namespace quendal::tcisim
