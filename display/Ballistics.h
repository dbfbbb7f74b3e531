#pragma once

#include "display/MeterState.h"
#include "meters/LevelSource.h"
#include "support/TextLog.h"

namespace quendal {

// Fast attack, slow decay: scale units per tick, and the snap tolerance.
inline constexpr double FastAttackStep = 0.5;
inline constexpr double SlowDecayStep = 0.1;
inline constexpr double FastAttackSnapTolerance = 0.01;

// One meter tick: reads the level from the radio link, sets TargetPosition and moves
// NeedlePosition one step. Radio is null until the link exists; the tick then does
// nothing. Errors are logged and end the tick. Returns true when a repaint is wanted.
bool UpdateSMeter(MeterState& State, LevelSource* Radio, TextLog& Log);

// One ballistics step in State.NeedleMovementMode (an unknown mode does nothing).
// Each returns true when it asks for a repaint.
bool UpdateNeedlePosition(MeterState& State, TextLog& Log);
bool UpdateNeedlePositionExponentialSmoothing(MeterState& State, TextLog& Log);
bool UpdateNeedlePositionFastAttackSlowDecay(MeterState& State, TextLog& Log);

}  // namespace quendal
