#include "meters/LevelConversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

constexpr std::int32_t kS9dBm = -73;
constexpr std::int32_t kVhfS9dBm = -93;
constexpr std::int64_t kHzPerMHz = 1000000;
constexpr double kDbPerSUnit = 6.0;

// Fixed text with six decimals, "." as the point. Beyond 15 digits before the
// point the fixed form gives way to the exponent form, as the radio's frequency
// texts never need it.
std::string FixedSixDecimals(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[64];
  std::to_chars_result r{};
  if (std::fabs(value) >= 1e15)
    r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  else
    r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return std::string(buffer, r.ptr);
}

}  // namespace

bool VhfSUnits(const SUnitRule& Rule, std::int32_t FrequencyHz) {
  return Rule.IaruVhf && FrequencyHz > 0 &&
         FrequencyHz >= static_cast<std::int64_t>(Rule.VhfFromMHz) * kHzPerMHz;
}

double DBMtoSUnits(std::int32_t dBm, std::int32_t& plusDB, std::int32_t Freq,
                   const SUnitRule& Rule) {
  const std::int32_t s9 = VhfSUnits(Rule, Freq) ? kVhfS9dBm : kS9dBm;
  if (dBm > std::numeric_limits<std::int32_t>::max() + s9)
    throw std::overflow_error("Arithmetic overflow");
  plusDB = dBm - s9;
  if (plusDB >= 0) return 9.0;
  const double sUnits = static_cast<double>(plusDB) / kDbPerSUnit + 9.0;
  plusDB = 0;
  return sUnits < 0.0 ? 0.0 : sUnits;
}

std::string SUnitsText(double SUnits, std::int32_t PlusDB) {
  if (SUnits >= 9.0) return PlusDB > 0 ? "S9+" + std::to_string(PlusDB) : "S9";
  return "S" + FormatFixed(SUnits, 1);
}

std::int32_t FloatToIntegerWithoutDot(double Value) {
  std::string digits = FixedSixDecimals(Value);
  std::erase(digits, '.');
  std::optional<std::int32_t> parsed = ParseInt32(digits);
  if (!parsed) throw ConversionError("'" + digits + "' is not a valid integer value");
  return *parsed;
}

}  // namespace quendal
