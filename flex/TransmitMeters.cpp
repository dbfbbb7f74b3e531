#include "flex/TransmitMeters.h"

#include <cmath>

#include "meters/LevelSource.h"
#include "meters/MeterStatus.h"
#include "support/AsciiText.h"

namespace quendal {

namespace {

constexpr std::string_view kTransmitSource = "TX-";

// The meter of each reading, in the order of kTransmitReadings.
constexpr std::array<std::string_view, 4> kMeterNames = {"FWDPWR", "SWR", "ALC", "COMPPEAK"};

// Below the range of every transmit meter: the radio's "no signal" of about -250.
constexpr double kLowestDb = -150.0;

std::chrono::milliseconds MeterInterval(const TMeter& meter) {
  return std::chrono::milliseconds(meter.FPS > 0 ? 1000 / meter.FPS : 0);
}

// The meter's value in the reading's unit; empty when it is no reading at all.
std::optional<double> ReadingValue(TransmitReading reading, double value) {
  const double lowest = reading == TransmitReading::Swr ? 1.0 : kLowestDb;
  if (!std::isfinite(value) || value < lowest) return std::nullopt;
  if (reading != TransmitReading::Power) return value;
  const double watts = std::pow(10.0, (value - 30.0) / 10.0);  // dBm to watts
  if (!std::isfinite(watts)) return std::nullopt;
  return watts;
}

}  // namespace

std::optional<std::string> InterlockState(std::string_view line) {
  constexpr std::string_view kObject = "interlock ";
  const std::size_t bar = line.find('|');
  if (line.empty() || line.front() != 'S' || bar == std::string_view::npos) return std::nullopt;
  const std::string_view status = line.substr(bar + 1);
  if (!status.starts_with(kObject)) return std::nullopt;
  std::string state = GetValueFromAttributeString(status, "state");
  if (state.empty()) return std::nullopt;
  return state;
}

void TransmitMeters::FollowInterlock(std::string_view state) {
  const bool on_air = EqualsIgnoringAsciiCase(state, "TRANSMITTING");
  if (on_air == transmitting_) return;
  // Values from before the change belong to the other state.
  transmitting_ = on_air;
  arrived_.fill(std::nullopt);
}

void TransmitMeters::Unkeyed() { FollowInterlock({}); }

void TransmitMeters::Refresh(const TMeterList& meters) {
  for (std::size_t i = 0; i < kMeterNames.size(); ++i) {
    std::string id;
    for (const TMeter& meter : meters.Items()) {
      if (meter.Src == kTransmitSource && EqualsIgnoringAsciiCase(meter.Name, kMeterNames[i])) {
        id = meter.ID;
        break;
      }
    }
    if (id == ids_[i]) continue;
    ids_[i] = std::move(id);
    arrived_[i].reset();
  }
}

void TransmitMeters::ValuesArrived(std::uint32_t readings, TimePoint now) {
  if (!transmitting_) return;
  for (std::size_t i = 0; i < arrived_.size(); ++i)
    if (readings & (std::uint32_t{1} << i)) arrived_[i] = now;
}

TransmitStatus TransmitMeters::Current(const TMeterList& meters, TimePoint now) const {
  TransmitStatus status;
  status.Transmitting = transmitting_;
  for (TransmitReading reading : kTransmitReadings) {
    const std::size_t i = IndexOf(reading);
    const std::optional<std::size_t> index = meters.IndexOfId(ids_[i]);
    status.Offered[i] = !ids_[i].empty() && index.has_value();
    if (!status.Offered[i] || !transmitting_ || !arrived_[i]) continue;
    const TMeter& meter = meters.Items()[*index];
    if (!ReadingIsFresh(Since(*arrived_[i], now), MeterInterval(meter))) continue;
    status.Values[i] = ReadingValue(reading, meter.Value);
  }
  return status;
}

void TransmitMeters::Forget() {
  Unkeyed();
  for (std::string& id : ids_) id.clear();
}

}  // namespace quendal
