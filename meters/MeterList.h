#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quendal {

// One radio meter, copied whole in and out of the list.
struct TMeter {
  std::string ID;
  std::string Src;
  std::string Num;
  std::string Name;
  double Low = 0.0;
  double High = 0.0;
  std::string Desc;
  std::string UnitStr;
  std::int32_t FPS = 0;
  std::string Group;
  // Side by side: the meter stream updates both for every value.
  double Value = 0.0;
  double Peak = 0.0;
};

// Meters in the order their IDs were first added. An entry goes only when the radio
// removes its meter, or with the whole list when the radio is lost: IDs change then.
class TMeterList {
 public:
  // First entry whose ID equals `id` exactly; the empty meter when none does.
  TMeter FindById(std::string_view id) const;
  // First entry whose Name equals `name` ignoring ASCII case; the empty meter when none does.
  TMeter FindByName(std::string_view name) const;
  // Replaces the first entry with the same ID whole, or appends.
  void AddOrUpdateMeter(const TMeter& meter);

  // Position of the entry with this ID in list order, if there is one.
  std::optional<std::size_t> IndexOfId(std::string_view id) const;
  // The same for the ID written as decimal text without leading zeros ("9" for 9),
  // as the meter stream names meters; "09" or " 9" are never found this way.
  std::optional<std::size_t> IndexOfNumericId(std::uint16_t id) const {
    const std::size_t position = PositionOfNumericId(id);
    if (position == Count()) return std::nullopt;
    return position;
  }
  // The same as a plain number, Count() for none: the meter stream looks up every value
  // it carries, and an optional costs it a trip through memory on each.
  std::size_t PositionOfNumericId(std::uint16_t id) const {
    if (id < slot_by_small_number_.size()) {
      const std::uint32_t slot = slot_by_small_number_[id];
      return slot != 0 ? slot - 1 : Count();
    }
    if (id < kTabledNumbers) return Count();
    return PositionOfLargeNumber(id);
  }
  // Sets the live value and peak of the entry at `index` in place, sparing the meter
  // stream two whole-record copies per value.
  void SetValueAndPeak(std::size_t index, double value, double peak) {
    // live_ has as many entries as meters_, and a size without a division.
    if (index >= live_.size()) throw std::out_of_range("TMeterList::SetValueAndPeak");
    TMeter& entry = meters_[index];
    entry.Value = value;
    entry.Peak = peak;
  }
  // 1 / UnitScale of the entry's unit, kept with the entry: the meter stream needs it
  // for every value.
  double ValueScale(std::size_t index) const { return live_[index].scale; }

  // Marks the entries whose IDs are `ids`, bit i for ids[i] (up to 32; an empty ID marks
  // nothing), in place of the marks before; entries added later get their marks too. A
  // reader of the meter stream learns so which values concern it without a lookup.
  void Watch(std::span<const std::string_view> ids);
  std::uint32_t WatchedBits(std::size_t index) const { return live_[index].watched; }

  // Takes the entry with this ID out; nothing when there is none.
  void Remove(std::string_view id);
  void Clear();

  std::size_t Count() const { return meters_.size(); }
  const std::vector<TMeter>& Items() const { return meters_; }

 private:
  struct IdHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view id) const noexcept {
      return std::hash<std::string_view>{}(id);
    }
  };

  // AddOrUpdateMeter never appends an ID that is present, so IDs are unique and
  // the index always names the first (only) entry of its ID.
  // What the meter stream needs of each entry besides its value, beside meters_.
  struct Live {
    double scale = 1.0;
    std::uint32_t watched = 0;
  };

  std::vector<TMeter> meters_;
  std::vector<Live> live_;
  std::vector<std::string> watched_ids_;
  std::unordered_map<std::string, std::size_t, IdHash, std::equal_to<>> index_by_id_;
  // The entries whose ID is the plain decimal text of a 16-bit number, by that number:
  // the small numbers radios use in a table (index + 1, 0 for none), the rest in a map.
  static constexpr std::uint16_t kTabledNumbers = 1024;
  std::vector<std::uint32_t> slot_by_small_number_;
  std::unordered_map<std::uint16_t, std::size_t> index_by_number_;
  void IndexNumber(std::uint16_t number, std::size_t index);
  std::size_t PositionOfLargeNumber(std::uint16_t id) const;
  Live LiveOf(const TMeter& meter) const;
};

}  // namespace quendal
