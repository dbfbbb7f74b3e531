#pragma once

#include "display/MeterSettings.h"

namespace quendal::testing {

// The three parts of a meter that the display reads, kept together for tests.
struct TestMeter {
  MeterSettings settings;
  MeterCalibration calibration;
  NeedleState needle;
};

}  // namespace quendal::testing
