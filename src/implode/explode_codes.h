// Within implode/: the decompressor's two halves, shared by ExplodeStream and ExplodeInParallel.
// The codes are decoded into tokens, each a literal byte, a copy, or the stream's end; the
// window turns tokens into the bytes they stand for and writes those a block at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "implode/code_tables.h"
#include "implode/explode.h"

namespace implode::expansion {

// Output position where the window's history ends and a block is complete.
inline constexpr std::uint32_t kHistory = kExplodeBlockSize;
inline constexpr std::uint32_t kBlockEnd = 2 * kExplodeBlockSize;

// A code of at most 8 bits decodes with one lookup on the next 8 bits: each symbol fills every
// index whose low bits are its code.
template <std::size_t N>
constexpr std::array<std::uint8_t, 256> ShortCodeDecodeTable(const std::array<std::uint8_t, N>& bits,
                                                             const std::array<std::uint16_t, N>& values) {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t symbol = N; symbol-- > 0;) {
    for (std::uint32_t index = values[symbol]; index < 256; index += 1u << bits[symbol]) {
      table[index] = static_cast<std::uint8_t>(symbol);
    }
  }
  return table;
}

// The literal code is at most 13 bits long, so one lookup on the next 13 bits gives the byte (low
// 8 bits of the entry) and its code length (high 8 bits).
inline constexpr std::uint32_t kAsciiLookupBits = 13;
constexpr std::array<std::uint16_t, 1u << kAsciiLookupBits> AsciiDecodeTable() {
  std::array<std::uint16_t, 1u << kAsciiLookupBits> table{};
  for (std::uint32_t symbol = kLiteralCount; symbol-- > 0;) {
    for (std::uint32_t index = kAsciiCodeValues[symbol]; index < table.size();
         index += 1u << kAsciiCodeBits[symbol]) {
      table[index] = static_cast<std::uint16_t>(symbol | (kAsciiCodeBits[symbol] << 8));
    }
  }
  return table;
}

inline constexpr auto kLengthDecode = ShortCodeDecodeTable(kLengthCodeBits, kLengthCodeValues);
inline constexpr auto kDistanceDecode = ShortCodeDecodeTable(kDistanceCodeBits, kDistanceCodeValues);
inline constexpr auto kAsciiDecode = AsciiDecodeTable();

// Reads the stream's bits least significant first. The decoder always keeps the next 8 bits of the
// stream at hand after a step, so a step fails when it would leave fewer than 8 bits after it;
// only the end-of-stream code is allowed to end on the last byte. New input is requested only
// when a step needs a byte that no read has delivered yet, so reads happen exactly when the
// stream's bits run out, and never after the end-of-stream code.
class BitInput {
 public:
  BitInput(StreamReadCallback read, void* param, std::uint8_t* buffer, std::uint32_t count)
      : read_(read), param_(param), buffer_(buffer), count_(count) {
    bits_ = buffer[2];
    bitCount_ = 8;
    position_ = 3;
  }

  // The next bits of the stream; the low 8 are always valid, and all bitCount() of them.
  std::uint64_t Peek() const { return bits_; }
  std::uint32_t bitCount() const { return bitCount_; }

  // Loads whole bytes of the input already delivered, so that most tokens need no check at all.
  void TopUp() {
    if (bitCount_ < 40 && count_ - position_ >= 8) LoadEight();
  }

  // Drops n bits (at most 16), keeping 8 more at hand; false when the stream has ended first.
  bool Drop(std::uint32_t n) {
    if (bitCount_ < n + 8 && !Fill(n + 8)) return false;
    Skip(n);
    return true;
  }
  // Drops n bits known to be at hand with 8 more.
  void Skip(std::uint32_t n) {
    bits_ >>= n;
    bitCount_ -= n;
  }

 private:
  void LoadEight() {
    std::uint64_t word;
    std::memcpy(&word, buffer_ + position_, sizeof word);
    // Bits above bitCount_ then hold the start of the next byte, which a later load ORs again
    // with the same value: harmless.
    bits_ |= word << bitCount_;
    position_ += (63 - bitCount_) >> 3;
    bitCount_ |= 56;
  }

  bool Fill(std::uint32_t need) {
    while (bitCount_ < need) {
      if (position_ == count_) {
        std::uint32_t requested = kExplodeReadSize;
        const std::uint32_t got = read_(reinterpret_cast<char*>(buffer_), requested, param_);
        if (got == 0) return false;
        count_ = std::min(got, kExplodeReadSize);
        position_ = 0;
      }
      if (count_ - position_ >= 8) {
        LoadEight();
      } else {
        bits_ |= std::uint64_t{buffer_[position_++]} << bitCount_;
        bitCount_ += 8;
      }
    }
    return true;
  }

  StreamReadCallback read_;
  void* param_;
  std::uint8_t* buffer_;
  std::uint32_t count_;
  std::uint32_t position_;
  std::uint64_t bits_;
  std::uint32_t bitCount_;
};

// The longest token: flag, 7-bit length code, 8 extra bits, 8-bit distance code, 6 low bits;
// with 8 more bits at hand a token this long needs no check on the way.
inline constexpr std::uint32_t kLongestToken = 1 + 7 + 8 + 8 + 6;
inline constexpr std::uint32_t kEndSymbol = 773;
inline constexpr std::uint32_t kErrorSymbol = 774;

inline std::uint32_t LowBits(std::uint64_t value, std::uint32_t n) {
  return static_cast<std::uint32_t>(value & ((std::uint64_t{1} << n) - 1));
}

// One token: symbol 0-255 a literal; 256-772 a copy of symbol - 254 bytes from distance back;
// 773 the end-of-stream code; 774 a stream that ended or broke off in the token.
struct Token {
  std::uint32_t symbol;
  std::uint32_t distance;
};

// Decodes one token in the order its fields travel. Checked: every step may need input and fail
// (the tail of the stream). Unchecked: the whole longest token is already at hand.
template <bool kChecked>
inline Token DecodeToken(BitInput& in, const bool asciiLiterals, const std::uint32_t dictionaryBits) {
  const auto drop = [&in](const std::uint32_t n) {
    if constexpr (kChecked) {
      return in.Drop(n);
    } else {
      in.Skip(n);
      return true;
    }
  };
  constexpr Token kError{kErrorSymbol, 0};
  const bool isCopy = (in.Peek() & 1) != 0;
  if (!drop(1)) return kError;
  if (!isCopy) {
    if (!asciiLiterals) {
      const std::uint32_t literal = LowBits(in.Peek(), 8);
      if (!drop(8)) return kError;
      return {literal, 0};
    }
    std::uint32_t entry = kAsciiDecode[LowBits(in.Peek(), kAsciiLookupBits)];
    if (kChecked && (entry >> 8) > 8) {
      // Only 8 bits are sure to be at hand and the code is longer: drop the part that the first
      // 8 bits settle (4, 6 or 8 bits, by which of them are zero), then look at the whole code.
      const std::uint32_t low = LowBits(in.Peek(), 8);
      const std::uint32_t part = low != 0 ? ((low & 0x3F) != 0 ? 4 : 6) : 8;
      if (!in.Drop(part)) return kError;
      entry = kAsciiDecode[LowBits(LowBits(low, part) | (in.Peek() << part), kAsciiLookupBits)];
      if (!in.Drop((entry >> 8) - part)) return kError;
    } else if (!drop(entry >> 8)) {
      return kError;
    }
    return {entry & 0xFF, 0};
  }
  const std::uint32_t lengthCode = kLengthDecode[LowBits(in.Peek(), 8)];
  if (!drop(kLengthCodeBits[lengthCode])) return kError;
  std::uint32_t lengthIndex = kLengthBases[lengthCode];
  if (const std::uint32_t extraBits = kLengthExtraBits[lengthCode]; extraBits != 0) {
    lengthIndex += LowBits(in.Peek(), extraBits);
    // The end-of-stream code may end on the stream's very last byte.
    if (!drop(extraBits)) return lengthIndex == kEndLengthIndex ? Token{kEndSymbol, 0} : kError;
  }
  if (lengthIndex == kEndLengthIndex) return {kEndSymbol, 0};
  // A copy of 2 reaches 256 bytes back with 2 low bits; longer copies use the dictionary bits.
  const std::uint32_t high = kDistanceDecode[LowBits(in.Peek(), 8)];
  if (!drop(kDistanceCodeBits[high])) return kError;
  const std::uint32_t lowBits = lengthIndex == 0 ? 2 : dictionaryBits;
  const std::uint32_t distance = ((high << lowBits) | LowBits(in.Peek(), lowBits)) + 1;
  if (!drop(lowBits)) return kError;
  return {256 + lengthIndex, distance};
}

// Copies forward one byte after the other in effect, so a distance shorter than the length
// repeats a pattern. Eight at a time when the source stays behind what is being written.
inline void CopyMatch(std::uint8_t* destination, std::uint32_t distance, std::uint32_t length) {
  const std::uint8_t* source = destination - distance;
  if (distance >= 8) {
    for (std::uint32_t i = 0; i < length; i += 8) std::memcpy(destination + i, source + i, 8);
  } else if (distance == 1) {
    std::memset(destination, *source, length);
  } else {
    for (std::uint32_t i = 0; i < length; ++i) destination[i] = source[i];
  }
}



// Decodes the next token, checking each step only near the end of what has been read.
inline Token NextToken(BitInput& in, const bool asciiLiterals, const std::uint32_t dictionaryBits) {
  in.TopUp();
  return in.bitCount() >= kLongestToken + 8 ? DecodeToken<false>(in, asciiLiterals, dictionaryBits)
                                            : DecodeToken<true>(in, asciiLiterals, dictionaryBits);
}

// How a stream begins: its header checked and its first bytes read into the work area's input.
struct StreamStart {
  unsigned code;  // kStreamOk, or the header's fault
  std::uint32_t delivered = 0;
  bool asciiLiterals = false;
  std::uint32_t dictionaryBits = 0;
};

inline StreamStart ReadStreamStart(StreamReadCallback read, ExplodeWorkArea& work, void* param) {
  std::uint32_t requested = kExplodeReadSize;
  const std::uint32_t first =
      std::min(read(reinterpret_cast<char*>(work.input), requested, param), kExplodeReadSize);
  if (first <= 4) return {kStreamTooShort};
  const std::uint32_t literalMode = work.input[0];
  const std::uint32_t dictionaryBits = work.input[1];
  if (dictionaryBits < 4 || dictionaryBits > 6) return {kStreamBadDictionary};
  if (literalMode > 1) return {kStreamBadLiteralMode};
  return {kStreamOk, first, literalMode == 1, dictionaryBits};
}

// The output side: the bytes of each token go into the work area's window, and every complete
// block leaves through the write callback and stays behind as the history later copies reach.
class ExpansionWindow {
 public:
  ExpansionWindow(ExplodeWorkArea& work, StreamWriteCallback write, void* param)
      : window_(work.window), write_(write), param_(param) {}

  // False for the end-of-stream and error tokens, which end the expansion.
  bool Take(const Token token) {
    if (token.symbol < 256) {
      window_[position_++] = static_cast<std::uint8_t>(token.symbol);
    } else if (token.symbol < kEndSymbol) {
      const std::uint32_t length = token.symbol - 254;
      CopyMatch(window_ + position_, token.distance, length);
      position_ += length;
    } else {
      return false;
    }
    if (position_ >= kBlockEnd) {
      Write(window_ + kHistory, kExplodeBlockSize);
      std::memmove(window_, window_ + kExplodeBlockSize, position_ - kExplodeBlockSize);
      position_ -= kExplodeBlockSize;
    }
    return true;
  }

  // After the last token: what is left of the block, possibly nothing.
  void WriteRest() { Write(window_ + kHistory, position_ - kHistory); }

 private:
  void Write(const std::uint8_t* data, std::uint32_t size) { write_(reinterpret_cast<const char*>(data), size, param_); }

  std::uint8_t* const window_;
  StreamWriteCallback write_;
  void* param_;
  std::uint32_t position_ = kHistory;
};

inline unsigned ResultOf(const Token last) { return last.symbol == kEndSymbol ? kStreamOk : kStreamBadData; }

}  // namespace implode::expansion
