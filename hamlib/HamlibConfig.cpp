#include "hamlib/HamlibConfig.h"

#include <optional>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

constexpr std::int32_t kShortestPollMs = 20;
constexpr std::int32_t kLongestPollMs = 10000;

// The keys of one section, and how to say which of them is unusable.
struct Section {
  const IniFile& ini;
  std::string_view name;

  [[noreturn]] void Refuse(const char* key, const std::string& text, const char* wanted) const {
    throw HamlibConfigError("[" + std::string(name) + "] " + key + "=" + text +
                            " is not usable: " + wanted + ".");
  }

  // The key's integer; `fallback` when missing or empty.
  std::int32_t ReadNumber(const char* key, std::int32_t fallback, std::int32_t lowest,
                          std::int32_t highest, const char* wanted) const {
    const std::optional<std::string> text = ini.ReadString(name, key);
    if (!text || text->empty()) return fallback;
    const std::optional<std::int32_t> value = ParseInt32(*text);
    if (!value || *value < lowest || *value > highest) Refuse(key, *text, wanted);
    return *value;
  }
};

}  // namespace

HamlibConfig ReadHamlibConfig(const IniFile& ini, std::string_view section,
                              bool (*knownModel)(std::int32_t)) {
  const Section keys{ini, section};
  HamlibConfig config;
  config.Model = keys.ReadNumber("Model", HamlibConfig::kNetRigctl, 1, 1000000,
                                 "use a Hamlib rig model number (rigctl -l lists them)");
  config.Device = ini.ReadString(section, "Device", "");
  if (config.Device.empty() && config.Model == HamlibConfig::kNetRigctl)
    config.Device = "127.0.0.1:4532";
  config.Baud = keys.ReadNumber("Baud", 0, 0, 10000000, "use a serial speed such as 9600");
  config.Poll = std::chrono::milliseconds(keys.ReadNumber(
      "PollMs", 100, kShortestPollMs, kLongestPollMs, "use a time from 20 to 10000 ms"));
  config.Debug = keys.ReadNumber("Debug", 0, 0, 1, "use 0 or 1") != 0;
  if (knownModel != nullptr && !knownModel(config.Model))
    keys.Refuse("Model", std::to_string(config.Model),
                "Hamlib knows no such rig (rigctl -l lists them)");
  return config;
}

}  // namespace quendal
