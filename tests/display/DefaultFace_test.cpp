// The generated default face, its calibration and the meter's default geometry
// belong together: the needle must end on each drawn mark.
#include <gtest/gtest.h>

#include <QColor>
#include <algorithm>
#include <cmath>

#include "calibration/CalibrationFile.h"
#include "calibration/TransmitScaleFile.h"
#include "display/PictureLoader.h"
#include "display/Renderer.h"
#include "tests/display/TestMeter.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

const std::string kAssets = QUENDAL_ASSETS_DIR;
constexpr QRgb kNeedle = 0xFF00FF00u;

bool IsMark(QRgb p) {
  const QColor c = QColor::fromRgba(p);
  const bool ink = c.red() < 80 && c.green() < 80 && c.blue() < 80;
  const bool blue = c.blue() > 120 && c.red() < 60 && c.green() < 100;
  return c.alpha() == 255 && (ink || blue);
}

// Mostly needle: anti-aliased edges mix it with what lies below.
bool IsNeedle(QRgb p) { return qGreen(p) > qRed(p) + 50 && qGreen(p) > qBlue(p) + 50; }

class DefaultFace : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(LoadPicture(QString::fromStdString(kAssets + "/quendal.png"), face, error))
        << error.toStdString();
    LoadCalibrationFromFile(state.calibration.CalibrationPoints, kAssets + "/calibration.txt",
                            log.Log());
    state.calibration.CalibrationDone = true;
    state.settings.NeedleColor = kNeedle;
  }
  testing::TestLog log{"default_face", false};
  QImage face;
  testing::TestMeter state;
  MeterRenderer renderer;
};

TEST_F(DefaultFace, SizeSurroundAndPoints) {
  EXPECT_EQ(face.size(), QSize(480, 260));
  for (const TPoint& p : state.calibration.CalibrationPoints)
    EXPECT_FALSE(p == TPoint{}) << "unset point";
  // Corners are the pure-black surround, which the window shows as see-through.
  EXPECT_EQ(face.pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(face.pixel(479, 259), 0xFF000000u);
  const QImage& frame = renderer.RenderFrame(state.settings, state.calibration,
                                             SScale(state.calibration), state.needle.NeedlePosition,
                                             face, QImage(), 480, 260, LocalDateTime{}, log.Log());
  EXPECT_EQ(frame.pixel(0, 0), 0u);
  EXPECT_EQ(qAlpha(frame.pixel(240, 40)), 255) << "the scale itself is opaque";
}

TEST_F(DefaultFace, NeedleEndsOnTheMarks) {
  struct Case {
    const char* name;
    double position;
    int point;
  };
  const Case cases[] = {{"S0", 0.0, 0}, {"S9", 9.0, 9}, {"+60 dB", 15.0, 15}};
  for (const Case& c : cases) {
    state.needle.NeedlePosition = c.position;
    state.settings.NeedleThickness = 2;
    const QImage& frame = renderer.RenderFrame(
        state.settings, state.calibration, SScale(state.calibration), state.needle.NeedlePosition,
        face, QImage(), 480, 260, LocalDateTime{}, log.Log());
    // Default geometry: pivot in the middle, 50 px below the bottom edge.
    ASSERT_EQ(renderer.Center(), (TPoint{240, 310}));
    const TPoint mark = state.calibration.CalibrationPoints[c.point];
    EXPECT_TRUE(IsMark(face.pixel(mark.X, mark.Y))) << c.name << ": the point is on a mark";

    const double angle = std::atan2(310.0 - mark.Y, mark.X - 240.0);
    auto along = [&](double distance) {
      return QPoint(static_cast<int>(std::lround(240 + std::cos(angle) * distance)),
                    static_cast<int>(std::lround(310 - std::sin(angle) * distance)));
    };
    // The needle's last pixels lie on the mark ...
    for (double d : {215.0, 217.0, 219.0}) {
      const QPoint p = along(d);
      EXPECT_TRUE(IsNeedle(frame.pixel(p))) << c.name << " at " << d;
      EXPECT_TRUE(IsMark(face.pixel(p))) << c.name << " at " << d;
    }
    // ... and nothing of the needle reaches past the tip.
    for (double d : {226.0, 232.0, 240.0}) {
      const QPoint p = along(d);
      EXPECT_EQ(frame.pixel(p), face.pixel(p)) << c.name << " at " << d;
    }
  }
}

TEST_F(DefaultFace, TransmitScalesReadAndLieOnTheirDrawnMarks) {
  struct Case {
    TransmitReading reading;
    std::vector<double> values;
  };
  const Case cases[] = {{TransmitReading::Power, {0, 25, 50, 75, 100}},
                        {TransmitReading::Swr, {1, 1.5, 2, 3, kSwrInfinity}}};
  for (const Case& c : cases) {
    const ScaleFile read =
        ReadScaleFile(TransmitScaleFileName(kAssets + "/quendal.png", c.reading));
    EXPECT_EQ(read.Problem, "");
    std::vector<double> values;
    for (const ScaleMark& mark : read.Marks.Marks()) {
      values.push_back(mark.Value);
      const QColor ink = QColor::fromRgba(face.pixel(mark.Point.X, mark.Point.Y));
      EXPECT_TRUE(ink.red() < 80 && ink.green() < 80 && ink.blue() < 80)
          << TransmitReadingKey(c.reading) << " " << mark.Value << ": the point is on a mark";
    }
    EXPECT_EQ(values, c.values) << TransmitReadingKey(c.reading);
  }
}

TEST_F(DefaultFace, NeedleRisesFromUnderTheCover) {
  QImage foreground;
  QString error;
  ASSERT_TRUE(
      LoadPicture(QString::fromStdString(kAssets + "/quendal-foreground.png"), foreground, error))
      << error.toStdString();
  ASSERT_EQ(foreground.size(), face.size());
  renderer.SetForeground(foreground);
  state.settings.NeedleThickness = 2;
  for (double position : {0.0, 9.0, 15.0}) {
    state.needle.NeedlePosition = position;
    const QImage& frame =
        renderer.RenderFrame(state.settings, state.calibration, SScale(state.calibration), position,
                             face, QImage(), 480, 260, LocalDateTime{}, log.Log());
    double nearest = 1e9;
    for (int y = 0; y < 260; ++y) {
      for (int x = 0; x < 480; ++x) {
        if (IsNeedle(frame.pixel(x, y)))
          nearest = std::min(nearest, std::hypot(x - 240.0, y - 310.0));
      }
    }
    // Hidden up to the cover's edge 112 px from the pivot, seen right after it.
    EXPECT_GT(nearest, 110.0) << "position " << position;
    EXPECT_LT(nearest, 116.0) << "position " << position;
  }
}

}  // namespace
}  // namespace quendal
