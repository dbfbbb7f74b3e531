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

// Where S9 lies. By default -73 dBm on every band; with IaruVhf, the IARU Region 1
// rule: -93 dBm at and above VhfFromMHz (30, or 144 as some consoles put it).
struct SUnitRule {
  bool IaruVhf = false;
  std::int32_t VhfFromMHz = 30;
};

// Whether S9 is the VHF one at FrequencyHz; an unknown frequency (0) keeps the HF rule.
bool VhfSUnits(const SUnitRule& Rule, std::int32_t FrequencyHz);

// S units for a level in dBm (6 dB per unit, never below 0) at Freq under Rule;
// plusDB receives the dB above S9. Without Rule, S9 is -73 dBm on every band.
double DBMtoSUnits(std::int32_t dBm, std::int32_t& plusDB, std::int32_t Freq,
                   const SUnitRule& Rule = {});

// The S units as a meter writes them: "S5.7", "S9", "S9+12".
std::string SUnitsText(double SUnits, std::int32_t PlusDB);

// 14.225 -> 14225000: the digits of the six-decimal fixed text. Throws
// ConversionError when they do not fit a signed 32-bit integer.
std::int32_t FloatToIntegerWithoutDot(double Value);

}  // namespace quendal
