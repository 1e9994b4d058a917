#include "implode/codec_memory.h"

#include <algorithm>
#include <memory>

#include "implode/explode.h"
#include "implode/implode.h"

namespace {

struct MemoryStream {
  std::string_view input;
  std::size_t consumed = 0;
  CodecResult result;
  std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
};

std::uint32_t ReadMemory(char* buffer, std::uint32_t& size, void* param) {
  auto& stream = *static_cast<MemoryStream*>(param);
  if (stream.result.tooLarge) return 0;
  const std::size_t n = std::min<std::size_t>(size, stream.input.size() - stream.consumed);
  std::copy_n(stream.input.data() + stream.consumed, n, buffer);
  stream.consumed += n;
  return static_cast<std::uint32_t>(n);
}

// Keeps at most limit bytes; past it the result is too large and nothing more is taken.
void WriteMemory(const char* buffer, std::uint32_t& size, void* param) {
  auto& stream = *static_cast<MemoryStream*>(param);
  if (stream.result.tooLarge) return;
  const std::uint64_t room = stream.limit - stream.result.bytes.size();
  if (size > room) {
    stream.result.bytes.append(buffer, static_cast<std::size_t>(room));
    stream.result.tooLarge = true;
    return;
  }
  stream.result.bytes.append(buffer, size);
}

}  // namespace

CodecResult ImplodeBytes(std::string_view data, std::uint32_t literalMode, std::uint32_t dictionarySize) {
  const auto work = std::make_unique<ImplodeWorkArea>();
  MemoryStream stream;
  stream.input = data;
  stream.result.code = ImplodeStream(ReadMemory, WriteMemory, *work, &stream, literalMode, dictionarySize);
  return std::move(stream.result);
}

CodecResult ExplodeBytes(std::string_view stream, std::uint64_t limit) {
  const auto work = std::make_unique<ExplodeWorkArea>();
  MemoryStream memory;
  memory.input = stream;
  memory.limit = limit;
  memory.result.code = ExplodeStream(ReadMemory, WriteMemory, *work, &memory);
  return std::move(memory.result);
}
