#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/IniFile.h"

namespace quendal {

// The user's settings of the FlexRadio link.
struct FlexConfig {
  std::string FlexIP;  // empty: the address the radio announces
  bool Reconnect = true;
  std::string RadioSerial;            // empty: the first radio that answers
  std::optional<std::int32_t> Slice;  // empty: the first LEVEL meter
};

// Reads FlexIP, Reconnect and RadioSerial from `section` and Slice from [Meter].
// A missing key, or one that cannot be read, keeps its default.
FlexConfig ReadFlexConfig(const IniFile& ini, std::string_view section);

}  // namespace quendal
