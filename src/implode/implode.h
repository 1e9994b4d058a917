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
// A comparison may run up to 515 bytes past the input's end, and positions that far are entered
// into the chains (reading 8 bytes each) when a search looks ahead.
inline constexpr std::uint32_t kWindowSpare = 516;
inline constexpr std::uint32_t kSymbolCount = 774;     // 256 literals, 517 copy lengths, the end
// The match search follows chains of earlier positions that share their first 2, 3 or 8 bytes (by
// hash) with the current one.
inline constexpr std::uint32_t kChainLevels = 3;
inline constexpr std::uint32_t kChainBuckets = 8192;
// Chain links are kept per stream position modulo this ring, which holds every position a search
// can reach: the dictionary behind the current position and the longest match ahead of it.
inline constexpr std::uint32_t kChainRing = 8192;
}  // namespace implode

// The caller's work area; zero-fill it before the call (value-initialise it).
struct ImplodeWorkArea {
  // Bit count (flag included) and value of each symbol, and of each distance high part.
  std::uint8_t symbolBits[implode::kSymbolCount];
  std::uint16_t symbolCodes[implode::kSymbolCount];
  // Per chain level and hash, the most recent position entered (a 16-bit stream position); per
  // chain level and ring slot, how far back the position entered before it with the same hash
  // lies.
  std::uint16_t chainHeads[implode::kChainLevels][implode::kChainBuckets];
  std::uint16_t chainPrevious[implode::kChainLevels][implode::kChainRing];
  // Header and code bits waiting to leave; codes are stored four bytes at a time, so up to three
  // bytes past a full block wait there for the next one.
  std::uint8_t output[kImplodeWriteSize + 8];
  // Dictionary, carried lookahead and the current block; 16 bytes past the spare area let the
  // comparison read sixteen bytes at a time.
  std::uint8_t window[implode::kWindowSize + implode::kWindowSpare + 16];
};

// Compresses everything the read callback delivers. Returns kStreamBadDictionary for a size other
// than 1024, 2048 or 4096 (checked first) and kStreamBadLiteralMode for a mode other than 0 or 1,
// in both cases before any callback is called; otherwise kStreamOk after the last write.
unsigned ImplodeStream(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work,
                       void* param, std::uint32_t literalMode, std::uint32_t dictionarySize);
