#include "meters/MeterList.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>
#include <vector>

namespace quendal {
namespace {

TMeter Meter(std::string id, std::string name, double value = 0.0, double peak = 0.0) {
  TMeter m;
  m.ID = std::move(id);
  m.Name = std::move(name);
  m.Value = value;
  m.Peak = peak;
  return m;
}

TEST(MeterListTest, FindByIdComparesWholeTextExactly) {
  TMeterList list;
  list.AddOrUpdateMeter(Meter("09", "A"));
  list.AddOrUpdateMeter(Meter(" 9", "B"));
  list.AddOrUpdateMeter(Meter("9", "C"));
  list.AddOrUpdateMeter(Meter("", "EMPTY"));
  list.AddOrUpdateMeter(Meter("x", "lower"));

  struct Case {
    std::string id;
    std::string expectedName;
  };
  const Case cases[] = {
      {"9", "C"}, {"09", "A"}, {" 9", "B"}, {"", "EMPTY"}, {"X", ""}, {"9 ", ""}, {"19", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(list.FindById(c.id).Name, c.expectedName) << c.id;
}

TEST(MeterListTest, FindByIdOfUnknownIdIsTheEmptyMeter) {
  TMeterList list;
  list.AddOrUpdateMeter(Meter("9", "LEVEL", -73.0, 5.0));
  TMeter found = list.FindById("10");
  EXPECT_EQ(found.ID, "");
  EXPECT_EQ(found.Name, "");
  EXPECT_EQ(found.Value, 0.0);
  EXPECT_EQ(found.Peak, 0.0);
  EXPECT_EQ(found.FPS, 0);
}

TEST(MeterListTest, FindByNameIgnoresAsciiCaseOnlyAndFirstAddedWins) {
  TMeterList list;
  list.AddOrUpdateMeter(Meter("1", "Level"));
  list.AddOrUpdateMeter(Meter("2", "LEVEL"));
  list.AddOrUpdateMeter(Meter("3", "\xC4HM"));  // non-ASCII letter compared as it is
  list.AddOrUpdateMeter(Meter("4", "+13.8A"));

  struct Case {
    std::string name;
    std::string expectedId;
  };
  const Case cases[] = {
      {"level", "1"}, {"LEVEL", "1"},  {"LeVeL", "1"}, {"\xC4hm", "3"},
      {"\xE4hm", ""}, {"+13.8a", "4"}, {"LEVEL ", ""}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(list.FindByName(c.name).ID, c.expectedId) << c.name;
}

TEST(MeterListTest, AddOrUpdateReplacesWholeEntryOrAppendsInOrder) {
  TMeterList list;
  list.AddOrUpdateMeter(Meter("9", "LEVEL", -73.0, 5.0));
  list.AddOrUpdateMeter(Meter("10", "SWR", 1.5, 1.5));

  TMeter replacement = Meter("9", "", 0.0, 0.0);
  replacement.UnitStr = "dBm";
  list.AddOrUpdateMeter(replacement);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Items()[0].ID, "9");
  EXPECT_EQ(list.Items()[0].Name, "");  // nothing of the old entry is kept
  EXPECT_EQ(list.Items()[0].Peak, 0.0);
  EXPECT_EQ(list.Items()[0].UnitStr, "dBm");

  list.AddOrUpdateMeter(Meter("", "ANON", 3.0));
  list.AddOrUpdateMeter(Meter("11", "TEMP"));
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.Items()[1].ID, "10");
  EXPECT_EQ(list.Items()[2].ID, "");
  EXPECT_EQ(list.Items()[3].ID, "11");

  list.AddOrUpdateMeter(Meter("", "ANON", 4.0));
  EXPECT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.FindById("").Value, 4.0);
}

TEST(MeterListTest, CopiedListKeepsFindingItsOwnEntries) {
  TMeterList original;
  original.AddOrUpdateMeter(Meter("9", "LEVEL", -73.0));
  TMeterList copy = original;
  copy.AddOrUpdateMeter(Meter("9", "LEVEL", -50.0));
  copy.AddOrUpdateMeter(Meter("10", "SWR"));
  EXPECT_EQ(original.FindById("9").Value, -73.0);
  EXPECT_EQ(original.Count(), 1u);
  EXPECT_EQ(copy.FindById("9").Value, -50.0);
  EXPECT_EQ(copy.FindById("10").Name, "SWR");
}

TEST(MeterListTest, IndexOfIdAndInPlaceValueChangeTouchOnlyThatEntry) {
  TMeterList list;
  list.AddOrUpdateMeter(Meter("9", "LEVEL", -73.0, -1.0));
  list.AddOrUpdateMeter(Meter("10", "SWR", 1.5, 1.5));
  EXPECT_EQ(list.IndexOfId("10"), std::optional<std::size_t>(1));
  EXPECT_EQ(list.IndexOfId("11"), std::nullopt);
  EXPECT_EQ(list.IndexOfId(""), std::nullopt);

  list.SetValueAndPeak(1, 2.0, 2.5);
  EXPECT_EQ(list.FindById("10").Value, 2.0);
  EXPECT_EQ(list.FindById("10").Peak, 2.5);
  EXPECT_EQ(list.FindById("10").Name, "SWR");
  EXPECT_EQ(list.FindById("9").Value, -73.0);
  EXPECT_THROW(list.SetValueAndPeak(2, 0.0, 0.0), std::out_of_range);
}

// The meter stream names meters by number; only the ID written as that number's
// plain decimal text matches, as comparing with the text made from it would.
TEST(MeterListTest, IndexOfNumericIdFindsOnlyThePlainDecimalText) {
  TMeterList list;
  for (const char* id : {"09", " 9", "9 ", "+7", "", "0", "65535", "65536", "00", "x1", "12"})
    list.AddOrUpdateMeter(Meter(id, id));
  list.AddOrUpdateMeter(Meter("12", "twelve again"));  // replaced, same position

  struct Case {
    std::uint16_t id;
    std::optional<std::size_t> expected;
  };
  const Case cases[] = {{9, std::nullopt},    {7, std::nullopt}, {0, 5},
                        {65535, 6},           {1, std::nullopt}, {12, 10},
                        {65534, std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(list.IndexOfNumericId(c.id), c.expected) << c.id;

  const TMeterList copy = list;
  EXPECT_EQ(copy.IndexOfNumericId(12), std::optional<std::size_t>(10));
}

TEST(MeterListTest, EachEntryKeepsTheScaleOfItsUnitThroughUpdatesAndRemovals) {
  TMeterList list;
  const struct {
    const char* id;
    const char* unit;
  } described[] = {{"1", "dBm"}, {"2", "Volts"}, {"3", "degC"}, {"5000", "dBm"}, {"2", "RPM"}};
  for (const auto& d : described) {
    TMeter m = Meter(d.id, d.id);
    m.UnitStr = d.unit;
    list.AddOrUpdateMeter(m);
  }
  list.Remove("1");
  const struct {
    std::uint16_t id;
    std::optional<std::size_t> index;
    double scale;
  } cases[] = {{1, std::nullopt, 0}, {2, 0, 1.0}, {3, 1, 1.0 / 64}, {5000, 2, 1.0 / 128}};
  for (const auto& c : cases) {
    EXPECT_EQ(list.IndexOfNumericId(c.id), c.index) << c.id;
    if (c.index) {
      EXPECT_EQ(list.ValueScale(*c.index), c.scale) << c.id;
    }
  }
  EXPECT_EQ(list.IndexOfId("5000"), std::optional<std::size_t>(2));
}

// The marks follow the IDs through every change of the list: the meter stream reads
// them by position.
TEST(MeterListTest, WatchedMarksFollowTheirIdsThroughAddsRemovalsAndClear) {
  TMeterList list;
  list.AddOrUpdateMeter(Meter("24", "LEVEL"));
  list.AddOrUpdateMeter(Meter("", "EMPTY"));
  list.AddOrUpdateMeter(Meter("19", "FWDPWR"));
  const std::string_view watched[] = {"24", "", "19", "5000"};
  list.Watch(watched);
  list.AddOrUpdateMeter(Meter("5000", "late"));
  list.AddOrUpdateMeter(Meter("24", "LEVEL again"));
  const auto marks = [&] {
    std::vector<std::pair<std::string, std::uint32_t>> by_id;
    for (std::size_t i = 0; i < list.Count(); ++i)
      by_id.emplace_back(list.Items()[i].ID, list.WatchedBits(i));
    return by_id;
  };
  using Marks = std::vector<std::pair<std::string, std::uint32_t>>;
  EXPECT_EQ(marks(), (Marks{{"24", 0b0001}, {"", 0}, {"19", 0b0100}, {"5000", 0b1000}}));
  list.Remove("");
  EXPECT_EQ(marks(), (Marks{{"24", 0b0001}, {"19", 0b0100}, {"5000", 0b1000}}));
  const std::string_view level_only[] = {"19"};
  list.Watch(level_only);
  EXPECT_EQ(marks(), (Marks{{"24", 0}, {"19", 0b0001}, {"5000", 0}}));
  list.Clear();
  list.AddOrUpdateMeter(Meter("7", "other"));
  list.AddOrUpdateMeter(Meter("19", "FWDPWR"));
  EXPECT_EQ(marks(), (Marks{{"7", 0}, {"19", 0b0001}}));
  EXPECT_EQ(list.PositionOfNumericId(8), list.Count());
}

}  // namespace
}  // namespace quendal
