#include "flex/FlexConfig.h"

#include <cstdio>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

// [Meter] Slice: a slice index, or empty for the first LEVEL meter. Anything else is
// reported on standard error and read as empty.
std::optional<std::int32_t> ParseSliceSetting(const std::string& text) {
  if (text.empty()) return std::nullopt;
  const std::optional<std::int32_t> slice = ParseInt32(text);
  if (slice && *slice >= 0) return slice;
  std::fprintf(stderr, "[Meter] Slice=%s is not a slice number; the first LEVEL meter is used\n",
               text.c_str());
  return std::nullopt;
}

}  // namespace

FlexConfig ReadFlexConfig(const IniFile& ini, std::string_view section) {
  FlexConfig config;
  config.FlexIP = ini.ReadString(section, "FlexIP", "");
  config.Reconnect = ini.ReadBool(section, "Reconnect", true);
  config.RadioSerial = ini.ReadString(section, "RadioSerial", "");
  config.Slice = ParseSliceSetting(ini.ReadString("Meter", "Slice", ""));
  return config;
}

}  // namespace quendal
