#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace quendal {

enum class TPacketType : std::uint8_t {
  if_data = 0,
  if_data_stream = 1,
  ext_data = 2,
  ext_data_stream = 3,
  if_context = 4,
  ext_context = 5,
};

// FlexRadio packet class codes: the low 16 bits of the second class word.
enum class TPacketClassCode : std::uint16_t {
  meter = 0x8002,
  panadapter = 0x8003,
  waterfall = 0x8004,
  opus = 0x8005,
  daxReducedBw = 0x0123,
  daxIq24 = 0x02E3,
  daxIq48 = 0x02E4,
  daxIq96 = 0x02E5,
  daxIq192 = 0x02E6,
  daxAudio = 0x03E3,
  discovery = 0xFFFF,
};

enum class TSIType : std::uint8_t { tsi_none = 0, utc = 1, gps = 2, other = 3 };
enum class TSFType : std::uint8_t { tsf_none = 0, sampleCount = 1, realtime = 2, freeRunning = 3 };

inline constexpr std::uint32_t vita_discovery_stream = 0x00000800;
inline constexpr std::uint32_t vita_flex_oui = 0x00001C2D;
inline constexpr std::uint32_t vita_flex_information_class = 0x534CFFFF;

// The payload as the header declares it: the bytes that arrived, then zeros up to
// the declared length. Only the arrived bytes are stored, so a short datagram that
// claims 256 KiB costs no more than its own size.
class VitaPayload {
 public:
  VitaPayload() = default;
  VitaPayload(std::span<const std::uint8_t> present, std::size_t declared);

  // The declared length.
  std::size_t size() const { return declared_; }
  bool empty() const { return declared_ == 0; }
  // Zero past the bytes that arrived.
  std::uint8_t operator[](std::size_t index) const {
    return index < present_.size() ? present_[index] : 0;
  }
  std::uint8_t front() const { return (*this)[0]; }
  // The bytes that arrived: a prefix of the payload, the rest reads as zero.
  std::span<const std::uint8_t> Present() const { return present_; }

  friend bool operator==(const VitaPayload& payload, const std::vector<std::uint8_t>& bytes);

 private:
  std::vector<std::uint8_t> present_;
  std::size_t declared_ = 0;
};

// One decoded VITA-49 packet. The payload is left uninterpreted.
struct TVita {
  TPacketType packet_type = TPacketType::if_data;  // type nibbles above 5 are kept as they are
  TPacketClassCode class_code = static_cast<TPacketClassCode>(0);  // never filled
  std::uint32_t stream_id = 0;
  bool has_class = false;
  bool has_trailer = false;
  TSIType tsi_type = TSIType::tsi_none;
  TSFType tsf_type = TSFType::tsf_none;
  std::int32_t packet_count = 0;
  std::int32_t packet_size = 0;  // bytes
  std::uint32_t oui = 0;
  std::uint32_t class_id = 0;
  std::uint32_t timestamp_int = 0;
  std::int64_t timestamp_frac = 0;
  VitaPayload payload;
  std::uint32_t trailer = 0;
  std::int32_t header_size = 0;
};

// A header whose declared size cannot hold the header and trailer it declares.
class Vita49Error : public std::range_error {
 public:
  using std::range_error::range_error;
};

// Decodes one datagram. Shorter than the largest header (28 bytes): the all-zero
// record. A declared size beyond the datagram: the rest of the payload reads as zero.
// Throws Vita49Error when the declared size is smaller than the header.
TVita vita49_decode(std::span<const std::uint8_t> msg);

// vita49_decode for a reader that uses the payload at once: fills `vita` but for its
// payload and returns the payload's bytes that arrived, within `msg`, copying nothing.
std::span<const std::uint8_t> vita49_decode_header(std::span<const std::uint8_t> msg, TVita& vita);

}  // namespace quendal
