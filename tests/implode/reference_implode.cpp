// A frozen copy of the compressor as it stood before its match search was made faster: the
// differential test holds the current compressor to this one's output, byte for byte.
#include "reference_implode.h"

#include <algorithm>
#include <cstring>

#include "implode/code_tables.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TQ_REFERENCE_SSE2 1
#endif

namespace referenceimplode {
namespace {

using namespace implode;

constexpr std::uint32_t kEndSymbol = 773;
constexpr std::uint32_t kFirstCopySymbol = 256;  // a copy of length L is symbol L + 254

std::uint32_t DictionaryBits(const std::uint32_t dictionarySize) {
  switch (dictionarySize) {
    case 1024: return 4;
    case 2048: return 5;
    case 4096: return 6;
    default: return 0;
  }
}

// Every symbol gets one prepared code, flag bit included: a literal is flag 0 and the byte (or its
// literal code); a copy is flag 1, the length code and its extra bits.
void PrepareSymbolCodes(ReferenceWorkArea& work, const std::uint32_t literalMode) {
  for (std::uint32_t byte = 0; byte < kLiteralCount; ++byte) {
    if (literalMode == 0) {
      work.symbolBits[byte] = 9;
      work.symbolCodes[byte] = static_cast<std::uint16_t>(byte << 1);
    } else {
      work.symbolBits[byte] = static_cast<std::uint8_t>(kAsciiCodeBits[byte] + 1);
      work.symbolCodes[byte] = static_cast<std::uint16_t>(kAsciiCodeValues[byte] << 1);
    }
  }
  std::uint32_t symbol = kFirstCopySymbol;
  for (std::uint32_t code = 0; code < kLengthCodeCount; ++code) {
    const std::uint32_t codeBits = kLengthCodeBits[code];
    const std::uint32_t extraBits = kLengthExtraBits[code];
    for (std::uint32_t extra = 0; extra < (1u << extraBits); ++extra, ++symbol) {
      work.symbolBits[symbol] = static_cast<std::uint8_t>(1 + codeBits + extraBits);
      work.symbolCodes[symbol] =
          static_cast<std::uint16_t>((extra << (codeBits + 1)) | (kLengthCodeValues[code] << 1) | 1u);
    }
  }
}

// Packs codes least significant bit first and hands the stream on in blocks of 2048 bytes; the
// header's two bytes open the first block.
class BitOutput {
 public:
  BitOutput(ReferenceWorkArea& work, StreamWriteCallback write, void* param, const std::uint32_t literalMode,
            const std::uint32_t dictionaryBits)
      : buffer_(work.output), write_(write), param_(param) {
    std::memset(buffer_, 0, sizeof work.output);
    buffer_[0] = static_cast<std::uint8_t>(literalMode);
    buffer_[1] = static_cast<std::uint8_t>(dictionaryBits);
    count_ = 2;
  }

  // n bits (at most 16) of value.
  void Put(const std::uint32_t n, const std::uint32_t value) {
    pending_ |= (value & ((1u << n) - 1)) << pendingBits_;
    pendingBits_ += n;
    while (pendingBits_ >= 8) {
      buffer_[count_++] = static_cast<std::uint8_t>(pending_);
      pending_ >>= 8;
      pendingBits_ -= 8;
      if (count_ == kImplodeWriteSize) {
        Hand(kImplodeWriteSize);
        count_ = 0;
      }
    }
  }

  // The byte in progress is filled up with zero bits; everything left leaves in one last write.
  void Finish() {
    if (pendingBits_ != 0) buffer_[count_++] = static_cast<std::uint8_t>(pending_);
    Hand(count_);
  }

 private:
  void Hand(std::uint32_t size) { write_(reinterpret_cast<const char*>(buffer_), size, param_); }

  std::uint8_t* buffer_;
  StreamWriteCallback write_;
  void* param_;
  std::uint32_t count_;
  std::uint32_t pending_ = 0;
  std::uint32_t pendingBits_ = 0;
};

// The sliding window and its pair-hash index. Offsets 0 to D - 1 hold the dictionary, D to
// D + 515 the lookahead carried from the previous block, and from D + 516 the block just read.
class Encoder {
 public:
  Encoder(ReferenceWorkArea& work, BitOutput& out, const std::uint32_t dictionarySize,
          const std::uint32_t dictionaryBits)
      : work_(work),
        window_(work.window),
        out_(out),
        dictionarySize_(dictionarySize),
        dictionaryBits_(dictionaryBits),
        dictionaryMask_((1u << dictionaryBits) - 1) {}

  // Counting sort of the positions first to last (both included) by pair hash. Afterwards each
  // hash head is the index of its group's first entry, and a group lists its positions in
  // ascending order, so a search meets the oldest candidate first.
  void Index(const std::uint32_t first, const std::uint32_t last) {
    std::uint16_t* const heads = work_.hashHeads;
    std::memset(heads, 0, sizeof work_.hashHeads);
    for (std::uint32_t p = first; p <= last; ++p) ++heads[PairHash(p)];
    std::uint32_t total = 0;
    for (std::uint32_t h = 0; h < kPairHashCount; ++h) {
      total += heads[h];
      heads[h] = static_cast<std::uint16_t>(total);
    }
    for (std::uint32_t p = last + 1; p-- > first;) {
      const std::uint32_t index = --heads[PairHash(p)];
      work_.sortedPositions[index] = static_cast<std::uint16_t>(p);
      std::memcpy(work_.sortedPrefixes[index], window_ + p, 16);
      work_.sortedIndexOf[p] = static_cast<std::uint16_t>(index);
    }
  }

  // Encodes from c up to the block end; c may end up to 515 bytes past it, inside a copy.
  void EncodeBlock(std::uint32_t& c, const std::uint32_t end, const bool inputEnded) {
    while (c < end) {
      std::uint32_t length = FindMatch(c);
      for (;;) {
        if (length == 0 || (length == 2 && distance_ >= 256)) {
          PutLiteral(c++);
          break;
        }
        if (inputEnded && c + length > end) {
          // The match ran into the bytes past the input's end.
          length = end - c;
          if (length < 2 || (length == 2 && distance_ >= 256)) {
            PutLiteral(c++);
          } else {
            PutCopy(length);
            c += length;
          }
          break;
        }
        if (length >= 8 || c + 1 >= end) {
          PutCopy(length);
          c += length;
          break;
        }
        // A short match: one byte later there may be a longer one that is worth a literal.
        const std::uint32_t keptLength = length;
        const std::uint32_t keptDistance = distance_;
        const std::uint32_t next = FindMatch(c + 1);
        if (next >= keptLength + 2 || (next == keptLength + 1 && keptDistance > 128)) {
          PutLiteral(c++);
          length = next;
          continue;
        }
        distance_ = keptDistance;
        PutCopy(keptLength);
        c += keptLength;
        break;
      }
    }
  }

 private:
  std::uint32_t PairHash(const std::uint32_t p) const { return 4u * window_[p] + 5u * window_[p + 1]; }

  void PutLiteral(const std::uint32_t p) {
    const std::uint32_t byte = window_[p];
    out_.Put(work_.symbolBits[byte], work_.symbolCodes[byte]);
  }

  // The copy's symbol, then the distance minus 1: its high part coded, its low bits plain (2 for a
  // copy of 2, the dictionary bits otherwise).
  void PutCopy(const std::uint32_t length) {
    const std::uint32_t symbol = length + 254;
    out_.Put(work_.symbolBits[symbol], work_.symbolCodes[symbol]);
    const std::uint32_t lowBits = length == 2 ? 2 : dictionaryBits_;
    const std::uint32_t high = distance_ >> lowBits;
    out_.Put(kDistanceCodeBits[high], kDistanceCodeValues[high]);
    out_.Put(lowBits, distance_ & (length == 2 ? 3u : dictionaryMask_));
  }

  // Bit i set when byte i of the sixteen kept for sorted entry `index` agrees with byte c + i;
  // bits 16 and up clear: the lowest clear bit is the agreeing length (16 when all agree).
  std::uint32_t AgreementMask(const std::uint32_t index, const std::uint32_t c) const {
#ifdef TQ_REFERENCE_SSE2
    const __m128i kept = _mm_load_si128(reinterpret_cast<const __m128i*>(work_.sortedPrefixes[index]));
    const __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window_ + c));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(kept, current))) & 0xFFFFu;
#else
    const std::uint8_t* const kept = work_.sortedPrefixes[index];
    std::uint32_t mask = 0;
    for (std::uint32_t i = 0; i < 16; ++i) mask |= (kept[i] == window_[c + i] ? 1u : 0u) << i;
    return mask;
#endif
  }

  // How many bytes agree from a and b on, at most limit.
  std::uint32_t CommonLength(const std::uint32_t a, const std::uint32_t b, const std::uint32_t limit) const {
    const std::uint8_t* const x = window_ + a;
    const std::uint8_t* const y = window_ + b;
    std::uint32_t n = 0;
    while (n + 8 <= limit) {
      std::uint64_t u;
      std::uint64_t v;
      std::memcpy(&u, x + n, 8);
      std::memcpy(&v, y + n, 8);
      if (u != v) return n + static_cast<std::uint32_t>(__builtin_ctzll(u ^ v)) / 8;
      n += 8;
    }
    while (n < limit && x[n] == y[n]) ++n;
    return n;
  }

  // Bytes equal at q and c, at most 516, of which the first `known` are known to be equal.
  std::uint32_t MatchLength(const std::uint32_t q, const std::uint32_t c, const std::uint32_t known) const {
    return known + CommonLength(q + known, c + known, kLongestMatch - known);
  }

  // Continues the prefix borders of the string at c up to index upTo, from where they stopped.
  void ExtendBorders(const std::uint32_t c, const std::uint32_t upTo) {
    std::int16_t* const borders = work_.borders;
    const std::uint8_t* const s = window_ + c;
    while (borderK_ < upTo) {
      if (s[borderK_] == s[borderM_]) {
        borders[++borderK_] = static_cast<std::int16_t>(++borderM_);
      } else {
        borderM_ = borders[borderM_];
        if (borderM_ == -1) {
          borderM_ = 0;
          borders[++borderK_] = 0;
        }
      }
    }
  }

  // The longest match at c among the indexed positions 2 to D - 1 bytes back; among equally long
  // ones the most recent. Its length (0 for none) is returned, its distance minus 1 kept.
  std::uint32_t FindMatch(const std::uint32_t c) {
    const std::uint16_t* const sorted = work_.sortedPositions;
    const std::uint32_t hash = PairHash(c);
    // Candidates that left the dictionary leave it for good: the head moves past them.
    std::uint32_t index = work_.hashHeads[hash];
    const std::uint32_t oldest = c - dictionarySize_ + 1;
    while (sorted[index] < oldest) ++index;
    work_.hashHeads[hash] = static_cast<std::uint16_t>(index);
    // The byte just before c is never a match start; c itself ends every group's scan.
    const std::uint32_t limit = c - 1;
    const std::uint8_t* const w = window_;
    std::uint32_t end = work_.sortedIndexOf[c];
    if (end > index && sorted[end - 1] == limit) --end;
    if (index >= end) return 0;

    // Oldest first. A candidate counts when it is at least as long as the best so far, so among
    // equally long ones the most recent wins; the first one longer than 10 hands over to the
    // scan for long matches, which no earlier candidate can influence. Up to that point every
    // length below 16 is read off the sixteen bytes kept beside each candidate, without touching
    // the window.
    std::uint32_t best = 0;
    std::uint32_t bestMask = 0;  // one bit per byte that a candidate must agree in to count
    std::uint32_t bestIndex = 0;
    std::uint32_t q = 0;
    for (;; ++index) {
      if (index == end) {
        if (best < 2) return 0;
        distance_ = c - sorted[bestIndex] - 1;
        return best;
      }
      const std::uint32_t agreement = AgreementMask(index, c);
      if ((agreement & bestMask) != bestMask) continue;  // falls short of the best
      const std::uint32_t agreed = static_cast<std::uint32_t>(__builtin_ctz(~agreement));
      if (agreed > 10) {
        q = sorted[index];
        best = agreed < 16 ? agreed : MatchLength(q, c, 16);
        distance_ = c - q - 1;
        break;
      }
      best = agreed;
      bestMask = (1u << agreed) - 1;
      bestIndex = index;
    }
    if (best == kLongestMatch || sorted[index + 1] >= limit) return best;

    // A long match: the borders of the string at c tell how much of it a later candidate can
    // share with the one just compared, so candidates that cannot beat the best are skipped.
    std::int16_t* const borders = work_.borders;
    borders[0] = -1;
    borders[1] = 0;
    borderK_ = 1;
    borderM_ = 0;
    ExtendBorders(c, best);
    std::uint32_t n = best;
    std::uint32_t e = q + best;
    for (;;) {
      n = static_cast<std::uint32_t>(std::max<std::int32_t>(borders[n], 0));
      do {
        q = sorted[++index];
        if (q >= limit) return best;
      } while (q + n < e);
      if (w[q + best - 2] == w[c + best - 2]) {
        if (q + n != e) {
          n = 0;
          e = q;
        }
      } else {
        do {
          q = sorted[++index];
          if (q >= limit) return best;
        } while (w[q + best - 2] != w[c + best - 2] || w[q] != w[c]);
        n = 2;
        e = q + 2;
      }
      // Extend while the bytes agree, up to the longest match.
      const std::uint32_t more = CommonLength(e, c + n, kLongestMatch - n);
      n += more;
      e += more;
      if (n < best) continue;
      distance_ = c - q - 1;
      if (n > best) {
        best = n;
        if (best == kLongestMatch) return best;
        ExtendBorders(c, best);
      }
    }
  }

  ReferenceWorkArea& work_;
  std::uint8_t* const window_;
  BitOutput& out_;
  const std::uint32_t dictionarySize_;
  const std::uint32_t dictionaryBits_;
  const std::uint32_t dictionaryMask_;
  std::uint32_t distance_ = 0;  // distance of the last match found, minus 1
  std::uint32_t borderK_ = 0;
  std::int32_t borderM_ = 0;
};

}  // namespace

unsigned ReferenceImplodeStream(StreamReadCallback read, StreamWriteCallback write, ReferenceWorkArea& work,
                       void* param, const std::uint32_t literalMode, const std::uint32_t dictionarySize) {
  const std::uint32_t dictionaryBits = DictionaryBits(dictionarySize);
  if (dictionaryBits == 0) return kStreamBadDictionary;
  if (literalMode > 1) return kStreamBadLiteralMode;

  PrepareSymbolCodes(work, literalMode);
  BitOutput out(work, write, param, literalMode, dictionaryBits);
  Encoder encoder(work, out, dictionarySize, dictionaryBits);
  std::uint8_t* const window = work.window;
  const std::uint32_t blockStart = dictionarySize + kLookahead;
  std::uint32_t c = blockStart;
  for (std::uint32_t pass = 0;; ++pass) {
    std::uint32_t received = 0;
    bool ended = false;
    while (received < kImplodeReadSize) {
      std::uint32_t requested = kImplodeReadSize - received;
      const std::uint32_t got =
          std::min(read(reinterpret_cast<char*>(window + blockStart + received), requested, param),
                   kImplodeReadSize - received);
      if (got == 0) {
        ended = true;
        break;
      }
      received += got;
    }
    if (ended && received == 0 && pass == 0) break;  // empty input: only the end code
    // While input goes on, the last 516 bytes read wait as lookahead for the next block.
    const std::uint32_t end = dictionarySize + received + (ended ? kLookahead : 0);
    // The first pass has no history. In the second, a 4096-byte dictionary still begins with the
    // 516 zero bytes that stood before the first block.
    std::uint32_t first = c - dictionarySize;
    if (pass == 0) {
      first = c;
    } else if (pass == 1 && dictionarySize == kLargestDictionary) {
      first = c - dictionarySize + kLookahead;
    }
    encoder.Index(first, end);
    encoder.EncodeBlock(c, end, ended);
    if (ended) break;
    std::memmove(window, window + kImplodeReadSize, dictionarySize + kLookahead);
    c -= kImplodeReadSize;
  }
  out.Put(work.symbolBits[kEndSymbol], work.symbolCodes[kEndSymbol]);
  out.Finish();
  return kStreamOk;
}

}  // namespace referenceimplode
