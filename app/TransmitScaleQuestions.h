#pragma once

#include <optional>
#include <vector>

#include "calibration/Prompter.h"
#include "meters/TransmitReading.h"

namespace quendal {

// Which reading's scale to calibrate, asked when the needle shows nothing on transmit;
// none when cancelled.
std::optional<TransmitReading> AskTransmitReading(Prompter& Asker);

// The values of the scale's marks from left to right: a preset, or a list typed once.
// A list that makes no scale is told, and asked for again; none when cancelled.
std::optional<std::vector<double>> AskScaleValues(Prompter& Asker, TransmitReading Reading);

}  // namespace quendal
