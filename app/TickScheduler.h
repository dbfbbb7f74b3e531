#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

namespace quendal {

// Runs the meter tick on its timer while something moves, and lets it sleep while
// nothing does. Asleep, a wake-up (something the tick reads has changed) runs one
// tick at once, on the event loop's next turn; so does the end of a rest. Each tick
// ends with Rest: ticking on, or asleep for a while.
class TickScheduler : public QObject {
 public:
  // Tick: one meter tick; AfterRest is true for the first tick after a sleep.
  TickScheduler(QTimer& TickTimer, std::function<void(bool AfterRest)> Tick);

  // Ticking from now on; Stop ends ticks, rests and wake-ups alike.
  void Start();
  void Stop();
  // Called at the end of each tick: empty keeps ticking, a duration sleeps at most
  // that long.
  void Rest(std::optional<std::chrono::milliseconds> For);
  // Something the tick reads has changed: a sleeping tick runs once at once.
  void Wake();
  bool Asleep() const { return asleep_; }

 private:
  void RunTick();
  void RunQueuedTick();

  QTimer& tick_timer_;
  std::function<void(bool)> tick_;
  QTimer rest_timer_;
  bool running_ = false;
  bool asleep_ = false;
  bool queued_ = false;
};

}  // namespace quendal
