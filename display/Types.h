#pragma once

#include <cstdint>
#include <string>

namespace quendal {

// 32-bit ARGB: alpha in the top byte, then red, green, blue.
using TColor32 = std::uint32_t;

// A point in window client pixels.
struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// "(x, y)", as the logs write points.
inline std::string PointText(TPoint p) {
  return "(" + std::to_string(p.X) + ", " + std::to_string(p.Y) + ")";
}

enum TNeedleMovementMode : std::int32_t {
  nmExponentialSmoothing = 0,
  nmFastAttackSlowDecay = 1,
};

}  // namespace quendal
