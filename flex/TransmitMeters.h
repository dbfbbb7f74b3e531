#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "meters/MeterList.h"
#include "meters/TransmitReading.h"

namespace quendal {

// The interlock state of one status line such as "S0|interlock state=TRANSMITTING reason=";
// empty for any other line, and for an interlock line that carries no state.
std::optional<std::string> InterlockState(std::string_view line);

// The transmitter as the radio reports it: the interlock state from the status lines and
// the TX- meters of the meter list. While receiving those meters carry meaningless values,
// so a value counts only when it arrived on the air, since the last TRANSMITTING.
class TransmitMeters {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // Follows an interlock state: only TRANSMITTING is on the air.
  void FollowInterlock(std::string_view state);
  // The radio can no longer tell (its channel closed): counted as receiving.
  void Unkeyed();
  bool Transmitting() const { return transmitting_; }

  // Finds the meters in the list again after it changed; one with a new ID starts
  // without a value.
  void Refresh(const TMeterList& meters);
  // The IDs of the meters, in the order of kTransmitReadings; empty where the radio has none.
  const std::array<std::string, 4>& Ids() const { return ids_; }
  // Stamps the readings whose meters got a value (bit i: kTransmitReadings[i]).
  void ValuesArrived(std::uint32_t readings, TimePoint now);

  // What the needle may show now.
  TransmitStatus Current(const TMeterList& meters, TimePoint now) const;

  // A new connection: the radio will tell its state and its meters again.
  void Forget();

 private:
  bool transmitting_ = false;
  std::array<std::string, 4> ids_;
  std::array<std::optional<TimePoint>, 4> arrived_;
};

}  // namespace quendal
