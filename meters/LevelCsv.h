#pragma once

#include <string>

#include "meters/LevelSample.h"

namespace quendal {

// The level log's first row, naming its columns.
std::string LevelCsvHeader();

// One row of the level log, "." as the decimal point whatever the user's locale:
// "2026-12-08T17:05:09.042Z,14074000,-61.0,S9+12,,"; the last two columns only while
// transmitting ("48.0,W").
std::string LevelCsvRow(const LevelSample& Sample);

// A number with Decimals digits after ".", for files other programs read.
std::string CsvNumber(double Value, int Decimals);

}  // namespace quendal
