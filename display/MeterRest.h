#pragma once

#include <chrono>
#include <optional>

#include "display/MeterSettings.h"
#include "meters/LevelSource.h"

namespace quendal {

// The longest the meter tick sleeps with nothing moving: texts that count seconds down
// (a retry, a link that has gone quiet) still change on time.
inline constexpr std::chrono::milliseconds kLongestRest{1000};

// Whether the needle stands on its target and the peak marker (empty while it is off)
// on the needle: further ticks change nothing until the reading does.
bool NeedleSettled(const NeedleState& Needle, std::optional<double> Peak);

// How long a settled meter's tick may sleep: until the reading goes stale and the
// needle falls, at most kLongestRest.
std::chrono::milliseconds RestFor(const LevelReading& Reading,
                                  std::chrono::milliseconds UpdateInterval);

}  // namespace quendal
