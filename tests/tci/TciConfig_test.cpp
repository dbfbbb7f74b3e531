#include "tci/TciConfig.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(TciConfigTest, ReadsTheKeysOrSaysWhichOneIsUnusable) {
  struct Case {
    const char* text;
    const char* address;  // or the error
    std::int32_t receiver;
    std::int32_t channel;
  };
  const Case cases[] = {
      {"", "127.0.0.1:50001", 0, 0},
      {"[tci]\naddress=radio.local:40001\nreceiver=3\nchannel=1\n", "radio.local:40001", 3, 1},
      {"[TCI]\nAddress=192.168.1.20\nReceiver=\n", "192.168.1.20:50001", 0, 0},
      {"[TCI]\nAddress=host:0\n",
       "[TCI] Address=host:0 is not usable: write host:port with a port from 1 to 65535.", 0, 0},
      {"[TCI]\nAddress=:50001\n",
       "[TCI] Address=:50001 is not usable: write host:port, e.g. 127.0.0.1:50001.", 0, 0},
      {"[TCI]\nChannel=2\n", "[TCI] Channel=2 is not usable: use 0 or 1.", 0, 0},
      {"[TCI]\nReceiver=-1\n",
       "[TCI] Receiver=-1 is not usable: use a receiver number from 0 to 255.", 0, 0},
  };
  for (const Case& c : cases) {
    try {
      const TciConfig config = ReadTciConfig(IniFile::FromText(c.text), "TCI");
      EXPECT_EQ(config.Address(), c.address) << c.text;
      EXPECT_EQ(config.Target.Receiver, c.receiver) << c.text;
      EXPECT_EQ(config.Target.Channel, c.channel) << c.text;
    } catch (const TciConfigError& e) {
      EXPECT_STREQ(e.what(), c.address) << c.text;
    }
  }
}

}  // namespace
}  // namespace quendal
