// The stream codec over memory: bytes in, bytes and a result code out. For tests, tools and
// fuzzing; the conversion itself streams through files (packed/packed_file.h).
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

struct CodecResult {
  unsigned code = 0;      // 0 success; 1 dictionary; 2 literal mode; 3 short input; 4 bad data
  std::string bytes;      // the stream (implode) or the bytes decoded (explode), also on error
  bool tooLarge = false;  // explode only: the output passed the limit and expansion stopped
};

CodecResult ImplodeBytes(std::string_view data, std::uint32_t literalMode = 0,
                         std::uint32_t dictionarySize = 4096);
CodecResult ExplodeBytes(std::string_view stream,
                         std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());
