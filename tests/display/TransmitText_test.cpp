#include "display/TransmitText.h"

#include <gtest/gtest.h>

#include "support/NumberFormat.h"

namespace quendal {
namespace {

TransmitStatus Keyed(std::optional<double> watts, std::optional<double> swr,
                     std::optional<double> alc = std::nullopt) {
  TransmitStatus s;
  s.Transmitting = true;
  s.Offered = {true, true, true, false};
  s.Values = {watts, swr, alc, std::nullopt};
  return s;
}

TEST(TransmitText, TheCornerSaysWhatIsMissingElseTheNumbersRedAboveTheSwrWarning) {
  TransmitStatus receiving = Keyed(48, 1.4);
  receiving.Transmitting = false;
  TransmitStatus unknown = Keyed(48, 1.4);
  unknown.StateKnown = false;
  TransmitStatus compression = Keyed(48, std::nullopt);
  compression.Offered[3] = true;
  compression.Values[3] = 6.04;
  const struct {
    const char* name;
    TransmitStatus status;
    std::optional<TransmitReading> chosen;
    bool hasScale;
    double swrWarning;
    TransmitCornerText text;
  } cases[] = {
      {"receiving", receiving, TransmitReading::Power, true, 3, {}},
      {"state unknown", unknown, TransmitReading::Power, true, 3, {}},
      {"nothing chosen", Keyed(48, 1.4), std::nullopt, true, 3, {}},
      {"not offered",
       Keyed(48, 1.4),
       TransmitReading::Compression,
       true,
       3,
       {QStringLiteral("This rig gives no compression reading")}},
      {"not offered before no scale",
       Keyed(48, 1.4),
       TransmitReading::Compression,
       false,
       3,
       {QStringLiteral("This rig gives no compression reading")}},
      {"no power scale",
       Keyed(48, 1.4),
       TransmitReading::Power,
       false,
       3,
       {QStringLiteral("No power scale \u2013 calibrate it from the menu")}},
      {"no SWR scale",
       Keyed(48, 1.4),
       TransmitReading::Swr,
       false,
       3,
       {QStringLiteral("No SWR scale \u2013 calibrate it from the menu")}},
      {"no ALC scale",
       Keyed(48, 1.4),
       TransmitReading::Alc,
       false,
       3,
       {QStringLiteral("No ALC scale \u2013 calibrate it from the menu")}},
      {"power and SWR",
       Keyed(48.4, 1.44),
       TransmitReading::Power,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 SWR 1.4")}},
      {"low power, no SWR",
       Keyed(5.26, std::nullopt),
       TransmitReading::Swr,
       true,
       3,
       {QStringLiteral("TX 5.3 W")}},
      {"no values yet",
       Keyed(std::nullopt, std::nullopt),
       TransmitReading::Power,
       true,
       3,
       {QStringLiteral("TX")}},
      {"ALC when chosen",
       Keyed(48, 1.4, -3),
       TransmitReading::Alc,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 SWR 1.4 \u00b7 ALC -3.0 dB")}},
      {"ALC not when power is chosen",
       Keyed(48, 1.4, -3),
       TransmitReading::Power,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 SWR 1.4")}},
      {"compression when chosen",
       compression,
       TransmitReading::Compression,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 Comp 6.0 dB")}},
      {"SWR at the warning",
       Keyed(48, 3.0),
       TransmitReading::Power,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 SWR 3.0")}},
      {"SWR above the warning",
       Keyed(48, 3.2),
       TransmitReading::Power,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 SWR 3.2!"), true}},
      {"SWR of 12 above the warning",
       Keyed(48, 12.4),
       TransmitReading::Swr,
       true,
       3,
       {QStringLiteral("TX 48 W \u00b7 SWR 12!"), true}},
      {"warning off",
       Keyed(48, 12.4),
       TransmitReading::Power,
       true,
       0,
       {QStringLiteral("TX 48 W \u00b7 SWR 12")}},
  };
  SetDecimalSeparator('.');
  for (const auto& c : cases) {
    const TransmitCornerText text =
        TransmitCornerTextFor(c.status, c.chosen, c.hasScale, c.swrWarning);
    EXPECT_EQ(text.Text.toStdString(), c.text.Text.toStdString()) << c.name;
    EXPECT_EQ(text.Warning, c.text.Warning) << c.name;
    EXPECT_EQ(text.Numbers, c.text.Text.startsWith(QStringLiteral("TX"))) << c.name;
  }
}

TEST(TransmitText, LogLineAndSettingNames) {
  SetDecimalSeparator('.');
  EXPECT_EQ(TransmitLogLine(TransmitReading::Power, 48), "Transmit reading: Power 48.0 W");
  EXPECT_EQ(TransmitLogLine(TransmitReading::Swr, 1.4), "Transmit reading: SWR 1.40");
  EXPECT_EQ(TransmitLogLine(TransmitReading::Alc, -3), "Transmit reading: ALC -3.0 dB");
  EXPECT_EQ(TransmitLogLine(TransmitReading::Compression, 6),
            "Transmit reading: Compression 6.0 dB");
  EXPECT_EQ(TransmitLogLine(TransmitReading::Swr, std::nullopt), "Transmit reading: SWR (none)");
  for (const auto& [text, choice] :
       {std::pair{"power", std::optional<TransmitReading>(TransmitReading::Power)},
        std::pair{"Swr", std::optional<TransmitReading>(TransmitReading::Swr)},
        std::pair{"alc", std::optional<TransmitReading>(TransmitReading::Alc)},
        std::pair{"COMPRESSION", std::optional<TransmitReading>(TransmitReading::Compression)},
        std::pair{"off", std::optional<TransmitReading>()}}) {
    EXPECT_EQ(ParseTransmitChoice(text), std::optional<std::optional<TransmitReading>>(choice))
        << text;
  }
  EXPECT_EQ(ParseTransmitChoice("Nothing"), std::nullopt);
  EXPECT_EQ(ParseTransmitChoice(""), std::nullopt);
}

}  // namespace
}  // namespace quendal
