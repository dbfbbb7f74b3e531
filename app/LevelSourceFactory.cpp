#include "app/LevelSourceFactory.h"

#include "app/Config.h"
#include "support/AsciiText.h"

namespace quendal {

RadioType ParseRadioType(std::string_view text) {
  if (text.empty() || EqualsIgnoringAsciiCase(text, "flex")) return RadioType::Flex;
  throw ConfigError("Unknown radio type '" + std::string(text) + "' in [Radio] Type. Use flex.");
}

std::unique_ptr<LevelSource> CreateLevelSource(RadioType type, const LevelSourceEnvironment& env) {
  switch (type) {
    case RadioType::Flex:
      return std::make_unique<TFlexRadioLib>(env.Flex);
  }
  return nullptr;
}

}  // namespace quendal
