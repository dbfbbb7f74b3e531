#include "display/MeterRest.h"

#include <algorithm>

namespace quendal {

bool NeedleSettled(const NeedleState& Needle, std::optional<double> Peak) {
  return Needle.NeedlePosition == Needle.TargetPosition &&
         Peak.value_or(Needle.NeedlePosition) == Needle.NeedlePosition;
}

std::chrono::milliseconds RestFor(const LevelReading& Reading,
                                  std::chrono::milliseconds UpdateInterval) {
  if (!ReadingIsFresh(Reading.Age, UpdateInterval)) return kLongestRest;
  // Awake again on the first millisecond at which the reading no longer counts.
  const std::chrono::milliseconds staleIn =
      FreshFor(UpdateInterval) - *Reading.Age + std::chrono::milliseconds{1};
  return std::min(staleIn, kLongestRest);
}

}  // namespace quendal
