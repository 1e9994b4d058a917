// The compressor: its output is fixed to the byte. Besides the published examples, the golden
// streams below were derived by hand from the compressor's rules (the token lists in the
// comments), then packed bit by bit: they are not recordings of this code's output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "implode/codec_memory.h"
#include "stream_test_support.h"

namespace {

using streamtest::FromHex;
using streamtest::Implode;
using streamtest::StreamBuilder;
using streamtest::ToHex;
using Sizes = std::vector<std::uint32_t>;

struct Golden {
  const char* name;
  std::string data;
  std::uint32_t literalMode;
  const char* hex;
};

const Golden kGolden[] = {
    {"empty", "", 0, "00 06 01 FF"},
    {"abc", "abc", 0, "00 06 C2 88 19 0B F8 07"},
    // Three literals, then at 3 a copy of 6 from 3 back; one byte later only 5 match.
    {"abcabcabc", "abcabcabc", 0, "00 06 C2 88 19 AB 0B 01 FF"},
    {"abcInAsciiMode", "abc", 1, "01 06 0E 93 11 F0 0F"},
    // Lazy step taken. "bcde_ab?abcde": every pair up to 7 is new, so 0-7 are literals. At 8,
    // "ab" matches at 5 for 2 bytes ('?' differs from 'c'): length 2, distance 3. The lazy search
    // at 9 finds "bcde" at 0 (then '_' against the zero past the end): 4 >= 2 + 2, so 'a' at 8
    // goes out as a literal and the match at 9 is taken over without a new search. Its own lazy
    // search at 10 finds "cde" (3), not enough: copy of 4 from 9 back (length code 2, distance
    // code 0, low bits 8). Tokens: 9 literals "bcde_ab?a", copy(4, 9), end.
    {"lazyStep", "bcde_ab?abcde", 0, "00 06 C4 8C 21 53 E6 4B 18 31 3F C2 66 24 E0 1F"},
    // Refined scan. S = "abcdefghijkl"; data S "1" S "mn2" S "mn3". 0-12 are literals. At 13 the
    // only candidate 0 gives 12 (> 10, refined scan), but no candidate follows: copy(12, 13).
    // "mn2" are literals (the pair "mn" at 25 has no earlier occurrence). At 28, candidate 0
    // gives 12 again, candidate 13 follows: the borders of S are all 0, so n = 0; q + 0 >= e = 12
    // holds for q = 13; its byte at best - 2 ('k') agrees and q + n != e, so the count restarts
    // from q: S, 'm', 'n' agree, '2' against '3' stops at 14 > 12: the new best, distance 15.
    // The next candidate is 28 itself: copy(14, 15). Then the literal '3'. Copy 12 is length
    // code 9 with extra 0 (8 bits 0x31), copy 14 extra 2 (0xB1); both distances have high part 0.
    {"refinedScan", "abcdefghijkl1abcdefghijklmn2abcdefghijklmn3", 0,
     "00 06 C2 88 19 43 A6 8C 99 33 68 D2 A8 59 C3 26 26 66 46 1B 37 32 B1 3B 66 02 FE 01"},
    // A run across the block boundary: 5000 bytes 'a'. Pass 1 encodes positions below 3580 (the
    // last 516 of the 4096 read wait). 0 and 1 are literals (1 may not match 0, the byte just
    // before). At 2 the oldest candidate, 0, reaches the longest match 516 and the search stops
    // there: copy(516, 2). From then on every copy starts at c = 2 + 516k and its oldest candidate
    // is still 0: copies of 516 from 518, 1034, 1550, 2066, 2582 and 3098 back; the last runs to
    // 3614, past the block end. Pass 2 reads the remaining 904 bytes and the input ends (block
    // end 5000). With a 4096-byte dictionary the second pass indexes from c - 4096 + 516, i.e.
    // from position 34: at 3614 the oldest candidate is 34 (copy of 516 from 3580 back, across
    // the 4096-byte boundary), at 4130 it is 35 (4095 back, the farthest allowed), at 4646 it is
    // 551 (4095 back), whose 516 bytes run past the end and are cut to 354.
    {"runAcrossBlocks", std::string(5000, 'a'), 0,
     "00 06 C2 84 05 F0 1F 04 F0 7B 45 00 BF 96 04 F0 F3 9B 00 7E 7A 14 C0 8F AF 02 F8 E1 B3 00 7E 88 "
     "3D 80 1F C0 0F D0 02 F0 03 FE 01"},
};

TEST(ImplodeImplode, GoldenStreams) {
  for (const auto& golden : kGolden) {
    SCOPED_TRACE(golden.name);
    const auto result = ImplodeBytes(golden.data, golden.literalMode, 4096);
    EXPECT_EQ(result.code, 0u);
    EXPECT_EQ(ToHex(result.bytes), golden.hex);
  }
}

TEST(ImplodeImplode, TokenChoicesAtTheEdges) {
  // 300 bytes whose pairs never repeat: (1,0) (0,2) (2,0) ... (150,0); and a pair P of bytes
  // above 150, so that no pair with P's bytes occurs in the filler.
  const std::string pair = "\xC8\xC9";
  std::string filler;
  for (int j = 1; j <= 150; ++j) filler += {static_cast<char>(j), '\0'};
  struct Case {
    const char* name;
    std::string data;
    std::string expected;
  } const cases[] = {
      // Run of one byte: the byte just before is never a match start, so two literals, then a
      // copy from 2 back that runs to the end.
      {"run", std::string(10, 'a'), StreamBuilder().Literals("aa").Copy(8, 2).End().Bytes()},
      // P again 302 bytes later: a 2-byte match that far back is written as literals.
      {"pair far back", pair + filler + pair, StreamBuilder().Literals(pair + filler + pair).End().Bytes()},
      // The match at 4 counts the zeros past the end (4 bytes) and is cut to the 2 input bytes.
      {"cut to 2", std::string("ab\0\0ab", 6), StreamBuilder().Literals(std::string("ab\0\0", 4)).Copy(2, 4).End().Bytes()},
      // The last byte matches (a, 0) at 0 through the zero past the end; cut to 1: a literal.
      {"cut to 1", std::string("a\0ba", 4), StreamBuilder().Literals(std::string("a\0ba", 4)).End().Bytes()},
      // A 2-byte match 256 back is still a copy.
      {"pair 256 back", pair + filler.substr(0, 254) + pair,
       StreamBuilder().Literals(pair + filler.substr(0, 254)).Copy(2, 256).End().Bytes()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToHex(ImplodeBytes(c.data).bytes), ToHex(c.expected));
  }
}

TEST(ImplodeImplode, RefusedParametersTouchNoCallback) {
  struct Case {
    std::uint32_t literalMode;
    std::uint32_t dictionarySize;
    unsigned code;
  } const cases[] = {{0, 3000, 1}, {2, 4096, 2}, {2, 3000, 1}, {0, 0, 1}, {0, 8192, 1}, {1, 512, 1}, {7, 1024, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.literalMode << "/" << c.dictionarySize);
    const auto result = Implode("abc", c.literalMode, c.dictionarySize);
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(result.readRequests.empty());
    EXPECT_TRUE(result.writeSizes.empty());
  }
}

TEST(ImplodeImplode, ReadsAskForWhatTheBlockLacks) {
  const std::string data = streamtest::ProjectText(4096, 2);
  const auto whole = Implode(data);
  EXPECT_EQ(whole.readRequests, (Sizes{4096, 4096}));  // one full block, then the end
  EXPECT_EQ(ExplodeBytes(whole.output).bytes, data);
  const auto trickled = Implode(data, 0, 4096, 1000);
  EXPECT_EQ(trickled.readRequests, (Sizes{4096, 3096, 2096, 1096, 96, 4096}));
  EXPECT_EQ(trickled.output, whole.output);
  const auto empty = Implode("");
  EXPECT_EQ(empty.readRequests, Sizes{4096});
  EXPECT_EQ(empty.writeSizes, Sizes{4});
}

TEST(ImplodeImplode, StreamLeavesInBlocksOf2048) {
  const std::string data = streamtest::RandomBytes(100000, 9);
  const auto result = Implode(data, 0, 2048, 777);
  ASSERT_GT(result.writeSizes.size(), 2u);
  for (std::size_t i = 0; i + 1 < result.writeSizes.size(); ++i) EXPECT_EQ(result.writeSizes[i], 2048u);
  EXPECT_GT(result.writeSizes.back(), 0u);
  EXPECT_EQ(result.output.substr(0, 2), std::string("\x00\x05", 2));
  EXPECT_EQ(ExplodeBytes(result.output).bytes, data);
}

}  // namespace
