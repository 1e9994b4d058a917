// Callbacks that record what the codec asks for and hands over, and a writer of streams token
// by token, so a test can state the stream it expects in the format's own terms.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "implode/explode.h"

namespace streamtest {

// What one codec call saw through its callbacks.
struct Recording {
  unsigned code = 0;
  std::string output;
  std::vector<std::uint32_t> readRequests;
  std::vector<std::uint32_t> readsDelivered;
  std::vector<std::uint32_t> writeSizes;
};

// What a compressor's writes handed over, gathered by RecordWrite (its write callback).
struct Written {
  std::string bytes;
  std::vector<std::uint32_t> sizes;
  int writesBeforeThrow = -1;  // throws at that write (from 0); -1 never
};

inline void RecordWrite(const char* buffer, std::uint32_t& size, void* param) {
  auto& written = *static_cast<Written*>(param);
  if (written.writesBeforeThrow == static_cast<int>(written.sizes.size())) throw std::runtime_error("write");
  written.bytes.append(buffer, size);
  written.sizes.push_back(size);
}

// ExplodeStream or a decompressor that must behave as it does.
using Expander = unsigned (*)(StreamReadCallback, StreamWriteCallback, ExplodeWorkArea&, void*);

// maxChunk: the most bytes one read delivers (a source that trickles).
Recording Explode(std::string_view stream, std::uint32_t maxChunk = 0xFFFFFFFF, Expander expand = ExplodeStream);
Recording Implode(std::string_view data, std::uint32_t literalMode = 0, std::uint32_t dictionarySize = 4096,
                  std::uint32_t maxChunk = 0xFFFFFFFF);

// Writes a stream field by field, least significant bit first, as the format prescribes.
class StreamBuilder {
 public:
  explicit StreamBuilder(std::uint32_t literalMode = 0, std::uint32_t dictionaryBits = 6);
  StreamBuilder& Literal(std::uint8_t byte);
  StreamBuilder& Literals(std::string_view bytes);
  StreamBuilder& Copy(std::uint32_t length, std::uint32_t distance);  // distance 1 = the byte before
  StreamBuilder& End();
  std::string Bytes() const;  // the last byte filled up with zero bits

 private:
  void Put(std::uint32_t bitCount, std::uint32_t value);
  std::uint32_t literalMode_;
  std::uint32_t dictionaryBits_;
  std::vector<bool> bits_;
};

std::string FromHex(std::string_view hex);  // "00 06 C2" -> bytes
std::string ToHex(std::string_view bytes);

// One line of a data block's hex text: 32 values, spaces between, CR LF after.
using HexLineValues = std::array<unsigned, 32>;
void AppendHexLine(std::string& text, const HexLineValues& values);

// Deterministic test data.
std::string RandomBytes(std::size_t size, std::uint32_t seed);
std::string ProjectText(std::size_t size, std::uint32_t seed);  // lines of hex values and keys, CR LF
std::string Repetitive(std::size_t size);

}  // namespace streamtest
