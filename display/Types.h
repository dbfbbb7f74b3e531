#pragma once

#include <cstdint>

#include "calibration/MeterCalibration.h"

namespace quendal {

// 32-bit ARGB: alpha in the top byte, then red, green, blue.
using TColor32 = std::uint32_t;

enum TNeedleMovementMode : std::int32_t {
  nmExponentialSmoothing = 0,
  nmFastAttackSlowDecay = 1,
};

}  // namespace quendal
