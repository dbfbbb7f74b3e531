#include "meters/MeterList.h"

namespace quendal {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

const TMeter* TMeterList::FindEntryById(std::string_view id) const {
  auto it = index_by_id_.find(id);
  return it == index_by_id_.end() ? nullptr : &meters_[it->second];
}

TMeter TMeterList::FindById(std::string_view id) const {
  const TMeter* entry = FindEntryById(id);
  return entry ? *entry : TMeter{};
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
