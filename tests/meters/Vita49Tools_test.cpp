#include "meters/Vita49Tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace quendal {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(Vita49Test, DecodesFlexMeterHeaderWithAllOptionalFields) {
  const Bytes datagram = Concat({
      {0x38, 0x5F, 0x00, 0x08},  // type 3, class, tsi 1, tsf 1, count 15, 8 words
      {0x00, 0x00, 0x08, 0x00},  // stream id
      {0x00, 0x00, 0x1C, 0x2D},  // class word 1
      {0x53, 0x4C, 0xFF, 0xFF},  // class word 2
      {0x65, 0x4F, 0x1A, 0x2B},  // integer seconds
      {0x00, 0x00, 0x00, 0x01, 0x80, 0x00, 0x00, 0x02},  // fractional seconds
      {0x00, 0x09, 0xDB, 0x80},                          // payload
  });
  const TVita v = vita49_decode(datagram);
  EXPECT_EQ(v.packet_type, TPacketType::ext_data_stream);
  EXPECT_TRUE(v.has_class);
  EXPECT_FALSE(v.has_trailer);
  EXPECT_EQ(v.tsi_type, TSIType::utc);
  EXPECT_EQ(v.tsf_type, TSFType::sampleCount);
  EXPECT_EQ(v.packet_count, 15);
  EXPECT_EQ(v.packet_size, 32);
  EXPECT_EQ(v.header_size, 28);
  EXPECT_EQ(v.stream_id, vita_discovery_stream);
  EXPECT_EQ(v.oui, vita_flex_oui);
  EXPECT_EQ(v.class_id, vita_flex_information_class);
  EXPECT_EQ(v.timestamp_int, 0x654F1A2Bu);
  EXPECT_EQ(v.timestamp_frac, 0x0000000180000002);
  EXPECT_EQ(v.class_code, static_cast<TPacketClassCode>(0));
  EXPECT_EQ(v.trailer, 0u);
  EXPECT_EQ(v.payload, (Bytes{0x00, 0x09, 0xDB, 0x80}));
}

TEST(Vita49Test, OptionalFieldsSetTheHeaderSize) {
  struct Case {
    const char* what;
    std::uint8_t byte0;
    std::uint8_t byte1;
    std::int32_t headerSize;
    std::uint32_t streamId;
    std::uint32_t oui;
  };
  // Words after the first header word: 0x11111111, 0x22222222, ...
  const Case cases[] = {
      {"type 0, nothing", 0x00, 0x00, 4, 0, 0},
      {"type 1, stream id", 0x10, 0x00, 8, 0x11111111, 0},
      {"type 2, no stream id", 0x20, 0x00, 4, 0, 0},
      {"type 4 with class: class at offset 4", 0x48, 0x00, 12, 0, 0x11111111},
      {"type 5 with class and tsi", 0x58, 0xC0, 16, 0, 0x11111111},
      {"type 1, class, tsf only", 0x18, 0x30, 24, 0x11111111, 0x22222222},
      {"type 3, everything", 0x38, 0x60, 28, 0x11111111, 0x22222222},
      {"type 7 kept as it is", 0x70, 0x00, 4, 0, 0},
  };
  for (const Case& c : cases) {
    Bytes datagram = {c.byte0, c.byte1, 0x00, 0x0A};  // 40 bytes declared
    for (std::uint8_t w = 1; w <= 9; ++w)
      datagram.insert(datagram.end(), 4, static_cast<std::uint8_t>(w * 0x11));
    const TVita v = vita49_decode(datagram);
    EXPECT_EQ(v.packet_type, static_cast<TPacketType>(c.byte0 >> 4)) << c.what;
    EXPECT_EQ(v.header_size, c.headerSize) << c.what;
    EXPECT_EQ(v.stream_id, c.streamId) << c.what;
    EXPECT_EQ(v.oui, c.oui) << c.what;
    ASSERT_EQ(v.payload.size(), static_cast<std::size_t>(40 - c.headerSize)) << c.what;
    EXPECT_EQ(v.payload.front(), datagram[c.headerSize]) << c.what;
  }
}

TEST(Vita49Test, PayloadTrailerAndShortDatagrams) {
  Bytes body(28, 0xAA);
  struct Case {
    const char* what;
    Bytes datagram;
    std::size_t payloadSize;
    std::uint32_t trailer;
    std::int32_t packetSize;
  };
  const Case cases[] = {
      {"trailer is the last word", Concat({{0x04, 0x00, 0x00, 0x08}, body}), 24, 0xAAAAAAAA, 32},
      {"declared size equals header", Concat({{0x00, 0x00, 0x00, 0x01}, body}), 0, 0, 4},
      {"declared size equals header plus trailer", Concat({{0x04, 0x00, 0x00, 0x02}, body}), 0,
       0xAAAAAAAA, 8},
      {"27 bytes: nothing read", Bytes(27, 0xFF), 0, 0, 0},
      {"empty datagram", Bytes{}, 0, 0, 0},
      {"declared beyond the datagram: zero-filled", Concat({{0x00, 0x00, 0x00, 0x0A}, body}), 36, 0,
       40},
      {"trailer beyond the datagram reads as zero", Concat({{0x04, 0x00, 0x00, 0x0A}, body}), 32, 0,
       40},
      {"two trailer bytes present", Concat({{0x04, 0x00, 0x00, 0x08}, body, {0x12, 0x34}}), 24,
       0xAAAAAAAA, 32},
  };
  for (const Case& c : cases) {
    const TVita v = vita49_decode(c.datagram);
    EXPECT_EQ(v.payload.size(), c.payloadSize) << c.what;
    EXPECT_EQ(v.trailer, c.trailer) << c.what;
    EXPECT_EQ(v.packet_size, c.packetSize) << c.what;
  }

  const TVita zeroFilled = vita49_decode(Concat({{0x00, 0x00, 0x00, 0x0A}, body}));
  EXPECT_EQ(zeroFilled.payload[27], 0xAA);
  EXPECT_EQ(zeroFilled.payload[28], 0x00);
  EXPECT_EQ(zeroFilled.payload[35], 0x00);
  EXPECT_EQ(zeroFilled.payload.Present().size(), 28u);  // the zeros are not stored

  const TVita claimsAll = vita49_decode(Concat({{0x00, 0x00, 0xFF, 0xFF}, body}));
  EXPECT_EQ(claimsAll.payload.size(), 65535u * 4 - 4);
  EXPECT_EQ(claimsAll.payload.Present().size(), 28u);
  EXPECT_EQ(claimsAll.payload[65535u * 4 - 5], 0x00);

  // A trailer cut short keeps the bytes present as its high bytes.
  Bytes cut = Concat({{0x04, 0x00, 0x00, 0x09}, body, {0x12, 0x34}});
  EXPECT_EQ(vita49_decode(cut).trailer, 0x12340000u);
}

TEST(Vita49Test, DeclaredSizeBelowHeaderIsAnError) {
  const Bytes body(28, 0x00);
  const Bytes cases[] = {
      Concat({{0x00, 0x00, 0x00, 0x00}, body}),  // 0 < 4
      Concat({{0x38, 0x50, 0x00, 0x06}, body}),  // 24 < 28
      Concat({{0x04, 0x00, 0x00, 0x01}, body}),  // 4 < 4 + trailer
  };
  for (const Bytes& datagram : cases) EXPECT_THROW(vita49_decode(datagram), Vita49Error);
}

// Every read must stay within the datagram whatever it declares; the sanitizer
// build turns a stray read into a failure.
TEST(Vita49Test, RandomDatagramsNeverReadOutside) {
  std::mt19937 random(4992);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 6000; ++round) {
    const std::size_t length = static_cast<std::size_t>(round % 65);
    std::vector<std::uint8_t> storage(length);
    for (auto& b : storage) b = static_cast<std::uint8_t>(byte(random));
    if (length >= 4) {
      const int words = (round % 4) ? byte(random) % 20 : byte(random) << 8 | byte(random);
      storage[2] = static_cast<std::uint8_t>(words >> 8);
      storage[3] = static_cast<std::uint8_t>(words);
    }
    // A heap copy of exactly the datagram's size, so that the sanitizer sees its edge.
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[std::max<std::size_t>(length, 1)]);
    std::copy(storage.begin(), storage.end(), exact.get());
    const std::span<const std::uint8_t> datagram(exact.get(), length);
    try {
      const TVita v = vita49_decode(datagram);
      if (length < 28) {
        EXPECT_TRUE(v.payload.empty());
        EXPECT_EQ(v.packet_size, 0);
        continue;
      }
      const std::size_t trailer = v.has_trailer ? 4 : 0;
      ASSERT_EQ(v.payload.size() + v.header_size + trailer,
                static_cast<std::size_t>(v.packet_size));
      std::size_t firstWrong = v.payload.size();
      for (std::size_t i = 0; i < v.payload.size() && firstWrong == v.payload.size(); ++i) {
        const std::size_t at = v.header_size + i;
        if (v.payload[i] != (at < length ? datagram[at] : 0)) firstWrong = i;
      }
      ASSERT_EQ(firstWrong, v.payload.size()) << "round " << round;
    } catch (const Vita49Error&) {
      ASSERT_GE(length, 28u);
    }
  }
}

}  // namespace
}  // namespace quendal
