#include "calibration/CalibrationProcedure.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "tests/calibration/ScriptedPrompter.h"

namespace quendal {
namespace {

class CalibrationProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("calib_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    log_path_ = (dir_ / "application.log").string();
    log_.SetEnabled(true);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string LogText() const {
    std::ifstream in(log_path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string CalibrationFile() const { return (dir_ / "calibration.txt").string(); }

  std::filesystem::path dir_;
  std::string log_path_;
  TextLog log_{"/dev/null"};
  MeterCalibration state_;
  testing::ScriptedPrompter prompter_;
  int saves_ = 0;
};

TEST_F(CalibrationProcedureTest, SixteenConfirmedClicksWriteTheFile) {
  CalibrationProcedure procedure(state_, prompter_, log_, [this] { ++saves_; },
                                 {CalibrationFile()});
  procedure.PerformCalibration();
  EXPECT_EQ(prompter_.shown,
            (std::vector<std::string>{"info: Calibration required. Let\u2019s start!",
                                      "info: Please click on the S0 position."}));
  prompter_.answers = {true, true, true, true, false, false};
  for (int i = 0; i < 16; ++i) {
    procedure.FormMouseDown(0, 10 + i, 100 - i);
    if (i == 4) {  // rejected twice: the counter stays, the slot holds the last click
      procedure.FormMouseDown(0, 77, 78);
      EXPECT_EQ(procedure.CalibrationIndex(), 4);
      EXPECT_EQ(procedure.PendingPoints()[4], (TPoint{77, 78}));
      procedure.FormMouseDown(0, 10 + i, 100 - i);
    }
  }
  EXPECT_TRUE(state_.CalibrationDone);
  EXPECT_EQ(prompter_.shown[2], "ask: Is this the correct position for S0?");
  EXPECT_EQ(prompter_.shown[3], "info: Now, please click on the S1 position.");
  EXPECT_EQ(prompter_.shown.back(), "info: Main Calibration complete.");
  EXPECT_EQ(prompter_.shown[prompter_.shown.size() - 2],
            "ask: Is this the correct position for +60 dB?");
  std::ifstream in(CalibrationFile(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string expected;
  for (int i = 0; i < 16; ++i)
    expected += std::to_string(10 + i) + " " + std::to_string(100 - i) + "\r\n";
  EXPECT_EQ(text.str(), expected);
  EXPECT_EQ(saves_, 0);
}

TEST_F(CalibrationProcedureTest, MarksOnAnArcOfferTheirCentreAsPivot) {
  // The default face's marks: an arc of radius 220 about (240, 310), whole pixels.
  const TCalibrationPoints marks = {{{71, 169},
                                     {86, 153},
                                     {102, 139},
                                     {119, 126},
                                     {137, 115},
                                     {157, 106},
                                     {177, 99},
                                     {198, 94},
                                     {219, 91},
                                     {240, 90},
                                     {272, 92},
                                     {303, 99},
                                     {333, 111},
                                     {361, 126},
                                     {386, 146},
                                     {409, 169}}};
  struct Case {
    const char* name;
    bool independentPivot;
    bool answer;
    bool arcMode;
    int saves;
  };
  const Case cases[] = {{"accepted", false, true, true, 1},
                        {"declined", false, false, false, 0},
                        {"own pivot in config.ini", true, true, false, 0}};
  for (const Case& c : cases) {
    MeterCalibration state;
    state.IndependentPivotSet = c.independentPivot;
    testing::ScriptedPrompter prompter;
    int saves = 0;
    CalibrationProcedure procedure(state, prompter, log_, [&] { ++saves; }, {CalibrationFile()});
    procedure.PerformCalibration();
    prompter.answers = std::deque<bool>(16, true);
    prompter.answers.push_back(c.answer);
    for (int i = 0; i < 16; ++i) procedure.FormMouseDown(0, marks[i].X, marks[i].Y);
    EXPECT_EQ(state.ArcMode(), c.arcMode) << c.name;
    EXPECT_EQ(saves, c.saves) << c.name;
    if (c.independentPivot) {
      EXPECT_EQ(prompter.shown.back(), "info: Main Calibration complete.") << c.name;
      continue;
    }
    EXPECT_EQ(prompter.shown.back(),
              "ask: Your marks curve around the point (240, 309), which is most likely where the "
              "needle turns on this face. Let the needle turn about that point and reach each "
              "mark? (Recommended: Yes)")
        << c.name;
    if (c.arcMode) {
      EXPECT_EQ(state.ArcCenter, (TPoint{240, 309})) << c.name;
      EXPECT_EQ(state.ArcRadius, 220 + kTipPastArc) << c.name;
    }
  }
}

TEST(MarkNameTest, NamesAsPrintedOnTheScale) {
  const char* const names[] = {"S0",     "S1",     "S2",     "S3",    "S4",     "S5",
                               "S6",     "S7",     "S8",     "S9",    "+10 dB", "+20 dB",
                               "+30 dB", "+40 dB", "+50 dB", "+60 dB"};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(MarkName(i), names[i]);
}

TEST_F(CalibrationProcedureTest, IgnoredClicksAreLogged) {
  TextLog log(log_path_);
  log.SetEnabled(true);
  CalibrationProcedure procedure(state_, prompter_, log, [] {}, {CalibrationFile()});
  procedure.PerformCalibration();
  procedure.FormMouseDown(1, 5, 6);
  EXPECT_EQ(procedure.CalibrationIndex(), 0);
  EXPECT_EQ(state_.CalibrationPoints[0], (TPoint{0, 0}));
  EXPECT_NE(LogText().find("Click ignored. CalibrationDone=False, Button=1\r\n"),
            std::string::npos);
  state_.CalibrationDone = true;
  CalibrationProcedure idle(state_, prompter_, log, [] {}, {CalibrationFile()});
  idle.FormMouseDown(0, 5, 6);
  EXPECT_NE(LogText().find("Click ignored. CalibrationDone=True, Button=0\r\n"), std::string::npos);
}

TEST_F(CalibrationProcedureTest,
       RecalibrationKeepsTheOldPointsUntilTheLastClickThenWritesEveryFile) {
  for (auto& p : state_.CalibrationPoints) p = TPoint{1, 2};
  state_.CalibrationDone = true;
  const std::string faceFile = (dir_ / "face.calibration.txt").string();
  CalibrationProcedure procedure(state_, prompter_, log_, [] {}, {faceFile, CalibrationFile()});
  procedure.BeginCalibration();
  EXPECT_EQ(prompter_.shown, (std::vector<std::string>{"info: Please click on the S0 position."}));
  for (int i = 0; i < 15; ++i) procedure.FormMouseDown(0, 10 + i, 50);
  EXPECT_TRUE(procedure.MainCalibrationPending());
  EXPECT_TRUE(state_.CalibrationDone);
  EXPECT_EQ(state_.CalibrationPoints[14], (TPoint{1, 2}));
  procedure.FormMouseDown(0, 25, 50);
  EXPECT_FALSE(procedure.MainCalibrationPending());
  EXPECT_EQ(state_.CalibrationPoints[15], (TPoint{25, 50}));
  std::string expected;
  for (int i = 0; i < 16; ++i) expected += std::to_string(10 + i) + " 50\r\n";
  for (const std::string& file : {faceFile, CalibrationFile()}) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), expected) << file;
  }
}

TEST_F(CalibrationProcedureTest, ArcCalibrationFindsCircleKeepsScalePointsAndRestartsScaleAtS0) {
  state_.UseArcCalibration = true;
  CalibrationProcedure procedure(state_, prompter_, log_, [this] { ++saves_; },
                                 {CalibrationFile()});
  procedure.PerformCalibration();
  procedure.PerformArcCalibration();
  prompter_.shown.clear();
  procedure.FormMouseDown(2, 200, 100);  // any button counts
  procedure.FormMouseDown(0, 100, 200);
  procedure.FormMouseDown(0, 300, 200);
  EXPECT_EQ(state_.ArcCenter, (TPoint{200, 200}));
  EXPECT_EQ(state_.ArcRadius, 100);
  EXPECT_TRUE(state_.ArcCalibrationDone);
  // The arc's end points are not scale marks.
  EXPECT_EQ(state_.CalibrationPoints[0], (TPoint{0, 0}));
  EXPECT_EQ(state_.CalibrationPoints[15], (TPoint{0, 0}));
  EXPECT_EQ(saves_, 1);
  EXPECT_EQ(procedure.CalibrationIndex(), 0);
  EXPECT_EQ(prompter_.shown,
            (std::vector<std::string>{"info: Now click on the left endpoint of the arc.",
                                      "info: Now click on the right endpoint of the arc.",
                                      "info: Arc Calibration complete.",
                                      "info: Please click on the S0 position."}));
}

TEST_F(CalibrationProcedureTest, FailedConfigSaveAfterTheArcStillRestartsScaleAtS0) {
  state_.UseArcCalibration = true;
  CalibrationProcedure procedure(state_, prompter_, log_,
                                 [] { throw std::runtime_error("Unable to write"); },
                                 {CalibrationFile()});
  procedure.PerformCalibration();
  procedure.PerformArcCalibration();
  procedure.FormMouseDown(0, 200, 100);
  procedure.FormMouseDown(0, 100, 200);
  EXPECT_THROW(procedure.FormMouseDown(0, 300, 200), std::runtime_error);
  EXPECT_EQ(procedure.CalibrationIndex(), 0);
  EXPECT_EQ(prompter_.shown.back(), "info: Please click on the S0 position.");
  prompter_.shown.clear();
  procedure.FormMouseDown(0, 7, 8);
  EXPECT_EQ(prompter_.shown.front(), "ask: Is this the correct position for S0?");
}

TEST_F(CalibrationProcedureTest, CollinearArcPointsAskAgain) {
  state_.UseArcCalibration = true;
  state_.CalibrationDone = true;
  state_.ArcRadius = 55;
  CalibrationProcedure procedure(state_, prompter_, log_, [this] { ++saves_; },
                                 {CalibrationFile()});
  procedure.PerformArcCalibration();
  procedure.FormMouseDown(0, 200, 100);
  procedure.FormMouseDown(0, 100, 100);
  procedure.FormMouseDown(0, 300, 100);
  EXPECT_FALSE(state_.ArcCalibrationDone);
  EXPECT_EQ(state_.ArcRadius, 55);
  EXPECT_EQ(procedure.CalibrationIndex(), 0);
  EXPECT_EQ(saves_, 0);
  EXPECT_EQ(prompter_.shown[prompter_.shown.size() - 2],
            "info: Error calculating circle center: points are collinear.");
  EXPECT_EQ(prompter_.shown.back(),
            "info: Arc Calibration required. Click the center of the arc first.");
}

TEST_F(CalibrationProcedureTest, ValidationNamesFirstUnsetPoint) {
  TextLog log(log_path_);
  log.SetEnabled(true);
  TCalibrationPoints points;
  for (auto& p : points) p = TPoint{0, 5};
  EXPECT_TRUE(ValidateCalibrationPoints(points, log));
  points[7] = TPoint{0, 0};
  points[9] = TPoint{0, 0};
  EXPECT_FALSE(ValidateCalibrationPoints(points, log));
  EXPECT_NE(LogText().find("Validation failed at point 7. Point: (0, 0)\r\n"), std::string::npos);
  EXPECT_EQ(LogText().find("point 9"), std::string::npos);
}

}  // namespace
}  // namespace quendal

namespace quendal {
namespace {

TEST_F(CalibrationProcedureTest, GuidedResultsAreSavedWithoutFurtherBoxes) {
  CalibrationProcedure procedure(state_, prompter_, log_, [this] { ++saves_; },
                                 {CalibrationFile()});
  TCalibrationPoints straight{};
  for (int i = 0; i < 16; ++i) straight[i] = TPoint{10 + 20 * i, 50};
  procedure.AcceptScale(straight);
  EXPECT_TRUE(state_.CalibrationDone);
  EXPECT_EQ(state_.CalibrationPoints, straight);
  EXPECT_TRUE(std::filesystem::exists(CalibrationFile()));
  // A straight scale: no pivot to offer, and no message box at all.
  EXPECT_TRUE(prompter_.shown.empty());

  EXPECT_FALSE(procedure.AcceptArc({100, 100}, {200, 100}, {300, 100}));
  EXPECT_FALSE(state_.ArcCalibrationDone);
  EXPECT_EQ(saves_, 0);
  EXPECT_TRUE(procedure.AcceptArc({100, 200}, {200, 100}, {300, 200}));
  EXPECT_TRUE(state_.ArcMode());
  EXPECT_EQ(state_.ArcCenter, (TPoint{200, 200}));
  EXPECT_EQ(state_.ArcRadius, 100);
  EXPECT_EQ(saves_, 1);
}

}  // namespace
}  // namespace quendal
