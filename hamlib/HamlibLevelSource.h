#pragma once

#include <QObject>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "hamlib/HamlibConfig.h"
#include "meters/LevelSource.h"
#include "support/Clock.h"
#include "support/TextLog.h"

namespace quendal {

class HamlibWorker;

// The user's settings, read by the window, and what differs between the program and
// its tests; the program uses the defaults of the latter.
struct HamlibSourceSettings {
  HamlibConfig Config;
  bool EnableLogging = false;  // [Logging] EnableLogging
  std::string LogPath = "Hamlib.log";
  std::reference_wrapper<const Clock> clock = SystemClock::Instance();
};

// The S-meter of any rig Hamlib drives, serial or behind rigctld. libhamlib
// blocks, so its calls run on a worker thread, the program's only thread besides
// the main one; this object lives on the main thread, takes the readings the
// worker posts, and stops and joins the worker before it goes.
class HamlibLevelSource : public QObject, public LevelSource {
 public:
  explicit HamlibLevelSource(HamlibSourceSettings settings = {}, QObject* parent = nullptr);
  ~HamlibLevelSource() override;

  HamlibLevelSource(const HamlibLevelSource&) = delete;
  HamlibLevelSource& operator=(const HamlibLevelSource&) = delete;

  void Start() override;
  // Stops the worker and waits for it: at most as long as one rig call takes.
  void Stop() override;
  LevelReading CurrentLevel() override;
  // PollMs: each poll brings a reading.
  std::chrono::milliseconds UpdateInterval() const override { return settings_.Config.Poll; }
  LinkStatus Status() const override;
  RadioIdentity Identity() const override;
  // The last poll's, while it is fresh; a rig whose PTT cannot be read never transmits.
  TransmitStatus CurrentTransmit() override;
  bool TellsChanges() const override { return true; }

  const HamlibConfig& Config() const { return settings_.Config; }

 private:
  void Log(const std::string& message);
  void OnOpening();
  void OnOpened(const QString& model, bool hasStrength);
  void OnReading(double dbm, qint64 frequencyHz);
  void OnTransmit(const TransmitStatus& status);
  void OnLost(const QString& why, int retrySeconds);

  enum class Phase { Stopped, Opening, Open, Lost };

  HamlibSourceSettings settings_;
  TextLog log_;
  QThread thread_;
  HamlibWorker* worker_ = nullptr;
  Phase phase_ = Phase::Stopped;
  bool has_strength_ = false;
  std::string model_;
  std::chrono::steady_clock::time_point opened_at_{};
  std::chrono::steady_clock::time_point retry_at_{};
  std::optional<double> level_dbm_;
  std::chrono::steady_clock::time_point level_time_{};
  std::int32_t frequency_hz_ = 0;
  TransmitStatus transmit_;
  std::chrono::steady_clock::time_point transmit_time_{};
  bool told_ptt_unreadable_ = false;
};

// Whether this libhamlib drives the rig model.
bool HamlibKnowsModel(std::int32_t model);

// The source of the rig that `section` of config.ini names. Throws HamlibConfigError
// (a std::runtime_error) for keys it cannot use, a model Hamlib does not know among them.
std::unique_ptr<LevelSource> MakeHamlibSource(const IniFile& ini, std::string_view section,
                                              bool logging);

}  // namespace quendal
