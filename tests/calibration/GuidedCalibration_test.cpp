#include "calibration/GuidedCalibration.h"

#include <gtest/gtest.h>

#include <QRect>
#include <cmath>
#include <string>
#include <vector>

#include "calibration/TransmitScaleFile.h"

namespace quendal {
namespace {

// One script of input per case: 'c' click at the next point, 'b' take back,
// 'y'/'n'/'x' answer Yes/No/Esc, 'p' run the whole preview.
struct GuidedCase {
  const char* name;
  GuidedKind kind;
  std::string script;
  GuidedStage stage;
  std::size_t points;
  std::string instruction_start;  // how Instruction() begins
  bool accepted;                  // whether some Answer returned true
};

void Play(GuidedCalibration& guided, const std::string& script, bool& accepted) {
  int next = 0;
  for (char step : script) {
    switch (step) {
      case 'c':
        guided.Click(100 + next, 200 - next);
        ++next;
        break;
      case 'b':
        guided.TakeBack();
        --next;
        break;
      case 'p':
        for (int i = 0; i < GuidedCalibration::kPreviewTicks; ++i) guided.AdvancePreview();
        break;
      case 'y':
        accepted = guided.Answer(GuidedAnswer::Yes) || accepted;
        break;
      case 'n':
        accepted = guided.Answer(GuidedAnswer::No) || accepted;
        next = 0;
        break;
      case 'x':
        accepted = guided.Answer(GuidedAnswer::Cancel) || accepted;
        break;
    }
  }
}

TEST(GuidedCalibrationTest, ScriptsOfClicksTakeBacksAndAnswers) {
  const std::string sixteen(16, 'c');
  const GuidedCase cases[] = {
      {"fresh", GuidedKind::Scale, "", GuidedStage::Clicking, 0, "Click S0 (1/16)", false},
      {"tenth mark", GuidedKind::Scale, "ccccccccc", GuidedStage::Clicking, 9, "Click S9 (10/16)",
       false},
      {"first dB mark", GuidedKind::Scale, "cccccccccc", GuidedStage::Clicking, 10,
       "Click +10 dB (11/16)", false},
      {"last mark", GuidedKind::Scale, "ccccccccccccccc", GuidedStage::Clicking, 15,
       "Click +60 dB (16/16)", false},
      {"take back", GuidedKind::Scale, "cccb", GuidedStage::Clicking, 2, "Click S2", false},
      {"take back with none", GuidedKind::Scale, "b", GuidedStage::Clicking, 0, "Click S0", false},
      {"sixteenth starts the preview", GuidedKind::Scale, sixteen, GuidedStage::Preview, 16,
       "Preview", false},
      {"a click in the preview is ignored", GuidedKind::Scale, (sixteen + "c"),
       GuidedStage::Preview, 16, "Preview", false},
      {"question after the sweep", GuidedKind::Scale, (sixteen + "p"), GuidedStage::Question, 16,
       "Use this calibration?", false},
      {"no answer in the preview", GuidedKind::Scale, (sixteen + "y"), GuidedStage::Preview, 16,
       "Preview", false},
      {"take back after the sixteenth asks for it again", GuidedKind::Scale, (sixteen + "pb"),
       GuidedStage::Clicking, 15, "Click +60 dB (16/16)", false},
      {"yes", GuidedKind::Scale, (sixteen + "py"), GuidedStage::Idle, 16, "", true},
      {"no starts again", GuidedKind::Scale, (sixteen + "pn"), GuidedStage::Clicking, 0, "Click S0",
       false},
      {"esc at the question", GuidedKind::Scale, (sixteen + "px"), GuidedStage::Idle, 0, "", false},
      {"esc halfway", GuidedKind::Scale, "cccx", GuidedStage::Idle, 0, "", false},
      {"arc first point", GuidedKind::Arc, "", GuidedStage::Clicking, 0,
       "Click left end of the scale (1/3)", false},
      {"arc middle", GuidedKind::Arc, "c", GuidedStage::Clicking, 1,
       "Click middle of the scale (2/3)", false},
      {"arc right end", GuidedKind::Arc, "cc", GuidedStage::Clicking, 2,
       "Click right end of the scale (3/3)", false},
      {"arc asks without a sweep", GuidedKind::Arc, "ccc", GuidedStage::Question, 3,
       "Use this calibration?", false},
      {"arc yes", GuidedKind::Arc, "cccy", GuidedStage::Idle, 3, "", true},
  };
  for (const GuidedCase& c : cases) {
    SCOPED_TRACE(c.name);
    GuidedCalibration guided;
    guided.Start(c.kind);
    bool accepted = false;
    Play(guided, c.script, accepted);
    EXPECT_EQ(guided.Stage(), c.stage);
    EXPECT_EQ(guided.Points().size(), c.points);
    EXPECT_EQ(guided.Instruction().substr(0, std::string(c.instruction_start).size()),
              c.instruction_start);
    EXPECT_EQ(accepted, c.accepted);
  }
}

TEST(GuidedCalibrationTest, PointsKeepTheClicksInOrderAfterATakeBack) {
  GuidedCalibration guided;
  guided.Start(GuidedKind::Scale);
  guided.Click(5, 6);
  guided.Click(99, 99);
  EXPECT_TRUE(guided.TakeBack());
  guided.Click(7, 8);
  const TCalibrationPoints points = guided.ScalePoints();
  EXPECT_EQ(points[0], (TPoint{5, 6}));
  EXPECT_EQ(points[1], (TPoint{7, 8}));
  EXPECT_EQ(points[2], (TPoint{0, 0}));
}

TEST(GuidedCalibrationTest, PreviewSweepsFromS0ToTheLastMarkThenTheReadingShows) {
  GuidedCalibration guided;
  guided.Start(GuidedKind::Scale);
  EXPECT_EQ(guided.NeedlePosition(4.0), 4.0);
  for (int i = 0; i < 16; ++i) guided.Click(i + 1, 1);
  EXPECT_EQ(guided.NeedlePosition(4.0), 0.0);
  for (int i = 0; i < GuidedCalibration::kPreviewTicks / 2; ++i) guided.AdvancePreview();
  EXPECT_EQ(guided.NeedlePosition(4.0), 7.5);
  for (int i = 0; i < GuidedCalibration::kPreviewTicks / 2; ++i) guided.AdvancePreview();
  EXPECT_EQ(guided.Stage(), GuidedStage::Question);
  EXPECT_EQ(guided.NeedlePosition(4.0), 4.0) << "the live reading on the new marks";
}

// Marks on the default face's arc about (240, 310), radius 220, from S0 to +60.
std::vector<TPoint> FaceMarks() {
  std::vector<TPoint> marks;
  for (int k = 0; k < 16; ++k) {
    const double a = (145.0 - 110.0 * k / 15.0) * 3.14159265358979 / 180.0;
    marks.push_back({static_cast<std::int32_t>(std::lround(240 + 220 * std::cos(a))),
                     static_cast<std::int32_t>(std::lround(310 - 220 * std::sin(a)))});
  }
  return marks;
}

TEST(GuidedCalibrationTest, AClickFarOffTheArcIsToldAtOnceAndBackspaceTakesItBack) {
  const std::vector<TPoint> marks = FaceMarks();
  GuidedCalibration guided;
  guided.Start(GuidedKind::Scale);
  for (int i = 0; i < 6; ++i) guided.Click(marks[i].X, marks[i].Y);
  EXPECT_EQ(guided.Instruction().substr(0, 8), "Click S6");
  guided.Click(marks[6].X, marks[6].Y + 30);
  EXPECT_EQ(guided.Instruction(),
            "S6 is far from the others \u2013 Backspace to undo  \u00b7  Click S7 (8/16)");
  ASSERT_TRUE(guided.TakeBack());
  EXPECT_EQ(guided.Instruction().substr(0, 15), "Click S6 (7/16)");
  for (int i = 6; i < 15; ++i) guided.Click(marks[i].X, marks[i].Y);
  guided.Click(marks[15].X + 20, marks[15].Y);
  EXPECT_EQ(guided.Instruction(), "+60 dB is far from the others \u2013 Backspace to undo");
  for (int i = 0; i < GuidedCalibration::kPreviewTicks; ++i) guided.AdvancePreview();
  EXPECT_EQ(guided.Instruction(),
            "+60 dB is far from the others \u2013 Backspace to undo  \u00b7  Use this "
            "calibration?  Y: yes  \u00b7  N: start again  \u00b7  Esc: cancel");
}

TEST(GuidedCalibrationTest, BadgesNameTheMarksInsideTheArcApartFromEachOther) {
  const std::pair<int, const char*> names[] = {{0, "S0"}, {9, "S9"}, {10, "+10"}, {15, "+60"}};
  for (const auto& [index, name] : names) EXPECT_EQ(MarkBadge(index), name);
  const std::vector<TPoint> marks = FaceMarks();
  const QSize size(24, 14);
  // From the third click on, the marks draw an arc.
  for (std::size_t n = 3; n <= marks.size(); ++n) {
    const std::vector<TPoint> clicked(marks.begin(),
                                      marks.begin() + static_cast<std::ptrdiff_t>(n));
    const QRect box = MarkerBadgeBox(clicked, n - 1, size);
    const QPointF centre = QRectF(box).center();
    // Nearer the pivot than the mark by the gap at least: off the printing on the arc.
    EXPECT_LE(std::hypot(centre.x() - 240, centre.y() - 310), 220 - 16) << n;
    EXPECT_FALSE(box.intersects(MarkerBadgeBox(clicked, n - 2, size))) << n;
  }
}

TEST(GuidedCalibrationTest, TransmitMarksAreAskedForByValue) {
  struct Case {
    TransmitReading reading;
    std::vector<double> values;
    int clicks;
    const char* instruction;
    const char* badge;  // of the last mark clicked
  };
  const Case cases[] = {
      {TransmitReading::Power,
       {0, 50, 100},
       0,
       "Click the 0 W mark (1/3)  \u00b7  Backspace: undo  \u00b7  Esc: cancel",
       ""},
      {TransmitReading::Power, {0, 50, 100}, 2, "Click the 100 W mark (3/3)", "50"},
      {TransmitReading::Swr,
       {1, 1.5, 2, 3, kSwrInfinity},
       4,
       "Click the SWR \u221e mark (5/5)",
       "3"},
      {TransmitReading::Alc, {-10, -2.5, 0}, 1, "Click the -2.5 dB mark (2/3)", "-10"},
      {TransmitReading::Swr, {1, 1.5, 2, 3, kSwrInfinity}, 5, "Preview\u2026", "\u221e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.instruction);
    GuidedCalibration guided;
    guided.StartTransmit(c.reading, c.values);
    for (int i = 0; i < c.clicks; ++i) guided.Click(100 + 10 * i, 200);
    EXPECT_EQ(guided.Instruction().substr(0, std::string(c.instruction).size()), c.instruction);
    if (c.clicks > 0) {
      EXPECT_EQ(guided.Badge(c.clicks - 1), c.badge);
    }
  }
}

TEST(GuidedCalibrationTest, TransmitPreviewSweepsTheNewMarksThenAsks) {
  GuidedCalibration guided;
  guided.StartTransmit(TransmitReading::Power, {0, 50, 200});
  const std::vector<ScaleMark> marks = {{0, {95, 189}}, {50, {240, 121}}, {200, {385, 189}}};
  for (const ScaleMark& mark : marks) guided.Click(mark.Point.X, mark.Point.Y);
  ASSERT_EQ(guided.Stage(), GuidedStage::Preview);
  const std::pair<int, double> sweep[] = {{0, 0.0}, {50, 25.0}, {50, 50.0}, {50, 125.0}};
  for (const auto& [ticks, value] : sweep) {
    for (int i = 0; i < ticks; ++i) guided.AdvancePreview();
    EXPECT_EQ(guided.PreviewValue(), value);
    EXPECT_EQ(guided.NeedlePosition(4.0), 4.0) << "the S scale is not swept";
  }
  for (int i = 0; i < 50; ++i) guided.AdvancePreview();
  EXPECT_EQ(guided.Stage(), GuidedStage::Question);
  EXPECT_EQ(guided.TransmitMarks().Marks(), marks);
  EXPECT_EQ(guided.TransmitMarks().Between(), ScaleInterpolation::Angle);
  EXPECT_FALSE(guided.Answer(GuidedAnswer::No));
  EXPECT_EQ(guided.Instruction().substr(0, 24), "Click the 0 W mark (1/3)") << "the same values";
}

}  // namespace
}  // namespace quendal
