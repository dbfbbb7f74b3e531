#include "meters/MeterDatagram.h"

#include <array>
#include <cmath>
#include <exception>
#include <optional>
#include <string>

#include "meters/Vita49Tools.h"
#include "support/AsciiText.h"
#include "support/NumberFormat.h"

namespace quendal {

namespace {

struct UnitDivisor {
  std::string_view unit;
  double divisor;
};

// Powers of two only: multiplying by the inverse is then exactly the division.
constexpr UnitDivisor kUnitScale[] = {
    {"db", 128.0},    {"dbm", 128.0},  {"dbfs", 128.0}, {"swr", 128.0},
    {"volts", 256.0}, {"amps", 256.0}, {"degc", 64.0},  {"degf", 64.0},
};

constexpr std::size_t kPairSize = 4;

void LogPairError(TextLog& log, std::uint16_t id, const char* what) {
  log.Log([&] { return "Error processing meter with ID " + std::to_string(id) + ": " + what; });
}

// A stored peak of exactly 0 counts as -1.
double RunningPeak(const TMeter& meter) { return meter.Peak == 0.0 ? -1.0 : meter.Peak; }

// Out of the way of the meter stream, which runs with the log off.
[[gnu::noinline, gnu::cold]] void LogReading(const TMeter& meter, double adjValue, TextLog& log) {
  log.Log("Meter: " + meter.Name + ", Previous Value: " + FormatFixed2(meter.Value) +
          ", New Value: " + FormatFixed2(adjValue) + ", Peak: " + FormatFixed2(RunningPeak(meter)));
  if (!std::isfinite(adjValue))
    log.Log("Invalid adjValue detected for Meter " + meter.Name + ": " + FormatFixed2(adjValue));
}

// The meter's value and peak after an adjusted value, without a word in the log.
MeterReading NextSilently(const TMeter& meter, double adjValue) {
  MeterReading next{meter.Value, RunningPeak(meter)};
  if (!std::isfinite(adjValue)) return next;
  next.Value = adjValue;
  if (adjValue > next.Peak || std::isnan(next.Peak)) next.Peak = adjValue;
  return next;
}

MeterReading NextReading(const TMeter& meter, std::int16_t raw, double scale, TextLog& log) {
  const double adjValue = static_cast<double>(raw) * scale;
  if (log.Enabled()) LogReading(meter, adjValue, log);
  return NextSilently(meter, adjValue);
}

// Same outcome as copying the meter out, updating it and writing it back whole: a known
// meter changes only its value and peak.
[[gnu::always_inline]] inline WatchedValues ApplyToKnownMeter(std::size_t index, double adjValue,
                                                              TMeterList& meters) {
  const TMeter& meter = meters.Items()[index];
  const MeterReading next = NextSilently(meter, adjValue);
  const std::uint32_t bits = meters.WatchedBits(index);
  const bool changed = next.Value != meter.Value;
  meters.SetValueAndPeak(index, next.Value, next.Peak);
  return {bits, changed ? bits : 0u};
}

// An unknown ID: as if the empty meter were copied out, updated and written back whole.
void ApplyToEmptyEntry(std::int16_t raw, TMeterList& meters, TextLog& log) {
  TMeter working;
  ApplyMeterValue(working, raw, log);
  meters.AddOrUpdateMeter(working);
}

// What the pair brought the watched meters, with the log on or for an unknown ID: out of
// the meter stream's loop. A failure is logged, and the datagram goes on.
[[gnu::noinline]] WatchedValues ApplyMeterPair(std::uint16_t id, std::int16_t raw,
                                               TMeterList& meters, TextLog& log) {
  try {
    if (const std::optional<std::size_t> index = meters.IndexOfNumericId(id)) {
      const double adjValue = static_cast<double>(raw) * meters.ValueScale(*index);
      if (log.Enabled()) LogReading(meters.Items()[*index], adjValue, log);
      return ApplyToKnownMeter(*index, adjValue, meters);
    }
    ApplyToEmptyEntry(raw, meters, log);
  } catch (const std::exception& e) {
    LogPairError(log, id, e.what());
  }
  return {};
}

}  // namespace

double UnitScale(std::string_view unit) {
  for (const UnitDivisor& entry : kUnitScale)
    if (EqualsIgnoringAsciiCase(unit, entry.unit)) return entry.divisor;
  return 1.0;
}

MeterReading NextMeterReading(const TMeter& meter, std::int16_t raw, TextLog& log) {
  return NextReading(meter, raw, 1.0 / UnitScale(meter.UnitStr), log);
}

void ApplyMeterValue(TMeter& meter, std::int16_t raw, TextLog& log) {
  const MeterReading next = NextMeterReading(meter, raw, log);
  meter.Value = next.Value;
  meter.Peak = next.Peak;
}

WatchedValues ApplyMeterDatagram(std::span<const std::uint8_t> datagram, TMeterList& meters,
                                 TextLog& log) {
  std::uint32_t arrived = 0;
  std::uint32_t changed = 0;
  TVita header;
  // Only pairs that arrived: a short datagram declaring up to 65535 words would
  // otherwise turn its zero padding into as many made-up pairs (and log lines).
  const std::span<const std::uint8_t> payload = vita49_decode_header(datagram, header);
  for (std::size_t at = 0; at + kPairSize <= payload.size(); at += kPairSize) {
    const auto id = static_cast<std::uint16_t>(payload[at] << 8 | payload[at + 1]);
    const auto raw = static_cast<std::int16_t>(payload[at + 2] << 8 | payload[at + 3]);
    const std::size_t index = meters.PositionOfNumericId(id);
    // A known meter with the log off, nearly every pair: a position from the list's own
    // table, so the update cannot fail.
    const WatchedValues got =
        index != meters.Count() && !log.Enabled()
            ? ApplyToKnownMeter(index, static_cast<double>(raw) * meters.ValueScale(index), meters)
            : ApplyMeterPair(id, raw, meters, log);
    arrived |= got.Arrived;
    changed |= got.Changed;
  }
  return {arrived, changed};
}

void LogMeterList(const TMeterList& meters, TextLog& log) {
  if (!log.Enabled()) return;
  log.Log("Logging all meters in the FMeterList:");
  for (const TMeter& m : meters.Items())
    log.Log("Meter Name: " + m.Name + ", ID: " + m.ID + ", Src: " + m.Src + ", Desc: " + m.Desc +
            ", Group: " + m.Group + ", Value: " + FormatFixed2(m.Value) +
            ", Peak: " + FormatFixed2(m.Peak));
}

}  // namespace quendal
