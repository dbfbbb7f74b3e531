#include "app/TickScheduler.h"

#include <QMetaObject>

namespace quendal {

TickScheduler::TickScheduler(QTimer& TickTimer, std::function<void(bool AfterRest)> Tick)
    : tick_timer_(TickTimer), tick_(std::move(Tick)) {
  rest_timer_.setSingleShot(true);
  // A rest ends when the reading goes stale: on that millisecond, not a few later.
  rest_timer_.setTimerType(Qt::PreciseTimer);
  connect(&tick_timer_, &QTimer::timeout, this, &TickScheduler::RunTick);
  connect(&rest_timer_, &QTimer::timeout, this, &TickScheduler::RunTick);
}

void TickScheduler::Start() {
  running_ = true;
  asleep_ = false;
  rest_timer_.stop();
  tick_timer_.start();
}

void TickScheduler::Stop() {
  running_ = false;
  asleep_ = false;
  tick_timer_.stop();
  rest_timer_.stop();
}

void TickScheduler::RunTick() {
  if (!running_) return;
  tick_(asleep_);
}

void TickScheduler::Rest(std::optional<std::chrono::milliseconds> For) {
  if (!running_) return;
  if (!For) {
    asleep_ = false;
    rest_timer_.stop();
    if (!tick_timer_.isActive()) tick_timer_.start();
    return;
  }
  asleep_ = true;
  tick_timer_.stop();
  rest_timer_.start(*For);
}

void TickScheduler::Wake() {
  if (!running_ || !asleep_ || queued_) return;
  // Not within the caller: the source that tells may be halfway through its change.
  queued_ = true;
  QMetaObject::invokeMethod(this, &TickScheduler::RunQueuedTick, Qt::QueuedConnection);
}

void TickScheduler::RunQueuedTick() {
  queued_ = false;
  if (asleep_) RunTick();
}

}  // namespace quendal
