#include "app/TransmitMeter.h"

#include <gtest/gtest.h>

#include "calibration/TransmitScaleFile.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

TEST(TransmitMeter, ACalibratedScaleIsUsedAtOnceAndFoundAgainBesideItsFace) {
  testing::TempDir dir("transmit_meter");
  testing::TestLog log("transmit_meter", false);
  const MeterSettings settings;
  const MeterCalibration calibration;
  const std::vector<ScaleMark> marks = {{0, {10, 20}}, {50, {30, 40}}};
  const Scale calibrated(marks, ScaleInterpolation::Angle);

  // The built-in face: its own scales until the operator's stand in the settings folder.
  TransmitMeter builtIn(settings, calibration, log.Log());
  EXPECT_EQ(builtIn.LoadScales("missing.png", true, dir.Path().string()),
            std::vector<std::string>{});
  EXPECT_EQ(builtIn.ScaleOf(TransmitReading::Power).Marks().size(), 5u);
  EXPECT_EQ(builtIn.SaveScale(TransmitReading::Power, calibrated), "");
  EXPECT_EQ(builtIn.ScaleOf(TransmitReading::Power).Marks(), marks);
  EXPECT_EQ(ReadScaleFile(dir.File("quendal.power.txt")).Marks.Marks(), marks);
  TransmitMeter restarted(settings, calibration, log.Log());
  restarted.LoadScales("missing.png", true, dir.Path().string());
  EXPECT_EQ(restarted.ScaleOf(TransmitReading::Power).Marks(), marks);
  EXPECT_EQ(restarted.ScaleOf(TransmitReading::Swr).Marks().back().Value, kSwrInfinity);

  // A face of one's own: beside the picture; where that cannot be written, used still.
  TransmitMeter own(settings, calibration, log.Log());
  const std::string face = dir.File("gone/own.png");
  own.LoadScales(face, false, dir.Path().string());
  EXPECT_TRUE(own.ScaleOf(TransmitReading::Swr).Empty());
  EXPECT_EQ(own.ScaleFileName(TransmitReading::Alc), dir.File("gone/own.alc.txt"));
  EXPECT_EQ(own.SaveScale(TransmitReading::Alc, calibrated),
            dir.File("gone/own.alc.txt") + " could not be written");
  EXPECT_EQ(own.ScaleOf(TransmitReading::Alc).Marks(), marks);
}

}  // namespace
}  // namespace quendal
