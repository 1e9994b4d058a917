#include "project/text_search.h"

#include <cstring>

#include "platform/platform.h"
#include "project/text_keys.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TQ_TEXT_SSE2 1
#endif

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

constexpr std::size_t kLargePagesFrom = 32u << 20;

bool IsCommonInHexText(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') || c == ' ' || c == '\r' ||
         c == '\n' || c == '\t';
}

// Bytes of project text from the most to the least common outside hex blocks; a byte not listed
// is rarer than all of them.
constexpr std::string_view kByCommonness = " ;=:.,()\"etaoinsrhldcumfpgwybvkxjqzETAOINSRHLDCUMFPGWYBVKXJQZ";

// The index of the key's byte to look for first: the rarest one that hex text never holds.
std::size_t AnchorOf(std::string_view key) {
  std::size_t anchor = 0;
  std::size_t rarity = 0;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (IsCommonInHexText(key[i])) continue;
    const std::size_t rank = kByCommonness.find(key[i]);
    const std::size_t keyRarity = rank == std::string_view::npos ? kByCommonness.size() + 1 : rank + 1;
    if (keyRarity > rarity) {
      anchor = i;
      rarity = keyRarity;
    }
  }
  return anchor;
}

const char* FindByte(const char* from, const char* end, char c) {
  return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
}

// Whether the key's bytes before and after its anchor stand around the anchor at, with CR bytes
// between them dropped when skipCr is set; the key's first byte's position goes to start.
bool MatchesAround(std::string_view text, std::size_t at, std::string_view key, std::size_t anchor, bool skipCr,
                   std::size_t& start) {
  std::size_t before = at;
  for (std::size_t k = anchor; k-- > 0;) {
    do {
      if (before == 0) return false;
      --before;
    } while (skipCr && text[before] == '\r');
    if (text[before] != key[k]) return false;
  }
  std::size_t after = at;
  for (std::size_t k = anchor + 1; k < key.size(); ++k) {
    do {
      if (++after >= text.size()) return false;
    } while (skipCr && text[after] == '\r');
    if (text[after] != key[k]) return false;
  }
  start = before;
  return true;
}

std::size_t FindAnchored(std::string_view text, std::string_view key, std::size_t from, std::size_t limit,
                         bool skipCr) {
  if (key.empty()) return from <= text.size() ? from : kNotFound;
  const std::size_t anchor = AnchorOf(key);
  const char* const begin = text.data();
  const char* const end = begin + std::min(limit, text.size());
  for (const char* at = begin + std::min(from + anchor, text.size()); at < end;) {
    const char* const hit = FindByte(at, end, key[anchor]);
    if (hit == nullptr) return kNotFound;
    std::size_t start = 0;
    if (MatchesAround(text, static_cast<std::size_t>(hit - begin), key, anchor, skipCr, start) && start >= from) {
      return start;
    }
    at = hit + 1;
  }
  return kNotFound;
}

std::size_t LineStart(std::string_view text, std::size_t at) {
  const std::size_t lf = text.rfind('\n', at == 0 ? 0 : at - 1);
  return (at == 0 || lf == kNotFound) ? 0 : lf + 1;
}

// The position after the LF that ends the line holding at (the text's size for a last line).
std::size_t NextLine(std::string_view text, std::size_t at) {
  const char* const lf = FindByte(text.data() + at, text.data() + text.size(), '\n');
  return lf == nullptr ? text.size() : static_cast<std::size_t>(lf - text.data()) + 1;
}

}  // namespace

std::size_t FindKey(std::string_view text, std::string_view key, std::size_t from) {
  return FindAnchored(text, key, from, kNotFound, false);
}

std::size_t FindKeyInAnsiLines(std::string_view text, std::string_view key, std::size_t from, std::size_t limit) {
  return FindAnchored(text, key, from, limit, true);
}

std::size_t FindCommonKey(std::string_view text, std::string_view key, std::size_t from) {
  if (key.size() < 2) return text.find(key, from);
  if (from > text.size() || text.size() - from < key.size()) return kNotFound;
  const char* const begin = text.data();
  const std::size_t last = key.size() - 1;
  const std::size_t lastStart = text.size() - key.size();  // the last position the key fits at
  const auto matchesAt = [&](const std::size_t at) {
    return begin[at + last] == key.back() && std::memcmp(begin + at + 1, key.data() + 1, last - 1) == 0;
  };
  std::size_t at = from;
#ifdef TQ_TEXT_SSE2
  const __m128i first = _mm_set1_epi8(key.front());
  const __m128i final = _mm_set1_epi8(key.back());
  for (; at + 15 <= lastStart; at += 16) {
    const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at));
    const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at + last));
    auto candidates = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, final))));
    for (; candidates != 0; candidates &= candidates - 1) {
      const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(candidates));
      if (matchesAt(candidate)) return candidate;
    }
  }
#endif
  for (const char* hit; at <= lastStart && (hit = FindByte(begin + at, begin + lastStart + 1, key.front())) != nullptr;) {
    at = static_cast<std::size_t>(hit - begin);
    if (matchesAt(at)) return at;
    ++at;
  }
  return kNotFound;
}

bool HoldsAnyOf(std::string_view text, const char a, const char b, const char c) {
  const char* at = text.data();
  const char* const end = at + text.size();
#ifdef TQ_TEXT_SSE2
  const __m128i as = _mm_set1_epi8(a);
  const __m128i bs = _mm_set1_epi8(b);
  const __m128i cs = _mm_set1_epi8(c);
  const auto any = [&](const char* const from) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, as), _mm_cmpeq_epi8(bytes, bs)), _mm_cmpeq_epi8(bytes, cs));
  };
  for (; end - at >= 64; at += 64) {
    const __m128i found = _mm_or_si128(_mm_or_si128(any(at), any(at + 16)), _mm_or_si128(any(at + 32), any(at + 48)));
    if (_mm_movemask_epi8(found) != 0) return true;
  }
#endif
  for (; at != end; ++at) {
    if (*at == a || *at == b || *at == c) return true;
  }
  return false;
}

bool HoldsLfWithoutCr(std::string_view text, const char before) {
  if (text.empty()) return false;
  if (text[0] == '\n' && before != '\r') return true;
  std::size_t at = 1;
#ifdef TQ_TEXT_SSE2
  const __m128i lineFeed = _mm_set1_epi8('\n');
  const __m128i carriageReturn = _mm_set1_epi8('\r');
  __m128i lone = _mm_setzero_si128();
  for (; at + 16 <= text.size(); at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const __m128i previous = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at - 1));
    lone = _mm_or_si128(lone, _mm_andnot_si128(_mm_cmpeq_epi8(previous, carriageReturn), _mm_cmpeq_epi8(bytes, lineFeed)));
  }
  if (_mm_movemask_epi8(lone) != 0) return true;
#endif
  for (; at < text.size(); ++at) {
    if (text[at] == '\n' && text[at - 1] != '\r') return true;
  }
  return false;
}

void AppendLinesSpaced(std::string& out, std::string_view text) {
  if (text.empty()) return;
  const std::size_t start = out.size();
  // The lines never take more room than the text and a closing space.
  out.resize(start + text.size() + 1);
  char* d = out.data() + start;
  const char* s = text.data();
  const char* const end = s + text.size();
  // The bytes of the line ending at lf stand at d on; the LF becomes a space, over the CR before
  // it when there is one (a CR can only stand before the LF on the same line).
  const auto endLine = [&](const char* const lf) {
    char* const space = d + (lf - s) - (lf != text.data() && lf[-1] == '\r' ? 1 : 0);
    *space = ' ';
    d = space + 1;
    s = lf + 1;
  };
#ifdef TQ_TEXT_SSE2
  // Sixteen bytes at a time are copied ahead of knowing where the line ends; the output never
  // runs ahead of the text, so the stores stay inside the room made above.
  const __m128i lineFeed = _mm_set1_epi8('\n');
  while (end - s >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), bytes);
    const auto lineFeeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)));
    if (lineFeeds == 0) {
      s += 16;
      d += 16;
      continue;
    }
    endLine(s + __builtin_ctz(lineFeeds));
  }
#endif
  for (const char* lf; (lf = FindByte(s, end, '\n')) != nullptr;) {
    std::memcpy(d, s, static_cast<std::size_t>(lf - s));
    endLine(lf);
  }
  std::memcpy(d, s, static_cast<std::size_t>(end - s));
  d += end - s;
  if (text.back() != '\n') *d++ = ' ';
  out.resize(static_cast<std::size_t>(d - out.data()));
}

void HexBlockReader::AfterKeyLine(std::string_view piece, std::size_t& at, std::string_view key, State next) {
  const std::size_t found = FindKeyInAnsiLines(piece, key, at);
  const std::size_t keyLine = found == kNotFound ? piece.size() : LineStart(piece, found);
  // A line holding the stop key ends the search, unless it holds the key too.
  if (FindKeyInAnsiLines(piece, keys::kFirstResourceStop, at, keyLine) != kNotFound) {
    state_ = State::Absent;
  } else if (found == kNotFound) {
    at = piece.size();
  } else {
    at = NextLine(piece, found);
    state_ = next;
  }
}

void HexBlockReader::ReserveContent(std::size_t size) {
  content_.reserve(size);
  // A large block's room is filled with no page fault per page; on a small one a large page
  // would round the memory up by more than is saved.
  if (size >= kLargePagesFrom) platform::PreferLargePages(content_.data(), content_.capacity());
}

void HexBlockReader::AppendContent(std::string_view piece, std::size_t from, std::size_t to) {
  if (keepContent_) AppendLinesSpaced(content_, piece.substr(from, to - from));
}

void HexBlockReader::Feed(std::string_view piece, std::size_t offset) {
  std::size_t at = 0;
  while (at < piece.size() && !Done()) {
    switch (state_) {
      case State::Section:
        AfterKeyLine(piece, at, sectionKey_, State::Entry);
        break;
      case State::Entry:
        AfterKeyLine(piece, at, entryKey_, State::Opening);
        break;
      case State::Opening: {
        const std::size_t opening = FindKeyInAnsiLines(piece, keys::kMarkerStem, at);
        at = opening == kNotFound ? piece.size() : NextLine(piece, opening);
        if (opening != kNotFound) {
          state_ = State::Content;
          span_.begin = offset + at;
          if (keepContent_ && textSize_ > span_.begin) ReserveContent(static_cast<std::size_t>(textSize_ - span_.begin));
        }
        break;
      }
      case State::Content: {
        // Content lines are read as bytes: the marker that ends them is found as it stands.
        const std::size_t closing = FindKey(piece, keys::kMarkerStem, at);
        const std::size_t end = closing == kNotFound ? piece.size() : std::max(at, LineStart(piece, closing));
        AppendContent(piece, at, end);
        at = closing == kNotFound ? piece.size() : end;
        if (closing != kNotFound) {
          state_ = State::Found;
          span_.end = offset + end;
        }
        break;
      }
      case State::Found:
      case State::Absent:
        break;
    }
  }
}

std::optional<TextSpan> HexBlockReader::Span() const {
  if (state_ != State::Found) return std::nullopt;
  return span_;
}

std::string HexBlockReader::TakeContent() {
  if (state_ != State::Found) return {};
  return std::move(content_);
}

std::optional<TextSpan> LocateExtractedContent(std::string_view text, std::string_view sectionKey,
                                               std::string_view entryKey) {
  HexBlockReader reader(sectionKey, entryKey, false);
  reader.Feed(text, 0);
  return reader.Span();
}
