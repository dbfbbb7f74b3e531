#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "flex/FlexRadioLib_v3_1.h"
#include "hamlib/HamlibLevelSource.h"
#include "meters/LevelSource.h"
#include "tci/TciLevelSource.h"

namespace quendal {

// The radio families a meter can read, as [Radio] Type names them.
enum class RadioType { Flex, Hamlib, Tci };

// "flex", "hamlib" or "tci" in any letter case; empty means flex. Throws
// ConfigError naming the value for anything else, and for hamlib when this
// build has no Hamlib.
RadioType ParseRadioType(std::string_view text);

// What each family needs from the window to start.
struct LevelSourceEnvironment {
  RadioLinkSettings Flex;
  // config.ini, for every family whose own settings name none.
  std::string ConfigPath;
  HamlibSourceSettings Hamlib;
  TciSourceSettings Tci;
};

// The one place that turns a radio family into its level source.
std::unique_ptr<LevelSource> CreateLevelSource(RadioType type, const LevelSourceEnvironment& env);

}  // namespace quendal
