#include "display/PictureLoader.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "tests/support/TestLog.h"

namespace quendal {
namespace {

QString Path(const testing::TempDir& dir, const char* name) {
  return QString::fromStdString(dir.File(name));
}

TEST(LoadPicture, LoadsAPngAsPremultipliedArgb) {
  testing::TempDir dir("picture");
  QImage source(3, 2, QImage::Format_ARGB32);
  source.fill(qRgba(10, 20, 30, 255));
  source.setPixel(1, 1, qRgba(0, 0, 0, 0));
  ASSERT_TRUE(source.save(Path(dir, "face.png"), "PNG"));
  QImage picture;
  QString error;
  ASSERT_TRUE(LoadPicture(Path(dir, "face.png"), picture, error)) << error.toStdString();
  EXPECT_EQ(picture.size(), QSize(3, 2));
  EXPECT_EQ(picture.format(), QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(picture.pixel(0, 0), qRgba(10, 20, 30, 255));
  EXPECT_EQ(picture.pixel(1, 1), 0u);
}

TEST(LoadPicture, RefusesWhatItCannotOrShouldNotDecode) {
  testing::TempDir dir("picture_bad");
  testing::WriteFile(dir.File("text.png"), "not a picture at all");
  testing::WriteFile(dir.File("empty.png"), "");
  // A one-bit picture is small on disk however wide it claims to be.
  QImage wide(kMaxPictureSide + 1, 1, QImage::Format_Mono);
  wide.fill(0);
  ASSERT_TRUE(wide.save(Path(dir, "wide.png"), "PNG"));
  QImage tall(1, kMaxPictureSide + 1, QImage::Format_Mono);
  tall.fill(0);
  ASSERT_TRUE(tall.save(Path(dir, "tall.png"), "PNG"));

  struct Case {
    const char* file;
    const char* errorStart;
  };
  const Case cases[] = {
      {"missing.png", "File not found: "},
      {"text.png", "Not a readable picture: "},
      {"empty.png", "Not a readable picture: "},
      {"wide.png", "Picture too large: 8193 x 1 pixels (at most 8192 x 8192)"},
      {"tall.png", "Picture too large: 1 x 8193 pixels (at most 8192 x 8192)"},
  };
  for (const Case& c : cases) {
    QImage picture(1, 1, QImage::Format_ARGB32_Premultiplied);
    picture.fill(0xFF123456u);
    QString error;
    EXPECT_FALSE(LoadPicture(Path(dir, c.file), picture, error)) << c.file;
    EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.errorStart))) << error.toStdString();
    EXPECT_EQ(picture.pixel(0, 0), 0xFF123456u) << "left untouched: " << c.file;
  }
}

TEST(LoadPicture, LargestAcceptedSide) {
  testing::TempDir dir("picture_edge");
  QImage edge(kMaxPictureSide, 1, QImage::Format_Mono);
  edge.fill(1);
  ASSERT_TRUE(edge.save(Path(dir, "edge.png"), "PNG"));
  QImage picture;
  QString error;
  EXPECT_TRUE(LoadPicture(Path(dir, "edge.png"), picture, error)) << error.toStdString();
  EXPECT_EQ(picture.size(), QSize(kMaxPictureSide, 1));
}

TEST(LoadPicture, EmblemIsCompiledInAsScpng) {
  QImage emblem;
  QString error;
  ASSERT_TRUE(LoadPicture(QStringLiteral(":/SCPNG"), emblem, error)) << error.toStdString();
  EXPECT_EQ(emblem.size(), QSize(22, 22));
  EXPECT_TRUE(emblem.hasAlphaChannel());
  EXPECT_EQ(qAlpha(emblem.pixel(0, 0)) < 255, true) << "rounded, see-through corners";
  EXPECT_EQ(emblem.pixel(11, 11), qRgb(255, 255, 255)) << "white cross in the middle";
}

TEST(PictureLoaderTest, PureBlackPrintingIsToldFromTheSurround) {
  const auto face = [](QRect tick) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    QPainter painter(&image);
    painter.fillRect(5, 5, 30, 20, QColor(230, 220, 190));
    painter.fillRect(tick, QColor(0, 0, 0));
    return image;
  };
  const struct {
    const char* name;
    QImage picture;
    std::int64_t enclosed;
  } cases[] = {
      {"a 3 x 4 tick on the face", face(QRect(10, 10, 3, 4)), 12},
      {"a tick that runs into the surround", face(QRect(10, 3, 3, 10)), 0},
      {"no tick", face(QRect()), 0},
      {"no picture", QImage(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(EnclosedPureBlackPixels(c.picture), c.enclosed) << c.name;
}

}  // namespace
}  // namespace quendal
