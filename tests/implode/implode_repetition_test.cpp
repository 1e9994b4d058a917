// The compressor on data that repeats: device memory as hex text (long lines of zeros), runs of
// one byte and of short periods, stretches that repeat across lines, and inputs long enough for
// the window to move past the 16-bit range of its positions many times. Its search takes
// shortcuts through such data (whole runs at once, keys where a repetition breaks); the streams
// must stay exactly those of the step-by-step search. Each test's streams are pinned by one
// digest, recorded from the step-by-step compressor of commit 0ff20b2 (the compressor of
// 8b60fef, before these shortcuts, gives the same).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "implode/codec_memory.h"
#include "implode/implode.h"

namespace {

struct Source {
  std::string_view input;
  std::size_t consumed = 0;
  std::uint32_t maxChunk = 0xFFFFFFFF;
  std::string output;
};

std::uint32_t Read(char* buffer, std::uint32_t& size, void* param) {
  auto& source = *static_cast<Source*>(param);
  const std::size_t n = std::min<std::size_t>({size, source.input.size() - source.consumed, source.maxChunk});
  std::copy_n(source.input.data() + source.consumed, n, buffer);
  source.consumed += n;
  return static_cast<std::uint32_t>(n);
}

void Write(const char* buffer, std::uint32_t& size, void* param) {
  static_cast<Source*>(param)->output.append(buffer, size);
}

// FNV-1a over every stream of a test, each followed by its length.
class Digest {
 public:
  void Add(std::string_view data, const std::uint32_t mode, const std::uint32_t dictionary,
           const std::uint32_t chunk = 0xFFFFFFFF) {
    const auto work = std::make_unique<ImplodeWorkArea>();
    Source source;
    source.input = data;
    source.maxChunk = chunk;
    ASSERT_EQ(ImplodeStream(Read, Write, *work, &source, mode, dictionary), kStreamOk);
    // The stream is sound on its own account too: it expands to the input.
    const CodecResult expanded = ExplodeBytes(source.output);
    ASSERT_EQ(expanded.code, kStreamOk);
    ASSERT_TRUE(expanded.bytes == data);
    for (const char c : source.output) Mix(static_cast<unsigned char>(c));
    for (std::size_t n = source.output.size(), i = 0; i < 8; ++i, n >>= 8) Mix(static_cast<unsigned char>(n));
  }
  void AddEverywhere(std::string_view data) {
    for (const std::uint32_t mode : {0u, 1u}) {
      for (const std::uint32_t dictionary : {1024u, 2048u, 4096u}) Add(data, mode, dictionary);
    }
  }
  std::uint64_t value() const { return value_; }

 private:
  void Mix(const unsigned char byte) { value_ = (value_ ^ byte) * 0x100000001B3ull; }
  std::uint64_t value_ = 0xCBF29CE484222325ull;
};

// Appends byte values as a data block shows them: two hex digits, 32 to a line, CR LF.
class HexLines {
 public:
  explicit HexLines(std::string& text) : text_(text) {}
  void Value(const unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    text_.push_back(digits[(value >> 4) & 15]);
    text_.push_back(digits[value & 15]);
    if (++inLine_ == 32) {
      text_ += "\r\n";
      inLine_ = 0;
    } else {
      text_.push_back(' ');
    }
  }

 private:
  std::string& text_;
  unsigned inLine_ = 0;
};

// Device memory: stretches of 00 up to `zeroRun` values, runs of FF, a few arbitrary values.
// One random draw per statement, so the data does not depend on the compiler.
std::string DeviceMemory(const std::size_t size, const std::uint32_t seed, const unsigned zeroRun) {
  std::mt19937 random(seed);
  std::string text;
  HexLines lines(text);
  while (text.size() < size) {
    const unsigned kind = random() % 16;
    if (kind < 9) {
      const unsigned count = 1 + random() % zeroRun;
      for (unsigned i = 0; i < count; ++i) lines.Value(0x00);
    } else if (kind < 11) {
      const unsigned count = 1 + random() % 32;
      for (unsigned i = 0; i < count; ++i) lines.Value(0xFF);
    } else {
      const unsigned count = 1 + random() % 24;
      for (unsigned i = 0; i < count; ++i) {
        const unsigned value = random() & 0xFF;
        lines.Value(value);
      }
    }
  }
  text.resize(size);
  return text;
}

// Runs of a short unit (1 to `longestUnit` bytes from a small alphabet) repeated to lengths of
// 1 to `longestRun`, with a few other bytes between them.
std::string Runs(const std::size_t size, const std::uint32_t seed, const unsigned longestUnit,
                 const unsigned longestRun) {
  std::mt19937 random(seed);
  std::string bytes;
  while (bytes.size() < size) {
    const unsigned unitLength = 1 + random() % longestUnit;
    std::string unit;
    for (unsigned i = 0; i < unitLength; ++i) {
      const unsigned letter = random() % 3;
      unit.push_back(static_cast<char>('a' + letter));
    }
    const unsigned length = 1 + random() % longestRun;
    for (unsigned i = 0; i < length; ++i) bytes.push_back(unit[i % unitLength]);
    const unsigned others = random() % 4;
    for (unsigned i = 0; i < others; ++i) {
      const unsigned value = random() % 256;
      bytes.push_back(static_cast<char>(value));
    }
  }
  bytes.resize(size);
  return bytes;
}

// Runs of each unit in turn, 1 to `longestRun` units long, with a few arbitrary bytes between them.
std::string UnitsBetweenNoise(const std::size_t size, const std::uint32_t seed,
                              const std::initializer_list<std::string_view> units, const unsigned longestRun) {
  std::mt19937 random(seed);
  std::string bytes;
  while (bytes.size() < size) {
    for (const std::string_view unit : units) {
      const unsigned length = 1 + random() % longestRun;
      for (unsigned i = 0; i < length; ++i) bytes += unit;
      const unsigned others = random() % 5;
      for (unsigned i = 0; i < others; ++i) {
        const unsigned value = random() % 256;
        bytes.push_back(static_cast<char>(value));
      }
    }
  }
  bytes.resize(size);
  return bytes;
}

TEST(ImplodeRepetition, DeviceMemory) {
  Digest digest;
  for (const unsigned zeroRun : {16u, 128u, 4096u}) {
    SCOPED_TRACE(zeroRun);
    digest.AddEverywhere(DeviceMemory(120000, zeroRun, zeroRun));
  }
  // Reads that deliver a few bytes at a time change nothing.
  digest.Add(DeviceMemory(60000, 7, 128), 0, 4096, 1000);
  digest.Add(DeviceMemory(60000, 8, 4096), 1, 2048, 517);
  EXPECT_EQ(digest.value(), 0xf783f4f3167ac216ull);
}

TEST(ImplodeRepetition, RunsOfShortUnits) {
  Digest digest;
  // Units of 1 to 4 bytes repeat as whole families; longer ones do not.
  for (const unsigned unit : {1u, 2u, 3u, 4u, 5u, 9u}) {
    for (const unsigned run : {40u, 600u, 3000u}) {
      SCOPED_TRACE(testing::Message() << unit << "/" << run);
      digest.AddEverywhere(Runs(40000, unit * 1000 + run, unit, run));
    }
  }
  // Runs of one byte just around 516 long, each ended by another byte, one after the other.
  std::string runs;
  for (std::size_t k = 500; k < 535; ++k) runs += std::string(k, 'z') + static_cast<char>('a' + k % 3);
  for (std::size_t k = 4080; k < 4100; k += 3) runs += std::string(k, 'z') + 'y';
  digest.AddEverywhere(runs);
  EXPECT_EQ(digest.value(), 0xbbbce871d5f5f0f5ull);
}

TEST(ImplodeRepetition, LinesThatRepeat) {
  Digest digest;
  // A line repeated with one value changed now and then: the repetition breaks once a line.
  std::mt19937 random(11);
  for (const std::size_t lineLength : {33u, 97u, 130u, 259u}) {
    SCOPED_TRACE(lineLength);
    std::string line(lineLength - 2, '0');
    for (std::size_t i = 2; i < line.size(); i += 3) line[i] = ' ';
    line += "\r\n";
    std::string text;
    while (text.size() < 60000) {
      std::string next = line;
      const unsigned change = random() % 8;
      if (change == 0) {
        const std::size_t at = random() % (lineLength - 2);
        const unsigned value = random() % 16;
        next[at] = "0123456789ABCDEF"[value];
      }
      text += next;
    }
    digest.AddEverywhere(text);
  }
  EXPECT_EQ(digest.value(), 0xddce5a327b48b7f7ull);
}

TEST(ImplodeRepetition, UnitsWhosePhasesHashAlike) {
  // Repeating stretches are entered into the chains at once, unless two phases of the unit share a
  // hash: then position by position. Two phases of 0C5, 1A  and 2E7 share one on the chain of 8
  // bytes, two of "5 7" on that of 3; those of 00 and FF do not. The digest comes from the
  // step-by-step compressor kept in the history as tests/implode/reference_implode.cpp (e8328cd^).
  Digest digest;
  for (const unsigned run : {6u, 60u, 700u}) {
    SCOPED_TRACE(run);
    digest.AddEverywhere(UnitsBetweenNoise(30000, run, {"0C5", "00 ", "1A ", "2E7", "FF ", "5 7"}, run));
  }
  digest.Add(UnitsBetweenNoise(50000, 9, {"0C5", "5 7", "0000", "abab", "x"}, 1200), 0, 4096, 700);
  EXPECT_EQ(digest.value(), 0xf189ddb134541c05ull);
}

TEST(ImplodeRepetition, LongInputs) {
  // Enough blocks for 16-bit stream positions to wrap around many times.
  Digest digest;
  const std::string memory = DeviceMemory(700000, 21, 128);
  digest.Add(memory, 0, 4096);
  digest.Add(memory, 1, 1024);
  const std::string runs = Runs(400000, 22, 3, 1500);
  digest.Add(runs, 0, 4096);
  digest.Add(runs, 0, 2048);
  digest.Add(std::string(300000, '\0'), 0, 4096);
  EXPECT_EQ(digest.value(), 0x4c38916f7c3a0bfcull);
}

}  // namespace
