#include "app/LevelRecorder.h"

#include <cstdio>

#include "meters/LevelCsv.h"

namespace quendal {

LevelRecorder::LevelRecorder(const AppConfig& config, const Clock& clock, TextLog& log,
                             std::function<void()> Sampled)
    : config_(config), clock_(clock), log_(log), sampled_(std::move(Sampled)) {
  timer_.setInterval(static_cast<int>(kInterval.count()));
  QObject::connect(&timer_, &QTimer::timeout, [this] { Sample(); });
}

LevelRecorder::~LevelRecorder() { Stop(); }

void LevelRecorder::Start(LevelSource& Source) {
  source_ = &Source;
  const std::string& path = config_.window.LevelFile;
  if (path.empty()) return;
  file_ =
      std::make_unique<BufferedAppendFile>(path, LevelCsvHeader(), [this](const std::string& why) {
        const std::string text = "Level log: " + why + "; the meter goes on without it.";
        log_.Log(text);
        std::fprintf(stderr, "%s\n", text.c_str());
      });
  log_.Log("Level log: " + path);
}

void LevelRecorder::Stop() {
  timer_.stop();
  source_ = nullptr;
  file_.reset();
}

void LevelRecorder::FollowTick() {
  if (source_ == nullptr || timer_.isActive()) return;
  if (last_sample_ && clock_.MonotonicNow() - *last_sample_ < kInterval) return;
  Sample();
}

void LevelRecorder::Sample() {
  if (source_ == nullptr) return;
  last_sample_ = clock_.MonotonicNow();
  const LevelReading level = source_->CurrentLevel();
  const SUnitRule& rule = config_.meter.SUnits;
  const std::optional<LevelSample> previous = std::move(latest_);
  latest_ = TakeSample(level, LevelIsFresh(level, *source_), source_->CurrentTransmit(),
                       config_.meter.Transmit.value_or(TransmitReading::Power), rule,
                       clock_.UtcMillisecondsNow());
  vhf_ = quendal::VhfSUnits(rule, level.FrequencyHz);
  if (latest_) {
    // The tick rests while the reading holds: the seconds it slept through had it.
    if (previous) history_.HoldUntil(*previous, latest_->UtcMs);
    history_.Add(*latest_);
    if (file_) file_->Add(LevelCsvRow(*latest_));
  }
  FollowLogTimer();
  if (sampled_) sampled_();
}

void LevelRecorder::FollowLogTimer() {
  if (!file_) return;
  if (latest_) {
    if (!timer_.isActive()) timer_.start();
    file_->FlushIfDue(*last_sample_);
    return;
  }
  // Stale: nothing more to write until a tick finds fresh readings again.
  timer_.stop();
  file_->Flush();
}

}  // namespace quendal
