#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/radiosim/SimMeters.h"

namespace quendal::radiosim {

struct SimOptions {
  QHostAddress listen = QHostAddress::LocalHost;
  quint16 command_port = 4992;
  quint16 discovery_port = 4992;
  QString advertised_ip;  // empty: the listen address
  bool broadcast = false;
  bool discovery = true;
  LevelModel level;
  TransmitModel transmit;
  double silence_after_s = -1.0;  // < 0: never
  double drop_after_s = -1.0;
  int chunk_bytes = 0;  // 0: whole texts
  double rate = 1.0;
  // Faults a real network or a broken radio can bring.
  bool command = true;            // false: discovery only, no command port
  bool huge_status_line = false;  // one 2 MiB status line after the subscription
  int discovery_burst = 0;        // extra discovery datagrams in the first second
  double garbage_rate = 0.0;      // garbage meter datagrams per second
  double garbage_seconds = 0.0;
  long long garbage_count = 0;   // when set, the garbage ends after this many, however long
  double garbage_after_s = 0.0;  // delay after the stream starts
  // The radio's lifecycle. Times < 0: never; after-times count from the first client.
  double start_after_s = 0.0;  // silent (no discovery, port closed) this long
  double restart_after_s = -1.0;
  double restart_pause_s = 3.0;  // down this long during a restart
  double freeze_after_s = -1.0;
  double freeze_for_s = 20.0;  // then it comes back as after a reboot
  int refuse_first = 0;        // accept and reset the first N connections
  int slices = 1;
  std::string serial = "1019-2048-6600-7717";
  std::string nickname = "QuendalSim";
};

// One client on the command port, with its own meter stream.
class SimSession : public QObject {
 public:
  SimSession(QTcpSocket* socket, const SimOptions& options, const std::string& handle,
             std::vector<SimMeter> meters);
  // Stops answering and streaming; the connection stays open.
  void Freeze();
  // Drops the connection without a word, as a radio that powers off.
  void Vanish();
  // The transmit interlock moved to `state`: told to a client that subscribed to it;
  // the transmit meters carry real values only while `on_air`.
  void SetInterlock(const std::string& state, bool on_air);

 private:
  void Greet();
  void OnReadyRead();
  void HandleLine(const QByteArray& line);
  void Reply(const std::string& seq, const std::string& code, const std::string& message = "");
  void SendMeterStatus();
  void SendInterlockStatus();
  void WriteText(const std::string& text);
  void StartStream();
  void StreamTick();
  void SendTick(double seconds);
  void SendFrequencyUpdate();
  void SendHugeStatusLine();
  void StartGarbage();
  void GarbageTick();

  QTcpSocket* socket_;
  const SimOptions& options_;
  std::string handle_;
  std::vector<SimMeter> meters_;
  bool frozen_ = false;
  QByteArray pending_;
  QUdpSocket udp_;
  quint16 udp_port_ = 0;
  bool subscribed_ = false;
  bool tx_subscribed_ = false;
  std::string interlock_ = "READY";
  bool on_air_ = false;
  QTimer stream_timer_;
  QTimer tune_timer_;
  QElapsedTimer stream_clock_;
  long long ticks_sent_ = 0;
  int packet_counter_ = 0;
  std::vector<double> credit_;
  bool tuned_up_ = false;
  bool huge_line_sent_ = false;
  bool garbage_started_ = false;
  QTimer garbage_timer_;
  QElapsedTimer garbage_clock_;
  long long garbage_sent_ = 0;
  std::mt19937 rng_{4992};
};

// A radio as the meter program sees it: discovery broadcasts, the command
// port with its replies and status text, and the meter stream.
class RadioSimulator : public QObject {
 public:
  explicit RadioSimulator(SimOptions options);
  // Opens the command port; false (with the reason on stderr) when it cannot.
  bool Start();
  quint16 CommandPort() const { return server_.serverPort(); }

 private:
  bool GoLive();
  void ScheduleLifecycle();
  void Restart();
  void Freeze();
  void ComeBack();
  void SendDiscovery();
  void StartDiscoveryBurst();
  void DiscoveryBurstTick();
  void OnNewConnection();
  // The --transmit loop: receive for off_s, key, transmit for on_s, unkey, and again.
  void StartTransmitCycle();
  void Key();
  void Unkey();
  void Interlock(const std::string& state, bool on_air);
  quint16 AdvertisedPort() const;

  SimOptions options_;
  QTcpServer server_;
  QUdpSocket discovery_socket_;
  QTimer discovery_timer_;
  int discovery_counter_ = 0;
  int sessions_started_ = 0;
  int refused_ = 0;
  int generation_ = 0;  // reboots so far; each numbers the meters afresh
  bool lifecycle_scheduled_ = false;
  bool frozen_ = false;
  quint16 bound_port_ = 0;
  std::vector<QPointer<SimSession>> sessions_;
  QTimer burst_timer_;
  QElapsedTimer burst_clock_;
  int burst_sent_ = 0;
  bool transmit_cycle_started_ = false;
  std::string interlock_ = "READY";
  bool on_air_ = false;
};

// Prints a received line with its non-printable bytes escaped (\r, \n, \t, \xNN).
std::string EscapeLine(const QByteArray& line);

}  // namespace quendal::radiosim
