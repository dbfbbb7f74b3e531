#include "app/RadioFamilies.h"

#include <gtest/gtest.h>

#include <algorithm>
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

}  // namespace
}  // namespace quendal
