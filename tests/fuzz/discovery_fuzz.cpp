// Discovery broadcasts: anyone on the LAN can send them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "flex/FlexRadioLib_v3_1.h"
#include "meters/Vita49Tools.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

void ReadRecord(std::string_view payload) {
  const DiscoveryRecord record = ParseDiscoveryPayload(payload);
  for (const auto& [key, value] : record)
    if (key.size() + value.size() > payload.size()) fuzz::Fail("token longer than the payload");
  DiscoveryValue(record, "ip");
  DiscoveryValue(record, "port");
  BytesToHex(payload.substr(0, 64));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The tokenizer on its own, and behind the decoder as the radio link runs it.
  ReadRecord(fuzz::AsText(data, size));
  try {
    const TVita vita = vita49_decode(std::span<const std::uint8_t>(data, size));
    ReadRecord(fuzz::AsText(vita.payload.Present().data(), vita.payload.Present().size()));
  } catch (const Vita49Error&) {
  }
  return 0;
}
