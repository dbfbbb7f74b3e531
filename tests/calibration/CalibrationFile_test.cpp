#include "calibration/CalibrationFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/support/TestLog.h"

namespace quendal {
namespace {

constexpr TPoint kUntouched{-7, -7};

TCalibrationPoints Untouched() {
  TCalibrationPoints points;
  points.fill(kUntouched);
  return points;
}

std::string Lines(int count) {
  std::string text;
  for (int k = 0; k < count; ++k) {
    text += std::to_string(100 + k) + " " + std::to_string(200 + k) + "\r\n";
  }
  return text;
}

TEST(SaveCalibrationToFile, WritesSixteenLinesAndReadsBackTheSame) {
  testing::TempDir dir("save");
  testing::TestLog log("save");
  TCalibrationPoints points;
  for (int k = 0; k < kCalibrationPointCount; ++k) points[k] = {172 + k, 250 - 40 * k};
  points[3] = {-5, 0};
  const std::string file = dir.File("calibration.txt");
  SaveCalibrationToFile(points, file, log.Log());

  const std::string text = testing::ReadFile(file);
  EXPECT_EQ(text.substr(0, 9), "172 250\r\n");
  EXPECT_NE(text.find("\r\n-5 0\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 10), "187 -350\r\n");
  EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

  TCalibrationPoints loaded = Untouched();
  LoadCalibrationFromFile(loaded, file, log.Log());
  EXPECT_EQ(loaded, points);

  const std::vector<std::string> messages = log.Messages();
  ASSERT_EQ(messages.size(), 18u + 18u);
  EXPECT_EQ(messages[0], "Saving calibration data to file: " + file);
  EXPECT_EQ(messages[1], "Saved calibration point 0: (172, 250)");
  EXPECT_EQ(messages[4], "Saved calibration point 3: (-5, 0)");
  EXPECT_EQ(messages[17], "Calibration data saving completed.");
  EXPECT_EQ(messages[18], "Loading calibration data from file: " + file);
  EXPECT_EQ(messages[19], "Loaded calibration point 0: (172, 250)");
  EXPECT_EQ(messages[35], "Calibration data loading completed.");
}

TEST(SaveCalibrationToFile, FailedWriteKeepsTheOldFileAndReportsTheError) {
  testing::TempDir dir("save_fails");
  testing::TestLog log("save_fails");
  const std::string file = dir.File("calibration.txt");
  testing::WriteFile(file, Lines(16));
  // The temporary file cannot be created where a folder of that name stands.
  std::filesystem::create_directory(file + ".tmp");
  TCalibrationPoints points{};
  EXPECT_THROW(SaveCalibrationToFile(points, file, log.Log()), CalibrationFileError);
  EXPECT_EQ(testing::ReadFile(file), Lines(16));
  EXPECT_EQ(log.Messages(), std::vector<std::string>{"Saving calibration data to file: " + file});

  EXPECT_THROW(SaveCalibrationToFile(points, dir.File("missing/calibration.txt"), log.Log()),
               CalibrationFileError);
}

TEST(LoadCalibrationFromFile, ReadingRules) {
  struct Case {
    const char* name;
    std::string content;
    std::vector<TPoint> expected;  // the points stored from index 0; the rest untouched
    bool fails;
  };
  std::vector<TPoint> sixteen, twelve;
  for (int k = 0; k < 16; ++k) sixteen.push_back({100 + k, 200 + k});
  for (int k = 0; k < 12; ++k) twelve.push_back({100 + k, 200 + k});
  const Case cases[] = {
      {"empty file", "", {}, false},
      {"twenty lines", Lines(20), sixteen, false},
      {"twelve lines", Lines(12), twelve, false},
      {"extra number ignored", "10 20 30\r\n40 50\r\n", {{10, 20}, {40, 50}}, false},
      {"word after a number", "1 2\r\n12 abc\r\n5 6\r\n", {{1, 2}}, true},
      {"word first", "x 2\r\n", {}, true},
      {"decimal point", "1.5 2\r\n", {}, true},
      {"Y on the next line", "1 2\r\n3\r\n4 99\r\n5 6\r\n", {{1, 2}, {3, 4}, {5, 6}}, false},
      {"blank lines between", "1 2\r\n\r\n\r\n  \t\r\n3 4\r\n", {{1, 2}, {3, 4}}, false},
      {"last line only X", "1 2\r\n7", {{1, 2}, {7, 0}}, false},
      {"trailing blank line", "1 2\r\n3 4\r\n\r\n", {{1, 2}, {3, 4}, {0, 0}}, false},
      {"line feeds only", "1 2\n3 4\n", {{1, 2}, {3, 4}}, false},
      {"signs", "-5 +6\r\n", {{-5, 6}}, false},
      {"tabs and control characters", "\t8\x01\x02 9\r\n", {{8, 9}}, false},
      {"beyond 32 bits", "2147483648 1\r\n", {}, true},
      {"most negative", "-2147483648 2147483647\r\n", {{INT32_MIN, INT32_MAX}}, false},
      // 33 digits: the first 32 are one number (too big), the 33rd the next.
      {"number longer than 32 characters", std::string(33, '1') + " 5\r\n", {}, true},
      {"32 zeros then a digit", std::string(32, '0') + "7 5\r\n", {{0, 7}}, false},
  };
  for (const Case& c : cases) {
    testing::TempDir dir("load");
    testing::TestLog log("load", false);
    const std::string file = dir.File("calibration.txt");
    testing::WriteFile(file, c.content);
    TCalibrationPoints points = Untouched();
    std::optional<std::string> error;
    try {
      LoadCalibrationFromFile(points, file, log.Log());
    } catch (const CalibrationFileError& e) {
      error = e.what();
    }
    EXPECT_EQ(error.has_value(), c.fails) << c.name;
    if (error) {
      EXPECT_EQ(*error, "Invalid numeric input") << c.name;
    }
    for (int k = 0; k < kCalibrationPointCount; ++k) {
      const TPoint expected = k < static_cast<int>(c.expected.size()) ? c.expected[k] : kUntouched;
      EXPECT_EQ(points[k], expected) << c.name << " point " << k;
    }
  }
}

TEST(LoadCalibrationFromFile, EmptyFileLogsOnlyStartAndEnd) {
  testing::TempDir dir("load_empty");
  testing::TestLog log("load_empty");
  const std::string file = dir.File("calibration.txt");
  testing::WriteFile(file, "");
  TCalibrationPoints points{};
  LoadCalibrationFromFile(points, file, log.Log());
  const std::vector<std::string> expected = {"Loading calibration data from file: " + file,
                                             "Calibration data loading completed."};
  EXPECT_EQ(log.Messages(), expected);
}

TEST(LoadCalibrationFromFile, BadNumberStopsAfterThePointsBeforeIt) {
  testing::TempDir dir("load_bad");
  testing::TestLog log("load_bad");
  const std::string file = dir.File("calibration.txt");
  testing::WriteFile(file, "1 2\r\n12 abc\r\n");
  TCalibrationPoints points{};
  EXPECT_THROW(LoadCalibrationFromFile(points, file, log.Log()), CalibrationFileError);
  const std::vector<std::string> expected = {"Loading calibration data from file: " + file,
                                             "Loaded calibration point 0: (1, 2)"};
  EXPECT_EQ(log.Messages(), expected);
}

TEST(LoadCalibrationFromFile, MissingFileIsFileNotFound) {
  testing::TempDir dir("load_missing");
  testing::TestLog log("load_missing", false);
  TCalibrationPoints points = Untouched();
  try {
    LoadCalibrationFromFile(points, dir.File("calibration.txt"), log.Log());
    FAIL() << "no error";
  } catch (const CalibrationFileError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  EXPECT_EQ(points, Untouched());
  EXPECT_THROW(LoadCalibrationFromFile(points, dir.Path().string(), log.Log()),
               CalibrationFileError);
}

TEST(FaceCalibrationFileName, BesideTheFaceWithItsExtensionReplaced) {
  const struct {
    const char* face;
    const char* calibration;
  } cases[] = {
      {"quendal.png", "quendal.calibration.txt"},
      {"faces/big.meter.png", "faces/big.meter.calibration.txt"},
      {"my.faces/face", "my.faces/face.calibration.txt"},
      {"C:\\meters\\x.PNG", "C:\\meters\\x.calibration.txt"},
      {".hidden", ".hidden.calibration.txt"},
      {"", ".calibration.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(FaceCalibrationFileName(c.face), c.calibration) << c.face;
}

}  // namespace
}  // namespace quendal
