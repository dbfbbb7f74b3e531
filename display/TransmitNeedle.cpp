#include "display/TransmitNeedle.h"

#include <cmath>
#include <numbers>

#include "display/NeedleGeometry.h"

namespace quendal {

namespace {

constexpr double kLastSPosition = kCalibrationPointCount - 1;
// Halvings of the S scale's 15 positions: far finer than a pixel of any face.
constexpr int kSearchSteps = 40;

}  // namespace

double SScalePositionFor(const MeterCalibration& Calibration, const Scale& TransmitScale,
                         double Value, TPoint Center) {
  const Scale sScale = SScale(Calibration);
  const double target = NeedleAngle(Calibration, TransmitScale, Value, Center);
  // Angles as turns from the target, the short way round, in the S scale's direction
  // of travel: negative short of it, positive past it.
  const double start = NeedleAngle(Calibration, sScale, 0.0, Center);
  const double end = NeedleAngle(Calibration, sScale, kLastSPosition, Center);
  const double direction = std::remainder(end - start, 2.0 * std::numbers::pi) < 0.0 ? -1.0 : 1.0;
  const auto past = [&](double position) {
    const double angle = NeedleAngle(Calibration, sScale, position, Center);
    return direction * std::remainder(angle - target, 2.0 * std::numbers::pi);
  };
  if (past(0.0) >= 0.0) return 0.0;
  if (past(kLastSPosition) <= 0.0) return kLastSPosition;
  double low = 0.0;
  double high = kLastSPosition;
  for (int step = 0; step < kSearchSteps; ++step) {
    const double middle = (low + high) / 2.0;
    (past(middle) < 0.0 ? low : high) = middle;
  }
  return (low + high) / 2.0;
}

double PowerPeakHold::Update(double Watts, std::int64_t NowMs) {
  if (!started_ || Watts >= peak_ || NowMs - heldSinceMs_ >= kPepHoldMs) {
    started_ = true;
    peak_ = Watts;
    heldSinceMs_ = NowMs;
  }
  return peak_;
}

}  // namespace quendal
