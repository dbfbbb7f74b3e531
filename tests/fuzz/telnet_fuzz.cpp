// The command channel's receive path: telnet sequences removed, replies to
// option negotiation, status lines assembled from TCP chunks and parsed.
//
// Input: one byte choosing the chunk sizes, then the bytes the radio sends.
// Received in one piece or in small chunks, the stream must give the same
// data, replies and lines. The lines then drive the meter list, the slice
// frequency and the transmitter (interlock state and TX- meters), whose
// readings must make sense whatever the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "flex/TelnetChannel.h"
#include "flex/TransmitMeters.h"
#include "meters/LevelConversions.h"
#include "meters/MeterList.h"
#include "meters/MeterStatus.h"
#include "support/NumberFormat.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace quendal;

namespace {

struct Received {
  std::string data;
  std::string replies;
  std::vector<std::string> lines;
  std::size_t pending = 0;
};

std::string AsciiText(std::string_view bytes) {
  std::string text(bytes);
  for (char& c : text)
    if (static_cast<unsigned char>(c) > 0x7F) c = '?';
  return text;
}

void Take(std::string_view chunk, TelnetFilter& filter, LineAssembler& lines, Received& out) {
  TelnetFilter::Result filtered = filter.Filter(chunk);
  out.data += filtered.data;
  out.replies += filtered.replies;
  if (filtered.data.empty()) return;  // the channel reports no empty chunks
  LineAssembler::Result assembled = lines.Feed(AsciiText(filtered.data));
  for (std::string& line : assembled.lines) out.lines.push_back(std::move(line));
}

Received InOnePiece(std::string_view stream) {
  TelnetFilter filter;
  LineAssembler lines;
  Received out;
  Take(stream, filter, lines, out);
  out.pending = lines.PendingBytes();
  return out;
}

Received InChunks(std::string_view stream, std::uint8_t seed) {
  TelnetFilter filter;
  LineAssembler lines;
  LineAssembler short_lines(32);
  Received out;
  std::uint32_t state = seed;
  while (!stream.empty()) {
    state = state * 1103515245u + 12345u;
    const std::size_t n = std::min<std::size_t>(stream.size(), (state >> 16) % 8 + 1);
    Take(stream.substr(0, n), filter, lines, out);
    short_lines.Feed(stream.substr(0, n));
    if (short_lines.PendingBytes() > 32) fuzz::Fail("unfinished line beyond its limit");
    stream.remove_prefix(n);
  }
  out.pending = lines.PendingBytes();
  return out;
}

bool HasMeterMarker(std::string_view line) {
  static constexpr std::string_view kMarker = "|meter";
  for (std::size_t i = 0; i + kMarker.size() <= line.size(); ++i) {
    std::size_t j = 0;
    while (j < kMarker.size() && (line[i + j] | 0x20) == kMarker[j]) ++j;
    if (j == kMarker.size()) return true;
  }
  return false;
}

// A reading is there only on the air, only for a meter the radio has, and in its unit's range.
void CheckTransmit(const TransmitStatus& status) {
  for (TransmitReading reading : kTransmitReadings) {
    const std::optional<double> value = status.Value(reading);
    if (!value) continue;
    if (!status.Transmitting || !status.Offers(reading)) fuzz::Fail("a reading off the air");
    if (!std::isfinite(*value)) fuzz::Fail("a reading that is no number");
    if (reading == TransmitReading::Power && !(*value >= 0.0)) fuzz::Fail("negative power");
    if (reading == TransmitReading::Swr && !(*value >= 1.0)) fuzz::Fail("an SWR below 1");
  }
}

void HandleStatusLine(const std::string& line, TMeterList& meters, TransmitMeters& transmit,
                      TextLog& log) {
  try {
    if (const std::optional<std::string> state = InterlockState(line))
      transmit.FollowInterlock(*state);
    if (HasMeterMarker(line)) {
      ParseMeterData(line, meters, log);
      transmit.Refresh(meters);
      // Values set by the text count as values that just arrived.
      transmit.ValuesArrived(0xF, TransmitMeters::TimePoint{});
    }
    const std::string freq = GetValueFromAttributeString(line, "RF_frequency");
    std::string_view text = freq;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (const std::optional<double> mhz = ParseDouble(text)) FloatToIntegerWithoutDot(*mhz);
  } catch (const std::logic_error& e) {
    fuzz::Fail(e.what());
  } catch (const std::exception&) {
    // The radio link logs the line and reads the next one.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view stream = fuzz::AsText(data + 1, size - 1);
  const Received whole = InOnePiece(stream);
  const Received chunked = InChunks(stream, data[0]);
  if (whole.data != chunked.data) fuzz::Fail("data depends on the chunking");
  if (whole.replies != chunked.replies) fuzz::Fail("replies depend on the chunking");
  if (whole.lines != chunked.lines) fuzz::Fail("lines depend on the chunking");
  if (whole.pending != chunked.pending) fuzz::Fail("unfinished tail depends on the chunking");

  TMeterList meters;
  TransmitMeters transmit;
  for (const std::string& line : whole.lines) {
    HandleStatusLine(line, meters, transmit, fuzz::NullLog(size));
    CheckTransmit(transmit.Current(meters, TransmitMeters::TimePoint{}));
  }
  return 0;
}
