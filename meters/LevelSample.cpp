#include "meters/LevelSample.h"

#include <cmath>

#include "support/Rounding.h"

namespace quendal {

namespace {

// Far beyond any receiver, well inside what S units can be computed for.
constexpr double kLevelLimitDbm = 1e6;

std::optional<double> ReceiveLevel(const LevelReading& level, bool fresh) {
  if (!fresh || !std::isfinite(level.Meter.Value)) return std::nullopt;
  if (std::fabs(level.Meter.Value) > kLevelLimitDbm) return std::nullopt;
  return level.Meter.Value;
}

}  // namespace

bool LevelIsFresh(const LevelReading& Level, const LevelSource& Source) {
  return Source.Status().State == LinkState::Receiving && !Level.Meter.Name.empty() &&
         ReadingIsFresh(Level.Age, Source.UpdateInterval());
}

std::optional<LevelSample> TakeSample(const LevelReading& Level, bool LevelFresh,
                                      const TransmitStatus& Transmit, TransmitReading Shown,
                                      const SUnitRule& Rule, std::int64_t UtcMs) {
  LevelSample sample;
  sample.UtcMs = UtcMs;
  sample.FrequencyHz = Level.FrequencyHz;
  sample.Dbm = ReceiveLevel(Level, LevelFresh);
  sample.Transmitting = Transmit.Transmitting;
  sample.Reading = Shown;
  if (Transmit.Transmitting) sample.TransmitValue = Transmit.Value(Shown);
  if (!sample.Dbm && !sample.TransmitValue) return std::nullopt;
  if (sample.Dbm) {
    std::int32_t plusDB = 0;
    const double sUnits = DBMtoSUnits(static_cast<std::int32_t>(RoundHalfEven(*sample.Dbm)), plusDB,
                                      Level.FrequencyHz, Rule);
    sample.SUnits = SUnitsText(sUnits, plusDB);
  }
  return sample;
}

}  // namespace quendal
