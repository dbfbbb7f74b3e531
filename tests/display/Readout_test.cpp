#include "display/Readout.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

LevelSample Receiving(double dbm, const char* sUnits) {
  LevelSample s;
  s.Dbm = dbm;
  s.SUnits = sUnits;
  return s;
}

LevelSample Transmitting(TransmitReading reading, std::optional<double> value) {
  LevelSample s = Receiving(-61.0, "S9+12");
  s.Transmitting = true;
  s.Reading = reading;
  s.TransmitValue = value;
  return s;
}

TEST(ReadoutTest, WritesTheLevelOrTheTransmitReading) {
  struct Case {
    std::optional<LevelSample> sample;
    const char16_t* text;
  };
  const Case cases[] = {
      {Receiving(-61.2, "S9+12"), u"S9+12  \u221261 dBm"},
      {Receiving(-93.5, "S5.7"), u"S5.7  \u221294 dBm"},
      {Receiving(-0.4, "S9+73"), u"S9+73  0 dBm"},
      {Transmitting(TransmitReading::Power, 48.4), u"48 W"},
      {Transmitting(TransmitReading::Power, 4.44), u"4.4 W"},
      {Transmitting(TransmitReading::Swr, 1.4), u"SWR 1.40"},
      {Transmitting(TransmitReading::Alc, -3.0), u"ALC \u22123.0 dB"},
      {Transmitting(TransmitReading::Compression, 6.0), u"Comp 6.0 dB"},
      {Transmitting(TransmitReading::Power, std::nullopt), u""},
      {std::nullopt, u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadoutText(c.sample), QString::fromUtf16(c.text))
        << QString::fromUtf16(c.text).toStdString();
  }
}

}  // namespace
}  // namespace quendal
