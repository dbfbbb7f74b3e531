#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quendal {

// A number in text that does not convert ("'%s' is not a valid integer value").
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// S units for a level in dBm (S9 = -73 dBm, 6 dB per unit, never below 0);
// plusDB receives the dB above S9. Freq does not change the result.
double DBMtoSUnits(std::int32_t dBm, std::int32_t& plusDB, std::int32_t Freq);

// 14.225 -> 14225000: the digits of the six-decimal fixed text. Throws
// ConversionError when they do not fit a signed 32-bit integer.
std::int32_t FloatToIntegerWithoutDot(double Value);

}  // namespace quendal
