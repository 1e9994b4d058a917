// Within implode/: the compressor's passes from any read block on, so that a stream can be
// encoded a stretch at a time on several threads and the stretches joined (implode_parallel.cpp).
// From a position where two encodings both have a token boundary at the start of a pass, their
// tokens are the same: a token depends only on the input, its position and where the blocks end.
#pragma once

#include <cstddef>
#include <cstdint>

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

struct PassRun {
  // 0: the whole stream, header first. From 2 on: the codes from that pass on (no header), as the
  // whole stream's would be if a token began at the first position the pass may begin at
  // (dictionary size) — they are the same from the first pass start the two encodings share.
  std::uint64_t firstPass = 0;
  // From pass 2 on: where that pass's block begins in the input; the 8192 bytes before it are read.
  const std::uint8_t* history = nullptr;
  PassWatch* watch = nullptr;
};

struct PassRunResult {
  std::uint64_t bits;  // every code bit put, before the last byte was filled up
  bool ended;          // the stream's end code is among them
};

// The dictionary's code in the header: 4, 5 or 6; 0 for a size the compressor refuses.
std::uint32_t DictionaryBits(std::uint32_t dictionarySize);

// The parameters are the caller's to check (ImplodeStream's rules).
PassRunResult EncodePasses(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work, void* param,
                           std::uint32_t literalMode, std::uint32_t dictionarySize, const PassRun& run);

}  // namespace implode
