#include "display/TransmitText.h"

#include "support/AsciiText.h"
#include "support/NumberFormat.h"

namespace quendal {

namespace {

constexpr std::string_view kOffName = "Off";
constexpr std::string_view kSeparator = " \u00b7 ";

// Watts and SWR as the corner shows them: as many decimals as a glance can use.
std::string CornerNumber(double value) { return FormatFixed(value, value < 10.0 ? 1 : 0); }

// "ALC -3.0 dB", "Comp 6.0 dB": a level reading the corner shows when it is chosen.
std::string CornerLevel(const char* label, std::optional<double> value) {
  if (!value) return {};
  return std::string(label) + " " + FormatFixed(*value, 1) + " dB";
}

QString NumbersText(const TransmitStatus& status, std::optional<TransmitReading> chosen,
                    bool warning) {
  std::string text = "TX";
  const auto add = [&text](const std::string& part) {
    if (part.empty()) return;
    text += (text == "TX" ? std::string(" ") : std::string(kSeparator)) + part;
  };
  if (const auto watts = status.Value(TransmitReading::Power)) add(CornerNumber(*watts) + " W");
  if (const auto swr = status.Value(TransmitReading::Swr))
    add("SWR " + CornerNumber(*swr) + (warning ? "!" : ""));
  if (chosen == TransmitReading::Alc) add(CornerLevel("ALC", status.Value(TransmitReading::Alc)));
  if (chosen == TransmitReading::Compression)
    add(CornerLevel("Comp", status.Value(TransmitReading::Compression)));
  return QString::fromStdString(text);
}

}  // namespace

std::string_view TransmitChoiceName(std::optional<TransmitReading> Chosen) {
  return Chosen ? TransmitReadingName(*Chosen) : kOffName;
}

std::optional<std::optional<TransmitReading>> ParseTransmitChoice(std::string_view Text) {
  if (EqualsIgnoringAsciiCase(Text, kOffName)) return std::optional<TransmitReading>();
  for (const TransmitReading reading : kTransmitReadings) {
    if (EqualsIgnoringAsciiCase(Text, TransmitReadingName(reading))) return reading;
  }
  return std::nullopt;
}

TransmitCornerText TransmitCornerTextFor(const TransmitStatus& Status,
                                         std::optional<TransmitReading> Chosen, bool HasScale,
                                         double SwrWarning) {
  if (!Status.StateKnown || !Status.Transmitting || !Chosen) return {};
  const QString word = QString::fromUtf8(TransmitReadingWord(*Chosen));
  if (!Status.Offers(*Chosen)) return {QStringLiteral("This rig gives no %1 reading").arg(word)};
  if (!HasScale) return {QStringLiteral("No %1 scale \u2013 calibrate it from the menu").arg(word)};
  const std::optional<double> swr = Status.Value(TransmitReading::Swr);
  const bool warning = SwrWarning > 0.0 && swr && *swr > SwrWarning;
  return {NumbersText(Status, Chosen, warning), warning, true};
}

std::string TransmitLogLine(TransmitReading Reading, std::optional<double> Value) {
  std::string line = "Transmit reading: " + std::string(TransmitReadingName(Reading)) + " ";
  if (!Value) return line + "(none)";
  switch (Reading) {
    case TransmitReading::Power:
      return line + FormatFixed(*Value, 1) + " W";
    case TransmitReading::Swr:
      return line + FormatFixed(*Value, 2);
    case TransmitReading::Alc:
    case TransmitReading::Compression:
      break;
  }
  return line + FormatFixed(*Value, 1) + " dB";
}

}  // namespace quendal
