#include "app/FacePictures.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "display/MeterScale.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

// The foreground is kept as its small part that differs from its corner's colour, and
// rebuilt whole to be scaled: the frames must be those of the foreground as loaded.
TEST(FacePicturesTest, AForegroundKeptSmallDrawsAsTheWholeOneAtEverySize) {
  testing::TempDir dir("face_pictures");
  QImage face(120, 80, QImage::Format_ARGB32_Premultiplied);
  face.fill(QColor(200, 190, 150));
  QImage foreground(120, 80, QImage::Format_ARGB32_Premultiplied);
  foreground.fill(Qt::black);
  {
    QPainter p(&foreground);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(QColor(60, 60, 70));
    p.drawEllipse(QPointF(60.5, 70.5), 9.0, 9.0);
  }
  foreground.setPixel(20, 10, qRgba(0, 0, 0, 128));  // black of another alpha: scaled, it shows
  WindowSettings window;
  window.BackgroundImageFileName = dir.File("face.png");
  window.ForegroundImageFileName = dir.File("face-foreground.png");
  ASSERT_TRUE(face.save(QString::fromStdString(window.BackgroundImageFileName)));
  ASSERT_TRUE(foreground.save(QString::fromStdString(window.ForegroundImageFileName)));
  testing::TestLog log("face_pictures", false);
  FacePictures pictures(window, log.Log());
  pictures.Load();

  MeterSettings settings;
  const MeterCalibration calibration;
  const LocalDateTime day{2026, 12, 8, 12, 0, 0, 0};
  for (double factor : {1.0, 2.0, 0.5, 1.0}) {
    const QSize size = ScaleSize(face.size(), factor);
    const QImage& drawn = pictures.Drawn(factor, false);
    MeterRenderer kept;
    pictures.ApplyForeground(kept, factor);
    MeterRenderer whole;
    whole.SetForeground(
        factor == 1.0 ? foreground
                      : foreground.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    for (MeterRenderer* renderer : {&kept, &whole}) {
      renderer->RenderFrame(settings, calibration, SScale(calibration), 7.0, drawn, QImage(),
                            size.width(), size.height(), day, log.Log());
    }
    EXPECT_EQ(kept.Frame(), whole.Frame()) << factor;
    EXPECT_EQ(kept.KeyedFace(), whole.KeyedFace()) << factor;
  }
}

}  // namespace
}  // namespace quendal
