#include "meters/LevelCsv.h"

#include <charconv>

#include "support/Clock.h"

namespace quendal {

std::string LevelCsvHeader() { return "time_utc,frequency_hz,dbm,s_units,transmit,transmit_unit"; }

std::string CsvNumber(double Value, int Decimals) {
  char buffer[64];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::fixed, Decimals);
  return std::string(buffer, r.ptr);
}

std::string LevelCsvRow(const LevelSample& Sample) {
  std::string row = FormatUtcIso8601(Sample.UtcMs) + "," + std::to_string(Sample.FrequencyHz) + ",";
  if (Sample.Dbm) row += CsvNumber(*Sample.Dbm, 1);
  row += "," + Sample.SUnits + ",";
  if (Sample.TransmitValue) {
    row += CsvNumber(*Sample.TransmitValue, 1) + "," + std::string(TransmitUnit(Sample.Reading));
  } else {
    row += ",";
  }
  return row;
}

}  // namespace quendal
