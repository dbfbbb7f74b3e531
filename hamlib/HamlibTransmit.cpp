#include "hamlib/HamlibTransmit.h"

#include <algorithm>
#include <cmath>

namespace quendal {

namespace {

// The level when it is a number no lower than `lowest`.
std::optional<double> AtLeast(std::optional<double> level, double lowest) {
  if (!level || !std::isfinite(*level) || *level < lowest) return std::nullopt;
  return level;
}

std::optional<double> Watts(const HamlibTransmitLevels& levels, std::int32_t maxPowerW) {
  if (levels.PowerWatts) return AtLeast(levels.PowerWatts, 0.0);
  const std::optional<double> fraction = AtLeast(levels.PowerFraction, 0.0);
  if (!fraction) return std::nullopt;
  return *fraction * maxPowerW;
}

std::optional<double> AlcDb(std::optional<double> fraction) {
  fraction = AtLeast(fraction, 0.0);
  if (!fraction) return std::nullopt;
  return std::max(kHamlibAlcFloorDb, 20.0 * std::log10(*fraction));
}

}  // namespace

std::array<std::optional<double>, kTransmitReadings.size()> TransmitValues(
    const HamlibTransmitLevels& levels, std::int32_t maxPowerW) {
  std::array<std::optional<double>, kTransmitReadings.size()> values;
  values[IndexOf(TransmitReading::Power)] = Watts(levels, maxPowerW);
  values[IndexOf(TransmitReading::Swr)] = AtLeast(levels.Swr, 1.0);
  values[IndexOf(TransmitReading::Alc)] = AlcDb(levels.AlcFraction);
  values[IndexOf(TransmitReading::Compression)] = AtLeast(levels.CompressionDb, 0.0);
  return values;
}

}  // namespace quendal
