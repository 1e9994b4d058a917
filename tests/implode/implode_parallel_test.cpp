// The compressor split over threads against the one that is not: for every input, literal mode,
// dictionary size and number of threads, the same stream in the same writes. Segments are made
// small here, so that an input of a few hundred kilobytes is cut many times.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "implode/implode_parallel.h"
#include "stream_test_support.h"

namespace {

struct Split {
  streamtest::Written written;
  ImplodeSplitReport report;
  unsigned code = 0;
};

Split Compress(std::string_view data, const unsigned threads, const std::uint32_t mode = 0,
               const std::uint32_t dictionary = 4096, const std::uint64_t leastSegment = 16384,
               const bool patient = true) {
  const auto work = std::make_unique<ImplodeWorkArea>();
  Split split;
  ImplodeSplit how;
  how.threads = threads;
  how.leastSegment = leastSegment;
  how.patient = patient;
  split.code = ImplodeInParallel(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(),
                                 streamtest::RecordWrite, *work, &split.written, mode, dictionary, how, &split.report);
  return split;
}

// The stream and the sizes of its writes as the compressor that reads through a callback gives them.
void ExpectAsUnsplit(std::string_view data, const Split& split, const std::uint32_t mode = 0,
                     const std::uint32_t dictionary = 4096) {
  const streamtest::Recording unsplit = streamtest::Implode(data, mode, dictionary);
  ASSERT_EQ(split.code, kStreamOk);
  // Compared whole: a difference in streams this long is no use printed.
  EXPECT_TRUE(split.written.bytes == unsplit.output) << "the stream differs from the unsplit compressor's";
  EXPECT_EQ(split.written.sizes, unsplit.writeSizes);
}

// Device memory as a project's hex text holds it: lines of 32 values, long stretches of zeros,
// runs of FF, counters and noise.
std::string DeviceHex(const std::size_t size, const std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    const unsigned kind = random() % 8;
    streamtest::HexLineValues values{};
    for (unsigned i = 0; i < 32; ++i) {
      if (kind == 1) values[i] = 0xFF;
      if (kind == 2) values[i] = i;
      if (kind >= 5) values[i] = random() & 0xFF;
    }
    streamtest::AppendHexLine(text, values);
  }
  text.resize(size);
  return text;
}

TEST(ImplodeParallel, TheSameStreamInTheSameWritesForEveryModeAndDictionary) {
  const std::string text = streamtest::ProjectText(200000, 41);
  for (const std::uint32_t mode : {0u, 1u}) {
    for (const std::uint32_t dictionary : {1024u, 2048u, 4096u}) {
      SCOPED_TRACE(testing::Message() << mode << "/" << dictionary);
      const Split split = Compress(text, 3, mode, dictionary);
      ExpectAsUnsplit(text, split, mode, dictionary);
      EXPECT_GT(split.report.segments, 1u);
    }
  }
}

TEST(ImplodeParallel, TheSameStreamForEveryKindOfDataAndNumberOfThreads) {
  // Kinds whose parses meet soon after a cut, and kinds where they meet late or never.
  const std::string hex = DeviceHex(300000, 42);
  const std::string noise = streamtest::RandomBytes(200000, 43);
  const std::string runs = streamtest::Repetitive(200000);
  const std::string mixed = hex.substr(0, 70000) + noise.substr(0, 50000) + std::string(60000, '\0') + hex.substr(70000, 60000);
  for (const std::string* data : {&hex, &noise, &runs, &mixed}) {
    for (const unsigned threads : {2u, 4u, 8u}) {
      SCOPED_TRACE(testing::Message() << data->size() << " bytes, " << threads << " threads");
      ExpectAsUnsplit(*data, Compress(*data, threads));
      // Segments that are caught up with are taken over when the threads run unevenly.
      ExpectAsUnsplit(*data, Compress(*data, threads, 0, 4096, 16384, false));
    }
  }
}

TEST(ImplodeParallel, HexTextIsSplitAndItsSegmentsJoined) {
  // Where the parses meet, segments are joined: the stream is not the first segment's alone.
  const std::string hex = DeviceHex(400000, 44);
  const Split split = Compress(hex, 2);
  ExpectAsUnsplit(hex, split);
  EXPECT_GE(split.report.segments, 2u);
  EXPECT_GE(split.report.joined, 1u);
}

TEST(ImplodeParallel, SegmentsWhoseParsesNeverMeetLeaveTheWorkToTheFirst) {
  // One line of 77 bytes repeated: every token is a copy of 516, and a segment begun at a guessed
  // boundary stays out of step with the encoding before it to the end.
  std::string line = DeviceHex(75, 45) + "\r\n";
  std::string periodic;
  while (periodic.size() < 300000) periodic += line;
  const Split split = Compress(periodic, 2);
  ExpectAsUnsplit(periodic, split);
  EXPECT_GE(split.report.segments, 2u);
  EXPECT_EQ(split.report.joined, 0u);
}

TEST(ImplodeParallel, SizesAroundTheReadBlocksAndTheSmallestSplit) {
  const std::string hex = DeviceHex(40000, 46);
  // With segments of at least 8192 bytes the input is split from 16384 bytes on; a segment
  // begins at the third read block or later.
  for (const std::size_t size : {0u, 1u, 4096u, 8191u, 8192u, 12288u, 16383u, 16384u, 16385u, 20479u, 20480u,
                                 20481u, 24576u, 28672u, 32768u, 32769u, 40000u}) {
    SCOPED_TRACE(size);
    const std::string_view data = std::string_view(hex).substr(0, size);
    const Split split = Compress(data, 4, 0, 4096, 8192);
    ExpectAsUnsplit(data, split);
    EXPECT_EQ(split.report.segments > 1, size >= 16384);  // the first segments are made before any runs
  }
}

TEST(ImplodeParallel, ASegmentThatBeginsWithTheLastBlock) {
  // Past a short last block the window holds the block before's bytes at those places, and a
  // search compares them before its match is cut at the input's end. Here they continue a run of
  // A that ends the input, so candidates long before reach the longest match there and the oldest
  // wins. Random bytes elsewhere make every block start a token, so with a thread per read block a
  // segment begins at each from the third on, the last one's included, and each is joined.
  for (const std::size_t last : {1000u, 2500u}) {
    SCOPED_TRACE(last);
    const std::size_t size = 4 * 4096 + last;
    std::string data = streamtest::RandomBytes(size, 52);
    data.replace(3 * 4096 + last - 100, 700, 700, 'A');
    data.replace(size - 200, 200, 200, 'A');
    const Split split = Compress(data, 5, 0, 4096, 4096);
    ExpectAsUnsplit(data, split);
    EXPECT_GE(split.report.joined, 3u);  // at the third, fourth and last, and where threads split more
  }
}

TEST(ImplodeParallel, OneThreadOrAnInputTooSmallIsNotSplit) {
  const std::string hex = DeviceHex(100000, 47);
  const Split alone = Compress(hex, 1);
  ExpectAsUnsplit(hex, alone);
  EXPECT_EQ(alone.report.segments, 1u);
  const Split small = Compress(hex, 4, 0, 4096, 60000);
  ExpectAsUnsplit(hex, small);
  EXPECT_EQ(small.report.segments, 1u);
}

TEST(ImplodeParallel, RefusedParametersWriteNothing) {
  const std::string hex = DeviceHex(100000, 48);
  const Split dictionary = Compress(hex, 2, 7, 3000);
  EXPECT_EQ(dictionary.code, kStreamBadDictionary);  // checked first
  EXPECT_TRUE(dictionary.written.sizes.empty());
  const Split mode = Compress(hex, 2, 2, 4096);
  EXPECT_EQ(mode.code, kStreamBadLiteralMode);
  EXPECT_TRUE(mode.written.sizes.empty());
}

TEST(ImplodeParallel, AThrowingWriteLeavesOnceEveryThreadHasStopped) {
  // The writes of the first segment go to the caller; one that throws, early or once the other
  // segments are being joined, ends the call with the segments' memory released (the sanitizers
  // see a thread left running on it).
  const std::string hex = DeviceHex(600000, 49);
  const std::size_t writes = streamtest::Implode(hex).writeSizes.size();
  for (const int at : {0, 3, static_cast<int>(writes) / 2, static_cast<int>(writes) - 1}) {
    SCOPED_TRACE(at);
    const auto work = std::make_unique<ImplodeWorkArea>();
    streamtest::Written written;
    written.writesBeforeThrow = at;
    ImplodeSplit how;
    how.threads = 4;
    how.leastSegment = 16384;
    EXPECT_THROW(ImplodeInParallel(reinterpret_cast<const std::uint8_t*>(hex.data()), hex.size(),
                                   streamtest::RecordWrite, *work, &written, 0, 4096, how),
                 std::runtime_error);
    EXPECT_EQ(written.sizes.size(), static_cast<std::size_t>(at));
  }
}

}  // namespace
