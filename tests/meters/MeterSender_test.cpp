#include "meters/MeterSender.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestLog.h"

namespace quendal {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(MeterSenderFilter, AcceptsOnlyTheConnectedRadio) {
  struct Case {
    const char* radio;  // empty: no connection yet
    const char* sender;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"127.0.0.1", "127.0.0.1", true},
      {"192.168.1.50", "192.168.1.50", true},
      {"127.0.0.1", "127.0.0.2", false},
      {"192.168.1.50", "192.168.1.5", false},
      {"192.168.1.50", "", false},
      {"", "127.0.0.1", false},
      {"", "", false},
  };
  for (const Case& c : cases) {
    testing::TestLog log("sender_accept");
    MeterSenderFilter filter;
    filter.ExpectFrom(c.radio);
    EXPECT_EQ(filter.Accept(c.sender, steady_clock::time_point{}, log.Log()), c.accepted)
        << "radio " << c.radio << ", sender " << c.sender;
    EXPECT_EQ(filter.Dropped(), c.accepted ? 0u : 1u) << c.radio << " " << c.sender;
  }
}

TEST(MeterSenderFilter, ReportsDropsAtMostOnceAMinute) {
  testing::TestLog log("sender_report");
  MeterSenderFilter filter;
  filter.ExpectFrom("127.0.0.1");
  const std::vector<std::pair<milliseconds, const char*>> datagrams = {
      {milliseconds{0}, "127.0.0.2"},     {milliseconds{10000}, "127.0.0.1"},
      {milliseconds{10000}, "127.0.0.2"}, {milliseconds{59999}, "127.0.0.3"},
      {milliseconds{60000}, "127.0.0.2"}, {milliseconds{61000}, "127.0.0.2"},
  };
  for (const auto& [at, sender] : datagrams)
    filter.Accept(sender, steady_clock::time_point{} + at, log.Log());
  EXPECT_EQ(filter.Dropped(), 5u);
  const std::vector<std::string> expected = {
      "TFlexRadioLib.IdUDPServer1UDPRead: Ignored 1 meter datagram(s), the last from "
      "127.0.0.2: not the radio (127.0.0.1).",
      "TFlexRadioLib.IdUDPServer1UDPRead: Ignored 3 meter datagram(s), the last from "
      "127.0.0.2: not the radio (127.0.0.1).",
  };
  EXPECT_EQ(log.Messages(), expected);
}

}  // namespace
}  // namespace quendal
