// Within implode/: the compressor's passes from any read block on, so that a stream can be
// encoded a stretch at a time on several threads and the stretches joined (implode_parallel.cpp).
// From a position where two encodings both have a token boundary at the start of a pass, their
// tokens are the same: a token depends only on the input, its position and where the blocks end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "implode/implode.h"

namespace implode {

// Bits from..to of bytes, least significant first within a byte.
struct BitRange {
  const std::uint8_t* bytes;
  std::uint64_t from;
  std::uint64_t to;
};

// What a watch decides at the start of a pass. With a splice, its bits are put after the codes so
// far and finish the stream (they hold its end code); either way, when `stop` is set the last
// byte is filled up with zero bits and handed on, and no more is read.
struct PassStop {
  bool stop = false;
  const BitRange* splice = nullptr;
  std::size_t spliceCount = 0;
};

class PassWatch {
 public:
  // Before pass `pass` reads its block: the window offset of the next token, and every code bit
  // put so far (the header's included).
  virtual PassStop AtPass(std::uint64_t pass, std::uint32_t position, std::uint64_t bits) = 0;

 protected:
  ~PassWatch() = default;
};

// What a loose encoding notes (see loose_encoding.h): for every `granule` bytes of the stream, the
// first token that begins at or after its start, and where the lazy step chose a literal.
struct TokenLog {
  struct Checkpoint {
    std::uint64_t position;  // stream position of the token
    std::uint64_t bits;      // code bits put before it
  };
  std::uint64_t granule = 256;
  std::uint64_t nextCheckpoint = 0;  // the stream position the next checkpoint stands for
  std::vector<Checkpoint> checkpoints;
  std::vector<std::uint64_t> lazyLiterals;  // in order

  void Token(const std::uint64_t position, const std::uint64_t bits) {
    while (nextCheckpoint <= position) {
      checkpoints.push_back({position, bits});
      nextCheckpoint += granule;
    }
  }
  void LazyLiteral(const std::uint64_t position) { lazyLiterals.push_back(position); }
};

struct PassRun {
  // 0: the whole stream, header first. From 2 on: the codes from that pass on (no header), as the
  // whole stream's would be if a token began at the first position the pass may begin at
  // (dictionary size) — they are the same from the first pass start the two encodings share.
  std::uint64_t firstPass = 0;
  // From pass 2 on: where that pass's block begins in the input; the 8192 bytes before it are read.
  const std::uint8_t* history = nullptr;
  PassWatch* watch = nullptr;
  // From pass 2 on: the window offset of the first token when it is known (0: the dictionary
  // size, as above). The pass's first indexed position then follows from it as in the whole stream.
  std::uint32_t firstPosition = 0;
  // Loose: the lazy step is taken at every block's last position but the input's, and every token
  // is noted here. The tokens then do not depend on where the blocks end (see loose_encoding.h).
  TokenLog* log = nullptr;
};

struct PassRunResult {
  std::uint64_t bits;  // every code bit put, before the last byte was filled up
  bool ended;          // the stream's end code is among them
};

// Input held in memory that a stretch of passes reads, and where its codes go; ReadStretch and
// WriteStretch take it. WriteCodes appends codes to a std::vector<std::uint8_t>.
struct Stretch {
  const std::uint8_t* at;
  const std::uint8_t* end;
  StreamWriteCallback write;
  void* param;
};

inline std::uint32_t ReadStretch(char* buffer, std::uint32_t& size, void* param) {
  auto& stretch = *static_cast<Stretch*>(param);
  const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, stretch.end - stretch.at));
  std::memcpy(buffer, stretch.at, n);
  stretch.at += n;
  return n;
}

inline void WriteStretch(const char* buffer, std::uint32_t& size, void* param) {
  auto& stretch = *static_cast<Stretch*>(param);
  stretch.write(buffer, size, stretch.param);
}

inline void WriteCodes(const char* buffer, std::uint32_t& size, void* param) {
  auto& codes = *static_cast<std::vector<std::uint8_t>*>(param);
  codes.insert(codes.end(), buffer, buffer + size);
}

// The dictionary's code in the header: 4, 5 or 6; 0 for a size the compressor refuses.
std::uint32_t DictionaryBits(std::uint32_t dictionarySize);

// The parameters are the caller's to check (ImplodeStream's rules).
PassRunResult EncodePasses(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work, void* param,
                           std::uint32_t literalMode, std::uint32_t dictionarySize, const PassRun& run);

}  // namespace implode
