#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quendal {

// The user's decimal separator for numbers people read (logs, config.ini).
// Set once at start from the system locale; "." until then.
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// Fixed point with the given decimals and the user's separator.
std::string FormatFixed(double value, int decimals);
// Two decimals ("%f" in log texts).
std::string FormatFixed2(double value);

// Locale-independent parsing with "." as the decimal point. The whole text must
// be the number; no blanks. A leading "+" is accepted.
std::optional<double> ParseDouble(std::string_view text);
std::optional<std::int32_t> ParseInt32(std::string_view text);

// Replaces every "." with the user's separator.
std::string ToUserDecimal(std::string text);

}  // namespace quendal
