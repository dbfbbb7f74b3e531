#include "hamlib/HamlibConfig.h"

#include <optional>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

constexpr const char* kSection = "Hamlib";
constexpr std::int32_t kShortestPollMs = 20;
constexpr std::int32_t kLongestPollMs = 10000;

// The key's integer; `fallback` when missing or empty.
std::int32_t ReadNumber(const IniFile& ini, const char* key, std::int32_t fallback,
                        std::int32_t lowest, std::int32_t highest, const char* wanted) {
  const std::optional<std::string> text = ini.ReadString(kSection, key);
  if (!text || text->empty()) return fallback;
  const std::optional<std::int32_t> value = ParseInt32(*text);
  if (!value || *value < lowest || *value > highest)
    throw HamlibConfigError("[Hamlib] " + std::string(key) + "=" + *text +
                            " is not usable: " + wanted + ".");
  return *value;
}

}  // namespace

HamlibConfig ReadHamlibConfig(const IniFile& ini) {
  HamlibConfig config;
  config.Model = ReadNumber(ini, "Model", HamlibConfig::kNetRigctl, 1, 1000000,
                            "use a Hamlib rig model number (rigctl -l lists them)");
  config.Device = ini.ReadString(kSection, "Device", "");
  if (config.Device.empty() && config.Model == HamlibConfig::kNetRigctl)
    config.Device = "127.0.0.1:4532";
  config.Baud = ReadNumber(ini, "Baud", 0, 0, 10000000, "use a serial speed such as 9600");
  config.Poll = std::chrono::milliseconds(ReadNumber(
      ini, "PollMs", 100, kShortestPollMs, kLongestPollMs, "use a time from 20 to 10000 ms"));
  config.Debug = ReadNumber(ini, "Debug", 0, 0, 1, "use 0 or 1") != 0;
  return config;
}

}  // namespace quendal
