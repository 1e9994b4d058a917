#include "stream_test_support.h"

#include <algorithm>
#include <memory>
#include <random>

#include "implode/code_tables.h"
#include "implode/explode.h"
#include "implode/implode.h"

namespace streamtest {
namespace {

struct Session {
  std::string_view input;
  std::size_t consumed = 0;
  std::uint32_t maxChunk = 0;
  Recording recording;
};

std::uint32_t Read(char* buffer, std::uint32_t& size, void* param) {
  auto& session = *static_cast<Session*>(param);
  session.recording.readRequests.push_back(size);
  const std::size_t n = std::min<std::size_t>({size, session.maxChunk, session.input.size() - session.consumed});
  std::copy_n(session.input.data() + session.consumed, n, buffer);
  session.consumed += n;
  session.recording.readsDelivered.push_back(static_cast<std::uint32_t>(n));
  return static_cast<std::uint32_t>(n);
}

void Write(const char* buffer, std::uint32_t& size, void* param) {
  auto& session = *static_cast<Session*>(param);
  session.recording.writeSizes.push_back(size);
  session.recording.output.append(buffer, size);
}

}  // namespace

Recording Explode(std::string_view stream, std::uint32_t maxChunk, Expander expand) {
  const auto work = std::make_unique<ExplodeWorkArea>();
  Session session{stream, 0, maxChunk, {}};
  session.recording.code = expand(Read, Write, *work, &session);
  return session.recording;
}

Recording Implode(std::string_view data, std::uint32_t literalMode, std::uint32_t dictionarySize,
                  std::uint32_t maxChunk) {
  const auto work = std::make_unique<ImplodeWorkArea>();
  Session session{data, 0, maxChunk, {}};
  session.recording.code = ImplodeStream(Read, Write, *work, &session, literalMode, dictionarySize);
  return session.recording;
}

StreamBuilder::StreamBuilder(std::uint32_t literalMode, std::uint32_t dictionaryBits)
    : literalMode_(literalMode), dictionaryBits_(dictionaryBits) {}

void StreamBuilder::Put(std::uint32_t bitCount, std::uint32_t value) {
  for (std::uint32_t i = 0; i < bitCount; ++i) bits_.push_back(((value >> i) & 1) != 0);
}

StreamBuilder& StreamBuilder::Literal(std::uint8_t byte) {
  Put(1, 0);
  if (literalMode_ == 0) {
    Put(8, byte);
  } else {
    Put(implode::kAsciiCodeBits[byte], implode::kAsciiCodeValues[byte]);
  }
  return *this;
}

StreamBuilder& StreamBuilder::Literals(std::string_view bytes) {
  for (const char byte : bytes) Literal(static_cast<std::uint8_t>(byte));
  return *this;
}

StreamBuilder& StreamBuilder::Copy(std::uint32_t length, std::uint32_t distance) {
  const std::uint32_t index = length - 2;
  std::uint32_t code = implode::kLengthCodeCount - 1;
  while (implode::kLengthBases[code] > index) --code;
  Put(1, 1);
  Put(implode::kLengthCodeBits[code], implode::kLengthCodeValues[code]);
  Put(implode::kLengthExtraBits[code], index - implode::kLengthBases[code]);
  const std::uint32_t lowBits = length == 2 ? 2 : dictionaryBits_;
  const std::uint32_t value = distance - 1;
  const std::uint32_t high = value >> lowBits;
  Put(implode::kDistanceCodeBits[high], implode::kDistanceCodeValues[high]);
  Put(lowBits, value & ((1u << lowBits) - 1));
  return *this;
}

StreamBuilder& StreamBuilder::End() {
  Put(1, 1);
  Put(7, 0);    // length code 15
  Put(8, 255);  // all extra bits set
  return *this;
}

std::string StreamBuilder::Bytes() const {
  std::string bytes{static_cast<char>(literalMode_), static_cast<char>(dictionaryBits_)};
  for (std::size_t i = 0; i < bits_.size(); i += 8) {
    unsigned byte = 0;
    for (std::size_t j = 0; j < 8 && i + j < bits_.size(); ++j) byte |= (bits_[i + j] ? 1u : 0u) << j;
    bytes.push_back(static_cast<char>(byte));
  }
  return bytes;
}

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (const char c : bytes) {
    if (!hex.empty()) hex.push_back(' ');
    hex.push_back(digits[static_cast<unsigned char>(c) >> 4]);
    hex.push_back(digits[static_cast<unsigned char>(c) & 15]);
  }
  return hex;
}

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

void AppendHexLine(std::string& text, const HexLineValues& values) {
  static const char digits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < values.size(); ++i) {
    text.push_back(digits[(values[i] >> 4) & 15]);
    text.push_back(digits[values[i] & 15]);
    text.push_back(i + 1 == values.size() ? '\r' : ' ');
  }
  text.push_back('\n');
}

std::string ProjectText(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    if (random() % 8 == 0) {
      // The key is drawn before the block number: the order the pinned digests were recorded with.
      const unsigned key = random() % 100;
      const unsigned block = random() % 40;
      text += "$?St$Bk?_#[" + std::to_string(block) + "]\r\nKey_" + std::to_string(key) + "=1\r\n";
      continue;
    }
    HexLineValues values;
    for (unsigned& value : values) value = random() % 4 == 0 ? random() & 0xFF : 0;
    AppendHexLine(text, values);
  }
  text.resize(size);
  return text;
}

std::string Repetitive(std::size_t size) {
  std::string bytes;
  for (std::size_t i = 0; bytes.size() < size; ++i) bytes += i % 3 == 0 ? "abcabcabcabc" : "xyz";
  bytes.resize(size);
  return bytes;
}

}  // namespace streamtest
