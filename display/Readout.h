#pragma once

#include <QString>
#include <optional>

#include "meters/LevelSample.h"

namespace quendal {

// The reading as the face writes it: "S9+12  −61 dBm"; while transmitting the chosen
// transmit reading ("48 W", "SWR 1.40", "ALC −3.0 dB", "Comp 6.0 dB"); empty without a
// sample.
QString ReadoutText(const std::optional<LevelSample>& Sample);

// The widest text the readout writes on receive, so that its box need not move with it.
QString WidestReadoutText();

}  // namespace quendal
