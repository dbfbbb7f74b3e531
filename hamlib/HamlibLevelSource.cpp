#include "hamlib/HamlibLevelSource.h"

#include <QMetaObject>
#include <algorithm>
#include <limits>

#include "hamlib/HamlibLibrary.h"
#include "hamlib/HamlibWorker.h"

namespace quendal {

HamlibLevelSource::HamlibLevelSource(HamlibSourceSettings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      log_(settings_.LogPath, settings_.clock.get()) {
  log_.SetEnabled(settings_.EnableLogging);
}

HamlibLevelSource::~HamlibLevelSource() { Stop(); }

bool HamlibKnowsModel(std::int32_t model) {
  // Hamlib's own chatter on standard error helps nobody watching a meter.
  Hamlib().rig_set_debug(RIG_DEBUG_NONE);
  Hamlib().rig_check_backend(model);  // caps are known once the model's backend is loaded
  return Hamlib().rig_get_caps(model) != nullptr;
}

std::unique_ptr<LevelSource> MakeHamlibSource(const IniFile& ini, std::string_view section,
                                              bool logging) {
  Hamlib();  // without the library no key matters
  HamlibSourceSettings settings;
  settings.Config = ReadHamlibConfig(ini, section, HamlibKnowsModel);
  settings.EnableLogging = logging;
  return std::make_unique<HamlibLevelSource>(std::move(settings));
}

void HamlibLevelSource::Log(const std::string& message) {
  log_.Log([&] { return "Hamlib: " + message; });
}

void HamlibLevelSource::Start() {
  if (worker_ != nullptr) return;
  Log("Starting; model " + std::to_string(settings_.Config.Model) + ", device '" +
      settings_.Config.Device + "', every " + std::to_string(settings_.Config.Poll.count()) +
      " ms.");
  worker_ = new HamlibWorker(settings_.Config);
  worker_->moveToThread(&thread_);
  connect(worker_, &HamlibWorker::Opening, this, &HamlibLevelSource::OnOpening);
  connect(worker_, &HamlibWorker::Opened, this, &HamlibLevelSource::OnOpened);
  connect(worker_, &HamlibWorker::Reading, this, &HamlibLevelSource::OnReading);
  connect(worker_, &HamlibWorker::Lost, this, &HamlibLevelSource::OnLost);
  connect(worker_, &HamlibWorker::Transmit, this, &HamlibLevelSource::OnTransmit);
  phase_ = Phase::Opening;
  thread_.start();
  QMetaObject::invokeMethod(worker_, &HamlibWorker::Begin, Qt::QueuedConnection);
}

void HamlibLevelSource::Stop() {
  if (worker_ == nullptr) return;
  // End runs on the worker thread after the call in progress; then the thread
  // ends, and the worker, with no timers left, can go from here.
  QMetaObject::invokeMethod(worker_, &HamlibWorker::End, Qt::BlockingQueuedConnection);
  thread_.quit();
  thread_.wait();
  delete worker_;
  worker_ = nullptr;
  phase_ = Phase::Stopped;
  Log("Stopped.");
  TellChange();
}

void HamlibLevelSource::OnOpening() {
  if (phase_ == Phase::Stopped) return;
  // Not logged: the outcome of each attempt is, in one line.
  phase_ = Phase::Opening;
  TellChange();
}

void HamlibLevelSource::OnOpened(const QString& model, bool hasStrength) {
  if (phase_ == Phase::Stopped) return;
  phase_ = Phase::Open;
  opened_at_ = settings_.clock.get().MonotonicNow();
  model_ = model.toStdString();
  has_strength_ = hasStrength;
  Log("Opened " + model_ + (hasStrength ? "." : "; it reports no STRENGTH level."));
  TellChange();
}

void HamlibLevelSource::OnReading(double dbm, qint64 frequencyHz) {
  if (phase_ == Phase::Stopped) return;
  level_dbm_ = dbm;
  level_time_ = settings_.clock.get().MonotonicNow();
  frequency_hz_ = frequencyHz <= std::numeric_limits<std::int32_t>::max()
                      ? static_cast<std::int32_t>(frequencyHz)
                      : 0;
  TellChange();
}

void HamlibLevelSource::OnTransmit(const TransmitStatus& status) {
  if (phase_ == Phase::Stopped) return;
  transmit_ = status;
  transmit_time_ = settings_.clock.get().MonotonicNow();
  TellChange();
  if (status.StateKnown || told_ptt_unreadable_) return;
  told_ptt_unreadable_ = true;
  Log("The rig's PTT cannot be read; the needle stays on S units while it transmits.");
}

void HamlibLevelSource::OnLost(const QString& why, int retrySeconds) {
  if (phase_ == Phase::Stopped) return;
  phase_ = Phase::Lost;
  retry_at_ = settings_.clock.get().MonotonicNow() + std::chrono::seconds(retrySeconds);
  Log(why.toStdString() + "; next attempt in " + std::to_string(retrySeconds) + " s.");
  TellChange();
}

LevelReading HamlibLevelSource::CurrentLevel() {
  return LevelInDbm(level_dbm_, level_time_, settings_.clock.get().MonotonicNow(), frequency_hz_);
}

TransmitStatus HamlibLevelSource::CurrentTransmit() {
  const auto now = settings_.clock.get().MonotonicNow();
  const bool fresh = phase_ == Phase::Open && transmit_time_ >= opened_at_ &&
                     ReadingIsFresh(Since(transmit_time_, now), UpdateInterval());
  if (fresh) return transmit_;
  TransmitStatus stale;
  stale.StateKnown = transmit_.StateKnown;
  stale.Offered = transmit_.Offered;
  return stale;
}

LinkStatus HamlibLevelSource::Status() const {
  LinkStatus status;
  const auto now = settings_.clock.get().MonotonicNow();
  switch (phase_) {
    case Phase::Stopped:
      break;
    case Phase::Opening:
      status.State = LinkState::Connecting;
      status.Address = settings_.Config.Device;
      break;
    case Phase::Lost:
      status.State = LinkState::Lost;
      status.RetryInSeconds = static_cast<std::int32_t>(std::max<std::int64_t>(
          1, std::chrono::ceil<std::chrono::seconds>(retry_at_ - now).count()));
      break;
    case Phase::Open: {
      const bool arrived = has_strength_ && level_dbm_ && level_time_ >= opened_at_;
      const auto age = arrived ? std::optional(Since(level_time_, now)) : std::nullopt;
      status.State =
          ReadingIsFresh(age, UpdateInterval()) ? LinkState::Receiving : LinkState::NoMeterData;
      status.SilentForSeconds = SilentForSeconds(age);
      break;
    }
  }
  return status;
}

RadioIdentity HamlibLevelSource::Identity() const {
  RadioIdentity identity;
  identity.Model = model_;
  identity.Address = settings_.Config.Device;
  return identity;
}

}  // namespace quendal
