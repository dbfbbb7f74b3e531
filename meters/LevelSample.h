#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "meters/LevelConversions.h"
#include "meters/LevelSource.h"
#include "meters/TransmitReading.h"

namespace quendal {

// One moment of the meter as the level log and the history keep it.
struct LevelSample {
  std::int64_t UtcMs = 0;
  std::int32_t FrequencyHz = 0;
  // The receive level while it is fresh.
  std::optional<double> Dbm;
  std::string SUnits;  // "S9+12", as the needle reads Dbm; empty without it
  bool Transmitting = false;
  TransmitReading Reading = TransmitReading::Power;
  // The transmitter's Reading, while it transmits and the rig gives it.
  std::optional<double> TransmitValue;
};

// Whether the source's level reading may be shown: the link receives, the level meter
// exists and its value is fresh.
bool LevelIsFresh(const LevelReading& Level, const LevelSource& Source);

// The sample of this moment: the level when LevelFresh, Shown while transmitting. Empty
// when there is neither, or the level is beyond any meter's range.
std::optional<LevelSample> TakeSample(const LevelReading& Level, bool LevelFresh,
                                      const TransmitStatus& Transmit, TransmitReading Shown,
                                      const SUnitRule& Rule, std::int64_t UtcMs);

}  // namespace quendal
