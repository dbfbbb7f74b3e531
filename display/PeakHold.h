#pragma once

#include <cstdint>

#include "display/MeterSettings.h"

namespace quendal {

// The peak marker: the highest needle position of the last PeakHoldMs, then falling
// towards the needle as the needle itself falls (per tick, by its ballistics).
class PeakHold {
 public:
  // One meter tick: the needle's position now, the monotonic time in milliseconds.
  // Returns the marker's position.
  double Update(double Needle, std::int64_t NowMs, const MeterSettings& Settings);
  double Position() const { return peak_; }
  // Starts afresh at the next Update.
  void Reset() { started_ = false; }
  // The ticks slept through with the marker on the needle each renewed its hold: as if
  // the last of them, at LastTickMs, had run.
  void RenewHold(std::int64_t LastTickMs);

 private:
  void Fall(double needle, const MeterSettings& settings);

  bool started_ = false;
  double peak_ = 0.0;
  std::int64_t heldSinceMs_ = 0;
};

}  // namespace quendal
