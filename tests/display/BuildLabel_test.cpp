#include "display/BuildLabel.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QImage>
#include <QPainter>

namespace quendal {
namespace {

TEST(BuildLabel, TextAndNumber) {
  EXPECT_EQ(BuildLabelText(-1).toStdString(), "Build: -1");
  EXPECT_EQ(BuildLabelText(36).toStdString(), "Build: 36");
  EXPECT_EQ(GetBuildNumber(), QUENDAL_EXPECTED_BUILD_NUMBER);
}

TEST(BuildLabel, DrawnWhiteInTheBottomRightCornerWithATenPixelMargin) {
  if (QFontDatabase::families().isEmpty()) GTEST_SKIP() << "no fonts installed";
  QImage image(300, 120, QImage::Format_ARGB32_Premultiplied);
  image.fill(0u);
  {
    QPainter painter(&image);
    DrawBuildNumber(painter, 300, 120, 36);
  }
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qAlpha(p) == 0) continue;
      EXPECT_EQ(qRed(p), qGreen(p));
      EXPECT_EQ(qGreen(p), qBlue(p));
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "nothing drawn";
  EXPECT_LE(right, 300 - 10);
  EXPECT_LE(bottom, 120 - 10);
  EXPECT_GE(right, 300 - 16) << "text ends near the margin";
  EXPECT_GT(left, 150) << "a short label";
  EXPECT_GT(top, 80);
}

}  // namespace
}  // namespace quendal
