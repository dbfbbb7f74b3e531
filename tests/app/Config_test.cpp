#include "app/Config.h"

#include <gtest/gtest.h>

#include "support/NumberFormat.h"

namespace quendal {
namespace {

AppConfig Read(std::string_view text) {
  AppConfig config;
  ReadConfig(IniFile::FromText(text), config);
  return config;
}

TEST(ConfigTest, DefaultsWithoutAnyKey) {
  const AppConfig c = Read("");
  EXPECT_EQ(c.window.Top, 0);
  EXPECT_EQ(c.window.Left, 0);
  EXPECT_FALSE(c.window.Borderless);
  EXPECT_FALSE(c.window.TrackSmartSDRWindowOn);
  EXPECT_EQ(c.window.BackgroundImageFileName, "quendal.png");
  EXPECT_EQ(c.window.TimerInterval, 10);
  EXPECT_FALSE(c.window.EnableLogging);
  EXPECT_EQ(c.meter.NeedleLength, 220);
  EXPECT_EQ(c.meter.NeedleThickness, 2);
  EXPECT_EQ(c.meter.NeedleColor, 0xFFFF0000u);
  EXPECT_EQ(c.meter.ImageBottomOffset, -50);
  EXPECT_EQ(c.meter.ShadowOffset, 4);
  EXPECT_EQ(c.meter.ShadowTransparency, 45);
  EXPECT_TRUE(c.meter.UseNeedleColorForShadow);
  EXPECT_EQ(c.meter.ShadowColor, 0u);
  EXPECT_EQ(c.meter.SmoothingFactor, 0.5);
  EXPECT_EQ(c.meter.DecayFactor, 0.2);
  EXPECT_EQ(c.meter.DampingFactor, 0.15);
  EXPECT_EQ(c.meter.MinimumMoveThreshold, 0.001);
  EXPECT_EQ(c.meter.NeedleMovementMode, nmExponentialSmoothing);
}

TEST(ConfigTest, OwnSectionThenSettingsThenDefault) {
  struct Case {
    const char* text;
    std::int32_t needle_length;
    bool borderless;
    bool track;
    std::int32_t pivot_x;
  };
  const Case cases[] = {
      {"[Settings]\nNeedleLength=150\nBorderless=1\nTrackSmartSDRWindow=1\n"
       "EnableArcIndependentPivot=1\nArcIndependentPivotPointX=7\n",
       150, true, false, 0},
      {"[Visual]\nNeedleLength=99\n[Settings]\nNeedleLength=150\n", 99, false, false, 0},
      {"[Visual]\nNeedleLength=abc\n[Settings]\nNeedleLength=150\n", 150, false, false, 0},
      {"[Window]\nBorderless=true\n", 220, false, false, 0},
      {"[window]\nborderless=$1\ntracksmartsdrwindow=0x1\n", 220, true, true, 0},
      {"[ArcCalibration]\nEnableArcIndependentPivot=1\nArcIndependentPivotPointX=7\n", 220, false,
       false, 7},
      {"[ArcCalibration]\nArcIndependentPivotPointX=7\n", 220, false, false, 0},
  };
  for (const Case& c : cases) {
    const AppConfig config = Read(c.text);
    EXPECT_EQ(config.meter.NeedleLength, c.needle_length) << c.text;
    EXPECT_EQ(config.window.Borderless, c.borderless) << c.text;
    EXPECT_EQ(config.window.TrackSmartSDRWindowOn, c.track) << c.text;
    EXPECT_EQ(config.calibration.IndependentPivot.X, c.pivot_x) << c.text;
  }
}

TEST(ConfigTest, ConditionalKeysAndModeText) {
  const AppConfig off = Read(
      "[Visual]\nShadowColor=#112233\n[ArcCalibration]\nCenterX=5\nRadius=9\n"
      "[NeedleMovement]\nNeedleMovementMode=fastattackslowdecay\n");
  EXPECT_EQ(off.meter.ShadowColor, 0u);
  EXPECT_EQ(off.calibration.ArcCenter.X, 0);
  EXPECT_EQ(off.calibration.ArcRadius, 0);
  EXPECT_EQ(off.meter.NeedleMovementMode, nmExponentialSmoothing);

  const AppConfig on = Read(
      "[Visual]\nUseNeedleColorForShadow=0\nShadowColor=#112233\n"
      "[ArcCalibration]\nArcCalibrationDone=1\nCenterX=5\nCenterY=-6\nRadius=9\n"
      "[NeedleMovement]\nNeedleMovementMode=FastAttackSlowDecay\n");
  EXPECT_EQ(on.meter.ShadowColor, 0xFF112233u);
  EXPECT_EQ(on.calibration.ArcCenter, (TPoint{5, -6}));
  EXPECT_EQ(on.calibration.ArcRadius, 9);
  EXPECT_EQ(on.meter.NeedleMovementMode, nmFastAttackSlowDecay);
  EXPECT_EQ(Read("[Radio]\nType=Tci\n").radio, "Tci");
}

TEST(ConfigTest, ErrorsThatStopTheStart) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"[Visual]\nNeedleColor=red\n",
       "config.ini [Visual] NeedleColor=red: Invalid hex color format. Use #RRGGBB."},
      {"[Visual]\nNeedleColor=FF00000\n",
       "config.ini [Visual] NeedleColor=FF00000: Invalid hex color format. Use #RRGGBB."},
      {"[Visual]\nNeedleColor=\n",
       "config.ini [Visual] NeedleColor=: Invalid hex color format. Use #RRGGBB."},
      {"[Visual]\nNeedleColor=#FFG000\n",
       "config.ini [Visual] NeedleColor=#FFG000: '$G0' is not a valid integer value"},
      {"[Settings]\nNeedleColor=#12\n",
       "config.ini [Settings] NeedleColor=#12: Invalid hex color format. Use #RRGGBB."},
      {"[Visual]\nUseNeedleColorForShadow=0\nShadowColor=#12345\n",
       "config.ini [Visual] ShadowColor=#12345: Invalid hex color format. Use #RRGGBB."},
      {"[Timer]\nInterval=-5\n", "config.ini [Timer] Interval=-5: must be 1 or more"},
      {"[Timer]\nInterval=0\n", "config.ini [Timer] Interval=0: must be 1 or more"},
      {"[Settings]\nTimerInterval=-5\n",
       "config.ini [Settings] TimerInterval=-5: must be 1 or more"},
  };
  for (const Case& c : cases) {
    try {
      Read(c.text);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const ConfigError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text;
    }
  }
}

TEST(ConfigTest, UnreadableValuesAreListedWhereTheyStand) {
  AppConfig config;
  const std::vector<std::string> unreadable = ReadConfig(
      IniFile::FromText("[Visual]\nNeedleLength=long\nEnableShadow=true\nShadowOffset=7\n"
                        "ShadowTransparency=99 ; of 255\n"
                        "[NeedleMovement]\nNeedleMovementMode=FastAttack\nDecayFactor=x\n"
                        "[Settings]\nShadowOffset=oops\nNeedleLength=abc\nTimerInterval=q\n"),
      config, "my.ini");
  EXPECT_EQ(unreadable, (std::vector<std::string>{
                            "my.ini [Visual] NeedleLength=long: not a whole number",
                            "my.ini [Settings] NeedleLength=abc: not a whole number",
                            "my.ini [Visual] EnableShadow=true: not 0 or 1",
                            "my.ini [Visual] ShadowTransparency=99 ; of 255: a comment needs a "
                            "line of its own (one that starts with ;)",
                            "my.ini [NeedleMovement] DecayFactor=x: not a number",
                            "my.ini [NeedleMovement] NeedleMovementMode=FastAttack: neither "
                            "ExponentialSmoothing nor FastAttackSlowDecay",
                            "my.ini [Settings] TimerInterval=q: not a whole number",
                        }));
  // The defaults stand in for them; a good value in its own section hides a bad legacy one.
  EXPECT_EQ(config.meter.NeedleLength, 220);
  EXPECT_FALSE(config.meter.EnableShadow);
  EXPECT_EQ(config.meter.ShadowOffset, 7);
  EXPECT_EQ(config.meter.NeedleMovementMode, nmExponentialSmoothing);
  EXPECT_TRUE(ReadConfig(IniFile::FromText("[Visual]\nNeedleLength=99\n"), config).empty());
}

TEST(ConfigTest, ColoursRoundTripInUpperCase) {
  EXPECT_EQ(StringToColor32("#ff8000"), 0xFFFF8000u);
  EXPECT_EQ(Color32ToString(0xFFFF8000u), "#FF8000");
  EXPECT_EQ(Color32ToString(0x00ABCDEFu), "#ABCDEF");
}

TEST(ConfigTest, DecimalCommaFloatFallsBackUnderDecimalPoint) {
  SetDecimalSeparator('.');
  EXPECT_EQ(Read("[NeedleMovement]\nSmoothingFactor=0,7\n").meter.SmoothingFactor, 0.5);
  EXPECT_EQ(Read("[NeedleMovement]\nSmoothingFactor=0.7\n").meter.SmoothingFactor, 0.7);
  SetDecimalSeparator(',');
  EXPECT_EQ(Read("[NeedleMovement]\nSmoothingFactor=0,7\n").meter.SmoothingFactor, 0.7);
  SetDecimalSeparator('.');
}

TEST(ConfigTest, SaveRewritesOwnSectionsInOrderAndKeepsOthers) {
  IniFile ini = IniFile::FromText(
      "[Settings]\nNeedleLength=150\n[Calibration]\nGuided=0\n[Network]\nFlexIP=10.0.0.5\n"
      "[PivotPoint]\nX=1\n[Visual]\nShadowColor=#112233\nOther=1\n");
  AppConfig config;
  ReadConfig(ini, config);
  config.window.Top = 12;
  config.window.Left = -3;
  WriteConfig(ini, config);
  EXPECT_EQ(
      ini.ToText(),
      "[Network]\nFlexIP=10.0.0.5\n"
      "[Window]\nTop=12\nLeft=-3\nBorderless=0\nAlwaysOnTop=0\nClickThrough=0\n"
      "TrackSmartSDRWindow=0\n"
      "[Visual]\nBackgroundImageFileName=quendal.png\nForegroundImageFileName=\nNeedleLength=150\n"
      "NeedleThickness=2\n"
      "NeedleColor=#FF0000\nImageBottomOffset=-50\nShowArcMarkings=0\nEnableShadow=0\n"
      "ShadowOffset=4\nShadowTransparency=45\nUseNeedleColorForShadow=1\n"
      "PeakHold=0\nPeakHoldMs=1500\nScale=100\nReadout=0\n"
      "[NeedleMovement]\nSmoothingFactor=0.5\nDecayFactor=0.2\nDampingFactor=0.15\n"
      "MinimumMoveThreshold=0.001\nNeedleMovementMode=ExponentialSmoothing\n"
      "[ArcCalibration]\nUseArcCalibration=0\nArcCalibrationDone=0\nNeedleLengthOffset=0\n"
      "PivotArcRadius=0\nArcCenterOffsetX=0\nArcCenterOffsetY=0\n"
      "EnableArcIndependentPivot=0\n"
      "[Timer]\nInterval=10\n"
      "[Logging]\nEnableLogging=0\nLevelFile=\n"
      "[Calibration]\nGuided=0\n"
      "[Meter]\nTransmit=Power\nSwrWarning=3\nIaruVhf=0\nVhfFromMHz=30\n");
}

TEST(ConfigTest, TransmitReadingAndSwrWarningShareMeterWithTheFamilysKeys) {
  const struct {
    const char* meter;
    std::optional<TransmitReading> transmit;
    double swrWarning;
    std::vector<std::string> unreadable;
    const char* written;
  } cases[] = {
      {"",
       TransmitReading::Power,
       3.0,
       {},
       "[Meter]\nTransmit=Power\nSwrWarning=3\nIaruVhf=0\nVhfFromMHz=30\n"},
      {"[Meter]\nSlice=1\nTransmit=swr\nSwrWarning=2.5\nIaruVhf=1\nVhfFromMHz=144\n",
       TransmitReading::Swr,
       2.5,
       {},
       "[Meter]\nSlice=1\nTransmit=SWR\nSwrWarning=2.5\nIaruVhf=1\nVhfFromMHz=144\n"},
      {"[Meter]\nTransmit=ALC\nSlice=0\nSwrWarning=0\nVhfFromMHz=0\n",
       TransmitReading::Alc,
       0.0,
       {},
       "[Meter]\nTransmit=ALC\nSlice=0\nSwrWarning=0\nVhfFromMHz=1\nIaruVhf=0\n"},
      {"[Meter]\nTransmit=Compression\nSwrWarning=-1\n",
       TransmitReading::Compression,
       0.0,
       {},
       "[Meter]\nTransmit=Compression\nSwrWarning=0\nIaruVhf=0\nVhfFromMHz=30\n"},
      {"[Meter]\nTransmit=OFF\n",
       std::nullopt,
       3.0,
       {},
       "[Meter]\nTransmit=Off\nSwrWarning=3\nIaruVhf=0\nVhfFromMHz=30\n"},
      {"[Meter]\nTransmit=Nothing\nSwrWarning=high\n",
       TransmitReading::Power,
       3.0,
       {"config.ini [Meter] Transmit=Nothing: not Power, SWR, ALC, Compression or Off",
        "config.ini [Meter] SwrWarning=high: not a number"},
       "[Meter]\nTransmit=Power\nSwrWarning=3\nIaruVhf=0\nVhfFromMHz=30\n"},
  };
  for (const auto& c : cases) {
    IniFile ini = IniFile::FromText(c.meter);
    AppConfig config;
    EXPECT_EQ(ReadConfig(ini, config), c.unreadable) << c.meter;
    EXPECT_EQ(config.meter.Transmit, c.transmit) << c.meter;
    EXPECT_EQ(config.meter.SwrWarning, c.swrWarning) << c.meter;
    WriteConfig(ini, config);
    // The section as written, wherever it stands in the file.
    const std::string text = ini.ToText();
    const std::size_t start = text.find("[Meter]");
    const std::size_t end = text.find("\n[", start);
    EXPECT_EQ(text.substr(start, end == std::string::npos ? end : end + 1 - start), c.written)
        << c.meter;
  }
}

TEST(ConfigTest, SizeAndPeakHoldAreKeptInRangeAndTheColourWrittenOnlyWhenChosen) {
  const struct {
    const char* visual;
    std::int32_t scale;
    std::int32_t peakHoldMs;
    TColor32 peakHoldColor;
    const char* written;
  } cases[] = {
      {"", 100, 1500, 0, "PeakHold=0\nPeakHoldMs=1500\nScale=100\n"},
      {"Scale=10\nPeakHoldMs=-5\n", 25, 0, 0, "PeakHold=0\nPeakHoldMs=0\nScale=25\n"},
      {"Scale=500\nPeakHoldMs=99999\n", 400, 60000, 0, "PeakHold=0\nPeakHoldMs=60000\nScale=400\n"},
      {"Scale=big\nPeakHold=1\nPeakHoldColor=#00ff00\n", 100, 1500, 0xFF00FF00u,
       "PeakHold=1\nPeakHoldMs=1500\nPeakHoldColor=#00FF00\nScale=100\n"},
  };
  for (const auto& c : cases) {
    IniFile ini = IniFile::FromText(std::string("[Visual]\n") + c.visual);
    AppConfig config;
    ReadConfig(ini, config);
    EXPECT_EQ(config.meter.Scale, c.scale) << c.visual;
    EXPECT_EQ(config.meter.PeakHoldMs, c.peakHoldMs) << c.visual;
    EXPECT_EQ(config.meter.PeakHoldColor, c.peakHoldColor) << c.visual;
    WriteConfig(ini, config);
    EXPECT_NE(ini.ToText().find(std::string("UseNeedleColorForShadow=1\n") + c.written +
                                "Readout=0\n[NeedleMovement]"),
              std::string::npos)
        << ini.ToText();
  }
}

}  // namespace
}  // namespace quendal
