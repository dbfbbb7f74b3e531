#pragma once

#include <QTimer>
#include <chrono>
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

// Samples the level source at most every 100 ms: the last reading for the face, a row of
// the level log while readings are fresh, and the last ten minutes for the history window,
// kept also while it is closed so that it opens with them. The meter's ticks, which run
// anyway while the needle moves and when a reading arrives, bring the samples; only a level
// log being written has a timer of its own, running while readings are fresh, for its row
// every 100 ms. A meter at rest is never woken for the others.
class LevelRecorder {
 public:
  static constexpr std::chrono::milliseconds kInterval{100};

  // Sampled: called after every sample, with or without a fresh reading.
  LevelRecorder(const AppConfig& config, const Clock& clock, TextLog& log,
                std::function<void()> Sampled);
  ~LevelRecorder();

  // Samples Source (not null) until Stop; opens the level log when one is set.
  void Start(LevelSource& Source);
  // Stops sampling and writes what the level log holds.
  void Stop();
  // A meter tick ran: a sample once kInterval has passed since the last one, unless the
  // level log's timer takes them.
  void FollowTick();

  // The last sample; empty while readings are not fresh.
  const std::optional<LevelSample>& Latest() const { return latest_; }
  // The VHF rule sets S9 at the frequency of the last reading.
  bool VhfSUnits() const { return vhf_; }
  const LevelHistory& History() const { return history_; }
  // Whether the level log's own timer runs: only while it is written and readings are fresh.
  bool LogTimerRunning() const { return timer_.isActive(); }

 private:
  void Sample();
  // The level log's timer runs while its rows are due; it stops when readings go stale.
  void FollowLogTimer();

  const AppConfig& config_;
  const Clock& clock_;
  TextLog& log_;
  std::function<void()> sampled_;
  LevelSource* source_ = nullptr;
  QTimer timer_;
  std::unique_ptr<BufferedAppendFile> file_;
  std::optional<LevelSample> latest_;
  std::optional<std::chrono::steady_clock::time_point> last_sample_;
  bool vhf_ = false;
  LevelHistory history_;
};

}  // namespace quendal
