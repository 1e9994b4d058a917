// What the decompressor and the compressor share: the callbacks through which they stream and
// the result codes they return. Neither touches a file; the caller's parameter reaches both
// callbacks unchanged.
#pragma once

#include <cstdint>

// Delivers between 0 and size bytes into buffer and returns how many; 0 means the input ended.
using StreamReadCallback = std::uint32_t (*)(char* buffer, std::uint32_t& size, void* param);
// Takes all size bytes (possibly 0). It cannot refuse: a caller that can fail notes it itself.
using StreamWriteCallback = void (*)(const char* buffer, std::uint32_t& size, void* param);

enum StreamResult : unsigned {
  kStreamOk = 0,
  kStreamBadDictionary = 1,   // dictionary byte not 4, 5, 6; or a size not 1024, 2048, 4096
  kStreamBadLiteralMode = 2,  // literal mode not 0 or 1
  kStreamTooShort = 3,        // the first read delivered 4 bytes or fewer
  kStreamBadData = 4,         // truncated or undecodable stream
};
