// The three fixed prefix codes of the stream: copy lengths, distance high parts and (in literal
// mode 1) literal bytes. Only the code lengths are data; the code values follow from them by one
// canonical rule, evaluated at compile time, so a table can never disagree with its lengths.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace implode {

inline constexpr std::size_t kLengthCodeCount = 16;
inline constexpr std::size_t kDistanceCodeCount = 64;
inline constexpr std::size_t kLiteralCount = 256;

// Bit counts of the length codes 0-15, their extra bits and the length index each one starts at
// (copy length = index + 2).
inline constexpr std::array<std::uint8_t, kLengthCodeCount> kLengthCodeBits = {
    3, 2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 7, 7};
inline constexpr std::array<std::uint8_t, kLengthCodeCount> kLengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
inline constexpr std::array<std::uint16_t, kLengthCodeCount> kLengthBases = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 14, 22, 38, 70, 134, 262};

// Bit counts of the distance codes, by high part 0-63.
inline constexpr std::array<std::uint8_t, kDistanceCodeCount> kDistanceCodeBits = {
    2, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};

// Bit counts of the literal code of literal mode 1, by byte value; frequent text characters
// (blank, lower-case letters) get the shortest codes.
inline constexpr std::array<std::uint8_t, kLiteralCount> kAsciiCodeBits = {
    11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,  // 0x00
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,  // 0x10
    4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,   // 0x20
    7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,  // 0x30
    12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,   // 0x40
    7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,   // 0x50
    12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,   // 0x60
    6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,  // 0x70
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0x80
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0x90
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0xA0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 0xB0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 0xC0
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // 0xD0
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,  // 0xE0
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 0xF0
};

// The canonical rule: symbols ordered by code length, then by value; the first gets the all-zero
// code of its length, each next one the previous code plus one, shifted left by the growth in
// length. What travels is the complement of that code, most significant bit first; since the
// stream is read from the least significant bit, the value kept here is the complement with its
// bits reversed, ready to be sent as the low `length` bits.
template <std::size_t N>
constexpr std::array<std::uint16_t, N> CanonicalCodeValues(const std::array<std::uint8_t, N>& lengths) {
  std::array<std::uint16_t, N> values{};
  std::uint32_t code = 0;
  std::uint32_t previousLength = 0;
  bool first = true;
  for (std::uint32_t length = 1; length <= 16; ++length) {
    for (std::size_t symbol = 0; symbol < N; ++symbol) {
      if (lengths[symbol] != length) continue;
      if (first) {
        code = 0;
        first = false;
      } else {
        code = (code + 1) << (length - previousLength);
      }
      previousLength = length;
      const std::uint32_t complement = ~code & ((1u << length) - 1);
      std::uint32_t reversed = 0;
      for (std::uint32_t bit = 0; bit < length; ++bit) {
        reversed |= ((complement >> bit) & 1u) << (length - 1 - bit);
      }
      values[symbol] = static_cast<std::uint16_t>(reversed);
    }
  }
  return values;
}

inline constexpr auto kLengthCodeValues = CanonicalCodeValues(kLengthCodeBits);
inline constexpr auto kDistanceCodeValues = CanonicalCodeValues(kDistanceCodeBits);
inline constexpr auto kAsciiCodeValues = CanonicalCodeValues(kAsciiCodeBits);

// Length index 517 (length code 15 with all eight extra bits set) ends the stream.
inline constexpr std::uint32_t kEndLengthIndex = 517;
inline constexpr std::uint32_t kMaxCopyLength = 518;

}  // namespace implode
