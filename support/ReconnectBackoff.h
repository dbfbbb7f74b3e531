#pragma once

#include <chrono>
#include <cstdint>

namespace quendal {

// The pause before each reconnection attempt: 1, 2, 4 … s, never more than 30 s,
// so a radio that comes back is found quickly and one that stays away costs little.
class ReconnectBackoff {
 public:
  static constexpr std::chrono::seconds kFirst{1};
  static constexpr std::chrono::seconds kLongest{30};

  // The pause before the next attempt; each call doubles the one after.
  std::chrono::seconds Next();
  // After a connection that worked: the next loss starts again at kFirst.
  void Reset() { attempts_ = 0; }

 private:
  std::uint32_t attempts_ = 0;
};

}  // namespace quendal
