#include "implode/loose_encoding.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "implode/explode_codes.h"

namespace implode {
namespace {

using expansion::kAsciiDecode;
using expansion::kAsciiLookupBits;
using expansion::kDistanceDecode;
using expansion::kLengthDecode;

struct TokenSize {
  std::uint32_t bytes;
  std::uint32_t bits;
};

// The token whose code begins at `bit`: every code is at most 30 bits long.
TokenSize TokenAt(const std::vector<std::uint8_t>& codes, const std::uint64_t bit, const bool asciiLiterals,
                  const std::uint32_t dictionaryBits) {
  std::uint64_t word;
  std::memcpy(&word, codes.data() + bit / 8, sizeof word);
  word >>= bit % 8;
  if ((word & 1) == 0) {
    if (!asciiLiterals) return {1, 9};
    const std::uint32_t entry = kAsciiDecode[(word >> 1) & ((1u << kAsciiLookupBits) - 1)];
    return {1, 1 + (entry >> 8)};
  }
  std::uint32_t bits = 1;
  word >>= 1;
  const std::uint32_t lengthCode = kLengthDecode[word & 0xFF];
  const std::uint32_t codeBits = kLengthCodeBits[lengthCode];
  const std::uint32_t extraBits = kLengthExtraBits[lengthCode];
  word >>= codeBits;
  const std::uint32_t lengthIndex = kLengthBases[lengthCode] + static_cast<std::uint32_t>(word & ((1u << extraBits) - 1));
  word >>= extraBits;
  bits += codeBits + extraBits;
  bits += kDistanceCodeBits[kDistanceDecode[word & 0xFF]];
  bits += lengthIndex == 0 ? 2 : dictionaryBits;
  return {lengthIndex + 2, bits};
}

// Stops the encoding at a block's start once asked, noting where the next token would begin, and
// tells every 256 blocks how far the reading has gone.
class StopWatch final : public PassWatch {
 public:
  StopWatch(const std::atomic<bool>& stop, const std::uint32_t blockStart, std::uint64_t& reached,
            const std::function<void(std::uint64_t)>& done)
      : stop_(stop), blockStart_(blockStart), reached_(reached), done_(done) {}

  PassStop AtPass(const std::uint64_t pass, const std::uint32_t position, std::uint64_t) override {
    reached_ = pass * kImplodeReadSize - blockStart_ + position;
    // The window holds the two blocks before this one's.
    if (done_ && pass % 256 == 0 && pass >= 2) done_((pass - 2) * kImplodeReadSize);
    return PassStop{stop_.load(std::memory_order_relaxed)};
  }

 private:
  const std::atomic<bool>& stop_;
  const std::uint32_t blockStart_;
  std::uint64_t& reached_;
  const std::function<void(std::uint64_t)>& done_;
};

}  // namespace

TokenMark LooseMarkAt(const LooseEncoding& loose, const std::uint64_t position) {
  const std::uint64_t first = loose.log.checkpoints.front().position;
  // A token may cover a checkpoint's whole stretch and more: then the one before serves.
  const std::uint64_t index =
      std::min<std::uint64_t>(position <= first ? 0 : (position - first) / loose.log.granule,
                              loose.log.checkpoints.size() - 1);
  TokenMark mark{loose.log.checkpoints[index].position, loose.log.checkpoints[index].bits};
  const bool ascii = loose.literalMode == 1;
  const std::uint32_t dictionaryBits = DictionaryBits(loose.dictionarySize);
  while (mark.position < position) {
    const TokenSize token = TokenAt(loose.codes, mark.bits, ascii, dictionaryBits);
    mark.position += token.bytes;
    mark.bits += token.bits;
  }
  return mark;
}

bool EncodeLoose(const std::uint8_t* const source, const std::uint64_t begin, const std::uint64_t size,
                 const std::uint32_t literalMode, const std::uint32_t dictionarySize, const std::atomic<bool>& stop,
                 LooseEncoding& loose, const std::function<void(std::uint64_t)>& done) {
  loose.source = source;
  loose.begin = begin;
  loose.size = size;
  loose.literalMode = literalMode;
  loose.dictionarySize = dictionarySize;
  const std::uint32_t blockStart = dictionarySize + kLookahead;
  // The first token is guessed at the dictionary's end, the block's start less the lookahead.
  loose.log.nextCheckpoint = begin - kLookahead;
  loose.reached = loose.log.nextCheckpoint;
  try {
    const std::unique_ptr<ImplodeWorkArea> work(new ImplodeWorkArea());
    Stretch input{source + begin, source + size, WriteCodes, &loose.codes};
    StopWatch watch(stop, blockStart, loose.reached, done);
    const PassRunResult result = EncodePasses(ReadStretch, WriteStretch, *work, &input, literalMode, dictionarySize,
                                              PassRun{begin / kImplodeReadSize, source + begin, &watch, 0, &loose.log});
    if (result.ended) loose.reached = size;
    loose.codes.resize(loose.codes.size() + 8);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace implode
