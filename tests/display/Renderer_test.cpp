#include "display/Renderer.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <limits>
#include <numbers>

#include "tests/display/TestMeter.h"
#include "tests/support/TestLog.h"

namespace quendal {
namespace {

constexpr QRgb kFace = 0xFF646464u;  // opaque grey (100, 100, 100)
constexpr QRgb kRed = 0xFFFF0000u;
constexpr int kWidth = 200;
constexpr int kHeight = 100;
const LocalDateTime kOrdinaryDay{2026, 12, 8, 12, 0, 0, 0};
const LocalDateTime kFirstOfAugust{2026, 8, 1, 12, 0, 0, 0};

QImage Face(QRgb colour = kFace) {
  QImage face(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  face.fill(colour);
  return face;
}

// A horizontal needle pointing right: centre (100, 50), aimed at (190, 50), 60 long,
// so stroke i covers row 50 + i from x = 100 + i to 159 + i.
testing::TestMeter HorizontalNeedle(std::int32_t thickness) {
  testing::TestMeter s;
  s.settings.ImageBottomOffset = 50;
  s.calibration.CalibrationDone = true;
  s.calibration.CalibrationPoints[0] = {190, 50};
  s.needle.NeedlePosition = 0.0;
  s.settings.NeedleLength = 60;
  s.settings.NeedleThickness = thickness;
  s.settings.NeedleColor = kRed;
  return s;
}

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y); }

class RendererTest : public ::testing::Test {
 protected:
  const QImage& Render(testing::TestMeter& s, const QImage& face, const QImage& emblem = QImage(),
                       const LocalDateTime& day = kOrdinaryDay) {
    const QImage& frame = renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration),
                                               s.needle.NeedlePosition, face, emblem, kWidth,
                                               kHeight, day, log.Log());
    s.needle.ImageCenterX = renderer.Center().X;
    s.needle.ImageCenterY = renderer.Center().Y;
    return frame;
  }
  testing::TestLog log{"render"};
  MeterRenderer renderer;
};

TEST_F(RendererTest, NeedleCoversItsLineAndNothingBeyondTheTip) {
  testing::TestMeter s = HorizontalNeedle(0);
  const QImage& frame = Render(s, Face());
  EXPECT_EQ(s.needle.ImageCenterX, 100);
  EXPECT_EQ(s.needle.ImageCenterY, 50);
  for (int x = 100; x <= 159; ++x) EXPECT_EQ(Pixel(frame, x, 50), kRed) << x;
  // The last pixel of the line is left out, as is everything past it.
  for (int x = 160; x < kWidth; ++x) EXPECT_EQ(Pixel(frame, x, 50), kFace) << x;
  for (int x = 0; x < 99; ++x) EXPECT_EQ(Pixel(frame, x, 50), kFace) << x;
  for (int x = 100; x <= 159; ++x) {
    EXPECT_EQ(Pixel(frame, x, 49), kFace) << x;
    EXPECT_EQ(Pixel(frame, x, 51), kFace) << x;
  }
}

TEST(StrokeShiftTest, UnitNormalOfTheNeedleDirection) {
  struct Case {
    double dx, dy;  // needle direction, y down
    double x, y;    // expected shift of stroke +1
  };
  const double h = std::sqrt(0.5);
  const Case cases[] = {{60, 0, 0, 1},     {0, -220, 1, 0}, {-5, 0, 0, -1},
                        {0, 3, -1, 0},     {10, -10, h, h}, {-10, -10, h, -h},
                        {3, 4, -0.8, 0.6}, {0, 0, 0, 0},    {NAN, 1, 0, 0}};
  for (const Case& c : cases) {
    const StrokeShift shift = PerpendicularStrokeShift(c.dx, c.dy);
    EXPECT_NEAR(shift.X, c.x, 1e-12) << c.dx << ", " << c.dy;
    EXPECT_NEAR(shift.Y, c.y, 1e-12) << c.dx << ", " << c.dy;
  }
}

TEST_F(RendererTest, ThicknessSetsTheNumberOfStrokesAcrossTheNeedle) {
  struct Case {
    std::int32_t thickness;
    int lowest, highest;  // stroke offsets expected
  };
  const Case cases[] = {{0, 0, 0},  {1, 0, 0},  {2, -1, 1}, {3, -1, 1},
                        {4, -2, 2}, {-1, 1, 0}, {-2, 1, 0}, {-7, 1, 0}};
  for (const Case& c : cases) {
    testing::TestMeter s = HorizontalNeedle(c.thickness);
    s.settings.EnableShadow = true;
    s.settings.ShadowTransparency = 255;
    s.settings.ShadowOffset = 30;  // well away from the needle rows
    const QImage& frame = Render(s, Face());
    for (int i = -3; i <= 3; ++i) {
      const bool stroke = i >= c.lowest && i <= c.highest;
      // Needle stroke i: row 50 + i from x = 100 to 159; its shadow 30 px right and down.
      EXPECT_EQ(Pixel(frame, 130, 50 + i) == kRed, stroke) << c.thickness << " i=" << i;
      EXPECT_EQ(Pixel(frame, 160, 80 + i) == kRed, stroke) << c.thickness << " i=" << i;
      EXPECT_EQ(Pixel(frame, 100, 50 + i) == kRed, stroke) << "first pixel " << c.thickness;
      EXPECT_EQ(Pixel(frame, 160, 50 + i), kFace) << "past the tip " << c.thickness;
    }
  }
}

TEST_F(RendererTest, WideStrokesMakeOneNeedleWithoutSeams) {
  // Stroke width 2 (a 200 % screen): the strokes together are one stroke twice as wide,
  // about row 50's middle, with no lighter seam between them; half-covered rows at its edges.
  struct Case {
    std::int32_t thickness;
    int firstFull, lastFull;
  };
  const Case cases[] = {{0, 50, 50}, {2, 48, 52}, {3, 48, 52}};
  for (const Case& c : cases) {
    testing::TestMeter s = HorizontalNeedle(c.thickness);
    const QImage& frame =
        renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration), 0.0, Face(),
                             QImage(), kWidth, kHeight, kOrdinaryDay, log.Log(), std::nullopt, 2.0);
    for (int y = c.firstFull - 2; y <= c.lastFull + 2; ++y) {
      const QRgb p = Pixel(frame, 130, y);
      if (y >= c.firstFull && y <= c.lastFull) {
        EXPECT_EQ(p, kRed) << c.thickness << " row " << y;
      } else if (y == c.firstFull - 1 || y == c.lastFull + 1) {
        EXPECT_NE(p, kRed) << c.thickness << " row " << y;
        EXPECT_NE(p, kFace) << c.thickness << " row " << y;
      } else {
        EXPECT_EQ(p, kFace) << c.thickness << " row " << y;
      }
    }
  }
}

TEST_F(RendererTest, NeedleIsEquallyThickAtEveryAngle) {
  // Ink per pixel of length, from how far the green of the grey face has gone: three
  // strokes one pixel apart give 3 along the axes and a little less on a slant, where
  // their anti-aliased edges share pixels; never the single stroke of a needle whose
  // strokes fall on one line.
  for (int degrees = 0; degrees < 360; degrees += 15) {
    testing::TestMeter s;
    s.settings.ImageBottomOffset = 50;  // centre (100, 50)
    s.settings.NeedleLength = 40;
    s.settings.NeedleThickness = 2;
    s.settings.NeedleColor = kRed;
    s.calibration.CalibrationDone = true;
    const double a = degrees * std::numbers::pi / 180.0;
    s.calibration.CalibrationPoints[0] = {
        static_cast<std::int32_t>(std::lround(100 + 1000 * std::cos(a))),
        static_cast<std::int32_t>(std::lround(50 - 1000 * std::sin(a)))};
    const QImage& frame = Render(s, Face());
    double ink = 0.0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) ink += (100.0 - qGreen(Pixel(frame, x, y))) / 100.0;
    }
    EXPECT_GE(ink / 40.0, 2.0) << degrees << " degrees";
    EXPECT_LE(ink / 40.0, 3.05) << degrees << " degrees";
  }
}

TEST_F(RendererTest, ShadowColourAlphaAndOffset) {
  struct Case {
    const char* name;
    bool useNeedleColour;
    TColor32 shadowColour;
    std::int32_t transparency;
    int red, green, blue;  // expected over the grey face
  };
  const Case cases[] = {
      {"needle red at alpha 45", true, 0xFF0000FFu, 45, 127, 82, 82},
      {"own blue at alpha 45", false, 0x000000FFu, 45, 82, 82, 127},
      {"alpha above 255 is solid", true, 0, 300, 255, 0, 0},
      {"negative alpha is invisible", true, 0, -5, 100, 100, 100},
  };
  for (const Case& c : cases) {
    testing::TestMeter s = HorizontalNeedle(0);
    s.settings.EnableShadow = true;
    s.settings.ShadowOffset = 4;
    s.settings.ShadowTransparency = c.transparency;
    s.settings.UseNeedleColorForShadow = c.useNeedleColour;
    s.settings.ShadowColor = c.shadowColour;
    const QImage& frame = Render(s, Face());
    for (int x : {104, 130, 163}) {
      const QColor got = QColor::fromRgba(Pixel(frame, x, 54));
      EXPECT_NEAR(got.red(), c.red, 1) << c.name << " x=" << x;
      EXPECT_NEAR(got.green(), c.green, 1) << c.name << " x=" << x;
      EXPECT_NEAR(got.blue(), c.blue, 1) << c.name << " x=" << x;
      EXPECT_EQ(got.alpha(), 255) << c.name;
    }
    EXPECT_EQ(Pixel(frame, 164, 54), kFace) << c.name;
    EXPECT_EQ(Pixel(frame, 103, 54), kFace) << c.name;
    EXPECT_EQ(Pixel(frame, 130, 53), kFace) << c.name;
    // The needle is drawn over its shadow, unchanged.
    EXPECT_EQ(Pixel(frame, 130, 50), kRed) << c.name;
  }
}

TEST(LineStrokerTest, TranslucentLinesBlendEachOnItsOwn) {
  // Where two shadow strokes cross, the face shows through less than under one.
  QImage frame = Face();
  LineStroker stroker;
  stroker.Begin(frame);
  stroker.Stroke(20, 50, 180, 50, 0x2DFF0000u);
  stroker.Stroke(100, 10, 100, 90, 0x2DFF0000u);
  stroker.End();
  const int once = qRed(Pixel(frame, 60, 50));
  const int twice = qRed(Pixel(frame, 100, 50));
  EXPECT_NEAR(once, 127, 1);
  EXPECT_NEAR(twice, 150, 1);
}

TEST_F(RendererTest, ShadowOffByDefault) {
  testing::TestMeter s = HorizontalNeedle(2);
  s.settings.EnableShadow = false;
  const QImage& frame = Render(s, Face());
  for (int x = 100; x < kWidth; ++x) EXPECT_EQ(Pixel(frame, x, 54), kFace) << x;
}

TEST_F(RendererTest, ArcMarkingsArePlainPixelsRoundTheArcCentre) {
  testing::TestMeter s = HorizontalNeedle(-2);  // no needle in the way
  s.settings.ShowArcMarkings = true;
  s.calibration.ArcCalibrationDone = true;
  s.calibration.ArcCenter = {60, 40};
  s.calibration.ArcRadius = 30;
  s.calibration.PivotArcRadius = 10;
  const QImage& frame = Render(s, Face());
  EXPECT_EQ(Pixel(frame, 90, 40), 0xFFFF0000u);  // angle 0
  EXPECT_EQ(Pixel(frame, 60, 70), 0xFFFF0000u);  // a quarter turn: y grows downwards
  EXPECT_EQ(Pixel(frame, 30, 40), 0xFFFF0000u);
  EXPECT_EQ(Pixel(frame, 70, 40), 0xFF0000FFu);
  EXPECT_EQ(Pixel(frame, 60, 30), 0xFF0000FFu);
  EXPECT_EQ(Pixel(frame, 60, 40), kFace);
  int red = 0, blue = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      red += Pixel(frame, x, y) == 0xFFFF0000u;
      blue += Pixel(frame, x, y) == 0xFF0000FFu;
    }
  }
  // 629 points round each circle land on fewer distinct pixels, never on more.
  EXPECT_GT(red, 150);
  EXPECT_LE(red, 629);
  EXPECT_GT(blue, 50);
  EXPECT_LE(blue, 629);
  EXPECT_EQ(log.Messages(),
            std::vector<std::string>{"Drawing calibration circles at (60, 40) with radius 30 and "
                                     "smaller arc radius 10"});
}

TEST_F(RendererTest, ArcMarkingEdgeCases) {
  struct Case {
    const char* name;
    bool show, done;
    std::int32_t radius, pivotRadius;
    int redPixels, bluePixels;
    std::size_t logLines;
  };
  const Case cases[] = {
      {"radius 0 draws nothing", true, true, 0, 10, 0, 0, 0},
      {"not shown", false, true, 30, 10, 0, 0, 0},
      {"arc not calibrated", true, false, 30, 10, 0, 0, 0},
      {"pivot radius 0 is one blue pixel", true, true, 30, 0, -1, 1, 1},
  };
  for (const Case& c : cases) {
    testing::TestLog caseLog("markings");
    testing::TestMeter s = HorizontalNeedle(-2);
    s.settings.ShowArcMarkings = c.show;
    s.calibration.ArcCalibrationDone = c.done;
    s.calibration.ArcCenter = {60, 40};
    s.calibration.ArcRadius = c.radius;
    s.calibration.PivotArcRadius = c.pivotRadius;
    const QImage& frame = renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration),
                                               s.needle.NeedlePosition, Face(), QImage(), kWidth,
                                               kHeight, kOrdinaryDay, caseLog.Log());
    int red = 0, blue = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        red += Pixel(frame, x, y) == 0xFFFF0000u;
        blue += Pixel(frame, x, y) == 0xFF0000FFu;
      }
    }
    if (c.redPixels >= 0) {
      EXPECT_EQ(red, c.redPixels) << c.name;
    }
    EXPECT_EQ(blue, c.bluePixels) << c.name;
    if (c.bluePixels == 1) {
      EXPECT_EQ(Pixel(frame, 60, 40), 0xFF0000FFu) << c.name;
    }
    EXPECT_EQ(caseLog.Messages().size(), c.logLines) << c.name;
  }
}

TEST_F(RendererTest, EmblemOnlyOnTheFirstOfAugust) {
  QImage emblem(22, 22, QImage::Format_ARGB32_Premultiplied);
  emblem.fill(0xFF00FF00u);
  struct Case {
    LocalDateTime day;
    bool shown;
  };
  const Case cases[] = {{kFirstOfAugust, true},
                        {{2027, 8, 1, 0, 0, 0, 0}, true},
                        {{2026, 8, 2, 12, 0, 0, 0}, false},
                        {{2026, 1, 8, 12, 0, 0, 0}, false},
                        {{2026, 7, 1, 12, 0, 0, 0}, false}};
  for (const Case& c : cases) {
    testing::TestMeter s = HorizontalNeedle(-2);
    const QImage& frame = Render(s, Face(), emblem, c.day);
    const QRgb expected = c.shown ? 0xFF00FF00u : kFace;
    EXPECT_EQ(Pixel(frame, kWidth - 22, 0), expected) << c.day.month << "-" << c.day.day;
    EXPECT_EQ(Pixel(frame, kWidth - 1, 21), expected);
    EXPECT_EQ(Pixel(frame, kWidth - 23, 0), kFace);
    EXPECT_EQ(Pixel(frame, kWidth - 1, 22), kFace);
  }
}

TEST_F(RendererTest, TransparencyKeyClearsOnlyPureBlack) {
  QImage face = Face();
  face.setPixel(5, 5, 0xFF000000u);
  face.setPixel(6, 5, 0xFF000001u);
  face.setPixel(7, 5, 0xFF010000u);
  testing::TestMeter s = HorizontalNeedle(0);
  s.settings.NeedleColor = 0xFF000000u;  // a black needle is see-through too
  const QImage& frame = Render(s, face);
  EXPECT_EQ(Pixel(frame, 5, 5), 0x00000000u);
  EXPECT_EQ(Pixel(frame, 6, 5), 0xFF000001u);
  EXPECT_EQ(Pixel(frame, 7, 5), 0xFF010000u);
  EXPECT_EQ(Pixel(frame, 130, 50), 0x00000000u);
  EXPECT_EQ(Pixel(frame, 130, 51), kFace);
}

TEST_F(RendererTest, FaceSmallerThanTheFrameLeavesTheRestTransparent) {
  QImage small(50, 40, QImage::Format_ARGB32_Premultiplied);
  small.fill(kFace);
  testing::TestMeter s = HorizontalNeedle(-2);
  const QImage& frame = Render(s, small);
  EXPECT_EQ(frame.size(), QSize(kWidth, kHeight));
  EXPECT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(Pixel(frame, 49, 39), kFace);
  EXPECT_EQ(Pixel(frame, 50, 39), 0u);
  EXPECT_EQ(Pixel(frame, 49, 40), 0u);
}

// The renderer keys most of the frame ahead of time; it must give exactly what
// drawing everything and then keying the whole frame gives.
TEST_F(RendererTest, ForegroundCoversTheNeedleAndItsBlackIsSeeThrough) {
  testing::TestMeter s = HorizontalNeedle(2);
  QImage foreground(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  foreground.fill(0xFF000000u);
  QPainter(&foreground).fillRect(90, 40, 30, 20, QColor(0, 0, 255));
  renderer.SetForeground(foreground);
  const QImage& frame = Render(s, Face());
  EXPECT_EQ(Pixel(frame, 110, 50), 0xFF0000FFu) << "cap over the needle";
  EXPECT_EQ(Pixel(frame, 140, 50), kRed) << "needle beyond the cap";
  EXPECT_EQ(Pixel(frame, 10, 10), kFace) << "face through the foreground's black";
  EXPECT_EQ(Pixel(frame, 95, 45), 0xFF0000FFu) << "cap away from the needle";
  renderer.SetForeground(QImage());
  EXPECT_EQ(Pixel(Render(s, Face()), 110, 50), kRed);
}

TEST_F(RendererTest, SameAsDrawingEverythingThenKeyingTheWholeFrame) {
  QImage face(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  face.fill(0xFF000000u);
  {
    QPainter p(&face);
    p.fillRect(20, 10, 160, 70, QColor(240, 230, 200));
    p.fillRect(60, 30, 40, 20, QColor(0, 0, 0));
  }
  QImage emblem(22, 22, QImage::Format_ARGB32_Premultiplied);
  emblem.fill(0x80000000u);  // half-transparent black: keyed where it lands
  // A cover over the needle's base and a faint glint; the rest is see-through black.
  QImage foreground(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  foreground.fill(0xFF000000u);
  {
    QPainter p(&foreground);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(70, 75, 60, 25, QColor(50, 52, 60));
    p.fillRect(30, 12, 40, 8, QColor(255, 255, 255, 60));
  }
  QImage keyedForeground = foreground.copy();
  ApplyTransparencyKey(keyedForeground);
  renderer.SetForeground(foreground);
  for (double position : {0.0, 3.3, 9.0, 12.7, 15.0, 16.3}) {
    for (TColor32 needle : {0xFFFF0000u, 0xFF000000u, 0x80204060u}) {
      testing::TestMeter s;
      s.needle.NeedlePosition = position;
      s.settings.NeedleColor = needle;
      s.settings.EnableShadow = true;
      s.settings.UseNeedleColorForShadow = false;
      s.settings.ShadowColor = 0xFF000000u;
      s.settings.NeedleLength = 120;
      s.settings.ShowArcMarkings = true;
      s.calibration.ArcCalibrationDone = true;
      s.calibration.ArcCenter = {100, 120};
      s.calibration.ArcRadius = 90;
      s.calibration.PivotArcRadius = 5;
      const QImage frame = Render(s, face, emblem, kFirstOfAugust).copy();

      QImage reference(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
      reference.fill(0u);
      {
        QPainter p(&reference);
        p.drawImage(0, 0, face);
        p.drawImage(kWidth - 22, 0, emblem);
      }
      testing::TestLog quiet("reference", false);
      DrawArcMarkings(reference, s.settings, s.calibration, quiet.Log());
      DrawNeedle(reference, s.settings, s.calibration, SScale(s.calibration),
                 s.needle.NeedlePosition, s.needle.ImageCenterX, s.needle.ImageCenterY);
      QPainter(&reference).drawImage(0, 0, keyedForeground);
      ApplyTransparencyKey(reference);
      EXPECT_EQ(frame, reference) << "position " << position << " colour " << std::hex << needle;
    }
  }
}

// Each frame is redrawn only where something changed; nothing of an earlier frame
// may show through.
TEST_F(RendererTest, NothingOfTheLastFrameRemains) {
  QImage other = Face(0xFF203040u);
  QImage emblem(22, 22, QImage::Format_ARGB32_Premultiplied);
  emblem.fill(0xFF00FF00u);
  struct Step {
    const QImage* face;
    double position;
    bool emblemDay, markings, shadow;
    int width, height;
  };
  const QImage face = Face();
  const Step steps[] = {
      {&face, 0.0, true, true, true, kWidth, kHeight},
      {&face, 15.0, false, false, true, kWidth, kHeight},
      {&face, 7.5, false, true, false, kWidth, kHeight},
      {&other, 7.5, false, false, false, kWidth, kHeight},
      {&other, 3.0, true, false, true, 120, 90},
      {&face, 12.0, false, false, true, kWidth, kHeight},
  };
  for (const Step& step : steps) {
    testing::TestMeter s;
    s.needle.NeedlePosition = step.position;
    s.settings.NeedleLength = 150;
    s.settings.ImageBottomOffset = -20;
    s.settings.EnableShadow = step.shadow;
    s.settings.ShowArcMarkings = step.markings;
    s.calibration.ArcCalibrationDone = true;
    s.calibration.ArcCenter = {100, 60};
    s.calibration.ArcRadius = 40;
    s.calibration.PivotArcRadius = 8;
    const LocalDateTime day = step.emblemDay ? kFirstOfAugust : kOrdinaryDay;
    const QImage frame =
        renderer
            .RenderFrame(s.settings, s.calibration, SScale(s.calibration), s.needle.NeedlePosition,
                         *step.face, emblem, step.width, step.height, day, log.Log())
            .copy();
    MeterRenderer fresh;
    const QImage& expected =
        fresh.RenderFrame(s.settings, s.calibration, SScale(s.calibration), s.needle.NeedlePosition,
                          *step.face, emblem, step.width, step.height, day, log.Log());
    EXPECT_EQ(frame, expected) << "position " << step.position;
  }
}

TEST_F(RendererTest, ExtremeSettingsStayBoundedAndSafe) {
  struct Case {
    const char* name;
    std::int32_t thickness, length;
    bool independent;
    TPoint pivot;
  };
  const Case cases[] = {
      {"huge thickness", std::numeric_limits<std::int32_t>::max(), 220, false, {}},
      {"most negative thickness", std::numeric_limits<std::int32_t>::min(), 220, false, {}},
      {"huge length", 2, std::numeric_limits<std::int32_t>::max(), false, {}},
      {"far pivot", 3, 220, true, {2000000000, -2000000000}},
  };
  for (const Case& c : cases) {
    testing::TestMeter s = HorizontalNeedle(c.thickness);
    s.settings.NeedleLength = c.length;
    s.settings.EnableShadow = true;
    s.calibration.IndependentPivotSet = c.independent;
    s.calibration.IndependentPivot = c.pivot;
    s.calibration.ArcRadius = std::numeric_limits<std::int32_t>::max();
    s.calibration.PivotArcRadius = std::numeric_limits<std::int32_t>::min();
    // Strokes that cannot reach the frame are skipped, so this returns at once.
    const QImage& frame = Render(s, Face());
    EXPECT_EQ(frame.size(), QSize(kWidth, kHeight)) << c.name;
  }
}

TEST_F(RendererTest, TellsWhenTheSeeThroughPixelsDifferFromTheFace) {
  // Pure black on the right from x = 150: a needle 60 long from x = 100 reaches it.
  QImage face = Face();
  QPainter(&face).fillRect(QRect(150, 0, 50, kHeight), Qt::black);
  struct Case {
    std::int32_t length;
    bool like_face;
  };
  const Case cases[] = {{40, true}, {60, false}, {40, true}};
  for (const Case& c : cases) {
    testing::TestMeter s = HorizontalNeedle(0);
    s.settings.NeedleLength = c.length;
    Render(s, face);
    EXPECT_EQ(renderer.KeyedLikeFace(), c.like_face) << c.length;
  }
  EXPECT_EQ(qAlpha(renderer.KeyedFace().pixel(160, 10)), 0);
  EXPECT_EQ(qAlpha(renderer.KeyedFace().pixel(10, 10)), 255);
}

TEST_F(RendererTest, ChangedAreaHoldsEveryPixelThatChanged) {
  const QImage face = Face();
  testing::TestMeter s = HorizontalNeedle(2);
  s.settings.EnableShadow = true;
  Render(s, face);
  EXPECT_EQ(renderer.ChangedArea(), QRegion(0, 0, kWidth, kHeight));  // a new face: all of it
  const double positions[] = {0.0, 0.4, 0.4, -0.3};
  double previous = 0.0;
  s.calibration.CalibrationPoints[1] = {100, 0};  // position 1 aims straight up
  for (double position : positions) {
    const QImage before = renderer.Frame().copy();
    s.needle.NeedlePosition = position;
    const QImage& after = Render(s, face);
    const QRegion changed = renderer.ChangedArea();
    int differing = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (before.pixel(x, y) == after.pixel(x, y)) continue;
        ++differing;
        EXPECT_TRUE(changed.contains(QPoint(x, y))) << position << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(differing == 0, position == previous) << position;
    EXPECT_EQ(changed.isEmpty(), position == previous) << position;  // left as it was
    const QRect bounds = changed.boundingRect();
    EXPECT_LT(bounds.width() * bounds.height(), kWidth * kHeight / 2) << position;
    previous = position;
  }
}

// Positions met before come back from the renderer's patches: every frame must be
// the one a renderer drawing it for the first time makes.
TEST_F(RendererTest, FramesMetAgainAreTheFramesDrawnAnew) {
  QImage face = Face();
  QPainter(&face).fillRect(QRect(150, 0, 50, kHeight), Qt::black);
  testing::TestMeter s = HorizontalNeedle(2);
  s.settings.EnableShadow = true;
  s.calibration.CalibrationPoints[1] = {100, 0};
  const double positions[] = {0.0, 0.5, 0.0, 0.5, 1.0, 0.0, 0.5};
  for (double position : positions) {
    s.needle.NeedlePosition = position;
    const QImage again = Render(s, face).copy();
    const bool likeFace = renderer.KeyedLikeFace();
    MeterRenderer fresh;
    EXPECT_EQ(again, fresh.RenderFrame(s.settings, s.calibration, SScale(s.calibration), position,
                                       face, QImage(), kWidth, kHeight, kOrdinaryDay, log.Log()))
        << position;
    EXPECT_EQ(likeFace, fresh.KeyedLikeFace()) << position;
  }
}

TEST_F(RendererTest, EmptyClientAreaGivesAnEmptyFrame) {
  testing::TestMeter s = HorizontalNeedle(2);
  const QImage& frame = renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration),
                                             s.needle.NeedlePosition, Face(), QImage(), 0, 0,
                                             kOrdinaryDay, log.Log());
  EXPECT_TRUE(frame.isNull() || frame.size().isEmpty());
}

TEST_F(RendererTest, PeakMarkerIsDrawnInEveryGeometryInTheNeedlesRepaint) {
  constexpr QRgb kBlue = 0xFF0000FFu;
  enum class Geometry { Standard, Arc, IndependentPivot };
  for (const Geometry geometry : {Geometry::Standard, Geometry::Arc, Geometry::IndependentPivot}) {
    testing::TestMeter s;
    s.settings.ImageBottomOffset = 50;  // centre (100, 50)
    s.settings.NeedleLength = 40;
    s.settings.NeedleColor = kRed;
    s.settings.PeakHold = true;
    s.settings.PeakHoldColor = kBlue;
    s.calibration.ArcCenter = {100, 50};
    s.calibration.ArcRadius = 40;
    s.calibration.UseArcCalibration = geometry == Geometry::Arc;
    s.calibration.ArcCalibrationDone = geometry == Geometry::Arc;
    s.calibration.IndependentPivotSet = geometry == Geometry::IndependentPivot;
    s.calibration.IndependentPivot = {100, 50};
    s.needle.NeedlePosition = 15.0;  // uncalibrated: the needle far right
    MeterRenderer renderer;
    const QImage face = Face();
    renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration), 15.0, face, QImage(),
                         kWidth, kHeight, kOrdinaryDay, log.Log(), std::nullopt);
    // S0 is 150 degrees in both uncalibrated scales: 30 px out lies at (74, 35).
    const QImage& frame =
        renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration), 15.0, face, QImage(),
                             kWidth, kHeight, kOrdinaryDay, log.Log(), 0.0);
    const int g = static_cast<int>(geometry);
    EXPECT_GT(qBlue(Pixel(frame, 74, 35)), 150) << g;
    EXPECT_LT(qRed(Pixel(frame, 74, 35)), 100) << g;
    EXPECT_TRUE(renderer.ChangedArea().contains(QPoint(74, 35))) << g;
    EXPECT_FALSE(renderer.ChangedArea().contains(QPoint(kWidth - 1, kHeight - 1))) << g;
    s.settings.PeakHold = false;
    const QImage& off =
        renderer.RenderFrame(s.settings, s.calibration, SScale(s.calibration), 15.0, face, QImage(),
                             kWidth, kHeight, kOrdinaryDay, log.Log(), 0.0);
    EXPECT_EQ(Pixel(off, 74, 35), kFace) << g;
  }
}

}  // namespace
}  // namespace quendal

namespace quendal {
namespace {

CornerText Overlay(const QString& text, QRect box) {
  CornerText overlay;
  overlay.Font.setPixelSize(10);
  if (!text.isEmpty()) overlay.Lines = QStringList{text};
  overlay.Box = box;
  return overlay;
}

// The readout's box in the bottom left, and once where the needle passes (x 100-160,
// row 50), also over another face: each frame is the frame a new renderer draws (a text
// met before as well), and the changed area holds the box only when the box had to be
// drawn. A new text in the box drawn last may be written alone (Redraw), over the needle
// too; one that comes, goes or moves takes a frame.
TEST_F(RendererTest, OverlayIsDrawnOnlyWhenItChangesOrTheNeedleCrossedIt) {
  const QRect corner(4, 70, 60, 26), crossed(120, 40, 30, 20);
  const QImage faces[] = {Face(), Face(0xFF3C5A78u)};
  struct Step {
    double position;
    const char* text;
    QRect box;
    bool boxChanged;
    int face = 0;
    bool redraw = false;
  };
  const Step steps[] = {
      {0.0, "S9", corner, true},
      {0.0, "S9", corner, false},
      {0.4, "S9", corner, false},
      {0.4, "S9+12", corner, true},
      {0.4, "S9", corner, true},
      {0.4, "", corner, true},
      {0.0, "S9", crossed, true},
      {0.4, "S9", crossed, true},
      {0.0, "S9", crossed, true},
      {1.0, "S9", crossed, true},
      {0.4, "S9", corner, true},
      {0.4, "S9+12", corner, true},
      {0.4, "S9", corner, true, 1},
      {0.4, "S9+12", corner, true, 1},
      {0.4, "S9+20", corner, true, 1, true},
      {0.0, "S9", crossed, true, 1},
      {0.0, "S9+5", crossed, true, 1, true},
  };
  testing::TestMeter s = HorizontalNeedle(2);
  s.calibration.CalibrationPoints[1] = {100, 0};
  Render(s, faces[0]);
  int face = 0;
  for (const Step& step : steps) {
    s.needle.NeedlePosition = step.position;
    renderer.SetOverlay(Overlay(step.text, step.box));
    if (step.redraw) {
      EXPECT_TRUE(renderer.RedrawOverlay()) << step.text;
    }
    const QImage frame = step.redraw ? renderer.Frame().copy() : Render(s, faces[step.face]).copy();
    MeterRenderer fresh;
    fresh.SetOverlay(Overlay(step.text, step.box));
    EXPECT_EQ(frame, fresh.RenderFrame(s.settings, s.calibration, SScale(s.calibration),
                                       step.position, faces[step.face], QImage(), kWidth, kHeight,
                                       kOrdinaryDay, log.Log()))
        << step.position << " " << step.text;
    const QRegion changed = renderer.ChangedArea();
    EXPECT_EQ(changed.intersected(step.box) == QRegion(step.box), step.boxChanged)
        << step.position << " " << step.text;
    // The box and the needle's strip count each alone, not the span between them.
    if (step.face == face) {
      EXPECT_FALSE(changed.contains(QPoint(70, 62))) << step.text;
    }
    face = step.face;
  }
  EXPECT_NE(Pixel(renderer.Frame(), 130, 50), faces[1].pixel(130, 50));  // the box over the face
  renderer.SetOverlay(Overlay("S9", corner));
  EXPECT_FALSE(renderer.RedrawOverlay());
  renderer.SetOverlay(Overlay("", crossed));
  EXPECT_FALSE(renderer.RedrawOverlay());
}

// Lines set to wait for the needle: a frame with the same strokes leaves the old ones,
// a frame whose needle moved or a redraw shows them; a new box does not wait.
TEST_F(RendererTest, OverlayLinesWaitForTheNeedlesNextMove) {
  const QRect corner(4, 70, 60, 26), other(4, 4, 60, 26);
  const QImage face = Face();
  struct Step {
    double position;
    const char* text;
    QRect box;
    bool redraw;
    const char* shown;  // the text the frame must hold
  };
  const Step steps[] = {
      {0.0, "S9+12", corner, false, "S9"},     // the needle stood still
      {0.4, "S9+12", corner, false, "S9+12"},  // it moved
      {0.4, "S9+20", corner, true, "S9+20"},
      {0.4, "S9", other, false, "S9"},
  };
  testing::TestMeter s = HorizontalNeedle(2);
  s.calibration.CalibrationPoints[1] = {100, 0};
  renderer.SetOverlay(Overlay("S9", corner));
  Render(s, face);
  for (const Step& step : steps) {
    s.needle.NeedlePosition = step.position;
    renderer.SetOverlay(Overlay(step.text, step.box), true);
    if (step.redraw) {
      EXPECT_TRUE(renderer.RedrawOverlay()) << step.text;
    }
    const QImage frame = step.redraw ? renderer.Frame().copy() : Render(s, face).copy();
    MeterRenderer fresh;
    fresh.SetOverlay(Overlay(step.shown, step.box));
    EXPECT_EQ(frame,
              fresh.RenderFrame(s.settings, s.calibration, SScale(s.calibration), step.position,
                                face, QImage(), kWidth, kHeight, kOrdinaryDay, log.Log()))
        << step.text;
    EXPECT_EQ(renderer.OverlayPending(), std::string(step.text) != step.shown) << step.text;
  }
}

}  // namespace
}  // namespace quendal
