#include "meters/MeterStatus.h"

#include <gtest/gtest.h>

#include "meters/LevelConversions.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

TMeterList Parse(std::string_view text, TMeterList meters = {}) {
  testing::TestLog log("parse", false);
  ParseMeterData(text, meters, log.Log());
  return meters;
}

std::vector<std::string> Ids(const TMeterList& meters) {
  std::vector<std::string> ids;
  for (const TMeter& m : meters.Items()) ids.push_back(m.ID);
  return ids;
}

TEST(MeterStatusTest, MeterListReplyFillsEveryMeterCompletely) {
  const TMeterList meters = Parse(
      "R2|0|meter 1.src=COD-#1.num=1#1.nam=MICPEAK#1.low=-150.0#1.hi=20.0#1.desc=Signal strength "
      "of MIC output in CODEC#1.unit=dBFS#1.fps=40#2.src=RAD#2.num=0#2.nam=+13.8A#2.low=0.0#2.hi="
      "20.0#2.unit=Volts#2.fps=2#\n");
  ASSERT_EQ(Ids(meters), (std::vector<std::string>{"1", "2"}));
  const TMeter mic = meters.FindById("1");
  EXPECT_EQ(mic.Src, "COD-");
  EXPECT_EQ(mic.Num, "1");
  EXPECT_EQ(mic.Name, "MICPEAK");
  EXPECT_EQ(mic.Low, -150.0);
  EXPECT_EQ(mic.High, 20.0);
  EXPECT_EQ(mic.Desc, "Signal strength of MIC output in CODEC");
  EXPECT_EQ(mic.UnitStr, "dBFS");
  EXPECT_EQ(mic.FPS, 40);
  const TMeter volts = meters.FindById("2");
  EXPECT_EQ(volts.Src, "RAD");
  EXPECT_EQ(volts.Name, "+13.8A");
  EXPECT_EQ(volts.Desc, "");  // not inherited from meter 1
  EXPECT_EQ(volts.UnitStr, "Volts");
  EXPECT_EQ(volts.High, 20.0);
  EXPECT_EQ(volts.FPS, 2);
}

TEST(MeterStatusTest, EveryStatusLineStartsWithItsOwnMeter) {
  const TMeterList meters = Parse(
      "S10C05077|meter 24.src=SLC#24.num=0#24.nam=LEVEL#24.low=-150.0#24.hi=20.0#24.desc=Signal "
      "strength of signals in the filter passband#24.unit=dBm#24.fps=10#\r\n"
      "S10C05077|METER 25.src=TX-#25.nam=NR/ANF#25.group=7#\r\n"
      "S10C05077|meter 26.nam=AGC+#26.unit=dB#\r\n");
  ASSERT_EQ(Ids(meters), (std::vector<std::string>{"24", "25", "26"}));
  EXPECT_EQ(meters.FindById("24").Src, "SLC");
  EXPECT_EQ(meters.FindById("24").Desc, "Signal strength of signals in the filter passband");
  EXPECT_EQ(meters.FindByName("level").ID, "24");
  EXPECT_EQ(meters.FindById("25").Src, "TX-");
  EXPECT_EQ(meters.FindById("25").UnitStr, "");
  EXPECT_EQ(meters.FindById("26").Name, "AGC+");
  EXPECT_EQ(meters.FindById("26").Group, "");  // not meter 25's group
  EXPECT_EQ(meters.FindById("26").Src, "");
}

TEST(MeterStatusTest, LinePrefixes) {
  struct Case {
    const char* text;
    std::vector<std::string> ids;
  };
  const Case cases[] = {
      {"S1|meter 9.nam=A#", {"9"}},
      {"S1|Meter9.nam=A#", {"9"}},                    // no blank after the word
      {"R15|0|9.nam=A#10.nam=B", {"9", "10"}},        // reply without the word meter
      {"R15|50000015|9.nam=A", {"9"}},                // longer result code
      {"S1|xx9.nam=A", {"9"}},                        // bar and two characters
      {"S1|meter 9.nam=A\nxx10.nam=B", {"9", "10"}},  // no bar: the first two characters
      {"S1|meter 9.nam=A#  #\t#\r\n\r\n", {"9"}},     // blank segments
      {"S1|meter 9.nam=A#7.unit#8.fps=", {"9"}},      // segments that do not count
  };
  for (const Case& c : cases) EXPECT_EQ(Ids(Parse(c.text)), c.ids) << c.text;
}

TEST(MeterStatusTest, DescribingAMeterAgainKeepsItsValueAndUsesItsOwnUnit) {
  TMeterList meters;
  TMeter level;
  level.ID = "9";
  level.Name = "LEVEL";
  level.UnitStr = "dBm";
  level.Value = -73.0;
  level.Peak = -1.0;
  level.Group = "rx";
  meters.AddOrUpdateMeter(level);

  meters = Parse("S1|meter 10.nam=BATT#10.unit=Volts#\r\nS1|meter 9.desc=Level#9.peak=-6400\r\n",
                 meters);
  const TMeter again = meters.FindById("9");
  EXPECT_EQ(again.Name, "LEVEL");
  EXPECT_EQ(again.Desc, "Level");
  EXPECT_EQ(again.Group, "rx");
  EXPECT_EQ(again.Value, -73.0);
  EXPECT_EQ(again.Peak, -50.0);  // its own dBm, not meter 10's volts
  EXPECT_EQ(meters.FindById("10").Group, "");

  meters = Parse("S1|meter 11.unit=degC#\r\nS1|meter 10.value=256#11.value=256#", meters);
  EXPECT_EQ(meters.FindById("10").Value, 1.0);
  EXPECT_EQ(meters.FindById("11").Value, 4.0);
}

TEST(MeterStatusTest, ValueIsScaledByTheUnitKnownAtThatPoint) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"S1|meter 9.nam=LEVEL#9.unit=dBm#9.value=-9344#", -73.0},
      {"S1|meter 9.value=-9344#9.unit=dBm#9.nam=LEVEL#", -9344.0},
      {"S1|meter 9.unit=degF#9.value=6400#", 100.0},
      {"S1|meter 9.unit=parsec#9.value=12.5#", 12.5},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.text).FindById("9").Value, c.value) << c.text;
}

TEST(MeterStatusTest, RemovedMeterLeavesTheList) {
  TMeterList before;
  for (const char* id : {"9", "10"}) {
    TMeter meter;
    meter.ID = id;
    meter.Name = "LEVEL";
    before.AddOrUpdateMeter(meter);
  }
  const char* texts[] = {"S5|meter 9 removed", "S5|meter 9 removed\r\n",
                         "S5|METER 9 removed \r\nS6|meter 9 removed"};
  for (const char* text : texts) {
    const TMeterList after = Parse(text, before);
    EXPECT_EQ(Ids(after), std::vector<std::string>{"10"}) << text;
    EXPECT_EQ(after.FindById("10").ID, "10") << text;
  }
  const TMeterList mixed = Parse("S5|meter 9 removed\r\nS5|meter 11.nam=SWR#", before);
  EXPECT_EQ(Ids(mixed), (std::vector<std::string>{"10", "11"}));
  EXPECT_EQ(mixed.FindById("11").Name, "SWR");
}

TEST(MeterStatusTest, SegmentsSetOneFieldByKey) {
  struct Case {
    const char* segment;
    bool counts;
    std::string id;
    std::string field;  // which field changed
    std::string text;
    double number;
  };
  const Case cases[] = {
      {"9.src=SLC", true, "9", "Src", "SLC", 0},
      {"9.xsrc=SLC", true, "9", "", "", 0},  // src must match whole
      {"9.num=3", true, "9", "Num", "3", 0},
      {"9.nam=LEVEL", true, "9", "Name", "LEVEL", 0},
      {"9.xnam=LEVEL", true, "9", "Name", "LEVEL", 0},
      {"9.NAM=LEVEL", true, "9", "", "", 0},
      {"9.nam", false, "9", "", "", 0},
      {"9.nam=", false, "9", "", "", 0},
      {"9.=LEVEL", false, "9", "", "", 0},
      {"9.nam=a=b", false, "9", "", "", 0},
      {"9.nam==LEVEL", true, "9", "Name", "LEVEL", 0},
      {"9.low=-150.0", true, "9", "Low", "", -150.0},
      {"9.hi=20.0", true, "9", "High", "", 20.0},
      {"9.desc=Fwd power x.y", true, "9", "Desc", "Fwd power x.y", 0},
      {"9.unit=dBm", true, "9", "UnitStr", "dBm", 0},
      {"9.fps=10", true, "9", "FPS", "", 10},
      {"9.group=7", true, "9", "Group", "7", 0},
      {"9.value=-9344", true, "9", "Value", "", -9344.0},
      {"9.peak=12", true, "9", "Peak", "", 12.0},
      {"9.unknown=1", true, "9", "", "", 0},
      {"nam=X", true, "", "Name", "X", 0},
      {"ab#12.nam=X", true, "12", "Name", "X", 0},
      {"9 removed", false, "", "", "", 0},
  };
  for (const Case& c : cases) {
    TMeter meter;
    meter.ID = "old";
    meter.Name = "before";
    testing::TestLog log("segment", false);
    EXPECT_EQ(ParseMeterSegment(c.segment, meter, log.Log()), c.counts) << c.segment;
    EXPECT_EQ(meter.ID, c.id) << c.segment;
    TMeter expected;
    expected.ID = c.id;
    expected.Name = "before";
    if (c.field == "Src") expected.Src = c.text;
    if (c.field == "Num") expected.Num = c.text;
    if (c.field == "Name") expected.Name = c.text;
    if (c.field == "Low") expected.Low = c.number;
    if (c.field == "High") expected.High = c.number;
    if (c.field == "Desc") expected.Desc = c.text;
    if (c.field == "UnitStr") expected.UnitStr = c.text;
    if (c.field == "FPS") expected.FPS = static_cast<std::int32_t>(c.number);
    if (c.field == "Group") expected.Group = c.text;
    if (c.field == "Value") expected.Value = c.number;
    if (c.field == "Peak") expected.Peak = c.number;
    EXPECT_EQ(meter.Src, expected.Src) << c.segment;
    EXPECT_EQ(meter.Num, expected.Num) << c.segment;
    EXPECT_EQ(meter.Name, expected.Name) << c.segment;
    EXPECT_EQ(meter.Low, expected.Low) << c.segment;
    EXPECT_EQ(meter.High, expected.High) << c.segment;
    EXPECT_EQ(meter.Desc, expected.Desc) << c.segment;
    EXPECT_EQ(meter.UnitStr, expected.UnitStr) << c.segment;
    EXPECT_EQ(meter.FPS, expected.FPS) << c.segment;
    EXPECT_EQ(meter.Group, expected.Group) << c.segment;
    EXPECT_EQ(meter.Value, expected.Value) << c.segment;
    EXPECT_EQ(meter.Peak, expected.Peak) << c.segment;
  }
}

TEST(MeterStatusTest, QuotesGroupOnlyWhenTheyCloseOnTheirLine) {
  struct Case {
    const char* text;
    std::vector<std::string> ids;
    const char* desc9;
    const char* name9;
    const char* name10;
  };
  const Case cases[] = {
      {"S1|meter 9.desc=\"a#b\"#9.nam='x#y'#10.nam=B", {"9", "10"}, "\"a#b\"", "'x#y'", "B"},
      // A lone apostrophe is plain text: the meters after it are read.
      {"R2|0|meter 9.desc=Operator's mic#9.nam=MIC#10.nam=LEVEL#",
       {"9", "10"},
       "Operator's mic",
       "MIC",
       "LEVEL"},
      // A quote never runs past its line.
      {"S1|meter 9.desc=\"open#9.nam=A\r\nS1|meter 10.nam=B\"#", {"9", "10"}, "\"open", "A", "B\""},
  };
  for (const Case& c : cases) {
    const TMeterList meters = Parse(c.text);
    EXPECT_EQ(Ids(meters), c.ids) << c.text;
    EXPECT_EQ(meters.FindById("9").Desc, c.desc9) << c.text;
    EXPECT_EQ(meters.FindById("9").Name, c.name9) << c.text;
    EXPECT_EQ(meters.FindById("10").Name, c.name10) << c.text;
  }
}

TEST(MeterStatusTest, BadNumbersRaiseAndKeepWhatWasStored) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"S1|meter 9.nam=A#9.low=abc#10.nam=B", "'abc' is not a valid floating point value"},
      {"S1|meter 9.nam=A#9.hi=1,5#10.nam=B", "'1,5' is not a valid floating point value"},
      {"S1|meter 9.nam=A#9.value=-#10.nam=B", "'-' is not a valid floating point value"},
      {"S1|meter 9.nam=A#9.peak=1.2.3#10.nam=B", "'1.2.3' is not a valid floating point value"},
      {"S1|meter 9.nam=A#9.fps=1.5#10.nam=B", "'1.5' is not a valid integer value"},
      {"S1|meter 9.nam=A#9.fps=99999999999#10.nam=B", "'99999999999' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    TMeterList meters;
    testing::TestLog log("bad", false);
    try {
      ParseMeterData(c.text, meters, log.Log());
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const ConversionError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(Ids(meters), std::vector<std::string>{"9"}) << c.text;
    EXPECT_EQ(meters.FindById("9").Name, "A") << c.text;
  }
}

TEST(MeterStatusTest, LogsProgressOnlyWhenEnabled) {
  TMeterList meters;
  testing::TestLog off("statusoff", false);
  EXPECT_EQ(&ParseMeterData("S1|meter 9.nam=A#", meters, off.Log()), &meters);
  EXPECT_FALSE(off.Exists());

  testing::TestLog on("statuson", false);
  on.Log().SetEnabled(true);
  ParseMeterData("S1|meter 9.nam=A#9.x", meters, on.Log());
  EXPECT_EQ(on.Messages(), (std::vector<std::string>{
                               "TFlexRadioLib.ParseMeterData: Parsing meter data.",
                               "TFlexRadioLib.ParseMeterSegment: Parsing meter segment.",
                               "TFlexRadioLib.ParseMeterSegment: Meter segment parsed and scaled "
                               "successfully.",
                               "TFlexRadioLib.ParseMeterSegment: Parsing meter segment.",
                               "TFlexRadioLib.ParseMeterSegment: Meter segment parsed and scaled "
                               "successfully.",
                               "TFlexRadioLib.ParseMeterData: Meter data parsed successfully.",
                           }));
}

TEST(MeterStatusTest, GetValueFromAttributeStringTakesTheLastBlankPrecededKey) {
  struct Case {
    const char* source;
    const char* attribute;
    const char* value;
  };
  const Case cases[] = {
      {" mode=USB RF_frequency=14.225000 x=1", "RF_frequency", "14.225000"},
      {" mode=USB RF_frequency=14.225000 x=1", "mode", "USB"},
      {" mode=USB RF_frequency=14.225000 x=1", "x", "1"},
      {" mode=USB RF_frequency=14.225000 x=1", "freq", ""},
      {"mode=USB", "mode", ""},  // no blank in front
      {"S1|slice 0 RF_frequency=7.1 RF_frequency=7.2 y=2", "RF_frequency", "7.2"},
      {" a= b=2", "a", ""},
      {" A=1", "a", ""},
      {" x=1\r\nS2|slice 1", "x", "1\r\nS2|slice"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetValueFromAttributeString(c.source, c.attribute), c.value)
        << c.source << " / " << c.attribute;
}

}  // namespace
}  // namespace quendal
