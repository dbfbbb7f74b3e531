#include "display/Ballistics.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "support/NumberFormat.h"
#include "tests/display/TestMeter.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

class FakeLevelSource : public LevelSource {
 public:
  TMeter meter;
  std::int32_t freq = 14225000;
  std::optional<std::chrono::milliseconds> age = std::chrono::milliseconds(0);
  LinkState state = LinkState::Receiving;
  std::chrono::milliseconds interval{100};
  bool fail = false;

  void Start() override {}
  void Stop() override {}
  LevelReading CurrentLevel() override {
    if (fail) throw std::runtime_error("meter list unavailable");
    return {meter, freq, age};
  }
  LinkStatus Status() const override {
    LinkStatus status;
    status.State = state;
    return status;
  }
  std::chrono::milliseconds UpdateInterval() const override { return interval; }
  RadioIdentity Identity() const override { return {}; }
};

TMeter LevelMeter(double dBm) {
  TMeter m;
  m.ID = "7";
  m.Src = "SLC";
  m.Num = "0";
  m.Name = "LEVEL";
  m.Low = -150.0;
  m.High = 20.0;
  m.Desc = "Signal strength";
  m.UnitStr = "dBm";
  m.FPS = 20;
  m.Value = dBm;
  m.Group = "0";
  m.Peak = -60.25;
  return m;
}

TEST(UpdateSMeter, LevelSetsTheTarget) {
  struct Case {
    double dBm;
    double target;
  };
  const Case cases[] = {
      {-121.0, 1.0},
      {-73.0, 9.0},
      {-13.0, 15.0},
      {-53.0, 11.0},
      {-48.0, 11.5},
      {-100.0, 4.5},
      {-140.0, 0.0},
      {-127.0, 0.0},
      {10.0, 17.3},
      // Halves go to the even whole dBm: -126.5 -> -126, -125.5 -> -126, -73.5 -> -74.
      {-127.5, 0.0},
      {-126.5, -53.0 / 6 + 9},
      {-125.5, -53.0 / 6 + 9},
      {-73.5, -1.0 / 6 + 9},
      {-73.4, 9.0},
  };
  for (const Case& c : cases) {
    testing::TestLog log("level", false);
    FakeLevelSource radio;
    radio.meter = LevelMeter(c.dBm);
    testing::TestMeter s;
    EXPECT_TRUE(UpdateSMeter(s.needle, s.settings, &radio, log.Log())) << c.dBm;
    EXPECT_NEAR(s.needle.TargetPosition, c.target, 1e-12) << c.dBm;
  }
}

TEST(UpdateSMeter, OnlyAFreshReadingOfAReceivingLinkMovesTheNeedle) {
  using std::chrono::milliseconds;
  struct Case {
    std::optional<milliseconds> age;
    LinkState state;
    double target;
  };
  const Case cases[] = {
      {milliseconds(0), LinkState::Receiving, 9.0},
      {milliseconds(1000), LinkState::Receiving, 9.0},
      {milliseconds(1001), LinkState::Receiving, 0.0},
      {std::nullopt, LinkState::Receiving, 0.0},  // no value yet
      {milliseconds(0), LinkState::NoMeterData, 0.0},
      {milliseconds(0), LinkState::Lost, 0.0},
      {milliseconds(0), LinkState::SliceNotOpen, 0.0},
  };
  for (const Case& c : cases) {
    testing::TestLog log("fresh", false);
    FakeLevelSource radio;
    radio.meter = LevelMeter(-73.0);
    radio.age = c.age;
    radio.state = c.state;
    testing::TestMeter s;
    s.needle.TargetPosition = 5.0;
    UpdateSMeter(s.needle, s.settings, &radio, log.Log());
    EXPECT_EQ(s.needle.TargetPosition, c.target)
        << static_cast<int>(c.state) << " " << (c.age ? c.age->count() : -1);
  }
}

TEST(UpdateSMeter, LogsTheReadingWhenLoggingIsOn) {
  testing::TestLog log("reading");
  FakeLevelSource radio;
  radio.meter = LevelMeter(-53.0);
  testing::TestMeter s;
  s.needle.NeedlePosition = 11.0;  // already there: the ballistics snap and write nothing
  UpdateSMeter(s.needle, s.settings, &radio, log.Log());
  const std::vector<std::string> expected = {
      "Immediately after retrieval - Meter Value: -53.00",
      "Meter details - ID: 7, Src: SLC, Num: 0, Name: LEVEL, Low: -150.00, High: 20.00, "
      "Desc: Signal strength, UnitStr: dBm, FPS: 20, Value: -53.00, Group: 0, Peak: -60.25",
      "Received S-Value: S-Meter Value: -53.0 dBm, S-Unit: 9.0, Plus dB: 20",
      "Received Frequency: 14225000",
  };
  EXPECT_EQ(log.Messages(), expected);
}

TEST(UpdateSMeter, PlusDbOnlyFromS9AndTheBallisticsLineFollows) {
  testing::TestLog log("below_s9");
  FakeLevelSource radio;
  radio.meter = LevelMeter(-100.0);
  radio.freq = 7000000;
  testing::TestMeter s;
  UpdateSMeter(s.needle, s.settings, &radio, log.Log());
  const std::vector<std::string> messages = log.Messages();
  ASSERT_EQ(messages.size(), 5u);
  EXPECT_EQ(messages[2], "Received S-Value: S-Meter Value: -100.0 dBm, S-Unit: 4.5");
  EXPECT_EQ(messages[3], "Received Frequency: 7000000");
  EXPECT_EQ(messages[4],
            "Needle updated with fast attack/slow decay and damping. Current: 1.91, Target: 4.50");
}

TEST(UpdateSMeter, NoLevelMeterYetRestsAtS0) {
  testing::TestLog log("no_level");
  FakeLevelSource radio;  // empty record: no meter of that name known
  testing::TestMeter s;
  s.needle.TargetPosition = 5.0;
  s.needle.NeedlePosition = 0.0;
  EXPECT_TRUE(UpdateSMeter(s.needle, s.settings, &radio, log.Log()));
  EXPECT_EQ(s.needle.TargetPosition, 0.0);
  EXPECT_EQ(s.needle.NeedlePosition, 0.0);
  const std::vector<std::string> expected = {
      "Immediately after retrieval - Meter Value: 0.00",
      "Meter details - ID: , Src: , Num: , Name: , Low: 0.00, High: 0.00, Desc: , UnitStr: , "
      "FPS: 0, Value: 0.00, Group: , Peak: 0.00",
      "Received S-Value: S-Meter Value: 0.0 dBm, S-Unit: 9.0, Plus dB: 73",
      "Received Frequency: 14225000",
  };
  EXPECT_EQ(log.Messages(), expected);
}

TEST(UpdateSMeter, WithoutRadioLinkNothingHappens) {
  testing::TestLog log("no_radio");
  testing::TestMeter s;
  s.needle.NeedlePosition = 3.0;
  s.needle.TargetPosition = 4.0;
  EXPECT_FALSE(UpdateSMeter(s.needle, s.settings, nullptr, log.Log()));
  EXPECT_EQ(s.needle.NeedlePosition, 3.0);
  EXPECT_EQ(s.needle.TargetPosition, 4.0);
  EXPECT_FALSE(log.Exists());
}

TEST(UpdateSMeter, ErrorsAreLoggedAndLeaveThePositions) {
  struct Case {
    bool fail;
    double value;
    const char* message;
  };
  const Case cases[] = {
      {true, 0.0, "Error retrieving S-Meter: meter list unavailable"},
      {false, std::numeric_limits<double>::quiet_NaN(),
       "Error retrieving S-Meter: Level out of range"},
      {false, 1e300, "Error retrieving S-Meter: Level out of range"},
      {false, -3e9, "Error retrieving S-Meter: Level out of range"},
  };
  for (const Case& c : cases) {
    testing::TestLog log("errors");
    FakeLevelSource radio;
    radio.fail = c.fail;
    radio.meter = LevelMeter(c.value);
    testing::TestMeter s;
    s.needle.NeedlePosition = 3.0;
    s.needle.TargetPosition = 4.0;
    EXPECT_FALSE(UpdateSMeter(s.needle, s.settings, &radio, log.Log())) << c.message;
    EXPECT_EQ(s.needle.NeedlePosition, 3.0);
    EXPECT_EQ(s.needle.TargetPosition, 4.0);
    const std::vector<std::string> messages = log.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().rfind(c.message, 0), 0u) << messages.back();
  }
}

TEST(UpdateSMeter, WritesNoLogWhenLoggingIsOff) {
  testing::TestLog log("quiet", false);
  FakeLevelSource radio;
  radio.meter = LevelMeter(-80.0);
  testing::TestMeter s;
  UpdateSMeter(s.needle, s.settings, &radio, log.Log());
  EXPECT_FALSE(log.Exists());
}

TEST(Ballistics, StepSequences) {
  struct Case {
    const char* name;
    TNeedleMovementMode mode;
    double needle, target;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"smoothing rises 0.425 of the way", nmExponentialSmoothing, 0.0, 1.0, {0.425, 0.669375}},
      {"smoothing falls 0.17 of the way", nmExponentialSmoothing, 1.0, 0.0, {0.83, 0.6889}},
      {"smoothing snaps within the threshold", nmExponentialSmoothing, 2.0, 2.0005, {2.0005}},
      {"smoothing lands once within the threshold", nmExponentialSmoothing, 0.0, 0.0015, {0.0015}},
      {"attack overshoots, decay returns", nmFastAttackSlowDecay, 0.0, 0.3, {0.5, 0.4, 0.3, 0.3}},
      {"decay stops at an off-grid target",
       nmFastAttackSlowDecay,
       0.0,
       0.25,
       {0.5, 0.4, 0.3, 0.25, 0.25}},
      {"decay of a large drop", nmFastAttackSlowDecay, 1.0, 0.75, {0.9, 0.8, 0.75}},
      {"attack snaps within the tolerance", nmFastAttackSlowDecay, 1.0, 1.005, {1.005}},
      {"attack passes the target", nmFastAttackSlowDecay, 1.0, 2.2, {1.5, 2.0, 2.5, 2.4, 2.3, 2.2}},
  };
  for (const Case& c : cases) {
    testing::TestLog log("sequence", false);
    testing::TestMeter s;
    s.settings.NeedleMovementMode = c.mode;
    s.needle.NeedlePosition = c.needle;
    s.needle.TargetPosition = c.target;
    for (std::size_t n = 0; n < c.expected.size(); ++n) {
      EXPECT_TRUE(UpdateNeedlePosition(s.needle, s.settings, log.Log()));
      EXPECT_NEAR(s.needle.NeedlePosition, c.expected[n], 1e-12) << c.name << " tick " << n + 1;
    }
  }
}

TEST(Ballistics, LogLinesAndSnapsWithoutThem) {
  SetDecimalSeparator(',');
  testing::TestLog log("ballistics");
  testing::TestMeter s;
  s.needle.NeedlePosition = 0.425;
  s.needle.TargetPosition = 1.0;
  UpdateNeedlePosition(s.needle, s.settings, log.Log());
  s.settings.NeedleMovementMode = nmFastAttackSlowDecay;
  s.needle.NeedlePosition = 0.0;
  s.needle.TargetPosition = 0.3;
  UpdateNeedlePosition(s.needle, s.settings, log.Log());
  s.needle.NeedlePosition = 0.305;  // within 0.01: snap, no line
  UpdateNeedlePosition(s.needle, s.settings, log.Log());
  s.settings.NeedleMovementMode = nmExponentialSmoothing;
  s.needle.NeedlePosition = 0.3005;  // within the threshold: snap, no line
  UpdateNeedlePosition(s.needle, s.settings, log.Log());
  SetDecimalSeparator('.');
  const std::vector<std::string> expected = {
      "Needle updated with fast attack/slow decay and damping. Current: 0,67, Target: 1,00",
      "Needle position updated. Current: 0,50, Target: 0,30",
  };
  EXPECT_EQ(log.Messages(), expected);
  EXPECT_EQ(s.needle.NeedlePosition, 0.3);
}

TEST(Ballistics, UnknownModeDoesNothing) {
  testing::TestLog log("unknown_mode");
  testing::TestMeter s;
  s.settings.NeedleMovementMode = static_cast<TNeedleMovementMode>(7);
  s.needle.NeedlePosition = 1.0;
  s.needle.TargetPosition = 5.0;
  EXPECT_FALSE(UpdateNeedlePosition(s.needle, s.settings, log.Log()));
  EXPECT_EQ(s.needle.NeedlePosition, 1.0);
  EXPECT_FALSE(log.Exists());
}

}  // namespace
}  // namespace quendal
