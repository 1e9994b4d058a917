// The compressor against the streams of the step-by-step search it replaced: for every input,
// literal mode, dictionary size and read pattern the streams must be the same to the byte. Each
// test's streams are pinned by one digest, recorded from that search (kept in the history as
// tests/implode/reference_implode.cpp, to be brought back should a digest need explaining).
// The inputs aim at the search's decisions: many candidates per pair, ties between equally long
// matches, matches of 516 and just below, periodic strings (long borders), and the block and
// lookahead edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "implode/implode.h"
#include "stream_test_support.h"

namespace {

struct Source {
  std::string_view input;
  std::size_t consumed = 0;
  std::uint32_t maxChunk = 0xFFFFFFFF;
  std::string output;
};

std::uint32_t Read(char* buffer, std::uint32_t& size, void* param) {
  auto& source = *static_cast<Source*>(param);
  std::size_t n = std::min<std::size_t>(size, source.input.size() - source.consumed);
  n = std::min<std::size_t>(n, source.maxChunk);
  std::copy_n(source.input.data() + source.consumed, n, buffer);
  source.consumed += n;
  return static_cast<std::uint32_t>(n);
}

void Write(const char* buffer, std::uint32_t& size, void* param) {
  static_cast<Source*>(param)->output.append(buffer, size);
}

std::string Current(std::string_view data, std::uint32_t mode, std::uint32_t dictionary, std::uint32_t chunk) {
  const auto work = std::make_unique<ImplodeWorkArea>();
  Source source{data, 0, chunk, {}};
  EXPECT_EQ(ImplodeStream(Read, Write, *work, &source, mode, dictionary), kStreamOk);
  return source.output;
}

// FNV-1a over every stream a test makes, with each stream's length, so one number pins them all.
class StreamDigest {
 public:
  void Add(std::string_view stream) {
    for (const char c : stream) Mix(static_cast<unsigned char>(c));
    for (std::size_t n = stream.size(), i = 0; i < 8; ++i, n >>= 8) Mix(static_cast<unsigned char>(n));
  }
  std::uint64_t value() const { return value_; }

 private:
  void Mix(unsigned char byte) { value_ = (value_ ^ byte) * 0x100000001B3ull; }
  std::uint64_t value_ = 0xCBF29CE484222325ull;
};

StreamDigest* digest = nullptr;

// Collects the streams of one test and compares their digest at its end.
class DigestCheck {
 public:
  explicit DigestCheck(std::uint64_t expected) : expected_(expected) { digest = &streams_; }
  ~DigestCheck() {
    EXPECT_EQ(streams_.value(), expected_) << "the compressor's streams differ from the step-by-step search's";
    digest = nullptr;
  }

 private:
  StreamDigest streams_;
  std::uint64_t expected_;
};

void ExpectSame(std::string_view data, std::uint32_t mode, std::uint32_t dictionary,
                std::uint32_t chunk = 0xFFFFFFFF) {
  digest->Add(Current(data, mode, dictionary, chunk));
}

void ExpectSameEverywhere(std::string_view data) {
  for (const std::uint32_t mode : {0u, 1u}) {
    for (const std::uint32_t dictionary : {1024u, 2048u, 4096u}) ExpectSame(data, mode, dictionary);
  }
}

// Lines of 32 hex values as a project's data blocks have them: mostly zeros, some all-ones, small
// counters, scattered arbitrary values, a block marker now and then.
std::string DataBlockText(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text;
  int block = 0;
  while (text.size() < size) {
    if (random() % 64 == 0) {
      text += "$?St$Bk?_#[" + std::to_string(block++) + "]\r\n";
      continue;
    }
    const unsigned kind = random() % 10;
    streamtest::HexLineValues values{};
    for (unsigned i = 0; i < 32 && kind >= 6; ++i) {
      const unsigned r = random() % 10;
      values[i] = r < 5 ? 0 : r < 6 ? 0xFF : r < 8 ? i : random() & 0xFF;
    }
    streamtest::AppendHexLine(text, values);
  }
  text.resize(size);
  return text;
}

std::string XmlText(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Prj Version=\"3.2\">\r\n";
  for (int id = 1; text.size() < size; ++id) {
    // The model is drawn before the name: the order the pinned digests were recorded with.
    const unsigned model = random() % 8;
    const unsigned name = random() % 64;
    text += "  <Comp ID=\"S" + std::to_string(id) + "\" Name=\"Unit" + std::to_string(name) + "\" Model=\"TQ5A-" +
            std::to_string(model) + "\">\r\n";
    for (int p = 0; p < 4; ++p) {
      text += "    <Param Key=\"Port" + std::to_string(p + 1) + "Baud\" Value=\"" +
              std::to_string(9600u << (random() % 4)) + "\"/>\r\n";
    }
    text += "  </Comp>\r\n";
  }
  text.resize(size);
  return text;
}

// Random bytes over a small alphabet: short matches everywhere, many of equal length.
std::string SmallAlphabet(std::size_t size, unsigned letters, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>('a' + random() % letters);
  return bytes;
}

// Pieces copied from earlier in the text, some bytes changed: matches of every length up to past
// 516, often several of the same length at different distances.
std::string MutatedCopies(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text = SmallAlphabet(64, 4, seed);
  while (text.size() < size) {
    const std::size_t back = 1 + random() % std::min<std::size_t>(text.size(), 4200);
    // The range is drawn before the length within it: the order the pinned digests were recorded with.
    const bool longPiece = random() % 4 == 0;
    const std::size_t length = 1 + random() % (longPiece ? 700 : 40);
    const std::size_t from = text.size() - back;
    for (std::size_t i = 0; i < length; ++i) {
      char c = text[from + i];  // may run into the bytes being copied: a periodic piece
      if (random() % 97 == 0) c = static_cast<char>('a' + random() % 6);
      text.push_back(c);
    }
  }
  text.resize(size);
  return text;
}

// A string of period p repeated, with a change every so often: borders of every length.
std::string Periodic(std::size_t size, std::size_t period, std::size_t changeEvery, std::uint32_t seed) {
  std::mt19937 random(seed);
  const std::string unit = SmallAlphabet(period, 3, seed);
  std::string text;
  while (text.size() < size) {
    text += unit;
    if (changeEvery != 0 && random() % changeEvery == 0) text.back() = static_cast<char>('x' + random() % 3);
  }
  text.resize(size);
  return text;
}

TEST(ImplodeDifferential, EdgeSizes) {
  const DigestCheck check(0xc50b7bc6350fbc3bull);
  const std::string hex = DataBlockText(20000, 11);
  const std::string run(20000, '\0');
  const std::string mixed = MutatedCopies(20000, 12);
  const std::size_t sizes[] = {0,    1,    2,    3,    4,    15,   16,   17,   515,  516,  517,
                               1031, 1032, 1033, 3579, 3580, 3581, 4095, 4096, 4097, 4611, 4612,
                               4613, 7675, 7676, 7677, 8191, 8192, 8193, 12288, 12289};
  for (const std::size_t size : sizes) {
    SCOPED_TRACE(size);
    ExpectSameEverywhere(std::string_view(hex).substr(0, size));
    ExpectSameEverywhere(std::string_view(run).substr(0, size));
    ExpectSameEverywhere(std::string_view(mixed).substr(0, size));
  }
}

TEST(ImplodeDifferential, ProjectText) {
  const DigestCheck check(0xef033960e5278d45ull);
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    ExpectSameEverywhere(DataBlockText(60000 + 977 * seed, seed));
    ExpectSameEverywhere(streamtest::ProjectText(40000 + 1231 * seed, seed));
  }
}

TEST(ImplodeDifferential, XmlRandomAndRuns) {
  const DigestCheck check(0xf6d7d6ca4439e328ull);
  ExpectSameEverywhere(XmlText(70000, 5));
  ExpectSameEverywhere(streamtest::RandomBytes(50000, 6));
  ExpectSameEverywhere(streamtest::Repetitive(30000));
  ExpectSameEverywhere(std::string(30000, 'a'));
  for (const std::size_t period : {1u, 2u, 3u, 5u, 7u, 31u, 258u, 515u, 516u, 517u, 1000u}) {
    SCOPED_TRACE(period);
    ExpectSameEverywhere(Periodic(20000, period, 0, 7));
    ExpectSameEverywhere(Periodic(20000, period, 3, 8));
  }
}

TEST(ImplodeDifferential, ManyEqualCandidates) {
  const DigestCheck check(0x7d3fd3e0124ff2c8ull);
  for (const unsigned letters : {2u, 3u, 4u, 16u}) {
    SCOPED_TRACE(letters);
    ExpectSameEverywhere(SmallAlphabet(30000, letters, letters));
  }
  for (std::uint32_t seed = 20; seed < 26; ++seed) {
    SCOPED_TRACE(seed);
    ExpectSameEverywhere(MutatedCopies(40000, seed));
  }
}

TEST(ImplodeDifferential, OldestOfSeveralLongestMatches) {
  const DigestCheck check(0x2c3611df87cba0d4ull);
  // A periodic piece P, then the first d bytes of P right before P itself, then P once more: at
  // the last P both earlier copies of P reach 516, and the position d before the middle one
  // agrees with P for d bytes, more when d is a multiple of the period. Between the segments
  // noise, so that each segment's matches stay its own.
  for (const std::size_t period : {1u, 7u, 64u}) {
    SCOPED_TRACE(period);
    const std::string unit = SmallAlphabet(period, 26, static_cast<std::uint32_t>(period));
    std::string piece;
    while (piece.size() < 600) piece += unit;
    piece.resize(600);
    std::string text;
    std::uint32_t seed = 50;
    for (std::size_t d = 2; d < 560; d += 11) {
      text += streamtest::RandomBytes(300, seed++);
      text += piece.substr(0, d) + piece;
      text += streamtest::RandomBytes(40, seed++);
      text += piece;
    }
    ExpectSame(text, 0, 4096);
    ExpectSame(text, 1, 2048);
  }
  // Runs of one byte about 516 long, each ended by another byte: whether an older run still holds
  // a whole match depends on where exactly it ends.
  std::string runs;
  for (std::size_t k = 505; k < 530; ++k) runs += std::string(k, 'z') + static_cast<char>('a' + k % 3);
  for (std::size_t k = 510; k < 522; ++k) runs += std::string(k, 'z') + 'y' + std::string(k + 90, 'z') + 'x';
  ExpectSameEverywhere(runs);
}

// Random pieces, runs and altered copies of earlier text over a small alphabet, with a random
// literal mode, dictionary size and read pattern.
std::string RandomMixture(std::uint32_t seed, std::uint32_t& mode, std::uint32_t& dictionary, std::uint32_t& chunk) {
  std::mt19937 random(seed);
  const bool large = random() % 4 == 0;
  const std::size_t size = large ? random() % 200000 : random() % 20000;
  const bool few = random() % 2 != 0;
  const unsigned letters = 1 + random() % (few ? 4 : 256);
  std::string text;
  while (text.size() < size) {
    const unsigned kind = random() % 5;
    if (kind == 0 || text.empty()) {
      const std::size_t n = 1 + random() % 300;
      for (std::size_t i = 0; i < n; ++i) text.push_back(static_cast<char>('a' + random() % letters));
    } else if (kind == 1) {
      const std::size_t n = 1 + random() % 2000;
      text.append(n, static_cast<char>('a' + random() % letters));
    } else {
      const std::size_t back = 1 + random() % std::min<std::size_t>(text.size(), 5000);
      const bool longPiece = random() % 3 == 0;
      const std::size_t n = 1 + random() % (longPiece ? 1200 : 30);
      const std::size_t from = text.size() - back;
      for (std::size_t i = 0; i < n; ++i) {
        char c = text[from + i];
        if (random() % 50 == 0) c = static_cast<char>('a' + random() % letters);
        text.push_back(c);
      }
    }
  }
  text.resize(size);
  mode = random() % 2;
  dictionary = 1024u << (random() % 3);
  const bool trickle = random() % 4 == 0;
  chunk = trickle ? 1 + random() % 5000 : 0xFFFFFFFF;
  return text;
}

TEST(ImplodeDifferential, RandomMixtures) {
  const DigestCheck check(0xd38b4ec01064e05eull);
  // Twenty of them; the slice includes one where how far back a run of one byte reaches decides
  // which of several 516-byte matches is the oldest.
  for (std::uint32_t i = 880; i < 900; ++i) {
    const std::uint32_t seed = 9 * 100003 + i;
    SCOPED_TRACE(seed);
    std::uint32_t mode = 0;
    std::uint32_t dictionary = 0;
    std::uint32_t chunk = 0;
    const std::string text = RandomMixture(seed, mode, dictionary, chunk);
    ExpectSame(text, mode, dictionary, chunk);
  }
}

TEST(ImplodeDifferential, MixedAndLarge) {
  const DigestCheck check(0x11ea62a27c01fcbcull);
  // Stretches of each kind one after the other, so the window holds several at once.
  std::string mixed;
  for (std::uint32_t i = 0; mixed.size() < 400000; ++i) {
    switch (i % 6) {
      case 0: mixed += DataBlockText(9000 + i * 37, i); break;
      case 1: mixed += XmlText(5000 + i * 11, i); break;
      case 2: mixed += streamtest::RandomBytes(700 + i, i); break;
      case 3: mixed += std::string(300 + i * 7, static_cast<char>(i)); break;
      case 4: mixed += MutatedCopies(6000, i); break;
      default: mixed += Periodic(3000, 1 + i % 600, 5, i); break;
    }
  }
  ExpectSame(mixed, 0, 4096);
  ExpectSame(mixed, 1, 1024);
  ExpectSame(std::string_view(mixed).substr(0, 150000), 1, 4096);
  ExpectSame(std::string_view(mixed).substr(0, 150000), 0, 2048);
  ExpectSame(DataBlockText(300000, 31), 0, 4096);
}

TEST(ImplodeDifferential, TricklingReads) {
  const DigestCheck check(0x853df3a32a161390ull);
  // Reads that deliver a few bytes at a time fill a block in many calls; the stream is the same.
  const std::string data = MutatedCopies(30000, 40) + DataBlockText(20000, 41);
  for (const std::uint32_t chunk : {1u, 7u, 516u, 1000u, 4095u}) {
    SCOPED_TRACE(chunk);
    ExpectSame(data, 0, 4096, chunk);
    ExpectSame(data, 1, 2048, chunk);
  }
}

}  // namespace
