#include "meters/MeterList.h"

#include "support/AsciiText.h"
namespace quendal {

std::optional<std::size_t> TMeterList::IndexOfId(std::string_view id) const {
  auto it = index_by_id_.find(id);
  if (it == index_by_id_.end()) return std::nullopt;
  return it->second;
}

void TMeterList::SetValueAndPeak(std::size_t index, double value, double peak) {
  TMeter& entry = meters_.at(index);
  entry.Value = value;
  entry.Peak = peak;
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

void TMeterList::AddOrUpdateMeter(const TMeter& meter) {
  auto it = index_by_id_.find(std::string_view(meter.ID));
  if (it != index_by_id_.end()) {
    meters_[it->second] = meter;
    return;
  }
  meters_.push_back(meter);
  try {
    index_by_id_.emplace(meter.ID, meters_.size() - 1);
  } catch (...) {
    meters_.pop_back();  // keep list and index in step
    throw;
  }
}

}  // namespace quendal
