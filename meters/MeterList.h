#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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
  double Value = 0.0;
  std::string Group;
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
  std::optional<std::size_t> IndexOfNumericId(std::uint16_t id) const;
  // Sets the live value and peak of the entry at `index` in place, sparing the meter
  // stream two whole-record copies per value.
  void SetValueAndPeak(std::size_t index, double value, double peak);
  // 1 / UnitScale of the entry's unit, kept with the entry: the meter stream needs it
  // for every value.
  double ValueScale(std::size_t index) const { return scales_[index]; }

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
  std::vector<TMeter> meters_;
  std::vector<double> scales_;  // beside meters_
  std::unordered_map<std::string, std::size_t, IdHash, std::equal_to<>> index_by_id_;
  // The entries whose ID is the plain decimal text of a 16-bit number, by that number:
  // the small numbers radios use in a table (index + 1, 0 for none), the rest in a map.
  static constexpr std::uint16_t kTabledNumbers = 1024;
  std::vector<std::uint32_t> slot_by_small_number_;
  std::unordered_map<std::uint16_t, std::size_t> index_by_number_;
  void IndexNumber(std::uint16_t number, std::size_t index);
};

}  // namespace quendal
