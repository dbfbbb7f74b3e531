#include "flex/TelnetChannel.h"

#include <gtest/gtest.h>

#include <string>

namespace quendal {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

TEST(TelnetFilterTest, RemovesCommandsAndAnswersNegotiation) {
  struct Case {
    const char* name;
    std::string received;
    std::string data;
    std::string replies;
  };
  const Case cases[] = {
      {"plain text", "V1.4.0.0\n", "V1.4.0.0\n", ""},
      {"escaped 0xFF", Bytes({'a', 255, 255, 'b'}), Bytes({'a', 255, 'b'}), ""},
      {"DO terminal type", Bytes({255, 253, 24, 'x'}), "x", Bytes({255, 251, 24})},
      {"DO echo refused", Bytes({255, 253, 1}), "", Bytes({255, 252, 1})},
      {"WILL echo refused", Bytes({255, 251, 1}), "", Bytes({255, 254, 1})},
      {"WONT and DONT need no answer", Bytes({255, 252, 3, 255, 254, 24}), "", ""},
      {"terminal type asked", Bytes({255, 250, 24, 1, 255, 240}), "",
       Bytes({255, 250, 24, 0, 'd', 'u', 'm', 'b', 255, 240})},
      {"other sub-negotiation ignored", Bytes({255, 250, 31, 0, 80, 255, 240, 'k'}), "k", ""},
      {"NOP and GA dropped", Bytes({'a', 255, 241, 'b', 255, 249}), "ab", ""},
  };
  for (const Case& c : cases) {
    TelnetFilter filter;
    const TelnetFilter::Result r = filter.Filter(c.received);
    EXPECT_EQ(r.data, c.data) << c.name;
    EXPECT_EQ(r.replies, c.replies) << c.name;
  }
}

TEST(TelnetFilterTest, SequencesSplitAcrossChunksAndTheCommandByteFlag) {
  const std::string stream =
      Bytes({'S', 255, 253, 24, 'a', 255, 255, 'b', 255, 250, 24, 1, 255, 240, 'c'});
  TelnetFilter whole;
  const TelnetFilter::Result expected = whole.Filter(stream);
  EXPECT_EQ(expected.data, Bytes({'S', 'a', 255, 'b', 'c'}));

  TelnetFilter split;
  std::string data;
  std::string replies;
  EXPECT_FALSE(split.SeenCommandByte());
  for (char c : stream) {
    const TelnetFilter::Result r = split.Filter(std::string(1, c));
    data += r.data;
    replies += r.replies;
  }
  EXPECT_EQ(data, expected.data);
  EXPECT_EQ(replies, expected.replies);
  EXPECT_TRUE(split.SeenCommandByte());

  TelnetFilter text_only;
  text_only.Filter("R1|0|\n");
  EXPECT_FALSE(text_only.SeenCommandByte());
}

TEST(LineAssemblerTest, HandsOutCompleteLinesOnly) {
  const std::string text =
      "V1.4.0.0\nH2A3B4C5D\r\nS2A3B4C5D|slice 0 RF_frequency=14.074000\r\n\nS2A|partial";
  const std::vector<std::string> expected = {"V1.4.0.0", "H2A3B4C5D",
                                             "S2A3B4C5D|slice 0 RF_frequency=14.074000", ""};
  for (std::size_t piece : {text.size(), std::size_t{1}, std::size_t{7}}) {
    LineAssembler assembler;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < text.size(); i += piece) {
      LineAssembler::Result r = assembler.Feed(std::string_view(text).substr(i, piece));
      lines.insert(lines.end(), r.lines.begin(), r.lines.end());
    }
    EXPECT_EQ(lines, expected) << "pieces of " << piece;
    EXPECT_EQ(assembler.PendingBytes(), std::string("S2A|partial").size());
  }
}

TEST(LineAssemblerTest, DropsAnOverlongLineAndRecovers) {
  LineAssembler assembler(16);
  LineAssembler::Result r = assembler.Feed("ok\n0123456789");
  EXPECT_EQ(r.lines, std::vector<std::string>{"ok"});
  r = assembler.Feed("0123456789");  // now 20 bytes without LF
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(r.dropped_lines, 1u);
  EXPECT_EQ(assembler.PendingBytes(), 0u);
  r = assembler.Feed(std::string(100, 'x'));  // rest of the dropped line
  EXPECT_EQ(r.dropped_lines, 0u);
  EXPECT_EQ(assembler.PendingBytes(), 0u);
  r = assembler.Feed("tail\nnext\n");
  EXPECT_EQ(r.lines, (std::vector<std::string>{"next"}));
}

}  // namespace
}  // namespace quendal
