#include "implode/implode.h"

#include <algorithm>
#include <cstring>

#include "implode/code_tables.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TQ_IMPLODE_SSE2 1
#endif

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
void PrepareSymbolCodes(ImplodeWorkArea& work, const std::uint32_t literalMode) {
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
  BitOutput(ImplodeWorkArea& work, StreamWriteCallback write, void* param, const std::uint32_t literalMode,
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

// The sliding window and its prefix chains. Offsets 0 to D - 1 hold the dictionary, D to D + 515
// the lookahead carried from the previous block, and from D + 516 the block just read.
class Encoder {
 public:
  Encoder(ImplodeWorkArea& work, BitOutput& out, const std::uint32_t dictionarySize,
          const std::uint32_t dictionaryBits)
      : work_(work),
        window_(work.window),
        out_(out),
        dictionarySize_(dictionarySize),
        dictionaryBits_(dictionaryBits),
        dictionaryMask_((1u << dictionaryBits) - 1) {}

  // A new block: while it is encoded, positions below `first` are no candidates.
  void BeginBlock(const std::uint32_t first) { first_ = first; }

  // The window moves 4096 bytes down: so do the chains, and links to positions that leave the
  // window become 0, which every search takes for "too far back".
  void ShiftDown() {
    const std::uint32_t kept = dictionarySize_ + kLookahead;
    for (std::uint32_t level = 0; level < kChainLevels; ++level) {
      ShiftLinks(work_.chainHeads[level], work_.chainHeads[level], kChainBuckets);
      ShiftLinks(work_.chainPrevious[level], work_.chainPrevious[level] + kImplodeReadSize, kept);
    }
    entered_ -= kImplodeReadSize;
  }

  void StartAt(const std::uint32_t c) { entered_ = c; }

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

  // dst[i] = src[i] - 4096, or 0 where that would be below 0 (dst may be src).
  static void ShiftLinks(std::uint16_t* const dst, const std::uint16_t* const src, const std::uint32_t count) {
    std::uint32_t i = 0;
#ifdef TQ_IMPLODE_SSE2
    const __m128i step = _mm_set1_epi16(static_cast<short>(kImplodeReadSize));
    for (; i + 8 <= count; i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_subs_epu16(v, step));
    }
#endif
    for (; i < count; ++i) dst[i] = static_cast<std::uint16_t>(src[i] > kImplodeReadSize ? src[i] - kImplodeReadSize : 0);
  }

  std::uint64_t Load64(const std::uint32_t p) const {
    std::uint64_t v;
    std::memcpy(&v, window_ + p, 8);
    return v;
  }

  // The prefix length of each chain level.
  static constexpr std::uint32_t kLevelLength[kChainLevels] = {2, 3, 4, 5, 6, 8, 16};

  // Enters every position up to c into the chains. The buckets of the longer prefixes come from
  // the 8 (or 16) bytes at the position with the bytes past the prefix shifted out.
  void EnterUpTo(const std::uint32_t c) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    constexpr std::uint64_t kMixer = 0xC2B2AE3D27D4EB4Full;
    constexpr std::uint32_t kShift = 64 - 12;  // kChainBuckets = 4096
    static_assert(kChainBuckets == 4096);
    std::uint16_t(*const heads)[kChainBuckets] = work_.chainHeads;
    std::uint16_t(*const previous)[kWindowSize] = work_.chainPrevious;
    for (; entered_ <= c; ++entered_) {
      const std::uint32_t p = entered_;
      const std::uint16_t position = static_cast<std::uint16_t>(p);
      const std::uint32_t pair = PairHash(p);
      const std::uint32_t last = heads[0][pair];
      previous[0][p] = static_cast<std::uint16_t>(last);
      heads[0][pair] = position;
      const std::uint64_t low = Load64(p);
      const std::uint64_t high = Load64(p + 8);
#pragma GCC unroll 8
      for (std::uint32_t level = 1; level < kChainLevels; ++level) {
        const std::uint32_t length = kLevelLength[level];
        const std::uint64_t key =
            length <= 8 ? low << (64 - 8 * length) : low + (high << (128 - 8 * length)) * kMixer;
        const std::uint32_t h = static_cast<std::uint32_t>((key * kMultiplier) >> kShift);
        previous[level][p] = heads[level][h];
        heads[level][h] = position;
      }
    }
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

  // How many bytes agree going down from a - 1 and b - 1, at most limit.
  std::uint32_t CommonLengthBackwards(const std::uint32_t a, const std::uint32_t b, const std::uint32_t limit) const {
    const std::uint8_t* const x = window_ + a;
    const std::uint8_t* const y = window_ + b;
    std::uint32_t n = 0;
    while (n + 8 <= limit) {
      std::uint64_t u;
      std::uint64_t v;
      std::memcpy(&u, x - n - 8, 8);
      std::memcpy(&v, y - n - 8, 8);
      if (u != v) return n + static_cast<std::uint32_t>(__builtin_clzll(u ^ v)) / 8;
      n += 8;
    }
    while (n < limit && x[-1 - static_cast<std::int32_t>(n)] == y[-1 - static_cast<std::int32_t>(n)]) ++n;
    return n;
  }

  // Bit i set when bytes q + i and c + i agree, for i below 16.
  std::uint32_t AgreementMask(const std::uint32_t q, const std::uint32_t c) const {
#ifdef TQ_IMPLODE_SSE2
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window_ + q));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window_ + c));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))) & 0xFFFFu;
#else
    std::uint32_t mask = 0;
    for (std::uint32_t i = 0; i < 16; ++i) mask |= (window_[q + i] == window_[c + i] ? 1u : 0u) << i;
    return mask;
#endif
  }

  // The chain level to follow when candidates must share `length` bytes: the longest prefix not
  // above it.
  static std::uint32_t LevelFor(const std::uint32_t length) {
    std::uint32_t level = 0;
    while (level + 1 < kChainLevels && kLevelLength[level + 1] <= length) ++level;
    return level;
  }

  // The longest match at c among the positions 2 to D - 1 bytes back (and not before the block's
  // first indexed position), at most 516 long; among equally long ones the most recent, except
  // that of several reaching 516 the oldest wins. Its length (0 for none) is returned, its
  // distance minus 1 kept.
  //
  // Newest first: a candidate counts only when it is longer than the best so far, so it must share
  // the best length plus one bytes; after each new best the walk moves to the chain of the longest
  // prefix that the best guarantees, which holds every candidate that can still beat it.
  std::uint32_t FindMatch(const std::uint32_t c) {
    EnterUpTo(c);
    const std::uint32_t oldest = std::max(first_, c - dictionarySize_ + 1);
    std::uint32_t best = 1;
    std::uint32_t bestPosition = 0;
    std::uint32_t level = 0;
    const std::uint16_t* chain = work_.chainPrevious[0];
    std::uint32_t q = chain[c];
    if (q == c - 1) q = chain[q];  // the byte just before c is never a match start
    while (q >= oldest) {
      const std::uint32_t agreement = AgreementMask(q, c);
      std::uint32_t length;
      if (best < 16) {
        const std::uint32_t needed = (2u << best) - 1;
        if ((agreement & needed) != needed) {
          q = chain[q];
          continue;
        }
        length = static_cast<std::uint32_t>(__builtin_ctz(~agreement));
        if (length == 16) length += CommonLength(q + 16, c + 16, kLongestMatch - 16);
      } else {
        if (agreement != 0xFFFFu || window_[q + best] != window_[c + best]) {
          q = chain[q];
          continue;
        }
        length = 16 + CommonLength(q + 16, c + 16, kLongestMatch - 16);
        if (length <= best) {
          q = chain[q];
          continue;
        }
      }
      best = length;
      bestPosition = q;
      if (best == kLongestMatch) return OldestLongest(c, oldest, q);
      // Every candidate newer than q is at most `best` long. A chain whose prefix is one byte
      // longer than the best holds only what can beat it, found from c on past q; a shorter one
      // goes on from q itself, which shares its prefix.
      const std::uint32_t next = LevelFor(best + 1);
      if (next != level) {
        level = next;
        chain = work_.chainPrevious[level];
      }
      if (kLevelLength[level] == best + 1) {
        std::uint32_t r = chain[c];
        while (r >= q) r = chain[r];
        q = r;
      } else {
        q = chain[q];
      }
    }
    if (best < 2) return 0;
    distance_ = c - bestPosition - 1;
    return best;
  }

  // The candidate at `newest` reaches 516; so may older ones on the chain of 16-byte prefixes, and
  // the oldest of them wins. With S the 516 bytes at c and q the last one found to reach 516, a
  // position r at d < 516 below q reaches 516 exactly when S has period d and the d bytes at r
  // are S's first d, because the rest is then the start of q's copy of S. The periods of S come
  // from its prefix borders, worked out once.
  std::uint32_t OldestLongest(const std::uint32_t c, const std::uint32_t oldest, const std::uint32_t newest) {
    const std::uint8_t* const s = window_ + c;
    std::int16_t* const borders = work_.borders;
    borders[0] = -1;
    std::int32_t m = -1;
    for (std::uint32_t k = 0; k < kLongestMatch; ++k) {
      while (m >= 0 && s[k] != s[m]) m = borders[m];
      borders[k + 1] = static_cast<std::int16_t>(++m);
    }
    std::uint8_t* const isPeriod = work_.isPeriod;
    std::memset(isPeriod, 0, kLongestMatch);
    for (std::int32_t b = borders[kLongestMatch]; b > 0; b = borders[b]) isPeriod[kLongestMatch - b] = 1;

    // No two positions reaching 516 lie closer than the smallest period p. Where the bytes below q
    // repeat with period p, every p-th position down reaches 516 too: jump to the last of them.
    const std::uint32_t period = kLongestMatch - static_cast<std::uint32_t>(borders[kLongestMatch]);
    const auto jump = [&](const std::uint32_t q) {
      if (period == kLongestMatch) return q;
      return q - CommonLengthBackwards(q, q + period, q - oldest) / period * period;
    };
    const std::uint16_t* const chain = work_.chainPrevious[kChainLevels - 1];
    std::uint32_t q = jump(newest);
    for (std::uint32_t r = chain[q]; r >= oldest;) {
      const std::uint32_t d = q - r;
      if (d < kLongestMatch && isPeriod[d] == 0) {
        r = chain[r];
        continue;
      }
      const std::uint32_t limit = std::min(d, kLongestMatch);
      const std::uint32_t agreed = CommonLength(r, c, limit);
      if (agreed == limit) {
        q = jump(r);
        r = chain[q];
        continue;
      }
      // When S is one byte repeated, the byte at r + agreed differs from it, so no position that
      // far back or nearer reaches 516.
      const std::uint32_t differing = r + agreed;
      r = chain[r];
      if (period == 1) {
        while (r >= oldest && r + kLongestMatch > differing) r = chain[r];
      }
    }
    distance_ = c - q - 1;
    return kLongestMatch;
  }

  ImplodeWorkArea& work_;
  std::uint8_t* const window_;
  BitOutput& out_;
  const std::uint32_t dictionarySize_;
  const std::uint32_t dictionaryBits_;
  const std::uint32_t dictionaryMask_;
  std::uint32_t distance_ = 0;  // distance of the last match found, minus 1
  std::uint32_t first_ = 0;     // the block's first indexed position
  std::uint32_t entered_ = 0;   // the next position to enter into the chains
};

}  // namespace

unsigned ImplodeStream(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work,
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
  encoder.StartAt(c);
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
    encoder.BeginBlock(first);
    encoder.EncodeBlock(c, end, ended);
    if (ended) break;
    std::memmove(window, window + kImplodeReadSize, dictionarySize + kLookahead);
    encoder.ShiftDown();
    c -= kImplodeReadSize;
  }
  out.Put(work.symbolBits[kEndSymbol], work.symbolCodes[kEndSymbol]);
  out.Finish();
  return kStreamOk;
}
