#pragma once

#include <cstddef>
#include <string_view>

namespace quendal {

// Letter case as the radio's text and ini names use it: A-Z only, whatever the locale.
inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// Position of the first match of `lowerPattern` (written in lower case) in `text`,
// ignoring ASCII case; npos when there is none.
inline std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view lowerPattern) {
  if (lowerPattern.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = 0; at + lowerPattern.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < lowerPattern.size() && AsciiLower(text[at + i]) == lowerPattern[i]) ++i;
    if (i == lowerPattern.size()) return at;
  }
  return std::string_view::npos;
}

}  // namespace quendal
