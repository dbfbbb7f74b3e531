#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace quendal {

// What the needle may show while the rig transmits, each on its own printed scale.
enum class TransmitReading { Power, Swr, Alc, Compression };

constexpr std::size_t IndexOf(TransmitReading Reading) { return static_cast<std::size_t>(Reading); }

// How each reading is named and written, in the enum's order.
struct TransmitReadingText {
  TransmitReading Reading;
  // Its part of its scale file's name: "dir/quendal.png" has "dir/quendal.power.txt".
  std::string_view Key;
  // As config.ini, the menu and the log write it.
  std::string_view Name;
  // The name inside a sentence.
  std::string_view Word;
  // The unit its values are written in.
  std::string_view Unit;
};

inline constexpr std::array<TransmitReadingText, 4> kTransmitReadingTexts{{
    {TransmitReading::Power, "power", "Power", "power", "W"},
    {TransmitReading::Swr, "swr", "SWR", "SWR", "SWR"},
    {TransmitReading::Alc, "alc", "ALC", "ALC", "dB"},
    {TransmitReading::Compression, "compression", "Compression", "compression", "dB"},
}};

constexpr bool TextsInEnumOrder() {
  for (std::size_t i = 0; i < kTransmitReadingTexts.size(); ++i) {
    if (IndexOf(kTransmitReadingTexts[i].Reading) != i) return false;
  }
  return true;
}
static_assert(TextsInEnumOrder(), "each reading's texts stand at its index");

inline constexpr std::array<TransmitReading, kTransmitReadingTexts.size()> kTransmitReadings = [] {
  std::array<TransmitReading, kTransmitReadingTexts.size()> readings{};
  for (std::size_t i = 0; i < readings.size(); ++i) readings[i] = kTransmitReadingTexts[i].Reading;
  return readings;
}();

constexpr const TransmitReadingText& TextsOf(TransmitReading Reading) {
  return kTransmitReadingTexts[IndexOf(Reading)];
}
// "power", "swr", "alc", "compression".
constexpr std::string_view TransmitReadingKey(TransmitReading Reading) {
  return TextsOf(Reading).Key;
}
// "Power", "SWR", "ALC", "Compression".
constexpr std::string_view TransmitReadingName(TransmitReading Reading) {
  return TextsOf(Reading).Name;
}
// "power", "SWR", "ALC", "compression".
constexpr std::string_view TransmitReadingWord(TransmitReading Reading) {
  return TextsOf(Reading).Word;
}
// "W", "SWR", "dB", "dB".
constexpr std::string_view TransmitUnit(TransmitReading Reading) { return TextsOf(Reading).Unit; }

// The transmitter as a level source last saw it. Values are in the reading's unit
// (watts, ratio, dB, dB) and present only while transmitting and fresh: a rig's
// values while receiving mean nothing and never reach the needle.
struct TransmitStatus {
  bool Transmitting = false;
  // False when the rig cannot tell whether it transmits: the needle stays on S units.
  bool StateKnown = true;
  // Which readings the rig gives at all, so that the window can say which it does not.
  std::array<bool, kTransmitReadings.size()> Offered{};
  std::array<std::optional<double>, kTransmitReadings.size()> Values{};
  // The rig's own peak power in watts, where it measures one.
  std::optional<double> PeakPowerW;

  bool Offers(TransmitReading Reading) const { return Offered[IndexOf(Reading)]; }
  std::optional<double> Value(TransmitReading Reading) const { return Values[IndexOf(Reading)]; }
};

}  // namespace quendal
