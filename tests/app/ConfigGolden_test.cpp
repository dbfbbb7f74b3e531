#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Config.h"

namespace quendal {
namespace {

const std::filesystem::path kGoldenDir = QUENDAL_GOLDEN_DIR;

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the program writes at close for each input, from defaults, byte for byte.
// QUENDAL_WRITE_GOLDEN=1 writes the expected files anew from the current code.
TEST(ConfigGoldenTest, SavedTextStaysTheSame) {
  const bool rewrite = std::getenv("QUENDAL_WRITE_GOLDEN") != nullptr;
  for (const char* name :
       {"empty", "defaults", "legacy_settings", "mixed", "limits", "nondefault"}) {
    IniFile ini = IniFile::FromText(ReadBytes(kGoldenDir / (std::string(name) + ".in.ini")));
    AppConfig config;
    ReadConfig(ini, config);
    WriteConfig(ini, config);
    const std::filesystem::path expected = kGoldenDir / (std::string(name) + ".out.ini");
    if (rewrite) std::ofstream(expected, std::ios::binary) << ini.ToText();
    EXPECT_EQ(ini.ToText(), ReadBytes(expected)) << name;
  }
}

}  // namespace
}  // namespace quendal
