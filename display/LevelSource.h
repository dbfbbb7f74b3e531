#pragma once

#include <cstdint>
#include <string_view>

#include "meters/MeterList.h"

namespace quendal {

// What the meter tick needs of the radio link, so the display does not depend on it.
class LevelSource {
 public:
  virtual ~LevelSource() = default;
  // Fills Meter with the named meter, or with the empty record when none is known.
  virtual void GetMeterByName(std::string_view MeterName, TMeter& Meter) = 0;
  // The slice frequency in Hz.
  virtual std::int32_t CurrentFreq() const = 0;
};

}  // namespace quendal
