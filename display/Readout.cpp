#include "display/Readout.h"

#include "support/NumberFormat.h"
#include "support/Rounding.h"

namespace quendal {

namespace {

// A typographic minus: a hyphen reads short beside the digits.
QString WithMinusSign(const std::string& number) {
  return QString::fromStdString(number).replace(u'-', QChar(0x2212));
}

QString TransmitReadout(TransmitReading reading, double value) {
  switch (reading) {
    case TransmitReading::Power:
      return WithMinusSign(FormatFixed(value, value < 10.0 ? 1 : 0)) + QStringLiteral(" W");
    case TransmitReading::Swr:
      return QStringLiteral("SWR ") + WithMinusSign(FormatFixed(value, 2));
    case TransmitReading::Alc:
      return QStringLiteral("ALC ") + WithMinusSign(FormatFixed(value, 1)) + QStringLiteral(" dB");
    case TransmitReading::Compression:
      break;
  }
  return QStringLiteral("Comp ") + WithMinusSign(FormatFixed(value, 1)) + QStringLiteral(" dB");
}

}  // namespace

QString ReadoutText(const std::optional<LevelSample>& Sample) {
  if (!Sample) return {};
  if (Sample->Transmitting) {
    return Sample->TransmitValue ? TransmitReadout(Sample->Reading, *Sample->TransmitValue)
                                 : QString();
  }
  if (!Sample->Dbm) return {};
  const double dbm = RoundHalfEven(*Sample->Dbm) + 0.0;  // no "-0"
  return QString::fromStdString(Sample->SUnits) + QStringLiteral("  ") +
         WithMinusSign(FormatFixed(dbm, 0)) + QStringLiteral(" dBm");
}

QString WidestReadoutText() { return QStringLiteral("S9+60  \u2212130 dBm"); }

}  // namespace quendal
