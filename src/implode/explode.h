// The decompressor: one implode stream in through the read callback, its expansion out through
// the write callback. All state lives in the caller's work area; nothing is allocated.
#pragma once

#include <cstdint>

#include "implode/stream_callbacks.h"

// Reads are always requests of this size.
inline constexpr std::uint32_t kExplodeReadSize = 2048;
// Output leaves in blocks of this size, then once more with the remainder (possibly 0 bytes).
inline constexpr std::uint32_t kExplodeBlockSize = 4096;

// The caller's work area. It must be zero-filled before the call (value-initialise it): the
// history starts as zeros, so a copy reaching before the first output byte yields zero bytes.
struct ExplodeWorkArea {
  // The previous 4096 output bytes, then the bytes decoded since the last write, then room for
  // the longest copy (518) starting at the last index before a write, plus 8 bytes that the
  // eight-at-a-time copy may overrun.
  std::uint8_t window[2 * kExplodeBlockSize + 517 + 8];
  std::uint8_t input[kExplodeReadSize];
};

// Expands one stream. Returns kStreamTooShort, kStreamBadDictionary or kStreamBadLiteralMode
// (checked in that order) before writing anything; kStreamBadData after writing every byte
// decoded before the stream broke off; kStreamOk after the end-of-stream code. Input after the
// end-of-stream code is neither read nor checked.
unsigned ExplodeStream(StreamReadCallback read, StreamWriteCallback write, ExplodeWorkArea& work,
                       void* param);
