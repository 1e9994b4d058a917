// Within implode/: the input's last stretch compressed before its place in the stream is known,
// so that it can be compressed while what comes before it is still being made.
//
// A token depends on the input, its position and where the read blocks end, and where the blocks
// end matters in one place only: at a block's last position the lazy step is not taken. A loose
// encoding takes it there too, so its tokens depend on the input alone: from any position both it
// and the true encoding have a token at, the two go on alike up to the first block end whose last
// position holds one of the loose encoding's lazy literals. Those are few, and are noted, as are
// enough token positions and code bits to tell where any block's first token begins.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "implode/implode_passes.h"

namespace implode {

struct LooseEncoding {
  const std::uint8_t* source = nullptr;  // the bytes encoded, at their stream positions
  std::uint64_t begin = 0;    // the first block read: a multiple of the block size, two or more blocks in
  std::uint64_t size = 0;     // the source's size: the stretch runs to its end
  std::uint64_t reached = 0;  // every token before this position is noted and coded
  std::uint32_t literalMode = 0;
  std::uint32_t dictionarySize = 0;
  std::vector<std::uint8_t> codes;  // from bit 0 on, and 8 bytes past the last code byte
  TokenLog log;
  // When given, hears of source bytes (from, size) that are compared and will not be read again.
  std::function<void(std::uint64_t from, std::uint64_t size)> compared;
};

// The first token at or after `position` and the code bits before it.
struct TokenMark {
  std::uint64_t position;
  std::uint64_t bits;
};

// Found from the nearest checkpoint by reading the tokens' codes; position must lie from the first
// checkpoint on and below `reached`.
TokenMark LooseMarkAt(const LooseEncoding& loose, std::uint64_t position);

// Encodes source[begin, size) loosely into `loose`, stopping at the start of a block once `stop` is
// set (`reached` then tells how far it got). Now and then `done` (when given) hears the position
// below which no byte is read any more. False when memory ran out.
bool EncodeLoose(const std::uint8_t* source, std::uint64_t begin, std::uint64_t size, std::uint32_t literalMode,
                 std::uint32_t dictionarySize, const std::atomic<bool>& stop, LooseEncoding& loose,
                 const std::function<void(std::uint64_t below)>& done = {});

}  // namespace implode
