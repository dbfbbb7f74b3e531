#include "app/RadioFamilies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/Config.h"

namespace quendal {
namespace {

// The family's type, or the error that stops the start.
std::string Find(std::string_view type, std::span<const RadioFamily> families = RadioFamilies()) {
  try {
    return std::string(FindRadioFamily(type, families).Type);
  } catch (const ConfigError& e) {
    return e.what();
  }
}

TEST(RadioFamiliesTest, TypeNamesAFamilyInAnyLetterCaseElseTheErrorListsThem) {
  const struct {
    const char* type;
    const char* result;
  } cases[] = {
      {"", "flex"},
      {"FLEX", "flex"},
      {"Tci", "tci"},
#ifdef QUENDAL_HAVE_HAMLIB
      {"hamlib", "hamlib"},
#endif
      {"icom", "Unknown radio type 'icom' in [Radio] Type. Use flex, hamlib or tci."},
  };
  for (const auto& c : cases) EXPECT_EQ(Find(c.type), c.result) << c.type;
}

TEST(RadioFamiliesTest, AFamilyTheBuildLacksIsRefusedNamingTheOthers) {
  std::vector<RadioFamily> families(RadioFamilies().begin(), RadioFamilies().end());
  std::find_if(families.begin(), families.end(), [](const RadioFamily& f) {
    return f.Type == "hamlib";
  })->Make = nullptr;
  EXPECT_EQ(Find("Hamlib", families),
            "[Radio] Type=hamlib needs Hamlib, and this build of Quendal was made without it. "
            "Use flex or tci, or a build with Hamlib.");
}

// The ```ini blocks of the README, in order, without the indentation of a list item.
std::vector<std::string> ReadmeIniExamples() {
  std::ifstream in(QUENDAL_README);
  std::vector<std::string> blocks;
  std::string line;
  std::ostringstream block;
  std::size_t indent = std::string::npos;  // npos: outside a block
  while (std::getline(in, line)) {
    const std::size_t text = line.find_first_not_of(' ');
    const std::string_view fence =
        text == std::string::npos ? std::string_view() : std::string_view(line).substr(text);
    if (indent != std::string::npos && fence == "```") {
      blocks.push_back(block.str());
      block.str({});
      indent = std::string::npos;
    } else if (indent != std::string::npos) {
      block << line.substr(std::min(indent, line.size())) << '\n';
    } else if (fence == "```ini") {
      indent = text;
    }
  }
  return blocks;
}

// Copied as printed, each example starts its family: the window reads every key, and the
// family takes its own section.
TEST(RadioFamiliesTest, EveryIniExampleOfTheReadmeStartsAsPrinted) {
  const std::vector<std::string> examples = ReadmeIniExamples();
  EXPECT_GE(examples.size(), 4u);  // FlexIP, Hamlib's, TCI's and a face's name at least
  for (const std::string& text : examples) {
    const IniFile ini = IniFile::FromText(text);
    AppConfig config;
    EXPECT_EQ(ReadConfig(ini, config), std::vector<std::string>{}) << text;
#ifndef QUENDAL_HAVE_HAMLIB
    if (config.radio == "hamlib") continue;  // this build refuses it, as it says
#endif
    try {
      const RadioFamily& family = FindRadioFamily(config.radio);
      EXPECT_NE(family.Make({ini, family.Section, false, RadioLinkSettings{}}), nullptr) << text;
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what() << " for\n" << text;
    }
  }
}

}  // namespace
}  // namespace quendal
