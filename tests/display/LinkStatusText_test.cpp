#include "display/LinkStatusText.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(LinkStatusText, EachStateHasItsWords) {
  struct Case {
    LinkStatus status;
    const char* text;             // UTF-8, on the face
    const char* words = nullptr;  // in the About box, where they differ
  };
  const Case cases[] = {
      {{LinkState::NotConnected, "", 0, 0, -1, ""}, "", "Not connected"},
      {{LinkState::NotConnected, "", 0, 0, -1, "[TCI] Address not usable"},
       "Not connected \u2013 [TCI] Address not usable"},
      {{LinkState::Searching, "", 0, 0, -1, ""}, "Searching for radio\u2026"},
      {{LinkState::Connecting, "192.168.1.50", 0, 0, -1, ""}, "Connecting to 192.168.1.50\u2026"},
      {{LinkState::Lost, "", 4, 0, -1, ""}, "Radio lost \u2013 retrying in 4 s"},
      {{LinkState::NoMeterData, "", 0, 51234, -1, ""},
       "No meter data \u2013 check the firewall (UDP 51234)"},
      {{LinkState::NoMeterData, "", 0, 0, -1, ""}, "No meter data"},
      {{LinkState::NoMeterData, "", 0, 51234, -1, "", 12}, "No meter data for 12 s"},
      {{LinkState::NotAnswering, "192.168.1.50", 0, 0, -1, ""}, "Radio not answering"},
      {{LinkState::GaveUp, "192.168.1.50", 0, 0, -1, ""},
       "Radio lost \u2013 not reconnecting (Reconnect=0)"},
      {{LinkState::GaveUp, "", 0, 0, -1, ""},
       "No radio found \u2013 not searching again (Reconnect=0)"},
      {{LinkState::SliceNotOpen, "", 0, 0, 1, ""}, "Slice 1 not open"},
      {{LinkState::Receiving, "192.168.1.50", 0, 51234, 0, ""}, "", "Receiving"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkStatusText(c.status).toStdString(), c.text) << c.text;
    EXPECT_EQ(LinkStateText(c.status).toStdString(), c.words ? c.words : c.text) << c.text;
  }
}

}  // namespace
}  // namespace quendal
