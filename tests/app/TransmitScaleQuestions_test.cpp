#include "app/TransmitScaleQuestions.h"

#include <gtest/gtest.h>

#include "calibration/TransmitScaleFile.h"
#include "tests/calibration/ScriptedPrompter.h"

namespace quendal {
namespace {

const char* const kPowerQuestion =
    "choose: The values of the power scale's marks from left to right, in watts, for example 0 "
    "25 50 75 100. Choose one of these or type your own: [0 25 50 75 100|0 50 100 150 200|0 250 "
    "500 750 1000|0 500 1000 1500] or typed";

TEST(TransmitScaleQuestions, ValuesFromAPresetOrATypedListAskedAgainUntilTheyMakeAScale) {
  struct Case {
    const char* name;
    std::vector<std::optional<std::string>> answers;
    std::optional<std::vector<double>> values;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"preset", {"0 250 500 750 1000"}, {{0, 250, 500, 750, 1000}}, {kPowerQuestion}},
      {"typed", {" 0 10  20 40 "}, {{0, 10, 20, 40}}, {kPowerQuestion}},
      {"cancelled", {std::nullopt}, std::nullopt, {kPowerQuestion}},
      {"bad, then good",
       {"0 50 50", "0 50 x", "", "0 50"},
       {{0, 50}},
       {kPowerQuestion, "info: These values make no scale: 50 is not above the 50 before it.",
        kPowerQuestion, "info: These values make no scale: \"x\" is not a number.", kPowerQuestion,
        "info: These values make no scale: a scale needs at least two marks.", kPowerQuestion}},
      {"bad, then cancelled",
       {"100 0", std::nullopt},
       std::nullopt,
       {kPowerQuestion, "info: These values make no scale: 0 is not above the 100 before it.",
        kPowerQuestion}},
  };
  for (const Case& c : cases) {
    testing::ScriptedPrompter prompter;
    prompter.choices.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(AskScaleValues(prompter, TransmitReading::Power), c.values) << c.name;
    EXPECT_EQ(prompter.shown, c.shown) << c.name;
  }
}

TEST(TransmitScaleQuestions, EachReadingIsAskedInItsUnitWithItsPresets) {
  const std::pair<TransmitReading, const char*> questions[] = {
      {TransmitReading::Swr,
       "choose: The values of the SWR scale's marks from left to right, as ratios (\u221e may be "
       "typed as inf), for example 1 1.5 2 3 \u221e. Choose one of these or type your own: [1 1.5 "
       "2 3 \u221e] or typed"},
      {TransmitReading::Compression,
       "choose: The values of the compression scale's marks from left to right, in dB, for "
       "example 0 5 10 15 20. Choose one of these or type your own: [] or typed"},
  };
  for (const auto& [reading, question] : questions) {
    testing::ScriptedPrompter prompter;
    prompter.choices = {std::nullopt};
    EXPECT_EQ(AskScaleValues(prompter, reading), std::nullopt);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{question});
  }
}

TEST(TransmitScaleQuestions, WhichReadingByItsName) {
  const std::pair<std::optional<std::string>, std::optional<TransmitReading>> answers[] = {
      {"SWR", TransmitReading::Swr},
      {"Compression", TransmitReading::Compression},
      {std::nullopt, std::nullopt}};
  for (const auto& [answer, reading] : answers) {
    testing::ScriptedPrompter prompter;
    prompter.choices = {answer};
    EXPECT_EQ(AskTransmitReading(prompter), reading);
    EXPECT_EQ(prompter.shown,
              std::vector<std::string>{"choose: Which transmit scale do you want to calibrate? "
                                       "[Power|SWR|ALC|Compression]"});
  }
}

}  // namespace
}  // namespace quendal
