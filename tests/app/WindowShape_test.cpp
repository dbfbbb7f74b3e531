#include "app/WindowShape.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "tests/support/TestLog.h"

namespace quendal {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 100;

// What a mask made from the whole frame's alpha channel shows.
QRegion AlphaMaskRegion(const QImage& frame) {
  const QImage mask = frame.createAlphaMask(Qt::ThresholdAlphaDither);
  QRegion region;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if (mask.pixelIndex(x, y) == 1) region += QRect(x, y, 1, 1);
  return region;
}

// Grey with pure black on the right and a half-transparent strip on the left.
QImage Face() {
  QImage face(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  face.fill(0xFF646464u);
  QPainter painter(&face);
  painter.fillRect(QRect(150, 0, 50, kHeight), Qt::black);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(QRect(0, 0, 20, kHeight), QColor(100, 100, 100, 100));
  return face;
}

// Every frame's mask is the one the whole frame's alpha gives, while the mask is
// worked out only from what the needle drew.
TEST(WindowShapeTest, MaskFollowsTheFrameFromTheNeedleAlone) {
  const QImage face = Face();
  MeterSettings settings;
  settings.ImageBottomOffset = 50;
  settings.NeedleThickness = 2;
  settings.NeedleColor = 0xFF000000u;  // pure black: hides face pixels it covers
  MeterCalibration calibration;
  calibration.CalibrationDone = true;
  calibration.CalibrationPoints[0] = {190, 50};  // right, into the black
  calibration.CalibrationPoints[1] = {100, 0};   // up, over the grey
  calibration.CalibrationPoints[2] = {0, 50};    // left, over the strip
  testing::TestLog log{"shape"};
  MeterRenderer renderer;
  WindowShape shape;
  struct Case {
    double position;
    std::uint32_t color;
    bool changes;
  };
  const Case cases[] = {
      {1.0, 0xFF000000u, true}, {1.0, 0xFF000000u, false}, {1.0, 0xFFFF0000u, true},
      {0.0, 0xFFFF0000u, true}, {2.0, 0xFFFF0000u, true},  {0.0, 0xFF000000u, true},
      {1.0, 0xFFFF0000u, true},
  };
  int frame = 0;
  for (const Case& c : cases) {
    settings.NeedleColor = c.color;
    settings.NeedleLength = 90;
    const QImage& image =
        renderer.RenderFrame(settings, calibration, SScale(calibration), c.position, face, QImage(),
                             kWidth, kHeight, {2026, 12, 8, 12, 0, 0, 0}, log.Log());
    EXPECT_EQ(shape.Update(renderer), c.changes || frame == 0) << frame;
    EXPECT_TRUE(shape.WindowMask().xored(AlphaMaskRegion(image)).isEmpty()) << frame;
    ++frame;
  }
}

TEST(WindowShapeTest, NothingVisibleKeepsOnePixel) {
  QImage black(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  black.fill(0xFF000000u);
  MeterSettings settings;
  settings.NeedleThickness = -1;  // no needle
  testing::TestLog log{"shape"};
  MeterRenderer renderer;
  renderer.RenderFrame(settings, MeterCalibration{}, Scale(), 0.0, black, QImage(), kWidth, kHeight,
                       {2026, 12, 8, 12, 0, 0, 0}, log.Log());
  WindowShape shape;
  EXPECT_TRUE(shape.Update(renderer));
  EXPECT_EQ(shape.WindowMask(), QRegion(0, 0, 1, 1));
}

}  // namespace
}  // namespace quendal
