#pragma once

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/Config.h"
#include "meters/LevelHistory.h"
#include "meters/LevelSample.h"
#include "meters/LevelSource.h"
#include "support/BufferedAppendFile.h"
#include "support/Clock.h"
#include "support/TextLog.h"

namespace quendal {

// Reads the level source every 100 ms, apart from the needle's tick: the last reading
// for the face, a row of the level log while readings are fresh, and the last ten
// minutes for the history window. A tick costs one reading and no drawing.
class LevelRecorder {
 public:
  static constexpr int kIntervalMs = 100;

  // Sampled: called after every tick, with or without a fresh reading.
  LevelRecorder(const AppConfig& config, const Clock& clock, TextLog& log,
                std::function<void()> Sampled);
  ~LevelRecorder();

  // Reads Source (not null) until Stop; opens the level log when one is set.
  void Start(LevelSource& Source);
  // Stops reading and writes what the level log holds.
  void Stop();

  // The sample of the last tick; empty while readings are not fresh.
  const std::optional<LevelSample>& Latest() const { return latest_; }
  // The VHF rule sets S9 at the frequency of the last reading.
  bool VhfSUnits() const { return vhf_; }
  const LevelHistory& History() const { return history_; }

 private:
  void Tick();

  const AppConfig& config_;
  const Clock& clock_;
  TextLog& log_;
  std::function<void()> sampled_;
  LevelSource* source_ = nullptr;
  QTimer timer_;
  std::unique_ptr<BufferedAppendFile> file_;
  std::optional<LevelSample> latest_;
  bool vhf_ = false;
  LevelHistory history_;
};

}  // namespace quendal
