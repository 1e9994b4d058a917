// Arbitrary bytes compressed with the literal mode and dictionary named by the first byte must
// expand to exactly themselves. The empty input is the exception by design: its 4-byte stream
// is refused as too short.
#include <cstdint>
#include <string_view>

#include "fuzz_require.h"
#include "implode/codec_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint32_t literalMode = data[0] & 1;
  const std::uint32_t dictionarySize = 1024u << ((data[0] >> 1) % 3);
  const std::string_view payload(reinterpret_cast<const char*>(data) + 1, size - 1);

  const auto packed = ImplodeBytes(payload, literalMode, dictionarySize);
  Require(packed.code == 0, "parameters refused");
  Require(packed.bytes.size() >= 4, "stream shorter than header and end code");
  Require(static_cast<std::uint8_t>(packed.bytes[0]) == literalMode, "literal mode byte");
  const std::uint32_t dictionaryBits = dictionarySize == 1024 ? 4 : dictionarySize == 2048 ? 5 : 6;
  Require(static_cast<std::uint8_t>(packed.bytes[1]) == dictionaryBits, "dictionary byte");
  const auto expanded = ExplodeBytes(packed.bytes);
  if (payload.empty()) {
    Require(expanded.code == 3, "the empty stream is too short");
    return 0;
  }
  Require(expanded.code == 0, "stream not accepted");
  Require(expanded.bytes == payload, "expansion differs from the input");
  return 0;
}
