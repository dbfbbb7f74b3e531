#include "app/LevelSourceFactory.h"

#include "app/Config.h"
#include "support/AsciiText.h"

namespace quendal {

namespace {

#ifdef QUENDAL_HAVE_HAMLIB
constexpr bool kHaveHamlib = true;
#else
constexpr bool kHaveHamlib = false;
#endif

// A family's own settings, with the shared config.ini where they name none.
template <typename Settings>
Settings WithConfigPath(Settings settings, const std::string& configPath) {
  if (settings.ConfigPath.empty()) settings.ConfigPath = configPath;
  return settings;
}

}  // namespace

RadioType ParseRadioType(std::string_view text) {
  if (text.empty() || EqualsIgnoringAsciiCase(text, "flex")) return RadioType::Flex;
  if (EqualsIgnoringAsciiCase(text, "tci")) return RadioType::Tci;
  if (EqualsIgnoringAsciiCase(text, "hamlib")) {
    if (!kHaveHamlib)
      throw ConfigError(
          "[Radio] Type=hamlib needs Hamlib, and this build of Quendal was made without it. "
          "Use flex or tci, or a build with Hamlib.");
    return RadioType::Hamlib;
  }
  throw ConfigError("Unknown radio type '" + std::string(text) +
                    "' in [Radio] Type. Use flex, hamlib or tci.");
}

std::unique_ptr<LevelSource> CreateLevelSource(RadioType type, const LevelSourceEnvironment& env) {
  switch (type) {
    case RadioType::Flex:
      return std::make_unique<TFlexRadioLib>(WithConfigPath(env.Flex, env.ConfigPath));
    case RadioType::Hamlib:
#ifdef QUENDAL_HAVE_HAMLIB
      return std::make_unique<HamlibLevelSource>(WithConfigPath(env.Hamlib, env.ConfigPath));
#else
      break;
#endif
    case RadioType::Tci:
      return std::make_unique<TciLevelSource>(WithConfigPath(env.Tci, env.ConfigPath));
  }
  return nullptr;
}

}  // namespace quendal
