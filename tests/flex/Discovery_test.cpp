#include <gtest/gtest.h>

#include "flex/FlexRadioLib_v3_1.h"

namespace quendal {
namespace {

TEST(DiscoveryPayloadTest, ReadsPairsInPayloadOrder) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string payload;
    DiscoveryRecord expected;
  };
  const Case cases[] = {
      {"three pairs then NUL padding",
       "model=FLEX-6600M ip=192.168.1.20 port=4992\0\0\0"s,
       {{"model", "FLEX-6600M"}, {"ip", "192.168.1.20"}, {"port", "4992"}}},
      {"empty values and text after NUL",
       "inuse_ip= gui_client_ips=\0ip=1.2.3.4"s,
       {{"inuse_ip", ""}, {"gui_client_ips", ""}}},
      {"extra = pieces dropped, tokens without = skipped",
       "a=b=c junk  x=1"s,
       {{"a", "b"}, {"x", "1"}}},
      {"quoted token keeps blanks",
       "nickname=x \"callsign=N0 CALL\" ip=5"s,
       {{"nickname", "x"}, {"callsign", "N0 CALL"}, {"ip", "5"}}},
      {"doubled quote inside quotes", "\"k=a\"\"b\""s, {{"k", "a\"b"}}},
      {"bytes above 0x7F", "name=\xB0x"s, {{"name", "?x"}}},
      {"empty payload", ""s, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDiscoveryPayload(c.payload), c.expected) << c.name;
}

TEST(DiscoveryPayloadTest, LooksUpKeysIgnoringCaseFirstWins) {
  const DiscoveryRecord record = {{"IP", "10.0.0.1"}, {"ip", "10.0.0.2"}, {"port", "4992"}};
  EXPECT_EQ(DiscoveryValue(record, "ip"), "10.0.0.1");
  EXPECT_EQ(DiscoveryValue(record, "Port"), "4992");
  EXPECT_EQ(DiscoveryValue(record, "serial"), "");
}

TEST(BytesToHexTest, UpperCaseTwoDigitsPerByte) {
  EXPECT_EQ(BytesToHex(std::string("\x0A\xFF", 2)), "0AFF");
  EXPECT_EQ(BytesToHex(""), "");
  EXPECT_EQ(BytesToHex("C1|"), "43317C");
}

}  // namespace
}  // namespace quendal
