#pragma once

#include <cmath>

namespace quendal {

// Round to nearest, a half to the even neighbour (the FPU's default mode).
inline double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace quendal
