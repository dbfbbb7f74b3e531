#include "meters/MeterList.h"

#include <algorithm>
#include <charconv>

#include "meters/MeterDatagram.h"
#include "support/AsciiText.h"

namespace quendal {

namespace {

// The number an ID names when it is exactly how a 16-bit number is written in
// decimal: digits only, no leading zero (except "0" itself), at most 65535.
std::optional<std::uint16_t> PlainDecimalId(std::string_view id) {
  if (id.empty() || id.size() > 5 || (id.size() > 1 && id.front() == '0')) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), value);
  if (error != std::errc() || end != id.data() + id.size() || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<std::size_t> TMeterList::IndexOfId(std::string_view id) const {
  // The radio's IDs are numbers: the table finds them without hashing the text.
  if (const std::optional<std::uint16_t> number = PlainDecimalId(id))
    return IndexOfNumericId(*number);
  auto it = index_by_id_.find(id);
  if (it == index_by_id_.end()) return std::nullopt;
  return it->second;
}

std::size_t TMeterList::PositionOfLargeNumber(std::uint16_t id) const {
  auto it = index_by_number_.find(id);
  return it == index_by_number_.end() ? Count() : it->second;
}

TMeter TMeterList::FindById(std::string_view id) const {
  const std::optional<std::size_t> index = IndexOfId(id);
  return index ? meters_[*index] : TMeter{};
}

TMeter TMeterList::FindByName(std::string_view name) const {
  for (const TMeter& meter : meters_)
    if (EqualsIgnoringAsciiCase(meter.Name, name)) return meter;
  return TMeter{};
}

void TMeterList::IndexNumber(std::uint16_t number, std::size_t index) {
  if (number >= kTabledNumbers) {
    index_by_number_.emplace(number, index);
    return;
  }
  if (slot_by_small_number_.size() <= number) slot_by_small_number_.resize(number + 1u, 0);
  slot_by_small_number_[number] = static_cast<std::uint32_t>(index + 1);
}

TMeterList::Live TMeterList::LiveOf(const TMeter& meter) const {
  Live live;
  live.scale = 1.0 / UnitScale(meter.UnitStr);
  for (std::size_t i = 0; i < watched_ids_.size(); ++i)
    if (!watched_ids_[i].empty() && watched_ids_[i] == meter.ID) live.watched |= 1u << i;
  return live;
}

void TMeterList::Watch(std::span<const std::string_view> ids) {
  watched_ids_.assign(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(
                                                     std::min<std::size_t>(ids.size(), 32)));
  for (std::size_t i = 0; i < meters_.size(); ++i) live_[i].watched = LiveOf(meters_[i]).watched;
}

void TMeterList::AddOrUpdateMeter(const TMeter& meter) {
  auto it = index_by_id_.find(std::string_view(meter.ID));
  if (it != index_by_id_.end()) {
    meters_[it->second] = meter;
    live_[it->second] = LiveOf(meter);
    return;
  }
  meters_.push_back(meter);
  const std::size_t index = meters_.size() - 1;
  const std::optional<std::uint16_t> number = PlainDecimalId(meter.ID);
  try {
    live_.push_back(LiveOf(meter));
    index_by_id_.emplace(meter.ID, index);
    if (number) IndexNumber(*number, index);
  } catch (...) {
    index_by_id_.erase(meter.ID);  // keep list and indexes in step
    live_.resize(index);
    meters_.pop_back();
    throw;
  }
}

void TMeterList::Remove(std::string_view id) {
  const std::optional<std::size_t> index = IndexOfId(id);
  if (!index) return;
  meters_.erase(meters_.begin() + static_cast<std::ptrdiff_t>(*index));
  live_.erase(live_.begin() + static_cast<std::ptrdiff_t>(*index));
  // Rare (a slice closed): rebuilding the indexes is simpler than shifting them.
  index_by_id_.clear();
  slot_by_small_number_.clear();
  index_by_number_.clear();
  for (std::size_t i = 0; i < meters_.size(); ++i) {
    index_by_id_.emplace(meters_[i].ID, i);
    if (const std::optional<std::uint16_t> number = PlainDecimalId(meters_[i].ID))
      IndexNumber(*number, i);
  }
}

void TMeterList::Clear() {
  meters_.clear();
  live_.clear();
  index_by_id_.clear();
  slot_by_small_number_.clear();
  index_by_number_.clear();
}

}  // namespace quendal
