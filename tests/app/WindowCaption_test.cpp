#include "app/WindowCaption.h"

#include <gtest/gtest.h>

#include "app/RadioFamilies.h"

namespace quendal {
namespace {

TEST(WindowTitleTest, NamesWhatTheFamilyIsConnectedTo) {
  const RadioIdentity announced{"Shack", "FLEX-6600M", "1111-0000", "192.168.1.50"};
  const struct {
    const char* name;
    std::string_view caption;
    LinkState state;
    RadioIdentity radio;
    const char* title;  // UTF-8
  } cases[] = {
      {"announced", kWindowCaption, LinkState::Receiving, announced,
       "Quendal for FlexRadio \u2013 Shack (FLEX-6600M)"},
      {"FlexIP, no announcement",
       kWindowCaption,
       LinkState::NoMeterData,
       {"", "", "", "192.168.1.50"},
       "Quendal for FlexRadio \u2013 192.168.1.50"},
      {"no nickname",
       kWindowCaption,
       LinkState::SliceNotOpen,
       {"", "FLEX-6400", "", "10.0.0.9"},
       "Quendal for FlexRadio \u2013 FLEX-6400 (10.0.0.9)"},
      {"not answering", kWindowCaption, LinkState::NotAnswering, announced,
       "Quendal for FlexRadio \u2013 Shack (FLEX-6600M)"},
      {"not yet connected", kWindowCaption, LinkState::Connecting, announced,
       "Quendal for FlexRadio"},
      {"hamlib",
       "Quendal",
       LinkState::Receiving,
       {"", "Hamlib NET rigctl", "", "127.0.0.1:4532"},
       "Quendal \u2013 Hamlib NET rigctl (127.0.0.1:4532)"},
      {"tci",
       "Quendal",
       LinkState::Receiving,
       {"", "SunSDR2PRO", "", "127.0.0.1:50001"},
       "Quendal \u2013 SunSDR2PRO (127.0.0.1:50001)"},
      {"nothing known", "Quendal", LinkState::Receiving, {}, "Quendal"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WindowTitle(c.caption, c.state, c.radio).toStdString(), c.title) << c.name;
}

TEST(WindowTitleTest, OnlyTheFlexRadioFamilyNamesFlexRadio) {
  for (const RadioFamily& family : RadioFamilies())
    EXPECT_EQ(family.Caption, family.Type == "flex" ? "Quendal for FlexRadio" : "Quendal")
        << family.Type;
}

}  // namespace
}  // namespace quendal
