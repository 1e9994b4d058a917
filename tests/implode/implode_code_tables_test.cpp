// The code values derived from the code lengths must be the ones the format publishes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "implode/code_tables.h"

namespace {

using implode::CanonicalCodeValues;

TEST(ImplodeCodes, CanonicalRuleOnASmallCode) {
  // Lengths 2,1,3,3: canonical codes 10, 0, 110, 111; complements 01, 1, 001, 000; sent least
  // significant bit first, i.e. reversed: 10b, 1b, 100b, 000b.
  const std::array<std::uint8_t, 4> lengths = {2, 1, 3, 3};
  const std::array<std::uint16_t, 4> expected = {0x2, 0x1, 0x4, 0x0};
  EXPECT_EQ(CanonicalCodeValues(lengths), expected);
}

TEST(ImplodeCodes, LengthCodeValuesAreThePublishedOnes) {
  const std::array<std::uint16_t, 16> published = {0x05, 0x03, 0x01, 0x06, 0x0A, 0x02, 0x0C, 0x14,
                                                   0x04, 0x18, 0x08, 0x30, 0x10, 0x20, 0x40, 0x00};
  EXPECT_EQ(implode::kLengthCodeValues, published);
}

TEST(ImplodeCodes, DistanceCodeValuesAreThePublishedOnes) {
  const std::array<std::uint16_t, 64> published = {
      0x03, 0x0D, 0x05, 0x19, 0x09, 0x11, 0x01, 0x3E, 0x1E, 0x2E, 0x0E, 0x36, 0x16, 0x26, 0x06, 0x3A,
      0x1A, 0x2A, 0x0A, 0x32, 0x12, 0x22, 0x42, 0x02, 0x7C, 0x3C, 0x5C, 0x1C, 0x6C, 0x2C, 0x4C, 0x0C,
      0x74, 0x34, 0x54, 0x14, 0x64, 0x24, 0x44, 0x04, 0x78, 0x38, 0x58, 0x18, 0x68, 0x28, 0x48, 0x08,
      0xF0, 0x70, 0xB0, 0x30, 0xD0, 0x50, 0x90, 0x10, 0xE0, 0x60, 0xA0, 0x20, 0xC0, 0x40, 0x80, 0x00};
  EXPECT_EQ(implode::kDistanceCodeValues, published);
}

TEST(ImplodeCodes, AsciiCodeValuesOfTheExampleStream) {
  // 01 06 0E 93 11 F0 0F is "abc" in literal mode 1. Read least significant bit first after the
  // header: flag 0, 11100 ('a', 5 bits, value 0x07), flag 0, 011001 ('b', 6 bits, 0x26), flag 0,
  // 011000 ('c', 6 bits, 0x06).
  EXPECT_EQ(implode::kAsciiCodeBits['a'], 5);
  EXPECT_EQ(implode::kAsciiCodeValues['a'], 0x07);
  EXPECT_EQ(implode::kAsciiCodeBits['b'], 6);
  EXPECT_EQ(implode::kAsciiCodeValues['b'], 0x26);
  EXPECT_EQ(implode::kAsciiCodeBits['c'], 6);
  EXPECT_EQ(implode::kAsciiCodeValues['c'], 0x06);
  EXPECT_EQ(implode::kAsciiCodeValues[' '], 0x0F);  // the only 4-bit code: complement of 0000
}

template <std::size_t N>
void ExpectCompletePrefixCode(const std::array<std::uint8_t, N>& lengths, const std::array<std::uint16_t, N>& values) {
  std::uint32_t space = 0;  // in units of 2^-16
  for (std::size_t s = 0; s < N; ++s) space += 1u << (16 - lengths[s]);
  EXPECT_EQ(space, 1u << 16) << "the code lengths use up the code space";
  for (std::size_t a = 0; a < N; ++a) {
    for (std::size_t b = 0; b < N; ++b) {
      if (a == b || lengths[b] > lengths[a]) continue;
      const std::uint32_t mask = (1u << lengths[b]) - 1;
      EXPECT_NE(values[a] & mask, values[b]) << "code " << b << " is a prefix of code " << a;
    }
  }
}

TEST(ImplodeCodes, EveryCodeIsACompletePrefixCode) {
  ExpectCompletePrefixCode(implode::kLengthCodeBits, implode::kLengthCodeValues);
  ExpectCompletePrefixCode(implode::kDistanceCodeBits, implode::kDistanceCodeValues);
  ExpectCompletePrefixCode(implode::kAsciiCodeBits, implode::kAsciiCodeValues);
}

}  // namespace
