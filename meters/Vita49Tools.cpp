#include "meters/Vita49Tools.h"

#include <algorithm>
#include <array>
#include <string>

namespace quendal {

namespace {

constexpr std::size_t kLargestHeaderSize = 28;

std::uint32_t ReadBigEndian32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) << 24 |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 3]);
}

bool CarriesStreamId(TPacketType type) {
  return type == TPacketType::if_data_stream || type == TPacketType::ext_data_stream;
}

// Reads the optional header fields; all lie within the first 28 bytes, which the
// caller has checked are present.
void DecodeOptionalHeaderFields(std::span<const std::uint8_t> msg, TVita& vita) {
  std::size_t offset = 4;
  if (CarriesStreamId(vita.packet_type)) {
    vita.stream_id = ReadBigEndian32(msg, offset);
    offset += 4;
  }
  if (vita.has_class) {
    vita.oui = ReadBigEndian32(msg, offset);
    vita.class_id = ReadBigEndian32(msg, offset + 4);
    offset += 8;
  }
  if (vita.tsi_type != TSIType::tsi_none) {
    vita.timestamp_int = ReadBigEndian32(msg, offset);
    offset += 4;
  }
  if (vita.tsf_type != TSFType::tsf_none) {
    const std::uint64_t high = ReadBigEndian32(msg, offset);
    const std::uint64_t low = ReadBigEndian32(msg, offset + 4);
    vita.timestamp_frac = static_cast<std::int64_t>(high << 32 | low);
    offset += 8;
  }
  vita.header_size = static_cast<std::int32_t>(offset);
}

// Missing trailing bytes of a short datagram count as zero.
std::uint32_t ReadPartialBigEndian32(std::span<const std::uint8_t> msg, std::size_t offset) {
  std::array<std::uint8_t, 4> word{};
  if (offset < msg.size())
    std::copy_n(msg.begin() + static_cast<std::ptrdiff_t>(offset),
                std::min<std::size_t>(4, msg.size() - offset), word.begin());
  return ReadBigEndian32(word, 0);
}

// What the header says is left for the payload: negative when the header and trailer
// alone take more than the declared size.
std::int32_t DeclaredPayloadSize(const TVita& vita) {
  return vita.packet_size - vita.header_size - (vita.has_trailer ? 4 : 0);
}

}  // namespace

VitaPayload::VitaPayload(std::span<const std::uint8_t> present, std::size_t declared)
    : present_(present.begin(),
               present.begin() + static_cast<std::ptrdiff_t>(std::min(present.size(), declared))),
      declared_(declared) {}

bool operator==(const VitaPayload& payload, const std::vector<std::uint8_t>& bytes) {
  if (payload.size() != bytes.size()) return false;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (payload[i] != bytes[i]) return false;
  return true;
}

std::span<const std::uint8_t> vita49_decode_header(std::span<const std::uint8_t> msg, TVita& vita) {
  vita = TVita();
  if (msg.size() < kLargestHeaderSize) return {};

  vita.packet_type = static_cast<TPacketType>(msg[0] >> 4);
  vita.has_class = (msg[0] & 0x08) != 0;
  vita.has_trailer = (msg[0] & 0x04) != 0;
  vita.tsi_type = static_cast<TSIType>((msg[1] >> 6) & 3);
  vita.tsf_type = static_cast<TSFType>((msg[1] >> 4) & 3);
  vita.packet_count = msg[1] & 0x0F;
  vita.packet_size = (msg[2] << 8 | msg[3]) * 4;

  DecodeOptionalHeaderFields(msg, vita);

  const std::int32_t payload_size = DeclaredPayloadSize(vita);
  if (payload_size < 0)
    throw Vita49Error("VITA-49 packet declares " + std::to_string(vita.packet_size) +
                      " bytes, fewer than the " + std::to_string(vita.packet_size - payload_size) +
                      " its header and trailer take");

  const auto header_size = static_cast<std::size_t>(vita.header_size);
  const std::size_t bytes_present =
      std::min(static_cast<std::size_t>(payload_size), msg.size() - header_size);
  if (vita.has_trailer) vita.trailer = ReadPartialBigEndian32(msg, header_size + bytes_present);
  return msg.subspan(header_size, bytes_present);
}

TVita vita49_decode(std::span<const std::uint8_t> msg) {
  TVita vita;
  const std::span<const std::uint8_t> present = vita49_decode_header(msg, vita);
  vita.payload = VitaPayload(present, static_cast<std::size_t>(DeclaredPayloadSize(vita)));
  return vita;
}

}  // namespace quendal
