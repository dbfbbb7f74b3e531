#include "hamlib/HamlibConfig.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(HamlibConfigTest, ReadsTheKeysOrSaysWhichOneIsUnusable) {
  struct Case {
    const char* text;
    const char* result;  // "model device baud poll debug maxpower", or the error
  };
  const Case cases[] = {
      {"", "2 127.0.0.1:4532 0 100 0 100"},
      {"[hamlib]\nmodel=3073\ndevice=/dev/ttyUSB0\nbaud=19200\npollms=250\ndebug=1\n"
       "maxpowerw=1500\n",
       "3073 /dev/ttyUSB0 19200 250 1 1500"},
      {"[Hamlib]\nModel=1\nMaxPowerW=5\n", "1  0 100 0 5"},
      {"[Hamlib]\nModel=2\nDevice=shack:4533\nPollMs=\n", "2 shack:4533 0 100 0 100"},
      {"[Hamlib]\nModel=0\n",
       "[Hamlib] Model=0 is not usable: use a Hamlib rig model number (rigctl -l lists them)."},
      {"[Hamlib]\nBaud=fast\n",
       "[Hamlib] Baud=fast is not usable: use a serial speed such as 9600."},
      {"[Hamlib]\nPollMs=5\n", "[Hamlib] PollMs=5 is not usable: use a time from 20 to 10000 ms."},
      {"[Hamlib]\nDebug=yes\n", "[Hamlib] Debug=yes is not usable: use 0 or 1."},
      {"[Hamlib]\nMaxPowerW=0\n",
       "[Hamlib] MaxPowerW=0 is not usable: use the rig's full power, 1 to 10000 W."},
      {"[Hamlib]\nMaxPowerW=0.5\n",
       "[Hamlib] MaxPowerW=0.5 is not usable: use the rig's full power, 1 to 10000 W."},
  };
  for (const Case& c : cases) {
    std::string result;
    try {
      const HamlibConfig config = ReadHamlibConfig(IniFile::FromText(c.text), "Hamlib");
      result = std::to_string(config.Model) + " " + config.Device + " " +
               std::to_string(config.Baud) + " " + std::to_string(config.Poll.count()) + " " +
               (config.Debug ? "1" : "0") + " " + std::to_string(config.MaxPowerW);
    } catch (const HamlibConfigError& e) {
      result = e.what();
    }
    EXPECT_EQ(result, c.result) << c.text;
  }
}

TEST(HamlibConfigTest, StrengthIsDecibelsAboveS9) {
  EXPECT_EQ(StrengthToDbm(-54), -127.0);  // S0
  EXPECT_EQ(StrengthToDbm(0), -73.0);     // S9
  EXPECT_EQ(StrengthToDbm(20), -53.0);    // S9+20
}

}  // namespace
}  // namespace quendal
