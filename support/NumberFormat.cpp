#include "support/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace quendal {

namespace {
char g_decimal_separator = '.';

std::string_view StripPlus(std::string_view text) {
  if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
    text.remove_prefix(1);
  return text;
}
}  // namespace

void SetDecimalSeparator(char separator) { g_decimal_separator = separator; }
char DecimalSeparator() { return g_decimal_separator; }

std::string ToUserDecimal(std::string text) {
  if (g_decimal_separator != '.') {
    for (char& c : text)
      if (c == '.') c = g_decimal_separator;
  }
  return text;
}

std::string FormatFixed(double value, int decimals) {
  // to_chars, not printf: the C library's numeric locale follows the environment.
  char buffer[400];
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return std::isnan(value) ? "NAN" : "INF";
  return ToUserDecimal(std::string(buffer, r.ptr));
}

std::string FormatFixed2(double value) { return FormatFixed(value, 2); }

std::optional<double> ParseDouble(std::string_view text) {
  text = StripPlus(text);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return value;
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  text = StripPlus(text);
  if (text.empty()) return std::nullopt;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, value, 10);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return value;
}

}  // namespace quendal
