// Slice status text: the attribute lookup and the frequency conversion the
// radio link applies to every status line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "meters/LevelConversions.h"
#include "meters/MeterStatus.h"
#include "support/NumberFormat.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line = fuzz::AsText(data, size);
  try {
    for (std::string_view attribute : {"in_use", "mode", "index_letter"})
      GetValueFromAttributeString(line, attribute);
    const std::string value = GetValueFromAttributeString(line, "RF_frequency");
    if (value.size() > line.size()) fuzz::Fail("value longer than the line");
    if (const std::optional<double> mhz = ParseDouble(TrimSpaces(value))) {
      try {
        FloatToIntegerWithoutDot(*mhz);
      } catch (const ConversionError&) {
      }
    }
  } catch (const std::logic_error& e) {
    fuzz::Fail(e.what());
  }
  return 0;
}
