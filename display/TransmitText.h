#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "meters/TransmitReading.h"

namespace quendal {

// [Meter] Transmit's value for the chosen reading; "Off" for none.
std::string_view TransmitChoiceName(std::optional<TransmitReading> Chosen);
// The choice a [Meter] Transmit value names, in any letter case; empty when it names none.
std::optional<std::optional<TransmitReading>> ParseTransmitChoice(std::string_view Text);

// What the corner says while the rig transmits, and whether it warns (drawn red).
struct TransmitCornerText {
  QString Text;
  bool Warning = false;
  // The rig's numbers, which change from tick to tick, rather than a word on the set-up.
  bool Numbers = false;

  friend bool operator==(const TransmitCornerText&, const TransmitCornerText&) = default;
};

// The corner while Status transmits with Chosen picked: that the rig does not give the
// reading, else that its scale is missing, else the numbers the rig gives ("TX 48 W ·
// SWR 1.4", with ALC or compression when chosen), warning with a "!" while the SWR is
// above SwrWarning (0: never). Empty while receiving, when the state is unknown, or
// with nothing chosen.
TransmitCornerText TransmitCornerTextFor(const TransmitStatus& Status,
                                         std::optional<TransmitReading> Chosen, bool HasScale,
                                         double SwrWarning);

// The log's line for a reading on a transmitting tick: "Transmit reading: Power 48.0 W",
// "SWR 1.40", "ALC -3.0 dB", "Compression 6.0 dB"; "(none)" for no value.
std::string TransmitLogLine(TransmitReading Reading, std::optional<double> Value);

}  // namespace quendal
