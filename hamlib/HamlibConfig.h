#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/IniSection.h"

namespace quendal {

// A key of the section that the source cannot use.
using HamlibConfigError = IniKeyError;

// The user's [Hamlib] section.
struct HamlibConfig {
  static constexpr std::int32_t kNetRigctl = 2;

  std::int32_t Model = kNetRigctl;
  std::string Device;     // serial device, COM port, or host:port for NET rigctl
  std::int32_t Baud = 0;  // 0: the rig's own default
  std::chrono::milliseconds Poll{100};
  // Each logged error carries Hamlib's own trace of the calls that led to it.
  bool Debug = false;
  // The rig's full output, for a rig that gives its power only as a fraction of it.
  std::int32_t MaxPowerW = 100;
};

// Reads Model (a Hamlib rig number, default 2; one `knownModel` refuses, when given, is
// not usable), Device (for model 2 default 127.0.0.1:4532), Baud, PollMs (20 to 10000,
// default 100), Debug (0 or 1) and MaxPowerW (1 to 10000, default 100) from `section`. Throws
// HamlibConfigError for values it cannot use.
HamlibConfig ReadHamlibConfig(const IniFile& ini, std::string_view section,
                              bool (*knownModel)(std::int32_t) = nullptr);

// Hamlib's STRENGTH is the calibrated level in dB relative to S9 (0 = S9,
// -54 = S0 at 6 dB per S unit, positive = dB over S9). The meter works in dBm
// with S9 = -73 dBm, the HF convention.
constexpr double StrengthToDbm(std::int32_t strengthDb) { return strengthDb - 73.0; }

}  // namespace quendal
