#include "app/TransmitScaleQuestions.h"

#include <string>

#include "calibration/TransmitScaleFile.h"
#include "display/TransmitText.h"

namespace quendal {

namespace {

std::string UnitWords(TransmitReading reading) {
  switch (reading) {
    case TransmitReading::Power:
      return "in watts";
    case TransmitReading::Swr:
      return "as ratios (\u221e may be typed as inf)";
    case TransmitReading::Alc:
    case TransmitReading::Compression:
      break;
  }
  return "in dB";
}

// A list as typed, for a reading without presets.
std::string ExampleValues(TransmitReading reading) {
  switch (reading) {
    case TransmitReading::Alc:
      return "-20 -10 -5 0";
    case TransmitReading::Compression:
      return "0 5 10 15 20";
    case TransmitReading::Power:
    case TransmitReading::Swr:
      break;
  }
  return ScaleValuesText(ScalePresets(reading).front(), reading);
}

}  // namespace

std::optional<TransmitReading> AskTransmitReading(Prompter& Asker) {
  std::vector<std::string> names;
  for (const TransmitReading reading : kTransmitReadings)
    names.emplace_back(TransmitReadingName(reading));
  const std::optional<std::string> choice =
      Asker.choose("Which transmit scale do you want to calibrate?", names, false);
  for (const TransmitReading reading : kTransmitReadings) {
    if (choice == TransmitReadingName(reading)) return reading;
  }
  return std::nullopt;
}

std::optional<std::vector<double>> AskScaleValues(Prompter& Asker, TransmitReading Reading) {
  std::vector<std::string> presets;
  for (const std::vector<double>& values : ScalePresets(Reading))
    presets.push_back(ScaleValuesText(values, Reading));
  const std::string question = "The values of the " + std::string(TransmitReadingWord(Reading)) +
                               " scale's marks from left to right, " + UnitWords(Reading) +
                               ", for example " + ExampleValues(Reading) +
                               ". Choose one of these or type your own:";
  while (true) {
    const std::optional<std::string> typed = Asker.choose(question, presets, true);
    if (!typed) return std::nullopt;
    ScaleValues parsed = ParseScaleValues(*typed, Reading);
    if (parsed.Problem.empty()) return std::move(parsed.Values);
    Asker.info("These values make no scale: " + parsed.Problem + ".");
  }
}

}  // namespace quendal
