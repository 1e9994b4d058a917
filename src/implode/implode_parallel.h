// The compressor over input held whole in memory, on several threads. The stream, and the sizes of
// the writes that carry it, are ImplodeStream's to the byte: the input is cut into segments at read
// blocks, each encoded on a thread of its own from a guessed token boundary, and each is joined
// into the one before where the two encodings first start a block at the same position. Where
// they never do, the one before encodes on to the end itself. Every write happens on the calling
// thread.
#pragma once

#include <cstdint>

#include "implode/implode.h"

namespace implode {
struct LooseEncoding;
}

struct ImplodeSplit {
  unsigned threads = 1;  // at most this many segments, one thread each
  // The least input a segment is given; smaller inputs are split less or not at all.
  std::uint64_t leastSegment = std::uint64_t{1} << 20;
  // For tests: a segment that catches up with the one after it waits for it instead of taking
  // over its stretch, so that where segments join depends on the input alone.
  bool patient = false;
  // The input's last stretch encoded loosely beforehand, from bytes that may have stood elsewhere
  // (see loose_encoding.h): what of it the input still ends with is taken as it is, but where a
  // block end of this stream needs other tokens. It must stay as it is until the call returns.
  const implode::LooseEncoding* tail = nullptr;
};

// How one compression went, for tests and benchmarks.
struct ImplodeSplitReport {
  unsigned segments = 0;  // 1: not split
  unsigned joined = 0;    // segments whose codes made it into the stream, the first excepted
  unsigned adopted = 0;   // of those, pieces of the loose tail
};

// Compresses the size bytes at input. `work` (zero-filled) serves the first segment, or the whole
// input when it is not split; the other segments' work areas are allocated, and without memory for
// them the input is not split. Results as ImplodeStream's, the parameters checked before any write.
// An exception from the write callback leaves once every thread has stopped.
unsigned ImplodeInParallel(const std::uint8_t* input, std::uint64_t size, StreamWriteCallback write,
                           ImplodeWorkArea& work, void* param, std::uint32_t literalMode,
                           std::uint32_t dictionarySize, const ImplodeSplit& split,
                           ImplodeSplitReport* report = nullptr);
