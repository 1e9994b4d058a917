// The compressor before its match search was made faster, kept for the differential test. Same
// contract as ImplodeStream; its work area is its own, so the current one may change freely.
#pragma once

#include <cstdint>

#include "implode/implode.h"

namespace referenceimplode {

// The caller's work area; zero-fill it before the call (value-initialise it).
struct ReferenceWorkArea {
  // Bit count (flag included) and value of each symbol, and of each distance high part.
  std::uint8_t symbolBits[implode::kSymbolCount];
  std::uint16_t symbolCodes[implode::kSymbolCount];
  // Prefix borders of the string at the current position, for the search of long matches.
  std::int16_t borders[implode::kLongestMatch];
  // Per pair hash, the index of its first entry still inside the dictionary.
  std::uint16_t hashHeads[implode::kPairHashCount];
  // Window offsets of the indexed positions, grouped by pair hash, ascending within a group.
  std::uint16_t sortedPositions[implode::kWindowSize];
  // The sixteen window bytes at each sorted position, side by side, so that a search sees how far
  // a candidate agrees with the current string without touching the window.
  alignas(16) std::uint8_t sortedPrefixes[implode::kWindowSize][16];
  // Per indexed window offset, its index in the sorted positions: where a search's candidates end.
  std::uint16_t sortedIndexOf[implode::kWindowSize];
  // Header and code bits waiting to leave.
  std::uint8_t output[kImplodeWriteSize + 2];
  // Dictionary, carried lookahead and the current block; 8 bytes past the spare area let the
  // comparison read eight bytes at a time.
  std::uint8_t window[implode::kWindowSize + implode::kWindowSpare + 8];
};

unsigned ReferenceImplodeStream(StreamReadCallback read, StreamWriteCallback write, ReferenceWorkArea& work,
                                void* param, std::uint32_t literalMode, std::uint32_t dictionarySize);

}  // namespace referenceimplode
