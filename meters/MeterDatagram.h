#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "meters/MeterList.h"
#include "support/TextLog.h"

namespace quendal {

// Divisor that turns a raw meter value into the meter's unit ("dBm" -> 128, "Volts" -> 256);
// the unit is compared ignoring ASCII case. 1 for units the radio scales otherwise or not at all.
double UnitScale(std::string_view unit);

struct MeterReading {
  double Value;
  double Peak;
};

// Value and peak of `meter` after one raw datagram value: `raw` scaled by the meter's unit,
// and the running peak, where a stored peak of exactly 0 counts as -1. Logs the change.
MeterReading NextMeterReading(const TMeter& meter, std::int16_t raw, TextLog& log);

// NextMeterReading stored into the working record `meter`.
void ApplyMeterValue(TMeter& meter, std::int16_t raw, TextLog& log);

// What a datagram brought the meters the list watches: bit i stands for its watched[i].
struct WatchedValues {
  std::uint32_t Arrived = 0;  // a value was applied
  std::uint32_t Changed = 0;  // one that differs from the value the meter had
};

// Applies every (ID, raw value) pair of a meter datagram to the list, in payload order.
// Pairs naming an unknown ID update the entry with the empty ID. A failure on one pair is
// logged and the next pair goes on. Reports the values for the meters the list watches
// (TMeterList::Watch). Throws Vita49Error for a malformed header.
WatchedValues ApplyMeterDatagram(std::span<const std::uint8_t> datagram, TMeterList& meters,
                                 TextLog& log);

// The whole list in the radio link log, one line per meter.
void LogMeterList(const TMeterList& meters, TextLog& log);

}  // namespace quendal
