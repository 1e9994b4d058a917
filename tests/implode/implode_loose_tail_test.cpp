// The split compressor given the input's last stretch encoded beforehand, from another file whose
// text before that stretch differs (as a staged project's does from the merged one's): for every
// kind of data and every shift of the stretch against the read blocks, the stream of the
// compressor that reads through a callback, in the same writes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "implode/implode_parallel.h"
#include "implode/loose_encoding.h"
#include "stream_test_support.h"

namespace {

const std::uint8_t* Bytes(std::string_view text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }

// The loose encoding of `source` from the block at `begin` on, run to its end.
std::unique_ptr<implode::LooseEncoding> Loose(std::string_view source, const std::uint64_t begin,
                                              const std::uint32_t mode = 0, const std::uint32_t dictionary = 4096) {
  auto loose = std::make_unique<implode::LooseEncoding>();
  const std::atomic<bool> stop{false};
  EXPECT_TRUE(implode::EncodeLoose(Bytes(source), begin, source.size(), mode, dictionary, stop, *loose));
  return loose;
}

// Compresses `data` on `threads` with the loose tail and checks it against the plain compressor;
// returns how many of the tail's pieces the stream took.
unsigned ExpectAsUnsplit(std::string_view data, const implode::LooseEncoding& tail, const unsigned threads,
                         const std::uint32_t mode = 0, const std::uint32_t dictionary = 4096) {
  const auto work = std::make_unique<ImplodeWorkArea>();
  streamtest::Written written;
  ImplodeSplit how;
  how.threads = threads;
  how.leastSegment = 16384;
  how.tail = &tail;
  ImplodeSplitReport report;
  EXPECT_EQ(ImplodeInParallel(Bytes(data), data.size(), streamtest::RecordWrite, *work, &written, mode, dictionary,
                              how, &report),
            kStreamOk);
  const streamtest::Recording plain = streamtest::Implode(data, mode, dictionary);
  // Compared whole: a difference in streams this long is no use printed.
  EXPECT_TRUE(written.bytes == plain.output) << "the stream differs from the plain compressor's";
  EXPECT_EQ(written.sizes, plain.writeSizes);
  return report.adopted;
}

// Program text as a project's sections after its data blocks hold it: short lines, much alike.
std::string ProgramText(const std::size_t size) {
  std::string text;
  for (unsigned rung = 0; text.size() < size; ++rung) {
    text += "      (* rung " + std::to_string(rung) + " *)\r\n";
    for (unsigned i = 0; i < 8; ++i) {
      const unsigned n = rung * 8 + i;
      text += "      LD X" + std::to_string(n % 1000) + "; AND X" + std::to_string((n * 7) % 64) + "; OUT Y" +
              std::to_string(n % 32) + ";\r\n";
    }
  }
  text.resize(size);
  return text;
}

TEST(ImplodeLooseTail, TheSameStreamForEveryShiftOfTheTailAgainstTheBlocks) {
  const std::string head = streamtest::ProjectText(120000, 51);
  const std::string tail = ProgramText(400000) + streamtest::ProjectText(200000, 52);
  const std::string staged = head.substr(0, 100000) + tail;
  // The loose encoding begins in the tail, its first block a multiple of the block size.
  const auto loose = Loose(staged, 28 * 4096);
  for (const std::size_t headSize : {100000u, 99999u, 100001u, 99484u, 100515u, 100516u, 100517u, 98305u, 104096u,
                                     120000u, 61234u}) {
    SCOPED_TRACE(headSize);
    const std::string merged = head.substr(0, headSize) + tail;
    for (const unsigned threads : {2u, 3u}) {
      SCOPED_TRACE(threads);
      EXPECT_GE(ExpectAsUnsplit(merged, *loose, threads), 1u);
    }
  }
}

TEST(ImplodeLooseTail, TheSameStreamForEveryKindOfDataModeAndDictionary) {
  // Noisy hex takes a lazy literal at many positions, so many pieces end at a block's last one.
  const std::string hex = streamtest::ProjectText(300000, 53);
  const std::string noise = streamtest::RandomBytes(200000, 54);
  const std::string runs = streamtest::Repetitive(200000);
  for (const std::string* tail : {&hex, &noise, &runs}) {
    for (const std::uint32_t mode : {0u, 1u}) {
      for (const std::uint32_t dictionary : {1024u, 4096u}) {
        SCOPED_TRACE(testing::Message() << tail->size() << " bytes, " << mode << "/" << dictionary);
        const std::string staged = std::string(30000, 'x') + *tail;
        const auto loose = Loose(staged, 16 * 4096, mode, dictionary);
        ExpectAsUnsplit(std::string(33333, 'y') + *tail, *loose, 2, mode, dictionary);
      }
    }
  }
}

TEST(ImplodeLooseTail, OnlyWhatTheInputEndsWithAlikeIsTaken) {
  const std::string tail = ProgramText(500000);
  const std::string staged = std::string(50000, 'a') + tail;
  const auto loose = Loose(staged, 16 * 4096);
  // A byte changed inside the tail, as a replaced device entry would be: pieces after it only.
  std::string changed = std::string(50001, 'b') + tail;
  changed[300000] ^= 1;
  EXPECT_GE(ExpectAsUnsplit(changed, *loose, 2), 1u);
  // A byte changed near the end: nothing is taken.
  std::string late = std::string(50001, 'b') + tail;
  late[late.size() - 100] ^= 1;
  EXPECT_EQ(ExpectAsUnsplit(late, *loose, 2), 0u);
  // Another input altogether, and another literal mode: nothing is taken.
  EXPECT_EQ(ExpectAsUnsplit(streamtest::ProjectText(400000, 55), *loose, 2), 0u);
  const auto ascii = Loose(staged, 16 * 4096, 1);
  EXPECT_EQ(ExpectAsUnsplit(std::string(50001, 'b') + tail, *ascii, 2), 0u);
}

TEST(ImplodeLooseTail, AnEncodingStoppedEarlyServesAsFarAsItGot) {
  const std::string tail = ProgramText(3000000);
  const std::string staged = std::string(70000, 'a') + tail;
  const std::string merged = std::string(65432, 'b') + tail;
  {
    // Stopped before its first block: nothing to take.
    auto loose = std::make_unique<implode::LooseEncoding>();
    const std::atomic<bool> stop{true};
    ASSERT_TRUE(implode::EncodeLoose(Bytes(staged), 32 * 4096, staged.size(), 0, 4096, stop, *loose));
    EXPECT_LT(loose->reached, 32u * 4096);
    EXPECT_EQ(ExpectAsUnsplit(merged, *loose, 2), 0u);
  }
  // Stopped from another thread wherever it has got to.
  for (const int microseconds : {200, 2000, 20000}) {
    SCOPED_TRACE(microseconds);
    auto loose = std::make_unique<implode::LooseEncoding>();
    std::atomic<bool> stop{false};
    std::thread stopper([&stop, microseconds] {
      std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
      stop = true;
    });
    ASSERT_TRUE(implode::EncodeLoose(Bytes(staged), 32 * 4096, staged.size(), 0, 4096, stop, *loose));
    stopper.join();
    ExpectAsUnsplit(merged, *loose, 2);
  }
}

TEST(ImplodeLooseTail, MarksFoundFromCheckpointsAreTokenStarts) {
  // Every position's mark is a token start at or after it, and the code bits up to it decode to
  // the bytes before it: the marks are checked against a plain walk over all tokens.
  // Ending in a run, whose copies of 516 cover whole checkpoint stretches past the last one.
  const std::string staged =
      std::string(40000, 'q') + ProgramText(200000) + streamtest::ProjectText(100000, 56) + std::string(5000, '\0');
  const auto loose = Loose(staged, 12 * 4096);
  const std::vector<implode::TokenLog::Checkpoint>& checkpoints = loose->log.checkpoints;
  ASSERT_GT(checkpoints.size(), 100u);
  for (std::size_t i = 1; i < checkpoints.size(); ++i) {
    EXPECT_GE(checkpoints[i].position, checkpoints[0].position + i * loose->log.granule);
    EXPECT_GE(checkpoints[i].bits, checkpoints[i - 1].bits);  // one long copy may stand for several
  }
  ASSERT_EQ(loose->reached, staged.size());
  for (std::uint64_t p = checkpoints.front().position; p < loose->reached; p += 97) {
    const implode::TokenMark mark = implode::LooseMarkAt(*loose, p);
    EXPECT_GE(mark.position, p);
    EXPECT_LT(mark.position, p + 516);
    EXPECT_LE(mark.position, loose->reached);
    // A checkpoint's own position gives its own mark.
    const std::size_t index = (p - checkpoints.front().position) / loose->log.granule;
    if (index < checkpoints.size() && checkpoints[index].position >= p) {
      EXPECT_EQ(mark.bits, checkpoints[index].bits);
    }
  }
}

}  // namespace
