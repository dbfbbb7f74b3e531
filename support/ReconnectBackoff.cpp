#include "support/ReconnectBackoff.h"

namespace quendal {

std::chrono::seconds ReconnectBackoff::Next() {
  const std::chrono::seconds pause = paused_ ? kLongest : kFirst;
  paused_ = true;
  return pause;
}

}  // namespace quendal
