#pragma once

#include <optional>

#include "display/MeterSettings.h"
#include "meters/LevelSource.h"
#include "support/TextLog.h"

namespace quendal {

// Fast attack, slow decay: scale units per tick, and the snap tolerance.
inline constexpr double FastAttackStep = 0.5;
inline constexpr double SlowDecayStep = 0.1;
inline constexpr double FastAttackSnapTolerance = 0.01;

// One meter tick: reads the level from the radio link, sets TargetPosition and moves
// NeedlePosition one step. TargetInstead (an S scale position), when given, is the target
// instead of the level: the transmit reading's, or S0 where the level cannot be shown. Radio is
// null until the link exists; the tick then does nothing. Errors are logged and end the tick.
// Returns true when a repaint is wanted.
bool UpdateSMeter(NeedleState& Needle, const MeterSettings& Settings, LevelSource* Radio,
                  TextLog& Log, std::optional<double> TargetInstead = std::nullopt);

// One ballistics step in Settings.NeedleMovementMode (an unknown mode does nothing).
// Each returns true when it asks for a repaint.
bool UpdateNeedlePosition(NeedleState& Needle, const MeterSettings& Settings, TextLog& Log);
bool UpdateNeedlePositionExponentialSmoothing(NeedleState& Needle, const MeterSettings& Settings,
                                              TextLog& Log);
bool UpdateNeedlePositionFastAttackSlowDecay(NeedleState& Needle, TextLog& Log);

}  // namespace quendal
