// The TCI reader: commands from a server, in frames of any size.
//
// Input: one byte choosing the frame sizes, then the text the server sends.
// Read as one frame or as many, the stream must give the same last level,
// frequency, transmit state, transmit meters and server state; every level must lie
// on the meter's scale, every power be watts a transmitter can give, every SWR a finite ratio.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "tci/TciProtocol.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

struct Seen {
  std::optional<double> level;
  std::optional<std::int64_t> frequency;
  std::optional<bool> transmitting;
  std::optional<double> power;
  std::optional<double> peak;
  std::optional<double> swr;

  bool operator==(const Seen&) const = default;
};

void CheckPower(std::optional<double> watts) {
  if (watts && !(*watts >= 0 && *watts <= 100000)) fuzz::Fail("a power no transmitter gives");
}

void Take(TciReader& reader, std::string_view frame, Seen& seen) {
  const TciFrameResult result = reader.Feed(frame);
  if (result.Problems.size() > TciReader::kMaxReportedProblems)
    fuzz::Fail("more problem lines than the limit");
  if (result.LevelDbm) {
    if (!std::isfinite(*result.LevelDbm) || *result.LevelDbm < -200 || *result.LevelDbm > 100)
      fuzz::Fail("a level off the scale");
    seen.level = result.LevelDbm;
  }
  if (result.FrequencyHz) {
    if (*result.FrequencyHz < 0) fuzz::Fail("a negative frequency");
    seen.frequency = result.FrequencyHz;
  }
  CheckPower(result.TxPowerW);
  CheckPower(result.TxPeakPowerW);
  if (result.TxSwr && !(*result.TxSwr >= 0 && std::isfinite(*result.TxSwr)))
    fuzz::Fail("a negative SWR, or one not finite");
  if (result.Transmitting) seen.transmitting = result.Transmitting;
  if (result.TxPowerW) seen.power = result.TxPowerW;
  if (result.TxPeakPowerW) seen.peak = result.TxPeakPowerW;
  if (result.TxSwr) seen.swr = result.TxSwr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view stream = fuzz::AsText(data + 1, size - 1);

  TciReader whole({0, 0});
  Seen one;
  Take(whole, stream, one);

  TciReader framed({0, 0});
  Seen many;
  std::uint32_t state = data[0];
  while (!stream.empty()) {
    state = state * 1103515245u + 12345u;
    const std::size_t n = std::min<std::size_t>(stream.size(), (state >> 16) % 64 + 1);
    Take(framed, stream.substr(0, n), many);
    stream.remove_prefix(n);
  }
  if (one.level != many.level) fuzz::Fail("the level depends on the framing");
  if (one.frequency != many.frequency) fuzz::Fail("the frequency depends on the framing");
  if (one != many) fuzz::Fail("the transmitter depends on the framing");
  if (whole.Server().Ready != framed.Server().Ready) fuzz::Fail("ready depends on the framing");
  if (whole.Server().Version != framed.Server().Version)
    fuzz::Fail("the version depends on the framing");
  return 0;
}
