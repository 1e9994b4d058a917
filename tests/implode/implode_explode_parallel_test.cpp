// The decompressor on two threads against the one on one: the same reads, writes and result on
// streams long enough to fill the ring between them, whichever side is slower, and a callback's
// exception leaving only once both threads have stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "implode/codec_memory.h"
#include "implode/explode_parallel.h"
#include "stream_test_support.h"

namespace {

using streamtest::Recording;

void ExpectSameRecording(const Recording& expected, const Recording& actual) {
  EXPECT_EQ(actual.code, expected.code);
  EXPECT_EQ(actual.output.size(), expected.output.size());
  EXPECT_TRUE(actual.output == expected.output);
  EXPECT_EQ(actual.readRequests, expected.readRequests);
  EXPECT_EQ(actual.readsDelivered, expected.readsDelivered);
  EXPECT_EQ(actual.writeSizes, expected.writeSizes);
}

TEST(ImplodeExplodeParallel, LongStreamsReadAndWriteAsOnOneThread) {
  struct Case {
    const char* name;
    std::string data;
    std::uint32_t literalMode;
    std::uint32_t dictionarySize;
  } const cases[] = {
      {"project text", streamtest::ProjectText(3'000'000, 11), 0, 4096},
      {"project text, ascii literals, small dictionary", streamtest::ProjectText(1'500'000, 12), 1, 1024},
      {"random bytes", streamtest::RandomBytes(1'200'000, 13), 0, 2048},
      {"one long run", std::string(5'000'000, '0'), 0, 4096},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string stream = ImplodeBytes(c.data, c.literalMode, c.dictionarySize).bytes;
    const Recording one = streamtest::Explode(stream, 0xFFFFFFFF, ExplodeStream);
    ASSERT_EQ(one.code, 0u);
    ASSERT_TRUE(one.output == c.data);
    ExpectSameRecording(one, streamtest::Explode(stream, 0xFFFFFFFF, ExplodeInParallel));
    // Cut short, in its middle and one byte before its end: what was decoded, then the fault.
    for (const std::size_t cut : {stream.size() / 2, stream.size() - 1}) {
      SCOPED_TRACE(cut);
      const std::string truncated = stream.substr(0, cut);
      const Recording oneCut = streamtest::Explode(truncated, 0xFFFFFFFF, ExplodeStream);
      ASSERT_EQ(oneCut.code, 4u);
      ExpectSameRecording(oneCut, streamtest::Explode(truncated, 0xFFFFFFFF, ExplodeInParallel));
    }
  }
}

// A source and a target whose pace the test sets, and that can fail.
struct Paced {
  explicit Paced(std::string_view stream) : input(stream) {}
  std::string_view input;
  std::size_t consumed = 0;
  std::uint32_t maxChunk = 0xFFFFFFFF;
  int reads = 0;
  int failRead = 0;   // the read that throws (from 1); 0 for none
  int slowWrites = 0;  // every this many writes waits a while; 0 for none
  int failWrite = 0;  // the write that throws (from 1); 0 for none
  std::atomic<int> writes{0};
  std::string output;
};

std::uint32_t PacedRead(char* buffer, std::uint32_t& size, void* param) {
  auto& paced = *static_cast<Paced*>(param);
  if (++paced.reads == paced.failRead) throw std::runtime_error("read failed");
  const std::size_t n = std::min<std::size_t>({size, paced.maxChunk, paced.input.size() - paced.consumed});
  std::copy_n(paced.input.data() + paced.consumed, n, buffer);
  paced.consumed += n;
  return static_cast<std::uint32_t>(n);
}

void PacedWrite(const char* buffer, std::uint32_t& size, void* param) {
  auto& paced = *static_cast<Paced*>(param);
  const int write = ++paced.writes;
  if (write == paced.failWrite) throw std::runtime_error("write failed");
  if (paced.slowWrites != 0 && write % paced.slowWrites == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  paced.output.append(buffer, size);
}

TEST(ImplodeExplodeParallel, EitherSideMayBeTheSlowerOne) {
  const std::string data = streamtest::ProjectText(2'000'000, 21);
  const std::string stream = ImplodeBytes(data).bytes;
  const auto work = std::make_unique<ExplodeWorkArea>();
  {
    SCOPED_TRACE("a slow target: the ring fills up");
    Paced paced(stream);
    paced.slowWrites = 16;
    EXPECT_EQ(ExplodeInParallel(PacedRead, PacedWrite, *work, &paced), 0u);
    EXPECT_TRUE(paced.output == data);
  }
  {
    SCOPED_TRACE("a trickling source: the ring runs empty");
    Paced paced(stream);
    paced.maxChunk = 5;  // the header check needs 5 bytes from the first read
    *work = ExplodeWorkArea{};
    EXPECT_EQ(ExplodeInParallel(PacedRead, PacedWrite, *work, &paced), 0u);
    EXPECT_TRUE(paced.output == data);
  }
}

TEST(ImplodeExplodeParallel, AFailedReadLeavesOnceTheWritesHaveStopped) {
  const std::string data = streamtest::ProjectText(2'000'000, 31);
  const std::string stream = ImplodeBytes(data).bytes;
  const auto work = std::make_unique<ExplodeWorkArea>();
  Paced paced(stream);
  paced.failRead = 100;
  paced.slowWrites = 8;  // the writes lag behind: some are still owed when the read fails
  EXPECT_THROW(ExplodeInParallel(PacedRead, PacedWrite, *work, &paced), std::runtime_error);
  const int writes = paced.writes.load();
  const std::size_t written = paced.output.size();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(paced.writes.load(), writes);
  EXPECT_EQ(paced.output.size(), written);
  EXPECT_EQ(paced.reads, 100);
  // What was written is the expansion's beginning, block by block.
  EXPECT_EQ(written % 4096, 0u);
  EXPECT_TRUE(paced.output == data.substr(0, written));
}

TEST(ImplodeExplodeParallel, AFailedWriteStopsTheReadsSoon) {
  const std::string data = streamtest::RandomBytes(3'000'000, 41);
  const std::string stream = ImplodeBytes(data).bytes;
  const auto work = std::make_unique<ExplodeWorkArea>();
  Paced whole(stream);
  ASSERT_EQ(ExplodeInParallel(PacedRead, PacedWrite, *work, &whole), 0u);
  *work = ExplodeWorkArea{};
  Paced paced(stream);
  paced.failWrite = 10;
  EXPECT_THROW(ExplodeInParallel(PacedRead, PacedWrite, *work, &paced), std::runtime_error);
  EXPECT_EQ(paced.writes.load(), 10);
  EXPECT_TRUE(paced.output == data.substr(0, 9 * 4096));
  // The decoding runs at most the ring's length ahead of the writes, not to the stream's end.
  EXPECT_LT(paced.reads, whole.reads / 4);
}

}  // namespace
