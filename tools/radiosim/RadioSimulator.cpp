#include "tools/radiosim/RadioSimulator.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quendal::radiosim {

namespace {
constexpr double kTicksPerSecond = 28.0;
constexpr int kMaxTicksPerTimer = 2000;
// Command lines longer than this are nonsense; they are dropped.
constexpr qsizetype kMaxCommandLine = 64 * 1024;
constexpr int kTuneIntervalMs = 7000;
constexpr qsizetype kHugeStatusLineBytes = 2 * 1024 * 1024;
constexpr int kHugeStatusLineDelayMs = 1000;
constexpr int kMaxGarbagePerTimer = 5000;
constexpr int kBurstTickMs = 5;
// How long the interlock stays in PTT_REQUESTED and UNKEY_REQUESTED.
constexpr int kInterlockStepMs = 30;

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::string SliceStatus(const std::string& handle) {
  return "S" + handle +
         "|slice 0 in_use=1 sample_rate=24000 RF_frequency=14.074000 client_handle=0x" + handle +
         " index_letter=A rit_on=0 rit_freq=0 xit_on=0 xit_freq=0 rxant=ANT1 mode=USB wide=0 "
         "filter_lo=100 filter_hi=2900 step=10 step_list=1,10,50,100,500,1000,2000,3000 "
         "agc_mode=med agc_threshold=65 agc_off_level=10 pan=0x40000000 txant=ANT1 loopa=0 "
         "loopb=0 qsk=0 dax=0 dax_clients=0 lock=0 tx=1 active=1 audio_level=50 audio_pan=50 "
         "audio_mute=0 record=0 play=disabled record_time=0.0 anf=0 anf_level=0 nr=0 "
         "nr_level=0 nb=0 nb_level=50 wnb=0 wnb_level=100 apf=0 apf_level=0 squelch=1 "
         "squelch_level=20 diversity=0 ant_list=ANT1,ANT2,RX_A,XVTA "
         "mode_list=LSB,USB,AM,CW,DIGL,DIGU,SAM,FM,NFM,DFM,RTTY fm_tone_mode=OFF "
         "post_demod_low=300 post_demod_high=3300 rx_error_mHz=0\n";
}
}  // namespace

std::string EscapeLine(const QByteArray& line) {
  std::string out;
  for (char c : line) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (b < 0x20 || b >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

// ---- session ----

SimSession::SimSession(QTcpSocket* socket, const SimOptions& options, const std::string& handle,
                       std::vector<SimMeter> meters)
    : QObject(socket),
      socket_(socket),
      options_(options),
      handle_(handle),
      meters_(std::move(meters)) {
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  credit_.assign(meters_.size(), 1.0);
  connect(socket_, &QTcpSocket::readyRead, this, &SimSession::OnReadyRead);
  connect(socket_, &QTcpSocket::disconnected, this, [this] {
    Say("# client " + socket_->peerAddress().toString().toStdString() + " disconnected");
    stream_timer_.stop();
    tune_timer_.stop();
    garbage_timer_.stop();
    socket_->deleteLater();
  });
  const int interval = std::max(1, static_cast<int>(1000.0 / (kTicksPerSecond * options_.rate)));
  stream_timer_.setInterval(interval);
  stream_timer_.setTimerType(Qt::PreciseTimer);
  connect(&stream_timer_, &QTimer::timeout, this, &SimSession::StreamTick);
  tune_timer_.setInterval(kTuneIntervalMs);
  connect(&tune_timer_, &QTimer::timeout, this, &SimSession::SendFrequencyUpdate);
  garbage_timer_.setInterval(1);
  garbage_timer_.setTimerType(Qt::PreciseTimer);
  connect(&garbage_timer_, &QTimer::timeout, this, &SimSession::GarbageTick);

  if (options_.drop_after_s >= 0) {
    QTimer::singleShot(static_cast<int>(options_.drop_after_s * 1000), this, [this] {
      Say("# dropping the command channel (--drop-after)");
      socket_->disconnectFromHost();
    });
  }
  Greet();
}

void SimSession::Greet() {
  const std::string peer = socket_->peerAddress().toString().toStdString();
  Say("# client connected from " + peer);
  const std::string s = "S" + handle_ + "|";
  WriteText("V1.4.0.0\nH" + handle_ + "\nM10000001|Client connected from IP " + peer + "\n" + s +
            "radio slices=4 panadapters=4 lineout_gain=60 lineout_mute=0 headphone_gain=50 "
            "headphone_mute=0 remote_on_enabled=0 pll_done=0 freq_error_ppb=0 "
            "cal_freq=15.000000 tnf_enabled=1 nickname=" +
            options_.nickname +
            " callsign=N0CALL "
            "binaural_rx=0 full_duplex_enabled=0 band_persistence_enabled=1 "
            "rtty_mark_default=2125 enforce_private_ip_connections=1 backlight=50 "
            "mute_local_audio_when_remote=1 daxiq_capacity=16 daxiq_available=16\n" +
            s + "radio filter_sharpness VOICE level=2 auto_level=1\n" + s +
            "radio static_net_params ip= gateway= netmask=\n" + s +
            "radio oscillator state=tcxo setting=auto locked=1 ext_present=0 gpsdo_present=0 "
            "tcxo_present=1\n" +
            SliceStatus(handle_));
  tune_timer_.start();
}

void SimSession::Freeze() {
  frozen_ = true;
  stream_timer_.stop();
  tune_timer_.stop();
  garbage_timer_.stop();
}

void SimSession::Vanish() {
  Freeze();
  socket_->abort();
}

void SimSession::SetInterlock(const std::string& state, bool on_air) {
  interlock_ = state;
  on_air_ = on_air;
  if (tx_subscribed_) SendInterlockStatus();
}

void SimSession::SendInterlockStatus() {
  // Keyed by the radio itself (a foot switch, VOX): handle 0.
  WriteText("S0|interlock state=" + interlock_ + " reason= source=SW tx_allowed=1\n");
}

void SimSession::WriteText(const std::string& text) {
  if (frozen_) return;
  const QByteArray bytes = QByteArray::fromStdString(text);
  if (options_.chunk_bytes <= 0) {
    socket_->write(bytes);
    socket_->flush();
    return;
  }
  for (qsizetype i = 0; i < bytes.size(); i += options_.chunk_bytes) {
    socket_->write(bytes.mid(i, options_.chunk_bytes));
    socket_->flush();
  }
}

void SimSession::OnReadyRead() {
  if (frozen_) {
    socket_->readAll();
    return;
  }
  pending_ += socket_->readAll();
  qsizetype lf;
  while ((lf = pending_.indexOf('\n')) >= 0) {
    const QByteArray line = pending_.left(lf);
    pending_.remove(0, lf + 1);
    Say("< " + EscapeLine(line));
    HandleLine(line);
  }
  if (pending_.size() > kMaxCommandLine) {
    Say("# dropped " + std::to_string(pending_.size()) + " bytes without a line end");
    pending_.clear();
  }
}

void SimSession::HandleLine(const QByteArray& raw) {
  QByteArray line = raw;
  while (line.endsWith('\r')) line.chop(1);
  if (line.isEmpty()) return;
  const qsizetype bar = line.indexOf('|');
  if (!line.startsWith('C') || bar < 2) {
    Say("# not a command, ignored");
    return;
  }
  const std::string seq = line.mid(1, bar - 1).toStdString();
  const std::string command = line.mid(bar + 1).trimmed().toStdString();

  if (command.rfind("client udpport ", 0) == 0) {
    bool ok = false;
    const uint port = QString::fromStdString(command.substr(15)).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
      Reply(seq, "5000002D");
      return;
    }
    udp_port_ = static_cast<quint16>(port);
    // A radio streams from its own address, the one the client reached.
    udp_.close();
    udp_.bind(socket_->localAddress(), 0);
    Reply(seq, "0");
    if (subscribed_) StartStream();
  } else if (command == "meter list") {
    std::string all = "meter ";
    for (const SimMeter& m : meters_) all += MeterDescription(m);
    Reply(seq, "0", all);
  } else if (command == "sub meter all") {
    SendMeterStatus();
    Reply(seq, "0");
    subscribed_ = true;
    StartStream();
    if (options_.huge_status_line && !huge_line_sent_) {
      huge_line_sent_ = true;
      QTimer::singleShot(kHugeStatusLineDelayMs, this, &SimSession::SendHugeStatusLine);
    }
  } else if (command == "sub tx all") {
    tx_subscribed_ = true;
    SendInterlockStatus();
    Reply(seq, "0");
  } else if (command == "sub slice all") {
    WriteText(SliceStatus(handle_));
    Reply(seq, "0");
  } else if (command == "ping" || command.rfind("client program", 0) == 0 ||
             command.rfind("keepalive", 0) == 0) {
    Reply(seq, "0");
  } else {
    Reply(seq, "50000015");
  }
}

void SimSession::Reply(const std::string& seq, const std::string& code,
                       const std::string& message) {
  WriteText("R" + seq + "|" + code + "|" + message + "\n");
}

void SimSession::SendMeterStatus() {
  std::string text;
  for (const SimMeter& m : meters_) text += "S" + handle_ + "|meter " + MeterDescription(m) + "\n";
  WriteText(text);
}

void SimSession::StartStream() {
  if (udp_port_ == 0 || !subscribed_ || stream_timer_.isActive()) return;
  // Also revives a stream that --silence-after stopped, as a new subscription would.
  Say("# meter stream to " + socket_->peerAddress().toString().toStdString() + ":" +
      std::to_string(udp_port_));
  stream_clock_.start();
  ticks_sent_ = 0;
  stream_timer_.start();
  StreamTick();
  if (options_.garbage_rate > 0 && !garbage_started_) {
    garbage_started_ = true;
    QTimer::singleShot(static_cast<int>(options_.garbage_after_s * 1000), this,
                       &SimSession::StartGarbage);
  }
}

void SimSession::StreamTick() {
  const double seconds = static_cast<double>(stream_clock_.nsecsElapsed()) / 1e9;
  if (options_.silence_after_s >= 0 && seconds >= options_.silence_after_s) {
    Say("# meter stream silenced (--silence-after)");
    stream_timer_.stop();
    return;
  }
  const auto due = static_cast<long long>(seconds * kTicksPerSecond * options_.rate) + 1;
  const long long count = std::min<long long>(due - ticks_sent_, kMaxTicksPerTimer);
  for (long long i = 0; i < count; ++i) SendTick(seconds);
  ticks_sent_ = std::max(ticks_sent_ + count, due - kMaxTicksPerTimer);
}

void SimSession::SendTick(double seconds) {
  // Each tick carries the meters that are due: fps times a second, fps 0 once a second.
  std::vector<std::pair<std::uint16_t, std::int16_t>> pairs;
  const std::vector<SimMeter>& meters = meters_;
  for (std::size_t i = 0; i < meters.size(); ++i) {
    const double fps = meters[i].fps > 0 ? meters[i].fps : 1.0;
    credit_[i] += std::min(fps / kTicksPerSecond, 1.0);
    if (credit_[i] < 1.0) continue;
    credit_[i] -= 1.0;
    pairs.emplace_back(
        static_cast<std::uint16_t>(meters[i].id),
        RawValue(meters[i], options_.level, seconds, on_air_ ? &options_.transmit : nullptr));
  }
  if (pairs.empty()) return;
  udp_.writeDatagram(MeterPacket(pairs, packet_counter_++), socket_->peerAddress(), udp_port_);
}

void SimSession::SendFrequencyUpdate() {
  tuned_up_ = !tuned_up_;
  WriteText("S" + handle_ + "|slice 0 RF_frequency=" + (tuned_up_ ? "14.074010" : "14.074000") +
            " wide=0 lock=1\n");
}

void SimSession::SendHugeStatusLine() {
  // Real meter descriptions over and over, so a client that kept the line would
  // have plenty to parse; the line end comes only after 2 MiB.
  std::string line = "S" + handle_ + "|meter ";
  std::string descriptions;
  for (const SimMeter& m : meters_) descriptions += MeterDescription(m);
  while (static_cast<qsizetype>(line.size()) < kHugeStatusLineBytes) line += descriptions;
  line.resize(static_cast<std::size_t>(kHugeStatusLineBytes));
  WriteText(line + "\n");
  Say("# sent a status line of " + std::to_string(line.size()) + " bytes (--huge-status-line)");
  SendFrequencyUpdate();
}

void SimSession::StartGarbage() {
  if (udp_port_ == 0 || socket_->state() != QAbstractSocket::ConnectedState) return;
  Say("# garbage to " + socket_->peerAddress().toString().toStdString() + ":" +
      std::to_string(udp_port_) + " at " +
      std::to_string(static_cast<long>(options_.garbage_rate)) + "/s for " +
      (options_.garbage_count > 0 ? std::to_string(options_.garbage_count) + " datagrams"
                                  : std::to_string(options_.garbage_seconds) + " s"));
  garbage_clock_.start();
  garbage_sent_ = 0;
  garbage_timer_.start();
  GarbageTick();
}

void SimSession::GarbageTick() {
  const double seconds = static_cast<double>(garbage_clock_.nsecsElapsed()) / 1e9;
  const bool counted = options_.garbage_count > 0;
  if (counted ? garbage_sent_ >= options_.garbage_count : seconds >= options_.garbage_seconds) {
    garbage_timer_.stop();
    Say("# garbage stopped after " + std::to_string(garbage_sent_) + " datagrams");
    return;
  }
  auto due = static_cast<long long>(seconds * options_.garbage_rate) + 1;
  if (counted) due = std::min(due, options_.garbage_count);
  const long long count = std::min<long long>(due - garbage_sent_, kMaxGarbagePerTimer);
  for (long long i = 0; i < count; ++i) {
    udp_.writeDatagram(GarbageDatagram(rng_, packet_counter_++), socket_->peerAddress(), udp_port_);
  }
  garbage_sent_ += std::max<long long>(count, 0);
}

// ---- simulator ----

RadioSimulator::RadioSimulator(SimOptions options) : options_(std::move(options)) {
  connect(&server_, &QTcpServer::newConnection, this, &RadioSimulator::OnNewConnection);
  discovery_timer_.setInterval(1000);
  connect(&discovery_timer_, &QTimer::timeout, this, &RadioSimulator::SendDiscovery);
  burst_timer_.setInterval(kBurstTickMs);
  burst_timer_.setTimerType(Qt::PreciseTimer);
  connect(&burst_timer_, &QTimer::timeout, this, &RadioSimulator::DiscoveryBurstTick);
}

bool RadioSimulator::Start() {
  if (options_.start_after_s <= 0) return GoLive();
  Say("# silent for " + std::to_string(options_.start_after_s) + " s (--start-after)");
  QTimer::singleShot(static_cast<int>(options_.start_after_s * 1000), this, [this] {
    if (!GoLive()) QCoreApplication::exit(1);
  });
  return true;
}

bool RadioSimulator::GoLive() {
  if (!options_.command) {
    Say("# no command channel (--no-command)");
  } else if (!server_.listen(options_.listen, bound_port_ ? bound_port_ : options_.command_port)) {
    std::fprintf(stderr, "quendal-radiosim: cannot listen on %s:%u: %s\n",
                 options_.listen.toString().toLocal8Bit().constData(), options_.command_port,
                 server_.errorString().toLocal8Bit().constData());
    return false;
  }
  if (options_.advertised_ip.isEmpty()) {
    options_.advertised_ip = options_.listen == QHostAddress::AnyIPv4 ? QStringLiteral("127.0.0.1")
                                                                      : options_.listen.toString();
  }
  bound_port_ = server_.serverPort();
  if (options_.command) {
    Say("# command channel on " + options_.listen.toString().toStdString() + ":" +
        std::to_string(server_.serverPort()));
  }
  if (options_.discovery) {
    Say("# discovery to " + std::string(options_.broadcast ? "255.255.255.255" : "127.0.0.1") +
        ":" + std::to_string(options_.discovery_port) +
        " advertising ip=" + options_.advertised_ip.toStdString());
    SendDiscovery();
    discovery_timer_.start();
  }
  if (options_.discovery_burst > 0) StartDiscoveryBurst();
  return true;
}

quint16 RadioSimulator::AdvertisedPort() const {
  return options_.command ? server_.serverPort() : options_.command_port;
}

void RadioSimulator::StartDiscoveryBurst() {
  burst_clock_.start();
  burst_sent_ = 0;
  burst_timer_.start();
  DiscoveryBurstTick();
}

void RadioSimulator::DiscoveryBurstTick() {
  // Spread evenly over one second, catching up when the timer runs late.
  const long long elapsed_ms = burst_clock_.elapsed() + kBurstTickMs;
  const int due = static_cast<int>(
      std::min<long long>(options_.discovery_burst, options_.discovery_burst * elapsed_ms / 1000));
  while (burst_sent_ < due) {
    SendDiscovery();
    ++burst_sent_;
  }
  if (burst_sent_ >= options_.discovery_burst) {
    burst_timer_.stop();
    Say("# discovery burst of " + std::to_string(burst_sent_) + " datagrams in " +
        std::to_string(burst_clock_.elapsed()) + " ms");
  }
}

void RadioSimulator::SendDiscovery() {
  const std::string payload =
      "discovery_protocol_version=3.0.0.1 model=FLEX-6600M serial=" + options_.serial +
      " version=3.2.39.3374 nickname=" + options_.nickname +
      " callsign=N0CALL ip=" + options_.advertised_ip.toStdString() +
      " port=" + std::to_string(AdvertisedPort()) +
      " status=Available inuse_ip= inuse_host= max_licensed_version=v3 "
      "radio_license_id=00-1C-2D-05-1A-2B requires_additional_license=0 fpc_mac= "
      "wan_connected=0 licensed_clients=2 available_clients=2 max_panadapters=4 "
      "available_panadapters=4 max_slices=4 available_slices=4 gui_client_ips= "
      "gui_client_hosts= gui_client_programs= gui_client_stations= gui_client_handles=";
  const QHostAddress target =
      options_.broadcast ? QHostAddress::Broadcast : QHostAddress::LocalHost;
  discovery_socket_.writeDatagram(VitaPacket(0x00000800u, 0x534CFFFFu, discovery_counter_++,
                                             QByteArray::fromStdString(payload)),
                                  target, options_.discovery_port);
}

void RadioSimulator::OnNewConnection() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (refused_ < options_.refuse_first) {
      ++refused_;
      Say("# connection " + std::to_string(refused_) + " reset (--refuse-first)");
      socket->abort();
      socket->deleteLater();
      continue;
    }
    char handle[16];
    std::snprintf(handle, sizeof handle, "%08X",
                  0x2A3B4C5Du + static_cast<unsigned>(sessions_started_++));
    auto* session = new SimSession(socket, options_, handle,
                                   SimulatedMeters(options_.slices, 100 * generation_));
    session->SetInterlock(interlock_, on_air_);
    sessions_.emplace_back(session);
    ScheduleLifecycle();
    StartTransmitCycle();
  }
}

void RadioSimulator::StartTransmitCycle() {
  if (transmit_cycle_started_ || options_.transmit.on_s <= 0) return;
  transmit_cycle_started_ = true;
  QTimer::singleShot(static_cast<int>(options_.transmit.off_s * 1000), this, &RadioSimulator::Key);
}

void RadioSimulator::Key() {
  Interlock("PTT_REQUESTED", false);
  QTimer::singleShot(kInterlockStepMs, this, [this] { Interlock("TRANSMITTING", true); });
  QTimer::singleShot(kInterlockStepMs + static_cast<int>(options_.transmit.on_s * 1000), this,
                     &RadioSimulator::Unkey);
}

void RadioSimulator::Unkey() {
  Interlock("UNKEY_REQUESTED", false);
  QTimer::singleShot(kInterlockStepMs, this, [this] { Interlock("READY", false); });
  QTimer::singleShot(kInterlockStepMs + static_cast<int>(options_.transmit.off_s * 1000), this,
                     &RadioSimulator::Key);
}

void RadioSimulator::Interlock(const std::string& state, bool on_air) {
  interlock_ = state;
  on_air_ = on_air;
  Say("# interlock " + state);
  for (const QPointer<SimSession>& session : sessions_)
    if (session) session->SetInterlock(state, on_air);
}

void RadioSimulator::ScheduleLifecycle() {
  if (lifecycle_scheduled_) return;
  lifecycle_scheduled_ = true;
  if (options_.restart_after_s >= 0)
    QTimer::singleShot(static_cast<int>(options_.restart_after_s * 1000), this,
                       &RadioSimulator::Restart);
  if (options_.freeze_after_s >= 0)
    QTimer::singleShot(static_cast<int>(options_.freeze_after_s * 1000), this,
                       &RadioSimulator::Freeze);
}

void RadioSimulator::Restart() {
  Say("# restarting: every socket closed for " + std::to_string(options_.restart_pause_s) +
      " s (--restart-after)");
  for (const QPointer<SimSession>& session : sessions_)
    if (session) session->Vanish();
  sessions_.clear();
  server_.close();
  discovery_timer_.stop();
  QTimer::singleShot(static_cast<int>(options_.restart_pause_s * 1000), this,
                     &RadioSimulator::ComeBack);
}

void RadioSimulator::Freeze() {
  Say("# frozen for " + std::to_string(options_.freeze_for_s) + " s (--freeze-after)");
  frozen_ = true;
  for (const QPointer<SimSession>& session : sessions_)
    if (session) session->Freeze();
  server_.pauseAccepting();
  discovery_timer_.stop();
  QTimer::singleShot(static_cast<int>(options_.freeze_for_s * 1000), this, [this] {
    // Power comes back: the radio boots afresh, its old connections long gone.
    for (const QPointer<SimSession>& session : sessions_)
      if (session) session->Vanish();
    sessions_.clear();
    server_.close();
    frozen_ = false;
    ComeBack();
  });
}

void RadioSimulator::ComeBack() {
  ++generation_;
  Say("# back with new meter IDs (from " + std::to_string(24 + 100 * generation_) + " for LEVEL)");
  if (!GoLive()) QCoreApplication::exit(1);
}

}  // namespace quendal::radiosim
