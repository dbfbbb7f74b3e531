#include "display/PeakHold.h"

#include <algorithm>
#include <cmath>

#include "display/Ballistics.h"

namespace quendal {

double PeakHold::Update(double Needle, std::int64_t NowMs, const MeterSettings& Settings) {
  if (!started_ || Needle >= peak_) {
    started_ = true;
    peak_ = Needle;
    heldSinceMs_ = NowMs;
    return peak_;
  }
  if (NowMs - heldSinceMs_ >= Settings.PeakHoldMs) Fall(Needle, Settings);
  return peak_;
}

void PeakHold::RenewHold(std::int64_t LastTickMs) {
  if (started_) heldSinceMs_ = std::max(heldSinceMs_, LastTickMs);
}

void PeakHold::Fall(double needle, const MeterSettings& settings) {
  if (settings.NeedleMovementMode == nmFastAttackSlowDecay) {
    peak_ -= SlowDecayStep;
    if (peak_ - needle < FastAttackSnapTolerance) peak_ = needle;
    return;
  }
  peak_ += (needle - peak_) * settings.DecayFactor * (1.0 - settings.DampingFactor);
  if (std::fabs(peak_ - needle) < settings.MinimumMoveThreshold) peak_ = needle;
}

}  // namespace quendal
