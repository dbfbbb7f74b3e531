#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "meters/TransmitReading.h"

namespace quendal {

// The meter levels one poll read while the rig transmitted, in Hamlib's own units;
// empty where the rig does not offer the level or did not answer.
struct HamlibTransmitLevels {
  std::optional<double> PowerWatts;     // RFPOWER_METER_WATTS
  std::optional<double> PowerFraction;  // RFPOWER_METER: 0 to 1 of the rig's full power
  std::optional<double> Swr;            // SWR
  std::optional<double> AlcFraction;    // ALC: 0 to 1 of the rig's ALC scale
  std::optional<double> CompressionDb;  // COMP_METER
};

// An ALC reading of nothing at all, in dB below the top of the rig's ALC scale.
inline constexpr double kHamlibAlcFloorDb = -60.0;

// The levels in the needle's units: watts (RFPOWER_METER_WATTS, else the fraction of
// `maxPowerW`), the SWR ratio (below 1 is no reading: rigs answer 0 when they measure
// none), ALC in dB below the top of its scale, compression in dB. Values that are not
// finite, or negative where a meter cannot go, are no reading.
std::array<std::optional<double>, kTransmitReadings.size()> TransmitValues(
    const HamlibTransmitLevels& levels, std::int32_t maxPowerW);

}  // namespace quendal
