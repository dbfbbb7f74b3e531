#include "support/ReconnectBackoff.h"

#include <algorithm>

namespace quendal {

std::chrono::seconds ReconnectBackoff::Next() {
  // 2^5 = 32 already exceeds the cap; stop doubling there so nothing overflows.
  const std::uint32_t doublings = std::min<std::uint32_t>(attempts_, 5);
  ++attempts_;
  return std::min(kFirst * (1 << doublings), kLongest);
}

}  // namespace quendal
