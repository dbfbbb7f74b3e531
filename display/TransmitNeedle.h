#pragma once

#include <cstdint>

#include "calibration/Scale.h"

namespace quendal {

// The S scale position at which the needle points where Value lies on TransmitScale (a
// scale with marks), in the geometry in use about Center (the meter centre, in face
// pixels). Both scales are printed on one face under one needle, so the needle keeps
// one position, and its ballistics and peak marker, whichever scale it reads. A value
// pointing past an end of the S scale stops there.
double SScalePositionFor(const MeterCalibration& Calibration, const Scale& TransmitScale,
                         double Value, TPoint Center);

// How long a peak-reading wattmeter holds its peak (PEP).
inline constexpr std::int64_t kPepHoldMs = 2000;

// The power a peak-reading wattmeter shows: the highest of the last kPepHoldMs, then
// the power of the moment once that peak has been held so long.
class PowerPeakHold {
 public:
  // One tick's power in watts at monotonic NowMs; returns the power to show.
  double Update(double Watts, std::int64_t NowMs);
  // Starts afresh at the next Update (after an unkey).
  void Reset() { started_ = false; }

 private:
  bool started_ = false;
  double peak_ = 0.0;
  std::int64_t heldSinceMs_ = 0;
};

}  // namespace quendal
