// The decompressor, on one thread and on two: exact streams, header checks, truncation, window
// edges and the sizes of its reads and writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "implode/codec_memory.h"
#include "implode/explode_parallel.h"
#include "stream_test_support.h"

namespace {

using streamtest::FromHex;
using streamtest::StreamBuilder;
using Sizes = std::vector<std::uint32_t>;

struct GoldenStream {
  const char* name;
  const char* hex;
  std::string expanded;
};

// The streams the compressor tests derive by hand (see implode_implode_test.cpp) read back here.
const GoldenStream kGolden[] = {
    {"abc", "00 06 C2 88 19 0B F8 07", "abc"},
    {"abcabcabc", "00 06 C2 88 19 AB 0B 01 FF", "abcabcabc"},
    {"abcInAsciiMode", "01 06 0E 93 11 F0 0F", "abc"},
    {"lazyStep", "00 06 C4 8C 21 53 E6 4B 18 31 3F C2 66 24 E0 1F", "bcde_ab?abcde"},
    {"refinedScan",
     "00 06 C2 88 19 43 A6 8C 99 33 68 D2 A8 59 C3 26 26 66 46 1B 37 32 B1 3B 66 02 FE 01",
     "abcdefghijkl1abcdefghijklmn2abcdefghijklmn3"},
    {"runAcrossBlocks",
     "00 06 C2 84 05 F0 1F 04 F0 7B 45 00 BF 96 04 F0 F3 9B 00 7E 7A 14 C0 8F AF 02 F8 E1 B3 00 7E 88 "
     "3D 80 1F C0 0F D0 02 F0 03 FE 01",
     std::string(5000, 'a')},
};

struct Decompressor {
  const char* name;
  streamtest::Expander expand;
};

class ImplodeExplode : public testing::TestWithParam<Decompressor> {
 protected:
  streamtest::Recording Explode(std::string_view stream, std::uint32_t maxChunk = 0xFFFFFFFF) const {
    return streamtest::Explode(stream, maxChunk, GetParam().expand);
  }
};

TEST_P(ImplodeExplode, GoldenStreamsExpand) {
  for (const auto& golden : kGolden) {
    SCOPED_TRACE(golden.name);
    const auto result = Explode(FromHex(golden.hex));
    EXPECT_EQ(result.code, 0u);
    EXPECT_EQ(result.output, golden.expanded);
  }
}

TEST_P(ImplodeExplode, FirstReadOfFourBytesOrFewerIsTooShort) {
  for (const char* hex : {"", "00", "00 06", "00 06 01", "00 06 01 FF"}) {
    SCOPED_TRACE(hex);
    const auto result = Explode(FromHex(hex));
    EXPECT_EQ(result.code, 3u);
    EXPECT_TRUE(result.writeSizes.empty());
  }
  // Only the first read counts: four bytes then the rest is still too short.
  const auto trickled = Explode(FromHex("00 06 C2 88 19 0B F8 07"), 4);
  EXPECT_EQ(trickled.code, 3u);
  EXPECT_EQ(trickled.readRequests, Sizes{2048});
}

TEST_P(ImplodeExplode, HeaderChecksDictionaryBeforeLiteralMode) {
  struct Case {
    const char* hex;
    unsigned code;
  } const cases[] = {
      {"02 07 C2 88 19", 1},  // both wrong: the dictionary byte is checked first
      {"00 07 C2 88 19", 1}, {"00 03 C2 88 19", 1}, {"01 00 C2 88 19", 1},
      {"02 06 C2 88 19", 2}, {"FF 04 C2 88 19", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const auto result = Explode(FromHex(c.hex));
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(result.writeSizes.empty());
    EXPECT_EQ(result.readRequests, Sizes{2048});
  }
}

TEST_P(ImplodeExplode, TruncatedStreamsWriteWhatWasDecoded) {
  // The decoder keeps the next 8 bits at hand after every step, so a step needs 8 bits beyond
  // its own end; only the end-of-stream code may end on the last byte. "abc" is three 9-bit
  // literals (bits 0-26 after the header) and the 16-bit end code (bits 27-42).
  struct Case {
    const char* hex;
    std::string written;
  } const cases[] = {
      {"00 06 C2 88 19", "a"},                // 24 bits: 'b' would leave 6
      {"00 06 C2 88 19 0B", "ab"},            // 32 bits: 'c' would leave 5
      {"00 06 C2 88 19 0B F8", "abc"},        // 40 bits: the end code is cut
      {"00 06 C2 88 19 AB 0B 01", "abcabcabc"},  // the copy ends at bit 40, the end code is cut
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const auto result = Explode(FromHex(c.hex));
    EXPECT_EQ(result.code, 4u);
    EXPECT_EQ(result.output, c.written);
    EXPECT_EQ(result.writeSizes, Sizes{static_cast<std::uint32_t>(c.written.size())});
  }
}

TEST_P(ImplodeExplode, TruncatedLongStreamWritesFullBlocksAndTheRest) {
  const std::string data = streamtest::ProjectText(60000, 7);
  const std::string stream = ImplodeBytes(data).bytes;
  const auto result = Explode(stream.substr(0, stream.size() / 2));
  EXPECT_EQ(result.code, 4u);
  ASSERT_GT(result.output.size(), 4096u);
  EXPECT_EQ(result.output, data.substr(0, result.output.size()));
  for (std::size_t i = 0; i + 1 < result.writeSizes.size(); ++i) EXPECT_EQ(result.writeSizes[i], 4096u);
}

TEST_P(ImplodeExplode, EndCodeOnTheLastByteAndNothingReadAfterIt) {
  // 00 06 C2 88 19 AB 0B 01 FF: literals (27 bits), copy (13 bits), end code (16 bits) fill the
  // seven bytes exactly.
  const std::string exact = FromHex("00 06 C2 88 19 AB 0B 01 FF");
  EXPECT_EQ(Explode(exact).code, 0u);
  // Trailing bytes after the end code are neither read nor checked.
  const std::string stream = ImplodeBytes(streamtest::RandomBytes(3000, 1)).bytes;
  const auto result = Explode(stream + std::string(5000, '\xFF'));
  EXPECT_EQ(result.code, 0u);
  EXPECT_EQ(result.output, streamtest::RandomBytes(3000, 1));
  std::size_t delivered = 0;
  for (const auto n : result.readsDelivered) delivered += n;
  EXPECT_LT(delivered, stream.size() + 2048);
}

TEST_P(ImplodeExplode, ShortDistancesRepeatAndHistoryStartsAsZeros) {
  struct Case {
    const char* name;
    std::string stream;
    std::string expanded;
  } const cases[] = {
      {"distance 1 repeats the byte", StreamBuilder().Literal('x').Copy(10, 1).End().Bytes(), std::string(11, 'x')},
      {"distance 2 repeats a pair", StreamBuilder().Literals("xy").Copy(5, 2).End().Bytes(), "xyxyxyx"},
      {"before the first byte", StreamBuilder().Literal('a').Copy(3, 5).End().Bytes(), std::string("a\0\0\0", 4)},
      {"2-byte copy 256 back", StreamBuilder().Literals("pq").Copy(2, 256).End().Bytes(), std::string("pq\0\0", 4)},
      {"1024 dictionary", StreamBuilder(0, 4).Literals("abcd").Copy(4, 4).Copy(3, 17).End().Bytes(),
       std::string("abcdabcd") + std::string(3, '\0')},
      {"ascii literals", StreamBuilder(1, 5).Literals("\xFF\x1A\x80 e").Copy(3, 3).End().Bytes(), "\xFF\x1A\x80 e\x80 e"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = Explode(c.stream);
    EXPECT_EQ(result.code, 0u);
    EXPECT_EQ(result.output, c.expanded);
  }
}

TEST_P(ImplodeExplode, ExactlyOneBlockIsWrittenAsOneBlockThenNothing) {
  StreamBuilder builder;
  builder.Literal('q');
  for (int i = 0; i < 7; ++i) builder.Copy(518, 1);
  builder.Copy(4096 - 1 - 7 * 518, 1).End();  // 4096 bytes in all
  const auto result = Explode(builder.Bytes());
  EXPECT_EQ(result.code, 0u);
  EXPECT_EQ(result.output, std::string(4096, 'q'));
  EXPECT_EQ(result.writeSizes, (Sizes{4096, 0}));
  for (const auto request : result.readRequests) EXPECT_EQ(request, 2048u);
}

TEST_P(ImplodeExplode, LongestCopyStartingAtTheLastWindowIndex) {
  // 4095 literals bring the output position to 8191; a copy of 518 from 4095 back then runs to
  // the very end of the window before the block leaves.
  std::string literals;
  for (int i = 0; i < 4095; ++i) literals.push_back(static_cast<char>(i * 7 + i / 256));
  const auto result = Explode(StreamBuilder().Literals(literals).Copy(518, 4095).Copy(3, 4096).End().Bytes());
  EXPECT_EQ(result.code, 0u);
  const std::string expanded = literals + literals.substr(0, 518);
  EXPECT_EQ(result.output, expanded + expanded.substr(expanded.size() - 4096, 3));
  EXPECT_EQ(result.writeSizes, (Sizes{4096, 520}));
}

TEST_P(ImplodeExplode, ReadsAreRequestsOf2048WhateverTheSourceDelivers) {
  const std::string data = streamtest::RandomBytes(20000, 3);
  const std::string stream = ImplodeBytes(data).bytes;
  for (const std::uint32_t chunk : {2048u, 1000u, 7u, 5u}) {
    SCOPED_TRACE(chunk);
    const auto result = Explode(stream, chunk);
    EXPECT_EQ(result.code, 0u);
    EXPECT_EQ(result.output, data);
    for (const auto request : result.readRequests) EXPECT_EQ(request, 2048u);
    EXPECT_EQ(result.writeSizes, (Sizes{4096, 4096, 4096, 4096, 20000 - 4 * 4096}));
  }
}

TEST(ImplodeExplodeMemory, WrapperStopsAtTheLimit) {
  const std::string data = streamtest::Repetitive(50000);
  const std::string stream = ImplodeBytes(data).bytes;
  const auto exact = ExplodeBytes(stream, data.size());
  EXPECT_EQ(exact.code, 0u);
  EXPECT_FALSE(exact.tooLarge);
  EXPECT_EQ(exact.bytes, data);
  const auto over = ExplodeBytes(stream, data.size() - 1);
  EXPECT_TRUE(over.tooLarge);
  EXPECT_EQ(over.bytes, data.substr(0, data.size() - 1));
}

INSTANTIATE_TEST_SUITE_P(Decompressors, ImplodeExplode,
                         testing::Values(Decompressor{"OneThread", ExplodeStream},
                                         Decompressor{"TwoThreads", ExplodeInParallel}),
                         [](const testing::TestParamInfo<Decompressor>& info) { return info.param.name; });

}  // namespace
