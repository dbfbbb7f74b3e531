#pragma once

#include <chrono>

namespace quendal {

// The pause before each reconnection attempt: 1 s after a loss, then 2 s for as long
// as the peer stays away, so a peer that comes back after any outage is found within
// seconds. An attempt on a peer that is down costs a refused connection or a failed
// open of a port: cheap at this pace.
class ReconnectBackoff {
 public:
  static constexpr std::chrono::seconds kFirst{1};
  static constexpr std::chrono::seconds kLongest{2};

  // The pause before the next attempt.
  std::chrono::seconds Next();
  // After a connection that worked: the next loss starts again at kFirst.
  void Reset() { paused_ = false; }

 private:
  bool paused_ = false;
};

}  // namespace quendal
