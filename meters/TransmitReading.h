#pragma once

#include <array>
#include <cstddef>
#include <optional>

namespace quendal {

// What the needle may show while the rig transmits, each on its own printed scale.
enum class TransmitReading { Power, Swr, Alc, Compression };

inline constexpr std::array<TransmitReading, 4> kTransmitReadings{
    TransmitReading::Power, TransmitReading::Swr, TransmitReading::Alc,
    TransmitReading::Compression};

constexpr std::size_t IndexOf(TransmitReading Reading) { return static_cast<std::size_t>(Reading); }

// The transmitter as a level source last saw it. Values are in the reading's unit
// (watts, ratio, dB, dB) and present only while transmitting and fresh: a rig's
// values while receiving mean nothing and never reach the needle.
struct TransmitStatus {
  bool Transmitting = false;
  // False when the rig cannot tell whether it transmits: the needle stays on S units.
  bool StateKnown = true;
  // Which readings the rig gives at all, so that the window can say which it does not.
  std::array<bool, 4> Offered{};
  std::array<std::optional<double>, 4> Values{};
  // The rig's own peak power in watts, where it measures one.
  std::optional<double> PeakPowerW;

  bool Offers(TransmitReading Reading) const { return Offered[IndexOf(Reading)]; }
  std::optional<double> Value(TransmitReading Reading) const { return Values[IndexOf(Reading)]; }
};

}  // namespace quendal
