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

// The list positions of the watched meters that are in it, found once per datagram: a
// pair then compares numbers, not IDs. Bit i stands for watched[i].
class WatchedPositions {
 public:
  WatchedPositions(const TMeterList& meters, std::span<const std::string_view> watched) {
    for (std::size_t i = 0; i < watched.size() && i < 32; ++i) {
      if (watched[i].empty()) continue;
      if (const std::optional<std::size_t> index = meters.IndexOfId(watched[i])) {
        found_[count_++] = {*index, std::uint32_t{1} << i};
        maybe_ |= std::uint64_t{1} << (*index % 64);
      }
    }
  }
  std::uint32_t BitsAt(std::size_t index) const {
    if ((maybe_ >> (index % 64) & 1u) == 0) return 0;  // most pairs: no watched meter
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < count_; ++i)
      if (found_[i].index == index) bits |= found_[i].bit;
    return bits;
  }

 private:
  struct Found {
    std::size_t index;
    std::uint32_t bit;
  };
  std::array<Found, 32> found_;  // the first count_ are set
  std::size_t count_ = 0;
  std::uint64_t maybe_ = 0;  // bit (index % 64) of each found
};

MeterReading NextReading(const TMeter& meter, std::int16_t raw, double scale, TextLog& log) {
  MeterReading next{meter.Value, meter.Peak == 0.0 ? -1.0 : meter.Peak};
  const double adjValue = static_cast<double>(raw) * scale;
  log.Log([&] {
    return "Meter: " + meter.Name + ", Previous Value: " + FormatFixed2(meter.Value) +
           ", New Value: " + FormatFixed2(adjValue) + ", Peak: " + FormatFixed2(next.Peak);
  });
  if (std::isfinite(adjValue)) {
    next.Value = adjValue;
    if (adjValue > next.Peak || std::isnan(next.Peak)) next.Peak = adjValue;
  } else {
    log.Log([&] {
      return "Invalid adjValue detected for Meter " + meter.Name + ": " + FormatFixed2(adjValue);
    });
  }
  return next;
}

// Same outcome as copying the meter out, updating it and writing it back whole: a known
// meter changes only its value and peak; an unknown ID rebuilds the entry with the empty ID.
// Adds what the pair brought the watched meters to `values`.
void ApplyMeterPair(std::uint16_t id, std::int16_t raw, TMeterList& meters, TextLog& log,
                    const WatchedPositions& watched, WatchedValues& values) {
  const std::optional<std::size_t> index = meters.IndexOfNumericId(id);
  if (index) {
    const TMeter& meter = meters.Items()[*index];
    const MeterReading reading = NextReading(meter, raw, meters.ValueScale(*index), log);
    const std::uint32_t bits = watched.BitsAt(*index);
    values.Arrived |= bits;
    if (reading.Value != meter.Value) values.Changed |= bits;
    meters.SetValueAndPeak(*index, reading.Value, reading.Peak);
    return;
  }
  TMeter working;
  ApplyMeterValue(working, raw, log);
  meters.AddOrUpdateMeter(working);
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
                                 TextLog& log, std::span<const std::string_view> watched) {
  WatchedValues values;
  const TVita vita = vita49_decode(datagram);
  const WatchedPositions positions(meters, watched);
  // Only pairs that arrived: a short datagram declaring up to 65535 words would
  // otherwise turn its zero padding into as many made-up pairs (and log lines).
  const std::span<const std::uint8_t> payload = vita.payload.Present();
  for (std::size_t at = 0; at + kPairSize <= payload.size(); at += kPairSize) {
    const auto id = static_cast<std::uint16_t>(payload[at] << 8 | payload[at + 1]);
    const auto raw = static_cast<std::int16_t>(payload[at + 2] << 8 | payload[at + 3]);
    try {
      ApplyMeterPair(id, raw, meters, log, positions, values);
    } catch (const std::exception& e) {
      LogPairError(log, id, e.what());
    }
  }
  return values;
}

bool ApplyMeterDatagram(std::span<const std::uint8_t> datagram, TMeterList& meters, TextLog& log,
                        std::string_view watched_id) {
  return ApplyMeterDatagram(datagram, meters, log, std::span(&watched_id, 1)).Arrived != 0;
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
