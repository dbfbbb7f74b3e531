#include "hamlib/HamlibWorker.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "hamlib/HamlibLibrary.h"
#include "hamlib/HamlibTransmit.h"

namespace quendal {

namespace {

// Bounds on the rig's own time-outs, so that a rig that stopped answering is
// noticed within seconds and Stop() never waits long for a call to return.
constexpr int kLongestTimeoutMs = 1500;
constexpr int kMostRetries = 1;

// Hamlib's one-line text for `code`; with `trace`, after Hamlib's record of the calls
// that led to it, which rigerror() puts before the text and rigerror2() leaves out.
QString ErrorText(int code, bool trace) {
  const char* text = trace ? Hamlib().rigerror(code) : Hamlib().rigerror2(code);
  if (text == nullptr) return QStringLiteral("Hamlib error %1").arg(code);
  return QString::fromLocal8Bit(text).trimmed();
}

// Older Hamlib has no meter in watts; its rigs give power as a fraction only.
#ifdef RIG_LEVEL_RFPOWER_METER_WATTS
constexpr setting_t kPowerWattsLevel = RIG_LEVEL_RFPOWER_METER_WATTS;
#else
constexpr setting_t kPowerWattsLevel = 0;
#endif

bool HasLevel(RIG* rig, setting_t level) {
  return level != 0 && Hamlib().rig_has_get_level(rig, level) != 0;
}

// The level, if the rig offers it and answers; a rig that does not answer one level is
// still read for the others.
std::optional<double> FloatLevel(RIG* rig, setting_t level) {
  if (!HasLevel(rig, level)) return std::nullopt;
  value_t value{};
  if (Hamlib().rig_get_level(rig, RIG_VFO_CURR, level, &value) != RIG_OK) return std::nullopt;
  return value.f;
}

std::array<bool, kTransmitReadings.size()> OfferedReadings(RIG* rig) {
  std::array<bool, kTransmitReadings.size()> offered{};
  offered[IndexOf(TransmitReading::Power)] =
      HasLevel(rig, kPowerWattsLevel) || HasLevel(rig, RIG_LEVEL_RFPOWER_METER);
  offered[IndexOf(TransmitReading::Swr)] = HasLevel(rig, RIG_LEVEL_SWR);
  offered[IndexOf(TransmitReading::Alc)] = HasLevel(rig, RIG_LEVEL_ALC);
  offered[IndexOf(TransmitReading::Compression)] = HasLevel(rig, RIG_LEVEL_COMP_METER);
  return offered;
}

int SetConf(RIG* rig, const char* name, const std::string& value) {
  const token_t token = Hamlib().rig_token_lookup(rig, name);
  if (token == RIG_CONF_END) return -RIG_EINVAL;
  return Hamlib().rig_set_conf(rig, token, value.c_str());
}

}  // namespace

HamlibWorker::HamlibWorker(HamlibConfig config) : config_(std::move(config)) {}

HamlibWorker::~HamlibWorker() { Close(); }

void HamlibWorker::Begin() {
  poll_timer_ = new QTimer(this);
  poll_timer_->setInterval(static_cast<int>(config_.Poll.count()));
  connect(poll_timer_, &QTimer::timeout, this, &HamlibWorker::Poll);
  reopen_timer_ = new QTimer(this);
  reopen_timer_->setSingleShot(true);
  connect(reopen_timer_, &QTimer::timeout, this, &HamlibWorker::Open);
  Open();
}

void HamlibWorker::End() {
  delete poll_timer_;
  poll_timer_ = nullptr;
  delete reopen_timer_;
  reopen_timer_ = nullptr;
  Close();
}

void HamlibWorker::Open() {
  emit Opening();
  rig_ = Hamlib().rig_init(config_.Model);
  if (rig_ == nullptr) {
    CloseAfter(QStringLiteral("Hamlib knows no rig model %1").arg(config_.Model));
    return;
  }
  const int timeout = std::min<int>(rig_->state.rigport.timeout, kLongestTimeoutMs);
  const int retries = std::min<int>(rig_->state.rigport.retry, kMostRetries);
  int rc = SetConf(rig_, "timeout", std::to_string(timeout));
  if (rc == RIG_OK) rc = SetConf(rig_, "retry", std::to_string(retries));
  if (rc == RIG_OK && !config_.Device.empty()) rc = SetConf(rig_, "rig_pathname", config_.Device);
  if (rc == RIG_OK && config_.Baud > 0)
    rc = SetConf(rig_, "serial_speed", std::to_string(config_.Baud));
  if (rc == RIG_OK) rc = Hamlib().rig_open(rig_);
  if (rc != RIG_OK) {
    CloseAfter(QStringLiteral("Opening the rig failed: %1").arg(ErrorText(rc, config_.Debug)));
    return;
  }
  has_strength_ = Hamlib().rig_has_get_level(rig_, RIG_LEVEL_STRENGTH) != 0;
  offered_ = OfferedReadings(rig_);
  ptt_readable_ = true;
  read_once_ = false;
  emit Opened(QStringLiteral("%1 %2").arg(QString::fromLatin1(rig_->caps->mfg_name),
                                          QString::fromLatin1(rig_->caps->model_name)),
              has_strength_);
  if (poll_timer_ == nullptr) return;
  // The first reading need not wait a whole PollMs.
  poll_timer_->start();
  Poll();
}

void HamlibWorker::Poll() {
  if (rig_ == nullptr) return;
  freq_t frequency = 0;
  const int freq_rc = Hamlib().rig_get_freq(rig_, RIG_VFO_CURR, &frequency);
  if (freq_rc != RIG_OK && freq_rc != -RIG_ENAVAIL && freq_rc != -RIG_ENIMPL) {
    CloseAfter(
        QStringLiteral("The rig stopped answering: %1").arg(ErrorText(freq_rc, config_.Debug)));
    return;
  }
  const qint64 hz = (freq_rc == RIG_OK && frequency >= 0 && frequency < 1e12)
                        ? static_cast<qint64>(frequency + 0.5)
                        : 0;
  // The transmitter first: a reading of the level then finds it already known.
  if (ReadTransmit()) ReadStrength(hz);
}

void HamlibWorker::ReadStrength(qint64 frequencyHz) {
  if (!has_strength_) return;
  value_t strength{};
  const int rc = Hamlib().rig_get_level(rig_, RIG_VFO_CURR, RIG_LEVEL_STRENGTH, &strength);
  if (rc != RIG_OK) {
    CloseAfter(QStringLiteral("Reading STRENGTH failed: %1").arg(ErrorText(rc, config_.Debug)));
    return;
  }
  if (!read_once_) backoff_.Reset();
  read_once_ = true;
  emit Reading(StrengthToDbm(strength.i), frequencyHz);
}

bool HamlibWorker::ReadTransmit() {
  ptt_t ptt = RIG_PTT_OFF;
  if (ptt_readable_) {
    const int rc = Hamlib().rig_get_ptt(rig_, RIG_VFO_CURR, &ptt);
    if (rc == -RIG_ENAVAIL || rc == -RIG_ENIMPL) {
      // Asked once per opening: the rig will not learn it later.
      ptt_readable_ = false;
      ptt = RIG_PTT_OFF;
    } else if (rc != RIG_OK) {
      CloseAfter(QStringLiteral("Reading PTT failed: %1").arg(ErrorText(rc, config_.Debug)));
      return false;
    }
  }
  // Hamlib stores whatever number a rig server answered: read it as a number, and only
  // Hamlib's own PTT values as keyed.
  static_assert(sizeof(ptt_t) == sizeof(int));
  int answered = 0;
  std::memcpy(&answered, &ptt, sizeof answered);
  const bool keyed = answered >= RIG_PTT_ON && answered <= RIG_PTT_ON_DATA;
  TransmitStatus status = keyed ? TransmitLevels() : TransmitStatus{};
  status.Transmitting = keyed;
  status.StateKnown = ptt_readable_;
  status.Offered = offered_;
  emit Transmit(status);
  return true;
}

TransmitStatus HamlibWorker::TransmitLevels() const {
  HamlibTransmitLevels levels;
  levels.PowerWatts = FloatLevel(rig_, kPowerWattsLevel);
  if (!levels.PowerWatts) levels.PowerFraction = FloatLevel(rig_, RIG_LEVEL_RFPOWER_METER);
  levels.Swr = FloatLevel(rig_, RIG_LEVEL_SWR);
  levels.AlcFraction = FloatLevel(rig_, RIG_LEVEL_ALC);
  levels.CompressionDb = FloatLevel(rig_, RIG_LEVEL_COMP_METER);
  TransmitStatus status;
  status.Values = TransmitValues(levels, config_.MaxPowerW);
  return status;
}

void HamlibWorker::CloseAfter(const QString& why) {
  Close();
  const std::chrono::seconds pause = backoff_.Next();
  emit Lost(why, static_cast<int>(pause.count()));
  if (reopen_timer_ != nullptr)
    reopen_timer_->start(static_cast<int>(std::chrono::milliseconds(pause).count()));
}

void HamlibWorker::Close() {
  if (poll_timer_ != nullptr) poll_timer_->stop();
  if (rig_ == nullptr) return;
  if (rig_->state.comm_state != 0) Hamlib().rig_close(rig_);
  Hamlib().rig_cleanup(rig_);
  rig_ = nullptr;
}

}  // namespace quendal
