#include "calibration/TransmitScaleFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestLog.h"

namespace quendal {
namespace {

TEST(TransmitScaleFile, NamedLikeTheFacesCalibration) {
  struct Case {
    const char* face;
    TransmitReading reading;
    const char* file;
  };
  const Case cases[] = {
      {"quendal.png", TransmitReading::Power, "quendal.power.txt"},
      {"faces/big.meter.png", TransmitReading::Swr, "faces/big.meter.swr.txt"},
      {"C:\\meters\\x.PNG", TransmitReading::Alc, "C:\\meters\\x.alc.txt"},
      {"my.faces/face", TransmitReading::Compression, "my.faces/face.compression.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(TransmitScaleFileName(c.face, c.reading), c.file);
}

TEST(TransmitScaleFile, ReadsGoodFilesAndNamesTheFaultOfBadOnes) {
  testing::TempDir dir("transmit_scale");
  const std::string longLine = "1 2 3" + std::string(kMaxScaleLineLength, ' ');
  std::string manyMarks;
  for (std::size_t k = 0; k <= kMaxScaleMarks; ++k) manyMarks += std::to_string(k) + " 1 1\n";
  struct Case {
    const char* name;
    std::string text;
    std::vector<ScaleMark> marks;
    std::string problem;  // after the file name
  };
  const Case cases[] = {
      {"plain",
       "0 100 200\n50 240 90\n100 380 200\n",
       {{0, {100, 200}}, {50, {240, 90}}, {100, {380, 200}}},
       ""},
      {"comments, blanks, CR LF, BOM, tabs",
       "\xEF\xBB\xBF# watts\r\n\r\n  # indented\r\n1\t-5 +7\r\n  \t\r\n1.5  10 20 \r\n# end",
       {{1, {-5, 7}}, {1.5, {10, 20}}},
       ""},
      {"negative dB",
       "-20 1 1\n-2.5 2 2\n0 3 3\n",
       {{-20, {1, 1}}, {-2.5, {2, 2}}, {0, {3, 3}}},
       ""},
      {"empty", "", {}, ": a scale needs at least two marks, found 0"},
      {"one mark", "# only\n5 1 1\n", {}, ": a scale needs at least two marks, found 1"},
      {"two words", "0 1 1\n5 10\n", {}, ", line 2: expected \"value x y\", found \"5 10\""},
      {"four words", "0 1 1 1\n", {}, ", line 1: expected \"value x y\", found \"0 1 1 1\""},
      {"text value", "ten 1 1\n", {}, ", line 1: the value \"ten\" is not a number"},
      {"infinite value", "0 1 1\ninf 2 2\n", {}, ", line 2: the value \"inf\" is not a number"},
      {"NaN value", "nan 1 1\n", {}, ", line 1: the value \"nan\" is not a number"},
      {"comma decimal", "1,5 1 1\n", {}, ", line 1: the value \"1,5\" is not a number"},
      {"fractional pixel",
       "0 1.5 1\n",
       {},
       ", line 1: the point \"1.5 1\" is not two whole pixel numbers"},
      {"pixel overflow",
       "0 1 99999999999\n",
       {},
       ", line 1: the point \"1 99999999999\" is not two whole pixel numbers"},
      {"equal values",
       "0 1 1\n5 2 2\n5 3 3\n",
       {},
       ", line 3: the value 5 is not above the 5 before it"},
      {"falling values",
       "0 1 1\n# x\n-1 2 2\n",
       {},
       ", line 3: the value -1 is not above the 0 before it"},
      {"long line", "0 1 1\n" + longLine + "\n", {}, ", line 2: longer than 200 characters"},
      {"many marks", manyMarks, {}, ", line 65: more than 64 marks"},
      {"binary",
       std::string("0 1 1\n\0\xff 2 2\n", 13),
       {},
       ", line 2: the value \"?\xff\" is not a number"},
      {"huge", std::string(kMaxScaleFileBytes + 1, '#'), {}, ": is larger than 64 KiB"},
  };
  for (const Case& c : cases) {
    const std::string file = dir.File("face.power.txt");
    testing::WriteFile(file, c.text);
    const ScaleFile read = ReadScaleFile(file);
    EXPECT_EQ(read.Marks.Marks(), c.marks) << c.name;
    EXPECT_EQ(read.Problem, c.problem.empty() ? "" : file + c.problem) << c.name;
    if (c.problem.empty()) {
      EXPECT_EQ(read.Marks.Between(), ScaleInterpolation::Angle) << c.name;
    }
  }
  const std::string missing = dir.File("missing.swr.txt");
  EXPECT_EQ(ReadScaleFile(missing).Problem, "") << "no scale yet is no fault";
  EXPECT_TRUE(ReadScaleFile(missing).Marks.Empty());
  EXPECT_EQ(ReadScaleFile(dir.File("")).Problem, dir.File("") + ": is a folder");
}

TEST(TransmitScaleFile, ReadsBackWhatItWrote) {
  testing::TempDir dir("transmit_scale_write");
  const std::string file = dir.File(
      "f\xC3\xA4"
      "ce.swr.txt");
  const std::vector<ScaleMark> marks = {
      {1, {90, 210}}, {1.5, {130, 170}}, {2, {0, -3}}, {kSwrInfinity, {400, 208}}};
  EXPECT_EQ(WriteScaleFile(marks, file), "");
  EXPECT_EQ(testing::ReadFile(file),
            "# value x y: the mark's value and its point on the face in pixels\r\n"
            "1 90 210\r\n1.5 130 170\r\n2 0 -3\r\n10 400 208\r\n");
  EXPECT_EQ(ReadScaleFile(file).Marks.Marks(), marks);
  EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

  EXPECT_EQ(WriteScaleFile({{2, {}}, {1, {}}}, file),
            file + " not written: mark 2: the value is not above that of mark 1");
  EXPECT_EQ(ReadScaleFile(file).Marks.Marks(), marks) << "the old file stays";
  const std::string nowhere = dir.File("missing/x.power.txt");
  EXPECT_EQ(WriteScaleFile(marks, nowhere), nowhere + " could not be written");
}

TEST(TransmitScaleFile, TypedValuesAndPresets) {
  struct Case {
    const char* text;
    TransmitReading reading;
    std::vector<double> values;
    std::string problem;
  };
  const Case cases[] = {
      {"0 25 50 75 100", TransmitReading::Power, {0, 25, 50, 75, 100}, ""},
      {" 1\t1.5 2 3 \xE2\x88\x9E ", TransmitReading::Swr, {1, 1.5, 2, 3, kSwrInfinity}, ""},
      {"1 1.5 2 3 inf", TransmitReading::Swr, {1, 1.5, 2, 3, kSwrInfinity}, ""},
      {"-20 -10 0", TransmitReading::Alc, {-20, -10, 0}, ""},
      {"0 inf", TransmitReading::Compression, {}, "\"inf\" is a mark of the SWR scale only"},
      {"0 5 x", TransmitReading::Power, {}, "\"x\" is not a number"},
      {"0 5 5", TransmitReading::Power, {}, "5 is not above the 5 before it"},
      {"5", TransmitReading::Power, {}, "a scale needs at least two marks"},
      {"", TransmitReading::Power, {}, "a scale needs at least two marks"},
  };
  for (const Case& c : cases) {
    const ScaleValues parsed = ParseScaleValues(c.text, c.reading);
    EXPECT_EQ(parsed.Values, c.values) << c.text;
    EXPECT_EQ(parsed.Problem, c.problem) << c.text;
  }
  EXPECT_EQ(ParseScaleValues(std::string(201, '1'), TransmitReading::Power).Problem,
            "longer than 200 characters");

  EXPECT_EQ(ScalePresets(TransmitReading::Power),
            (std::vector<std::vector<double>>{{0, 25, 50, 75, 100},
                                              {0, 50, 100, 150, 200},
                                              {0, 250, 500, 750, 1000},
                                              {0, 500, 1000, 1500}}));
  EXPECT_EQ(ScalePresets(TransmitReading::Swr),
            (std::vector<std::vector<double>>{{1, 1.5, 2, 3, kSwrInfinity}}));
  EXPECT_TRUE(ScalePresets(TransmitReading::Alc).empty());
}

TEST(TransmitScaleFile, MarksAsTheFacePrintsThem) {
  struct Case {
    TransmitReading reading;
    std::vector<double> values;
    const char* text;
    const char* lastName;
  };
  const Case cases[] = {
      {TransmitReading::Power, {0, 250, 500, 1000}, "0 250 500 1000", "1000 W"},
      {TransmitReading::Power, {0.5, 1.25, 10}, "0.5 1.25 10", "10 W"},
      {TransmitReading::Swr,
       {1, 1.5, 2, 3, kSwrInfinity},
       "1 1.5 2 3 \xE2\x88\x9E",
       "SWR \xE2\x88\x9E"},
      {TransmitReading::Swr, {1, 3}, "1 3", "SWR 3"},
      {TransmitReading::Alc, {-20, -2.5}, "-20 -2.5", "-2.5 dB"},
      {TransmitReading::Compression, {0, 10}, "0 10", "10 dB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleValuesText(c.values, c.reading), c.text);
    EXPECT_EQ(TransmitMarkName(c.reading, c.values.back()), c.lastName);
    EXPECT_EQ(ParseScaleValues(c.text, c.reading).Values, c.values) << c.text;
  }
}

}  // namespace
}  // namespace quendal
