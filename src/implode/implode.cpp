#include "implode/implode.h"

#include <algorithm>
#include <cstring>

#include "implode/code_tables.h"
#include "implode/implode_passes.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TQ_IMPLODE_SSE2 1
#endif

namespace {

using namespace implode;

constexpr std::uint32_t kEndSymbol = 773;
constexpr std::uint32_t kFirstCopySymbol = 256;  // a copy of length L is symbol L + 254

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
// header's two bytes open the first block. Codes gather in a 64-bit word and go to the buffer four
// bytes at a time; Settle() stores every complete byte, so that the blocks leave before the next
// read exactly as they would byte by byte.
class BitOutput {
 public:
  // Without the header, for a stretch of codes that another stream will carry.
  BitOutput(ImplodeWorkArea& work, StreamWriteCallback write, void* param, const std::uint32_t literalMode,
            const std::uint32_t dictionaryBits, const bool header)
      : buffer_(work.output), write_(write), param_(param) {
    std::memset(buffer_, 0, sizeof work.output);
    if (!header) return;
    buffer_[0] = static_cast<std::uint8_t>(literalMode);
    buffer_[1] = static_cast<std::uint8_t>(dictionaryBits);
    count_ = 2;
  }

  // Every bit put so far, the header's included.
  std::uint64_t bits() const { return (handed_ + count_) * 8 + pendingBits_; }

  // Bits from..to of bytes (least significant first within a byte); the bytes must reach 8 past
  // the one holding bit `to`.
  void PutRange(const std::uint8_t* const bytes, std::uint64_t from, const std::uint64_t to) {
    while (from < to) {
      std::uint64_t word;
      std::memcpy(&word, bytes + from / 8, 8);
      const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(32, to - from));
      const std::uint64_t value = (word >> (from % 8)) & ((std::uint64_t{1} << n) - 1);
      Put(n, static_cast<std::uint32_t>(value));
      from += n;
    }
  }

  // n bits (at most 32) of value; the bits above n must be 0.
  void Put(const std::uint32_t n, const std::uint32_t value) {
    pending_ |= static_cast<std::uint64_t>(value) << pendingBits_;
    pendingBits_ += n;
    if (pendingBits_ >= 32) {
      const std::uint32_t word = static_cast<std::uint32_t>(pending_);
      std::memcpy(buffer_ + count_, &word, 4);  // little-endian: the first bits in the first byte
      count_ += 4;
      pending_ >>= 32;
      pendingBits_ -= 32;
      if (count_ >= kImplodeWriteSize) HandBlock();
    }
  }

  // Stores the complete bytes still in the word, handing a full block on.
  void Settle() {
    while (pendingBits_ >= 8) {
      buffer_[count_++] = static_cast<std::uint8_t>(pending_);
      pending_ >>= 8;
      pendingBits_ -= 8;
    }
    if (count_ >= kImplodeWriteSize) HandBlock();
  }

  // The byte in progress is filled up with zero bits; everything left leaves in one last write.
  void Finish() {
    Settle();
    if (pendingBits_ != 0) buffer_[count_++] = static_cast<std::uint8_t>(pending_);
    Hand(count_);
  }

 private:
  void HandBlock() {
    Hand(kImplodeWriteSize);
    handed_ += kImplodeWriteSize;
    count_ -= kImplodeWriteSize;
    std::memmove(buffer_, buffer_ + kImplodeWriteSize, count_);
  }

  void Hand(std::uint32_t size) { write_(reinterpret_cast<const char*>(buffer_), size, param_); }

  std::uint8_t* buffer_;
  StreamWriteCallback write_;
  void* param_;
  std::uint32_t count_ = 0;
  std::uint64_t handed_ = 0;
  std::uint64_t pending_ = 0;
  std::uint32_t pendingBits_ = 0;
};

// Chains of earlier positions, one per prefix length: each links a position to the one entered
// before it whose first bytes hash alike. A link is how far back that one lies (16 bits), kept in
// a ring indexed by stream position (window offset plus how far the window has moved), so moving
// the window moves no link. Heads are 16-bit stream positions.
class PrefixChains {
 public:
  // The prefix length of each chain level.
  static constexpr std::uint32_t kLevelLength[kChainLevels] = {2, 3, 8};

  explicit PrefixChains(ImplodeWorkArea& work) : heads_(work.chainHeads), previous_(work.chainPrevious) {}

  // Positions from p on are the next to enter.
  void StartAt(const std::uint32_t p) {
    entered_ = p;
    repeatsFrom_ = p + kLongestRepeatPeriod;
  }
  std::uint32_t entered() const { return entered_; }

  // Positions from p on are the next to enter, and none before p is known: every head reads as
  // further back than any candidate, as after an aging.
  void StartWithoutHistory(const std::uint32_t p) {
    std::fill_n(heads_[0], kChainLevels * kChainBuckets, static_cast<std::uint16_t>(p + moved_ - 0x8000));
    StartAt(p);
  }

  // Enters every position up to p, twelve at a time (a multiple of every period looked for),
  // except where the bytes repeat a short period: there the links and heads that entering one by
  // one would leave are known in advance (see EnterRepeating), and a stretch is entered at once.
  void EnterUpTo(const std::uint8_t* const window, const std::uint32_t p) {
    while (entered_ <= p) {
      const std::uint32_t e = entered_;
      if (e >= repeatsFrom_ && e + kShortestRepeating <= p) {
        if (const std::uint32_t period = ShortPeriodAt(window, e); period != 0) {
          constexpr std::uint32_t kKey = kLevelLength[kChainLevels - 1];
          const std::uint32_t last = RepeatEnd(window, e + kKey, period, p + kKey) - kKey;
          if (last + 1 - e >= kShortestRepeating && EnterRepeating(window, e, last, period)) continue;
        }
      }
      EnterEach(window, e, std::min(p, e + kEachAtOnce - 1));
    }
  }

  // The position entered before q on the level's chain, as a window offset; below the dictionary
  // (negative, or further back than any candidate) when there is none.
  std::int32_t Previous(const std::uint32_t level, const std::int32_t q) const {
    return q - previous_[level][(static_cast<std::uint32_t>(q) + moved_) & (kChainRing - 1)];
  }

  // The window moved 4096 bytes down. Now and then heads that point far back are set to point
  // half the 16-bit range back, so no link ever ages past that range and reads as recent.
  void WindowMoved() {
    entered_ -= kImplodeReadSize;
    repeatsFrom_ = std::max(repeatsFrom_, kLongestRepeatPeriod + kImplodeReadSize) - kImplodeReadSize;
    moved_ += kImplodeReadSize;
    if (++moves_ % kMovesPerAging != 0) return;
    const std::uint16_t now = static_cast<std::uint16_t>(entered_ + moved_);
    const std::uint16_t ancient = static_cast<std::uint16_t>(now - 0x8000);
    std::uint16_t* const heads = heads_[0];
    constexpr std::uint32_t kHeads = kChainLevels * kChainBuckets;
    std::uint32_t i = 0;
#ifdef TQ_IMPLODE_SSE2
    const __m128i nowLanes = _mm_set1_epi16(static_cast<short>(now));
    const __m128i farLanes = _mm_set1_epi16(static_cast<short>(kFarBack));
    const __m128i ancientLanes = _mm_set1_epi16(static_cast<short>(ancient));
    for (; i + 8 <= kHeads; i += 8) {
      __m128i* const lanes = reinterpret_cast<__m128i*>(heads + i);
      const __m128i head = _mm_loadu_si128(lanes);
      const __m128i age = _mm_sub_epi16(nowLanes, head);
      const __m128i recent = _mm_cmpeq_epi16(_mm_subs_epu16(age, farLanes), _mm_setzero_si128());
      _mm_storeu_si128(lanes, _mm_or_si128(_mm_and_si128(recent, head), _mm_andnot_si128(recent, ancientLanes)));
    }
#endif
    for (; i < kHeads; ++i) heads[i] = static_cast<std::uint16_t>(now - heads[i]) > kFarBack ? ancient : heads[i];
  }

 private:
  // An aging leaves every head at most 0x2000 back, or at 0x8000; until the next one heads age
  // by at most six moves and how far ahead of the search positions are entered (24,576 + 2,048
  // bytes). So no link wraps around the 16-bit range, and every link to a head older than the
  // dictionary reads as further back than any candidate.
  static constexpr std::uint32_t kMovesPerAging = 6;
  static constexpr std::uint32_t kFarBack = 0x2000;

  // The hashes of the prefixes at a position, one per chain level. One product of its 8 bytes
  // gives all three: its bits 3 to 15 depend only on the first 2 bytes and its bits 11 to 23 only
  // on the first 3, because a product's low bits depend only on the factors' low bits; its top 13
  // bits depend on all 8.
  struct Hashes {
    std::uint32_t level[kChainLevels];
  };
  static Hashes HashesAt(const std::uint8_t* const bytes) {
    static_assert(kLevelLength[0] == 2 && kLevelLength[1] == 3 && kLevelLength[2] == 8 && kChainBuckets == 1u << 13);
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    const std::uint64_t product = Load8(bytes) * kMultiplier;
    return {{static_cast<std::uint32_t>(product >> 3) & (kChainBuckets - 1),
             static_cast<std::uint32_t>(product >> 11) & (kChainBuckets - 1), static_cast<std::uint32_t>(product >> 51)}};
  }

  static std::uint64_t Load8(const std::uint8_t* const bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, 8);
    return value;
  }

  // Enters the positions from first to last one by one.
  void EnterEach(const std::uint8_t* const window, const std::uint32_t first, const std::uint32_t last) {
    std::uint32_t t = first + moved_;
    for (const std::uint8_t *bytes = window + first, *const end = window + last + 1; bytes != end; ++bytes, ++t) {
      const Hashes hashes = HashesAt(bytes);
      const std::uint32_t slot = t & (kChainRing - 1);
      for (std::uint32_t level = 0; level < kChainLevels; ++level) {
        std::uint16_t& head = heads_[level][hashes.level[level]];
        previous_[level][slot] = static_cast<std::uint16_t>(t - head);
        head = static_cast<std::uint16_t>(t);
      }
    }
    entered_ = last + 1;
  }

  // The smallest period d of at most 4 with which the 8 bytes at e repeat the 8 bytes d before
  // them; 0 when there is none. Bytes repeating a period of at most 4 repeat 3 or 4 back as well,
  // which rules most positions out with two comparisons.
  static std::uint32_t ShortPeriodAt(const std::uint8_t* const window, const std::uint32_t e) {
    const std::uint64_t bytes = Load8(window + e);
    if (bytes != Load8(window + e - 3) && bytes != Load8(window + e - 4)) return 0;
    for (std::uint32_t d = 1; d <= kLongestRepeatPeriod; ++d) {
      if (bytes == Load8(window + e - d)) return d;
    }
    return 0;
  }

  // The first offset from `from` on (below `limit`) whose byte differs from the one `period`
  // before it; limit when there is none.
  static std::uint32_t RepeatEnd(const std::uint8_t* const window, std::uint32_t from, const std::uint32_t period,
                                 const std::uint32_t limit) {
#ifdef TQ_IMPLODE_SSE2
    for (; from < limit; from += 16) {
      const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + from));
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + from - period));
      const std::uint32_t same = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(now, before)));
      if (same != 0xFFFFu) return std::min(limit, from + static_cast<std::uint32_t>(__builtin_ctz(~same)));
    }
    return limit;
#else
    while (from < limit && window[from] == window[from - period]) ++from;
    return from;
#endif
  }

  // Enters the positions from e to last, whose 8 bytes each repeat those `period` before them,
  // the positions from e - period to e - 1 having been entered last. Each of those holds one phase
  // of the period; when the phases hash apart on every chain, every position e to last links back
  // exactly one period on each, and each phase's head ends at its last position. False, with
  // nothing entered, when two phases share a hash.
  bool EnterRepeating(const std::uint8_t* const window, const std::uint32_t e, const std::uint32_t last,
                      const std::uint32_t period) {
    Hashes phases[kLongestRepeatPeriod];
    for (std::uint32_t i = 0; i < period; ++i) {
      phases[i] = HashesAt(window + e - period + i);
      for (std::uint32_t j = 0; j < i; ++j) {
        for (std::uint32_t level = 0; level < kChainLevels; ++level) {
          if (phases[j].level[level] == phases[i].level[level]) return false;
        }
      }
    }
    const std::uint32_t count = last + 1 - e;
    for (std::uint32_t i = 0, phase = count % period; i < period; ++i, phase = phase + 1 < period ? phase + 1 : 0) {
      const std::uint16_t lastOfPhase = static_cast<std::uint16_t>(last + 1 - period + i + moved_);
      for (std::uint32_t level = 0; level < kChainLevels; ++level) heads_[level][phases[phase].level[level]] = lastOfPhase;
    }
    const std::uint32_t from = (e + moved_) & (kChainRing - 1);
    const std::uint32_t beforeWrap = std::min(count, kChainRing - from);
    for (std::uint32_t level = 0; level < kChainLevels; ++level) {
      std::fill_n(previous_[level] + from, beforeWrap, static_cast<std::uint16_t>(period));
      std::fill_n(previous_[level], count - beforeWrap, static_cast<std::uint16_t>(period));
    }
    entered_ = last + 1;
    return true;
  }

  // Repeating stretches are looked for where the 4 positions before a position have been entered,
  // and taken when at least this many positions repeat.
  static constexpr std::uint32_t kLongestRepeatPeriod = 4;
  static constexpr std::uint32_t kShortestRepeating = 16;
  static constexpr std::uint32_t kEachAtOnce = 12;

  std::uint16_t (*const heads_)[kChainBuckets];
  std::uint16_t (*const previous_)[kChainRing];
  std::uint32_t entered_ = 0;      // the next window offset to enter
  std::uint32_t repeatsFrom_ = 0;  // positions from here on have 4 entered before them
  std::uint32_t moved_ = 0;        // bytes the window has moved (mod 2^32)
  std::uint32_t moves_ = 0;
};

// The sliding window. Offsets 0 to D - 1 hold the dictionary, D to D + 515 the lookahead carried
// from the previous block, and from D + 516 the block just read.
class Encoder {
 public:
  Encoder(ImplodeWorkArea& work, BitOutput& out, const std::uint32_t dictionarySize,
          const std::uint32_t dictionaryBits)
      : work_(work),
        window_(work.window),
        out_(out),
        chains_(work),
        dictionarySize_(dictionarySize),
        dictionaryBits_(dictionaryBits),
        dictionaryMask_((1u << dictionaryBits) - 1) {}

  // A new block: while it is encoded, positions below `first` are no candidates. Positions are
  // entered into the chains only as far as their prefixes hold bytes that stay: those read so far,
  // or when the input has ended, any.
  void BeginBlock(const std::uint32_t first, const std::uint32_t end, const bool inputEnded) {
    first_ = first;
    enterLimit_ = inputEnded ? kWindowSize + kWindowSpare - 8
                             : end + kLookahead - kLevelLength[kChainLevels - 1];
  }

  void StartAt(const std::uint32_t c) { chains_.StartAt(c); }
  void StartWithoutHistory(const std::uint32_t p) { chains_.StartWithoutHistory(p); }

  // The window moved 4096 bytes down.
  void WindowMoved() { chains_.WindowMoved(); }

  // Encodes from c up to the block end; c may end up to 515 bytes past it, inside a copy. Loose
  // (with a log): the lazy step is taken at the block's last position too, so that the tokens do
  // not depend on where the blocks end, and every token is noted; `base` is the stream position
  // of window offset 0.
  template <bool kLoose>
  void EncodeBlock(std::uint32_t& c, const std::uint32_t end, const bool inputEnded, TokenLog* const log,
                   const std::uint64_t base) {
    const auto note = [&](const std::uint32_t at) {
      if constexpr (kLoose) log->Token(base + at, out_.bits());
    };
    while (c < end) {
      EnterAhead(c);
      std::uint32_t length = FindMatch(c);
      for (;;) {
        note(c);
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
        if (length >= 8 || (c + 1 >= end && (!kLoose || inputEnded))) {
          PutCopy(length);
          c += length;
          break;
        }
        // A short match: one byte later there may be a longer one that is worth a literal.
        const std::uint32_t keptLength = length;
        const std::uint32_t keptDistance = distance_;
        const std::uint32_t next = FindMatch(c + 1);
        if (next >= keptLength + 2 || (next == keptLength + 1 && keptDistance > 128)) {
          if constexpr (kLoose) log->LazyLiteral(base + c);
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
    out_.Settle();
  }

 private:
  static constexpr const std::uint32_t* kLevelLength = PrefixChains::kLevelLength;
  static constexpr std::uint32_t kTwoBytes = 0;
  static constexpr std::uint32_t kThreeBytes = 1;
  static constexpr std::uint32_t kEightBytes = 2;
  static constexpr std::uint32_t kLongestFamilyPeriod = 4;
  static constexpr std::uint32_t kEnterBatch = 2048;
  static_assert(kLargestDictionary + kEnterBatch <= kChainRing);
  static constexpr std::uint32_t kUnknown = ~0u;

  // A search at c, or at c + 1 in the lazy step, walks chains from positions up to 516 ahead of
  // it. Positions are entered in batches well ahead of that, as far as enterLimit_: the walks
  // start from a position's own link, never from a head, so positions entered beyond one are never
  // its candidates. The ring still holds every link a search reads: the batches reach at most
  // kEnterBatch ahead, and the dictionary lies behind.
  void EnterAhead(const std::uint32_t c) {
    if (chains_.entered() <= c + kLongestMatch + 1) chains_.EnterUpTo(window_, std::min(c + kEnterBatch, enterLimit_));
  }

  void PutLiteral(const std::uint32_t p) {
    const std::uint32_t byte = window_[p];
    out_.Put(work_.symbolBits[byte], work_.symbolCodes[byte]);
  }

  // The copy's symbol, then the distance minus 1: its high part coded, its low bits plain (2 for a
  // copy of 2, the dictionary bits otherwise).
  void PutCopy(const std::uint32_t length) {
    const std::uint32_t symbol = length + 254;
    const std::uint32_t lowBits = length == 2 ? 2 : dictionaryBits_;
    const std::uint32_t high = distance_ >> lowBits;
    const std::uint32_t low = distance_ & (length == 2 ? 3u : dictionaryMask_);
    const std::uint32_t symbolBits = work_.symbolBits[symbol];
    const std::uint32_t highBits = kDistanceCodeBits[high];
    out_.Put(symbolBits + highBits + lowBits, work_.symbolCodes[symbol] | (kDistanceCodeValues[high] << symbolBits) |
                                                  (low << (symbolBits + highBits)));
  }

  // How many bytes agree from a and b on, at most limit.
  std::uint32_t CommonLength(const std::uint32_t a, const std::uint32_t b, const std::uint32_t limit) const {
    const std::uint8_t* const x = window_ + a;
    const std::uint8_t* const y = window_ + b;
    std::uint32_t n = 0;
#ifdef TQ_IMPLODE_SSE2
    while (n + 16 <= limit) {
      const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + n));
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + n));
      const std::uint32_t same = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(u, v)));
      if (same != 0xFFFFu) return n + static_cast<std::uint32_t>(__builtin_ctz(~same));
      n += 16;
    }
#endif
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
#ifdef TQ_IMPLODE_SSE2
    while (n + 16 <= limit) {
      const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x - n - 16));
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y - n - 16));
      const std::uint32_t same = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(u, v)));
      if (same != 0xFFFFu) return n + static_cast<std::uint32_t>(__builtin_clz(~same << 16));
      n += 16;
    }
#endif
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

  // How long the match at q is when it is longer than `best`; 0 when it is not.
  std::uint32_t LengthBeyond(const std::uint32_t q, const std::uint32_t c, const std::uint32_t best) const {
    const std::uint32_t agreement = AgreementMask(q, c);
    if (best < 16) {
      const std::uint32_t needed = (2u << best) - 1;
      if ((agreement & needed) != needed) return 0;
      const std::uint32_t length = static_cast<std::uint32_t>(__builtin_ctz(~agreement));
      return length < 16 ? length : 16 + CommonLength(q + 16, c + 16, kLongestMatch - 16);
    }
    // The 16 bytes that end with the best's last byte and the one after it are where most
    // candidates stop agreeing: looked at before the whole string.
    if (agreement != 0xFFFFu || AgreementMask(q + best - 15, c + best - 15) != 0xFFFFu) return 0;
    const std::uint32_t length = 16 + CommonLength(q + 16, c + 16, kLongestMatch - 16);
    return length > best ? length : 0;
  }

  // The longest match at c among the positions 2 to D - 1 bytes back (and not before the block's
  // first indexed position), at most 516 long; among equally long ones the most recent, except
  // that of several reaching 516 the oldest wins. Its length (0 for none) is returned, its
  // distance minus 1 kept.
  std::uint32_t FindMatch(const std::uint32_t c) {
    const std::int32_t oldest = static_cast<std::int32_t>(std::max(first_, c - dictionarySize_ + 1));
    // The newest candidate sharing 3 bytes (the chain also holds others whose 3 bytes hash alike).
    std::uint32_t three;
    std::memcpy(&three, window_ + c, 4);
    three &= 0xFFFFFFu;
    std::int32_t q = chains_.Previous(kThreeBytes, static_cast<std::int32_t>(c));
    for (;; q = chains_.Previous(kThreeBytes, q)) {
      if (q < oldest) return PairMatch(c, oldest);
      std::uint32_t bytes;
      std::memcpy(&bytes, window_ + q, 4);
      if ((bytes & 0xFFFFFFu) == three && q != static_cast<std::int32_t>(c - 1)) break;
    }
    return LongestMatch(c, oldest, static_cast<std::uint32_t>(q));
  }

  // No candidate shares 3 bytes: the most recent one sharing 2. Only one at most 256 bytes back
  // is ever written as a copy, and returning none for one further back changes nothing: a copy of
  // 2 that far is written as a literal, and the lazy step only weighs lengths of 3 or more.
  std::uint32_t PairMatch(const std::uint32_t c, const std::int32_t oldest) {
    const std::int32_t nearest = std::max(oldest, static_cast<std::int32_t>(c) - 256);
    std::uint16_t pair;
    std::memcpy(&pair, window_ + c, 2);
    std::int32_t q = chains_.Previous(kTwoBytes, static_cast<std::int32_t>(c));
    if (q == static_cast<std::int32_t>(c - 1)) q = chains_.Previous(kTwoBytes, q);
    for (; q >= nearest; q = chains_.Previous(kTwoBytes, q)) {
      std::uint16_t bytes;
      std::memcpy(&bytes, window_ + q, 2);
      if (bytes == pair) {
        distance_ = c - static_cast<std::uint32_t>(q) - 1;
        return 2;
      }
    }
    return 0;
  }

  // The state of one search for a match longer than 2, and its two walks.
  struct Search {
    std::uint32_t c;
    std::int32_t oldest;
    std::uint32_t best;
    std::uint32_t bestPosition;
    std::uint32_t prefixLevel;
    std::int32_t prefixNext;  // the prefix walk's next candidate
    bool tailWalk;
    std::uint32_t tailLevel;
    std::int32_t tailOffset;
    std::int32_t tailNext;  // the tail walk's next entry: a candidate plus tailOffset
    std::uint32_t startPeriod;  // of S's first 8 bytes; 0 until needed
  };

  // Candidates are taken newest first, and one counts only when it is longer than the best so
  // far: every candidate newer than the best is at most as long. One that beats a best of b shares
  // S's first b + 1 bytes (S the bytes at c), so it lies on two chains: that of the longest prefix
  // the best guarantees (the prefix walk, which goes on from the best itself) and that of the last
  // bytes of S's first b + 1 (the tail walk, from c on, past candidates not older than the best).
  // The tail ends with the byte where the best stopped matching, which often no older position
  // has. The two walks go step for step; when either runs out of candidates, none is left.
  // Kept out of FindMatch, whose quick answers then need few registers.
  [[gnu::noinline]] std::uint32_t LongestMatch(const std::uint32_t c, const std::int32_t oldest, const std::uint32_t newest) {
    Search search{c, oldest, 2, c - 1, 0, 0, false, 0, 0, 0, 0};
    // The newest candidate sharing S's first 8 bytes is the first best of 8 or more the walks
    // would reach, every newer one being shorter: starting there skips the short ones.
    if (const std::int32_t eight = NewestSharingEight(c, oldest); eight >= 0) {
      const auto q = static_cast<std::uint32_t>(eight);
      TakeBest(search, q, LengthBeyond(q, c, kLevelLength[kEightBytes] - 1));
    } else {
      TakeBest(search, newest, LengthBeyond(newest, c, 2));
    }
    Repeat repeat{kUnknown, 0};
    while (search.best != kLongestMatch && search.prefixNext >= oldest) {
      if (search.prefixLevel != kEightBytes) {
        const std::int32_t beating = WalkShort(search);
        if (beating < 0) break;
        const std::uint32_t candidate = static_cast<std::uint32_t>(beating);
        TakeBest(search, candidate, LengthBeyond(candidate, c, search.best));
        continue;
      }
      const std::uint32_t q = static_cast<std::uint32_t>(search.prefixNext);
      if (repeat.period == kUnknown) repeat = StartRepeat(c);
      // Families are worth passing at once where one may beat the best, or where runs of one byte
      // make them long.
      const bool families = repeat.period == 1 || (repeat.period != 0 && repeat.end > search.best + 1);
      if (families && PassFamily(search, repeat, q)) continue;
      if (const std::uint32_t length = LengthBeyond(q, c, search.best); length != 0) {
        TakeBest(search, q, length);
        continue;
      }
      search.prefixNext = chains_.Previous(search.prefixLevel, search.prefixNext);
      if (!search.tailWalk) continue;
      const std::int32_t candidate = search.tailNext - search.tailOffset;
      if (candidate < oldest) break;
      if (candidate < static_cast<std::int32_t>(search.bestPosition)) {
        const std::uint32_t length = LengthBeyond(static_cast<std::uint32_t>(candidate), c, search.best);
        if (length != 0) {
          TakeBest(search, static_cast<std::uint32_t>(candidate), length);
          continue;
        }
      }
      search.tailNext = chains_.Previous(search.tailLevel, search.tailNext);
    }
    if (search.best == kLongestMatch) return OldestLongest(c, oldest, search.bestPosition);
    distance_ = c - search.bestPosition - 1;
    return search.best;
  }

  // The newest position at least 2 back sharing the 8 bytes at c; -1 when there is none.
  std::int32_t NewestSharingEight(const std::uint32_t c, const std::int32_t oldest) const {
    std::uint64_t key;
    std::memcpy(&key, window_ + c, 8);
    for (std::int32_t q = chains_.Previous(kEightBytes, static_cast<std::int32_t>(c)); q >= oldest;
         q = chains_.Previous(kEightBytes, q)) {
      std::uint64_t bytes;
      std::memcpy(&bytes, window_ + q, 8);
      if (bytes == key && q != static_cast<std::int32_t>(c - 1)) return q;
    }
    return -1;
  }

  // The two walks while the best is shorter than 8, when both follow chains of 3 bytes and most
  // candidates fail on their first 16 bytes: the first candidate longer than the best, or -1 when
  // either walk runs out first. Kept apart so that the walks' state stays in registers.
  std::int32_t WalkShort(const Search& search) const {
    const std::uint32_t c = search.c;
    const std::uint32_t needed = (2u << search.best) - 1;
    const auto beats = [&](const std::int32_t q) {
      return (AgreementMask(static_cast<std::uint32_t>(q), c) & needed) == needed;
    };
    const std::int32_t oldest = search.oldest;
    const std::int32_t newerThanBest = static_cast<std::int32_t>(search.bestPosition);
    const std::uint32_t prefixLevel = search.prefixLevel;
    const std::uint32_t tailLevel = search.tailLevel;
    const std::int32_t tailOffset = search.tailOffset;
    std::int32_t q = search.prefixNext;
    std::int32_t tail = search.tailNext;
    for (;;) {
      if (beats(q)) return q;
      q = chains_.Previous(prefixLevel, q);
      if (search.tailWalk) {
        const std::int32_t candidate = tail - tailOffset;
        if (candidate < oldest) return -1;
        if (candidate < newerThanBest && beats(candidate)) return candidate;
        tail = chains_.Previous(tailLevel, tail);
      }
      if (q < oldest) return -1;
    }
  }

  // How S (the bytes at c) starts: repeating with `period` (at most 4; 0 when longer) up to `end`.
  struct Repeat {
    std::uint32_t period;
    std::uint32_t end;
  };

  Repeat StartRepeat(const std::uint32_t c) const {
    const std::uint32_t period = StartPeriod(c);
    if (period > kLongestFamilyPeriod) return {0, 0};
    return {period, period + CommonLength(c + period, c, kLongestMatch - period)};
  }

  // A candidate q of the prefix walk (on the chain of 8 bytes) that lies in a stretch repeating
  // with S's starting period p, its length l at least 8 and below the end m of S's own
  // repetition. Then each position kp below q inside the stretch holds S's first l + kp bytes
  // followed by the byte that stopped q, as long as l + kp < m: its length is l + kp. The oldest
  // of them is the longest and stands for all; the chain between them holds no other position
  // sharing S's first 8 bytes (8 bytes with periods p and d < p, p at most 4, would have the
  // smaller period gcd(p, d)). Returns false when q is no such candidate.
  bool PassFamily(Search& search, const Repeat& repeat, const std::uint32_t q) {
    const std::uint32_t p = repeat.period;
    if (q < static_cast<std::uint32_t>(search.oldest) + p || CommonLength(q - p, q, p) < p) return false;
    const std::uint32_t length = CommonLength(q, search.c, repeat.end);
    if (length < 8 || length >= repeat.end) return false;
    const std::uint32_t reach = std::min(q - static_cast<std::uint32_t>(search.oldest), (repeat.end - 1 - length) / p * p);
    const std::uint32_t steps = CommonLengthBackwards(q, q + p, reach) / p;
    const std::uint32_t oldest = q - steps * p;
    const std::uint32_t longest = length + steps * p;
    if (longest > search.best) {
      TakeBest(search, oldest, longest);
    } else {
      search.prefixNext = chains_.Previous(search.prefixLevel, static_cast<std::int32_t>(oldest));
    }
    return true;
  }

  // Where the tail walk's key ends in S: at the byte where the best stopped matching, unless S
  // repeats its short starting period there, as in a long line of zeros, where nearly every
  // position of a repeating stretch holds the same key. Then the key ends at the last byte before
  // it where that repetition breaks (in a line of zeros, its line end), which candidates beating
  // the best must hold as well and few positions do.
  std::uint32_t TailKeyEnd(Search& search) const {
    const std::uint32_t best = search.best;
    if (best + 1 < 2 * kLevelLength[kEightBytes]) return best;
    if (search.startPeriod == 0) search.startPeriod = StartPeriod(search.c);
    const std::uint32_t p = search.startPeriod;
    if (p == kLevelLength[kEightBytes]) return best;  // S does not start repeating
    const std::uint32_t end = search.c + best + 1;
    const std::uint32_t repeating = CommonLengthBackwards(end, end - p, best + 1 - p);
    if (repeating == best + 1 - p || best - repeating + 1 < kLevelLength[kEightBytes]) return best;
    return best - repeating;
  }

  // The smallest period of the 8 bytes at c (8 when none is shorter).
  std::uint32_t StartPeriod(const std::uint32_t c) const {
    std::uint64_t bytes;
    std::memcpy(&bytes, window_ + c, 8);
    for (std::uint32_t p = 1; p < 8; ++p) {
      const std::uint64_t compared = (std::uint64_t{1} << (8 * (8 - p))) - 1;  // the bytes with one p on
      if (((bytes ^ (bytes >> (8 * p))) & compared) == 0) return p;
    }
    return 8;
  }

  // A new best: both walks go on from it.
  void TakeBest(Search& search, const std::uint32_t candidate, const std::uint32_t length) {
    search.best = length;
    search.bestPosition = candidate;
    search.prefixLevel = LevelFor(length);
    search.prefixNext = chains_.Previous(search.prefixLevel, static_cast<std::int32_t>(candidate));
    if (length == kLongestMatch) return;
    search.tailLevel = LevelFor(length + 1);
    search.tailOffset = static_cast<std::int32_t>(TailKeyEnd(search) + 1 - kLevelLength[search.tailLevel]);
    const std::uint32_t tailStart = search.c + static_cast<std::uint32_t>(search.tailOffset);
    search.tailWalk = tailStart <= enterLimit_;
    if (!search.tailWalk) return;
    search.tailNext = chains_.Previous(search.tailLevel, static_cast<std::int32_t>(tailStart));
  }

  // The smallest period of the 516 bytes at c if it is at most 258 (the string repeats at least
  // twice); otherwise 516. `from` is a bound below it.
  std::uint32_t SmallestPeriod(const std::uint32_t c, const std::uint32_t from) const {
    std::uint64_t start;
    std::memcpy(&start, window_ + c, 8);
    for (std::uint32_t d = from; d <= kLongestMatch / 2; ++d) {
      std::uint64_t bytes;
      std::memcpy(&bytes, window_ + c + d, 8);
      if (bytes == start && CommonLength(c + d, c, kLongestMatch - d) == kLongestMatch - d) return d;
    }
    return kLongestMatch;
  }

  // The candidate at `newest` reaches 516; so may older ones, and the oldest of them wins. Every
  // one holds all of S (the 516 bytes at c), so the walk takes the chain of the 8 bytes of S that
  // end where its start stops repeating (in a line of zeros, its line end): far fewer positions
  // share those than share S's first 8 bytes.
  std::uint32_t OldestLongest(const std::uint32_t c, const std::int32_t oldest, const std::uint32_t newest) {
    constexpr std::uint32_t kLongest = kChainLevels - 1;
    constexpr std::uint32_t kKey = kLevelLength[kLongest];
    const std::uint32_t startPeriod = StartPeriod(c);
    const std::uint32_t repeatEnd = startPeriod + CommonLength(c + startPeriod, c, kLongestMatch - startPeriod);
    // A period P of S with P + startPeriod <= repeatEnd would be a multiple of startPeriod (the
    // two would have a common divisor period over S's first repeatEnd bytes), and then S would
    // repeat startPeriod past repeatEnd as well. So P lies above repeatEnd - startPeriod, or S
    // repeats startPeriod throughout and that is P.
    const auto smallestPeriod = [&] {
      if (repeatEnd == kLongestMatch) return startPeriod;
      return SmallestPeriod(c, repeatEnd - startPeriod + 1);
    };
    std::uint32_t keyOffset = repeatEnd < kLongestMatch ? repeatEnd + 1 - kKey : 0;
    if (c + keyOffset > enterLimit_) keyOffset = 0;
    const std::int32_t offset = static_cast<std::int32_t>(keyOffset);
    const auto older = [&](const std::int32_t candidate) {
      return chains_.Previous(kLongest, candidate + offset) - offset;
    };

    // No two positions reaching 516 lie closer than S's smallest period p. Where the bytes below
    // one of them repeat with period p, every p-th position down reaches 516 too: jump to the last.
    std::uint32_t period = 0;  // worked out when first needed
    const auto jump = [&](const std::uint32_t q) {
      if (period == 0) period = smallestPeriod();
      if (period == kLongestMatch) return q;
      return q - CommonLengthBackwards(q, q + period, q - static_cast<std::uint32_t>(oldest)) / period * period;
    };
    if (older(static_cast<std::int32_t>(newest)) < oldest) {  // nothing older holds S's key
      distance_ = c - newest - 1;
      return kLongestMatch;
    }
    std::uint32_t q = jump(newest);
    for (std::int32_t r = older(static_cast<std::int32_t>(q)); r >= oldest;) {
      // Unless S is one byte repeated, all that counts is whether r holds all of S: its last 16
      // bytes tell most of those that do not.
      if (AgreementMask(static_cast<std::uint32_t>(r) + kLongestMatch - 16, c + kLongestMatch - 16) != 0xFFFFu) {
        if (period == 0) period = smallestPeriod();
        if (period != 1) {
          r = older(r);
          continue;
        }
      }
      const std::uint32_t agreed = CommonLength(static_cast<std::uint32_t>(r), c, kLongestMatch);
      if (agreed == kLongestMatch) {
        q = jump(static_cast<std::uint32_t>(r));
        r = older(static_cast<std::int32_t>(q));
        continue;
      }
      if (period == 0) period = smallestPeriod();
      if (period != 1 || agreed < kKey) {
        r = older(r);
        continue;
      }
      // S is one byte repeated, and the run of it that r lies in ends at r + agreed: its positions
      // reach 516 from 516 before that end down to the run's start; if none does, the next
      // candidate lies before the run (whose start, with at least 8 of the byte ahead, is on the
      // chain).
      const std::int32_t runStart =
          r - static_cast<std::int32_t>(CommonLengthBackwards(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(r) + 1,
                                                              static_cast<std::uint32_t>(r - oldest)));
      const std::int32_t reaching = r + static_cast<std::int32_t>(agreed) - static_cast<std::int32_t>(kLongestMatch);
      r = reaching >= runStart ? reaching : older(runStart);
    }
    distance_ = c - q - 1;
    return kLongestMatch;
  }

  ImplodeWorkArea& work_;
  std::uint8_t* const window_;
  BitOutput& out_;
  PrefixChains chains_;
  const std::uint32_t dictionarySize_;
  const std::uint32_t dictionaryBits_;
  const std::uint32_t dictionaryMask_;
  std::uint32_t distance_ = 0;  // distance of the last match found, minus 1
  std::uint32_t first_ = 0;     // the block's first indexed position
  std::uint32_t enterLimit_ = 0;
};

}  // namespace

namespace implode {

std::uint32_t DictionaryBits(const std::uint32_t dictionarySize) {
  switch (dictionarySize) {
    case 1024: return 4;
    case 2048: return 5;
    case 4096: return 6;
    default: return 0;
  }
}

PassRunResult EncodePasses(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work, void* param,
                           const std::uint32_t literalMode, const std::uint32_t dictionarySize, const PassRun& run) {
  const std::uint32_t dictionaryBits = DictionaryBits(dictionarySize);
  PrepareSymbolCodes(work, literalMode);
  BitOutput out(work, write, param, literalMode, dictionaryBits, run.firstPass == 0);
  Encoder encoder(work, out, dictionarySize, dictionaryBits);
  std::uint8_t* const window = work.window;
  const std::uint32_t blockStart = dictionarySize + kLookahead;
  std::uint32_t c = blockStart;
  if (run.firstPass == 0) {
    encoder.StartAt(c);
  } else {
    // The window as the pass before left it: the dictionary and lookahead, and past them that
    // pass's block, which stays where this pass's block is short.
    std::memcpy(window, run.history - blockStart, blockStart);
    std::memcpy(window + blockStart, run.history - kImplodeReadSize, kImplodeReadSize);
    c = run.firstPosition != 0 ? run.firstPosition : dictionarySize;
    encoder.StartWithoutHistory(0);
  }
  for (std::uint64_t pass = run.firstPass;; ++pass) {
    if (run.watch != nullptr) {
      const PassStop stop = run.watch->AtPass(pass, c, out.bits());
      for (std::size_t i = 0; i < stop.spliceCount; ++i) {
        out.PutRange(stop.splice[i].bytes, stop.splice[i].from, stop.splice[i].to);
      }
      if (stop.stop) {
        const std::uint64_t bits = out.bits();
        out.Finish();
        return {bits, stop.spliceCount != 0};
      }
    }
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
    encoder.BeginBlock(first, end, ended);
    if (run.log != nullptr) {
      const std::uint64_t base = pass * kImplodeReadSize - blockStart;
      encoder.EncodeBlock<true>(c, end, ended, run.log, base);
    } else {
      encoder.EncodeBlock<false>(c, end, ended, nullptr, 0);
    }
    if (ended) break;
    std::memmove(window, window + kImplodeReadSize, dictionarySize + kLookahead);
    encoder.WindowMoved();
    c -= kImplodeReadSize;
  }
  out.Put(work.symbolBits[kEndSymbol], work.symbolCodes[kEndSymbol]);
  const std::uint64_t bits = out.bits();
  out.Finish();
  return {bits, true};
}

}  // namespace implode

unsigned ImplodeStream(StreamReadCallback read, StreamWriteCallback write, ImplodeWorkArea& work,
                       void* param, const std::uint32_t literalMode, const std::uint32_t dictionarySize) {
  if (implode::DictionaryBits(dictionarySize) == 0) return kStreamBadDictionary;
  if (literalMode > 1) return kStreamBadLiteralMode;
  EncodePasses(read, write, work, param, literalMode, dictionarySize, implode::PassRun{});
  return kStreamOk;
}
