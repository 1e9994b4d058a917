// The compressor: bytes in through the read callback, one implode stream out through the write
// callback. All state lives in the caller's work area; nothing is allocated. For a given input,
// literal mode and dictionary size the stream is fixed to the byte: the match search, the lazy
// step and the block handling below decide it.
#pragma once

#include <cstdint>

#include "implode/stream_callbacks.h"

// Input is read in blocks of this size (requests for what the block still lacks).
inline constexpr std::uint32_t kImplodeReadSize = 4096;
// The stream leaves in blocks of this size, then once more with the rest.
inline constexpr std::uint32_t kImplodeWriteSize = 2048;

namespace implode {
// The last bytes of a block wait, unencoded, for the next one: a match may run that far.
inline constexpr std::uint32_t kLookahead = 516;
inline constexpr std::uint32_t kLongestMatch = 516;
inline constexpr std::uint32_t kLargestDictionary = 4096;
inline constexpr std::uint32_t kWindowSize = kLargestDictionary + kLookahead + kImplodeReadSize;  // 8708
// A comparison may run up to 515 bytes past the input's end, and the pair hash of the last
// position reads one byte past it.
inline constexpr std::uint32_t kWindowSpare = 516;
inline constexpr std::uint32_t kPairHashCount = 2304;  // 4 * 255 + 5 * 255 = 2295 is the largest
inline constexpr std::uint32_t kSymbolCount = 774;     // 256 literals, 517 copy lengths, the end
}  // namespace implode

// The caller's work area; zero-fill it before the call (value-initialise it).
struct ImplodeWorkArea {
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

// Compresses everything the read callback delivers. Returns kStreamBadDictionary for a size other
// than 1024, 2048 or 4096 (checked first) and kStreamBadLiteralMode for a mode other than 0 or 1,
// in both cases before any callback is called; otherwise kStreamOk after the last write.
unsigned ImplodeStream(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work,
                       void* param, std::uint32_t literalMode, std::uint32_t dictionarySize);
