#include "hamlib/HamlibConfig.h"

#include <optional>

#include "support/IniSection.h"

namespace quendal {

namespace {

constexpr std::int32_t kShortestPollMs = 20;
constexpr std::int32_t kLongestPollMs = 10000;
constexpr std::int32_t kMostPowerW = 10000;

}  // namespace

HamlibConfig ReadHamlibConfig(const IniFile& ini, std::string_view section,
                              bool (*knownModel)(std::int32_t)) {
  const IniSection keys{ini, section};
  HamlibConfig config;
  config.Model = keys.ReadNumber("Model", HamlibConfig::kNetRigctl, 1, 1000000,
                                 "use a Hamlib rig model number (rigctl -l lists them)");
  config.Device = keys.ReadText("Device", "");
  if (config.Device.empty() && config.Model == HamlibConfig::kNetRigctl)
    config.Device = "127.0.0.1:4532";
  config.Baud = keys.ReadNumber("Baud", 0, 0, 10000000, "use a serial speed such as 9600");
  config.Poll = std::chrono::milliseconds(keys.ReadNumber(
      "PollMs", 100, kShortestPollMs, kLongestPollMs, "use a time from 20 to 10000 ms"));
  config.Debug = keys.ReadNumber("Debug", 0, 0, 1, "use 0 or 1") != 0;
  config.MaxPowerW =
      keys.ReadNumber("MaxPowerW", 100, 1, kMostPowerW, "use the rig's full power, 1 to 10000 W");
  if (knownModel != nullptr && !knownModel(config.Model))
    keys.Refuse("Model", std::to_string(config.Model),
                "Hamlib knows no such rig (rigctl -l lists them)");
  return config;
}

}  // namespace quendal
