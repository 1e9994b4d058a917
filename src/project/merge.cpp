#include "project/merge.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>
#include <new>
#include <stdexcept>

#include "app/change_report.h"
#include "app/user_interface.h"
#include "project/project_reader.h"
#include "project/text_keys.h"
#include "project/text_search.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kIoTableSection = "IOTable:";
constexpr std::string_view kSettingsSection = "Settings:";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kValuesPerLine = 32;

constexpr std::size_t kNotFound = std::string_view::npos;

constexpr std::array<bool, 256> kTokenSeparators = [] {
  std::array<bool, 256> separators{};
  for (const unsigned char c : {' ', '\t', '\r', '\n'}) separators[c] = true;
  return separators;
}();

bool IsTokenSeparator(char c) { return kTokenSeparators[static_cast<unsigned char>(c)]; }

// Sixteen values of two characters with one space between each and a separator after the last.
constexpr std::size_t kRun = 16;
constexpr std::size_t kRunBytes = 3 * kRun - 1;
#if defined(__SSE2__) || defined(_M_X64)
// Bit i set for each of the 48 bytes from at that is a separator, and in spaces for each space.
std::uint64_t SeparatorBits(const char* const at, std::uint64_t& spaces) {
  std::uint64_t separators = 0;
  spaces = 0;
  for (int part = 0; part < 3; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * part));
    const __m128i space = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    const __m128i other = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')),
                                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))),
                                       _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    spaces |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(space))) << (16 * part);
    separators |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(space, other))))
                  << (16 * part);
  }
  return separators;
}

// The run's layout as bits: the spaces between its values, its digits, and the byte after it.
constexpr std::uint64_t kRunSpaces = [] {
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k + 1 < kRun; ++k) bits |= std::uint64_t{1} << (3 * k + 2);
  return bits;
}();
constexpr std::uint64_t kRunDigits = ((std::uint64_t{1} << kRunBytes) - 1) & ~kRunSpaces;
constexpr std::uint64_t kAfterRun = std::uint64_t{1} << kRunBytes;

bool IsRunOfValues(const char* at) {
  std::uint64_t spaces = 0;
  const std::uint64_t separators = SeparatorBits(at, spaces);
  return (spaces & kRunSpaces) == kRunSpaces && (separators & kRunDigits) == 0 && (separators & kAfterRun) != 0;
}
#else
bool IsRunOfValues(const char* at) {
  bool other = false;
  for (std::size_t k = 0; k < kRun; ++k) {
    other |= IsTokenSeparator(at[3 * k]) | IsTokenSeparator(at[3 * k + 1]) |
             (k + 1 < kRun ? at[3 * k + 2] != ' ' : !IsTokenSeparator(at[3 * k + 2]));
  }
  return !other;
}
#endif

// Where the source device entries stand.
std::vector<std::size_t> FindDeviceEntries(std::string_view buffer) {
  std::vector<std::size_t> entries;
  for (std::size_t at = FindKey(buffer, keys::kSourceDeviceEntry); at != kNotFound;
       at = FindKey(buffer, keys::kSourceDeviceEntry, at + keys::kSourceDeviceEntry.size())) {
    entries.push_back(at);
  }
  return entries;
}

void ReportDeviceEntries(const std::vector<std::size_t>& entries) {
  if (ChangeReport* const report = CurrentChangeReport()) report->deviceEntriesReplaced = entries.size();
}

// The two entries differ in digits only: a replaced entry moves nothing and changes no quote or
// semicolon, so the configuration line is found where it was.
static_assert([] {
  if (keys::kSourceDeviceEntry.size() != keys::kTargetDeviceEntry.size()) return false;
  for (std::size_t i = 0; i < keys::kSourceDeviceEntry.size(); ++i) {
    const char from = keys::kSourceDeviceEntry[i];
    const char to = keys::kTargetDeviceEntry[i];
    if (from != to && !(from >= '0' && from <= '9' && to >= '0' && to <= '9')) return false;
  }
  return true;
}());

void ReplaceDeviceEntries(std::string& buffer, const std::vector<std::size_t>& entries) {
  for (const std::size_t at : entries) buffer.replace(at, keys::kTargetDeviceEntry.size(), keys::kTargetDeviceEntry);
  ReportDeviceEntries(entries);
}

// The marker number after "$?St$Bk?_#[" as the closing marker spells it (canonical decimal),
// and where the content starts; nothing when "]" does not follow the digits or the number does
// not fit.
struct OpeningMarker {
  std::string closingMarker;
  std::size_t contentStart;
};

std::optional<OpeningMarker> ReadOpeningMarker(std::string_view buffer, std::size_t marker) {
  std::size_t at = marker + keys::kMarkerOpen.size();
  std::int64_t number = 0;
  while (at < buffer.size() && buffer[at] >= '0' && buffer[at] <= '9') {
    number = number * 10 + (buffer[at] - '0');
    if (number > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    ++at;
  }
  if (at >= buffer.size() || buffer[at] != ']') return std::nullopt;
  return OpeningMarker{std::string(keys::kMarkerOpen) + std::to_string(number) + "]", at + 1};
}

// Where a block's content lies: from contentStart up to the closing marker.
struct BlockSpan {
  std::size_t contentStart;
  std::size_t closingMarker;
};

// FindMatchingEnd's answers over one unchanging buffer: its blocks share their PLC's end, and the
// two I/O table blocks their section's.
class MatchingEnds {
 public:
  explicit MatchingEnds(std::string_view buffer) : buffer_(buffer) {}
  std::optional<std::size_t> Of(std::size_t begin) {
    for (const auto& [known, end] : known_) {
      if (known == begin) return end;
    }
    known_.emplace_back(begin, FindMatchingEnd(buffer_, begin));
    return known_.back().second;
  }

 private:
  std::string_view buffer_;
  std::vector<std::pair<std::size_t, std::optional<std::size_t>>> known_;
};

std::optional<BlockSpan> LocateHexBlock(std::string_view buffer, std::string_view sectionKey,
                                        std::string_view entryKey, MatchingEnds& ends) {
  const std::size_t plc = FindKey(buffer, keys::kPlc);
  if (plc == kNotFound) return std::nullopt;
  const std::size_t plcBegin = FindKey(buffer, keys::kBegin, plc + keys::kPlc.size());
  if (plcBegin == kNotFound) return std::nullopt;
  const std::optional<std::size_t> plcEnd = ends.Of(plcBegin);
  if (!plcEnd) return std::nullopt;
  const std::size_t section = FindKey(buffer, sectionKey, plcBegin + keys::kBegin.size());
  if (section == kNotFound || section >= *plcEnd) return std::nullopt;
  const std::size_t sectionBegin = FindKey(buffer, keys::kBegin, section + sectionKey.size());
  if (sectionBegin == kNotFound || sectionBegin >= *plcEnd) return std::nullopt;
  const std::optional<std::size_t> sectionEnd = ends.Of(sectionBegin);
  if (!sectionEnd || *sectionEnd >= *plcEnd) return std::nullopt;
  const std::size_t entry = FindKey(buffer, entryKey, sectionBegin + keys::kBegin.size());
  if (entry == kNotFound || entry >= *sectionEnd) return std::nullopt;
  const std::size_t marker = FindKey(buffer, keys::kMarkerOpen, entry + entryKey.size());
  if (marker == kNotFound || marker >= *sectionEnd) return std::nullopt;
  const std::optional<OpeningMarker> opening = ReadOpeningMarker(buffer, marker);
  if (!opening) return std::nullopt;
  const std::size_t closing = FindKey(buffer, opening->closingMarker, opening->contentStart);
  if (closing == kNotFound || closing >= *sectionEnd) return std::nullopt;
  return BlockSpan{opening->contentStart, closing};
}

// FNV-1a over the whitespace-separated tokens of a text, each with its length: the same for two
// texts that hold the same values, however their lines are broken and indented.
std::uint64_t TokenDigest(std::string_view text) {
  std::uint64_t digest = 0xCBF29CE484222325ull;
  const auto mix = [&digest](unsigned char byte) { digest = (digest ^ byte) * 0x100000001B3ull; };
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsTokenSeparator(text[at])) ++at;
    if (at == text.size()) break;
    std::size_t end = at;
    while (end < text.size() && !IsTokenSeparator(text[end])) ++end;
    for (std::size_t n = end - at, i = 0; i < 8; ++i, n >>= 8) mix(static_cast<unsigned char>(n));
    for (; at < end; ++at) mix(static_cast<unsigned char>(text[at]));
  }
  return digest;
}

std::uint64_t TokenDigest(std::string_view text, const std::optional<TextSpan>& span) {
  return span ? TokenDigest(text.substr(span->begin, span->end - span->begin)) : TokenDigest({});
}

// What the extraction read from one of the staged project's blocks, the new hex text's source:
// where it stands in the text, or its digest once the bytes under it have changed.
struct ExtractedBlock {
  std::optional<TextSpan> span;
  std::optional<std::uint64_t> digest;

  // Called before bytes from at to at + length change.
  void BeforeChange(std::string_view text, std::size_t at, std::size_t length) {
    if (!digest && span && at < span->end && at + length > span->begin) digest = TokenDigest(text, span);
  }
  // After the bytes from at to at + oldLength were replaced by newLength bytes.
  void AfterReplace(std::size_t at, std::size_t oldLength, std::size_t newLength) {
    if (digest || !span || span->begin < at + oldLength) return;
    span->begin = span->begin - oldLength + newLength;
    span->end = span->end - oldLength + newLength;
  }
  bool Holds(std::string_view text, std::size_t begin, std::size_t end) const;
};

std::size_t SkipSeparators(std::string_view text, std::size_t at, std::size_t end) {
  while (at < end && IsTokenSeparator(text[at])) ++at;
  return at;
}

std::size_t BackOverSeparators(std::string_view text, std::size_t begin, std::size_t end) {
  while (end > begin && IsTokenSeparator(text[end - 1])) --end;
  return end;
}

// Whether text[begin, end) holds the values the extraction read. Mostly the very same bytes
// without the line ends around them, which needs no digest.
bool ExtractedBlock::Holds(std::string_view text, std::size_t begin, std::size_t end) const {
  if (!digest && span) {
    const std::size_t first = SkipSeparators(text, begin, end);
    const std::size_t last = BackOverSeparators(text, first, end);
    const std::size_t extractedFirst = SkipSeparators(text, span->begin, span->end);
    if (first == extractedFirst && last == BackOverSeparators(text, extractedFirst, span->end)) return true;
  }
  return TokenDigest(text.substr(begin, end - begin)) == (digest ? *digest : TokenDigest(text, span));
}

struct ExtractedBlocks {
  ExtractedBlock ioData;
  ExtractedBlock unitSetup;
  ExtractedBlock settingsData;

  void BeforeChange(std::string_view text, std::size_t at, std::size_t length) {
    for (ExtractedBlock* block : {&ioData, &unitSetup, &settingsData}) block->BeforeChange(text, at, length);
  }
  void AfterReplace(std::size_t at, std::size_t oldLength, std::size_t newLength) {
    for (ExtractedBlock* block : {&ioData, &unitSetup, &settingsData}) block->AfterReplace(at, oldLength, newLength);
  }
};

ExtractedBlocks LocateAsExtracted(std::string_view buffer) {
  return {{LocateExtractedContent(buffer, keys::kIoTable, keys::kData), std::nullopt},
          {LocateExtractedContent(buffer, keys::kIoTable, keys::kUnitSetup), std::nullopt},
          {LocateExtractedContent(buffer, keys::kSettings, keys::kData), std::nullopt}};
}

enum class BlockPatch { Replaced, NotFound, OtherContent };

// Locates the block and checks that it holds the values the extraction read for it. The
// extraction reads lines up to the next marker of any number, from the first keys of the text;
// the merge goes to the closing marker of the block's own number, inside the first PLC. Where the
// two part (another block's marker inside the block, a key before the PLC), a patch would put
// one block's values in another's place, or drop what stands between the two markers.
BlockPatch CheckBlock(std::string_view buffer, std::string_view sectionKey, std::string_view entryKey,
                      const ExtractedBlock* extracted, MatchingEnds& ends, std::optional<BlockSpan>& block) {
  block = LocateHexBlock(buffer, sectionKey, entryKey, ends);
  if (!block) return BlockPatch::NotFound;
  if (extracted && !extracted->Holds(buffer, block->contentStart, block->closingMarker)) {
    return BlockPatch::OtherContent;
  }
  return BlockPatch::Replaced;
}

BlockPatch ReplaceFormattedBlock(std::string& buffer, std::string_view sectionKey, std::string_view formatted,
                                 std::string_view entryKey, ExtractedBlocks* extracted = nullptr,
                                 const ExtractedBlock* own = nullptr) {
  std::optional<BlockSpan> block;
  MatchingEnds ends(buffer);  // the buffer changes with every replaced block
  const BlockPatch checked = CheckBlock(buffer, sectionKey, entryKey, own, ends, block);
  if (checked != BlockPatch::Replaced) return checked;
  const std::size_t length = block->closingMarker - block->contentStart;
  std::string content;
  content.reserve(formatted.size() + 2 * kLineEnd.size());
  content.append(kLineEnd).append(formatted).append(kLineEnd);
  if (extracted) extracted->BeforeChange(buffer, block->contentStart, length);
  buffer.replace(block->contentStart, length, content);
  if (extracted) extracted->AfterReplace(block->contentStart, length, content.size());
  return BlockPatch::Replaced;
}

// Every key a block's location searches for; a closing marker starts with the opening one.
constexpr std::array<std::string_view, 9> kLocationKeys = {
    keys::kPlc, keys::kBegin, keys::kEndSemicolon, keys::kEnd, kIoTableSection, kSettingsSection,
    keys::kData, keys::kUnitSetup, keys::kMarkerOpen};

// Bytes that every location key holds one of. Content without them leaves every later search as
// it would be with the content replaced.
constexpr char kKeyBytes[] = {'N', ':', '$'};
static_assert(std::all_of(kLocationKeys.begin(), kLocationKeys.end(), [](std::string_view key) {
  return key.find_first_of(std::string_view(kKeyBytes, sizeof kKeyBytes)) != std::string_view::npos;
}));

bool HoldsKeyBytes(std::string_view text) {
  static_assert(sizeof kKeyBytes == 3);
  return HoldsAnyOf(text, kKeyBytes[0], kKeyBytes[1], kKeyBytes[2]);
}

struct BlockToPatch {
  std::string_view sectionKey;
  std::string_view entryKey;
  std::string_view hex;
  const ExtractedBlock* extracted;
  bool mustLand;  // the I/O table data and the unit setup must land; a missing settings block is kept
};

// A change made as the output is written: the bytes from begin to end replaced, for a block by
// its hex text re-wrapped between two line ends.
struct PendingPatch {
  std::size_t begin;
  std::size_t end;
  std::string_view bytes;
  bool hexLines;
};

// Whether a patch covers or borders on any byte from begin to end.
bool Touches(const std::vector<PendingPatch>& patches, std::size_t begin, std::size_t end) {
  return std::any_of(patches.begin(), patches.end(),
                     [=](const PendingPatch& patch) { return patch.begin <= end && begin <= patch.end; });
}

enum class Patched { Done, Failed, NeedsOneByOne };

// Checks every block and notes its patch, leaving the buffer as it is; each block is located as
// if the blocks before it were replaced already, which holds while no replaced content (old or
// new) holds a key and no two blocks are one. NeedsOneByOne when one does or they are, or when a
// block lies under one of the pending patches given (whose bytes the check would have to see
// patched).
Patched PlanBlockPatches(std::string_view buffer, const std::vector<BlockToPatch>& blocks,
                         const std::vector<PendingPatch>& pending, std::vector<PendingPatch>& patches) {
  MatchingEnds ends(buffer);
  for (const BlockToPatch& block : blocks) {
    if (block.hex.empty()) continue;
    std::optional<BlockSpan> where;
    const BlockPatch checked = CheckBlock(buffer, block.sectionKey, block.entryKey, block.extracted, ends, where);
    if (where && Touches(pending, where->contentStart, where->closingMarker)) return Patched::NeedsOneByOne;
    if (checked == BlockPatch::OtherContent || (checked == BlockPatch::NotFound && block.mustLand)) {
      return Patched::Failed;
    }
    if (checked == BlockPatch::NotFound) continue;
    const std::string_view old = buffer.substr(where->contentStart, where->closingMarker - where->contentStart);
    if (HoldsKeyBytes(old) || HoldsKeyBytes(block.hex)) return Patched::NeedsOneByOne;
    // Two entries before one marker locate the same block: the second sees the first's new lines.
    if (Touches(patches, where->contentStart, where->closingMarker)) return Patched::NeedsOneByOne;
    patches.push_back({where->contentStart, where->closingMarker, block.hex, true});
  }
  return Patched::Done;
}

std::vector<BlockToPatch> BlocksToPatch(const ExtractedBlocks& extracted, std::string_view ioDataHex,
                                        std::string_view unitSetupHex, std::string_view settingsDataHex) {
  return {
      {kIoTableSection, keys::kData, ioDataHex, &extracted.ioData, true},
      {kIoTableSection, keys::kUnitSetup, unitSetupHex, &extracted.unitSetup, true},
      {kSettingsSection, keys::kData, settingsDataHex, &extracted.settingsData, false},
  };
}

void SortByPlace(std::vector<PendingPatch>& patches) {
  std::sort(patches.begin(), patches.end(),
            [](const PendingPatch& a, const PendingPatch& b) { return a.begin < b.begin; });
}

// The blocks replaced in the buffer one after another, each located afresh.
Patched PatchBlocksOneByOne(std::string& buffer, const std::vector<BlockToPatch>& blocks,
                            ExtractedBlocks& extracted) {
  for (const BlockToPatch& block : blocks) {
    if (block.hex.empty()) continue;
    const BlockPatch patched = ReplaceFormattedBlock(buffer, block.sectionKey, FormatHexLines(block.hex),
                                                     block.entryKey, &extracted, block.extracted);
    if (patched == BlockPatch::OtherContent || (patched == BlockPatch::NotFound && block.mustLand)) {
      return Patched::Failed;
    }
  }
  return Patched::Done;
}

// The new lines reach the file in few large writes (64 KiB ones cost a third more in the kernel
// than 1 MiB ones), in pieces of a sixty-fourth of the block, so that a small project's
// conversion stays small.
std::size_t WritePieceFor(std::string_view hex) {
  constexpr std::size_t kSmallest = std::size_t{1} << 16;
  constexpr std::size_t kLargest = std::size_t{1} << 20;
  return std::clamp(hex.size() / 64, kSmallest, kLargest);
}

bool WritePatched(platform::OutputFile& output, std::string_view buffer, const std::vector<PendingPatch>& patches) {
  bool written = true;
  const auto put = [&output, &written](std::string_view piece) {
    written = written && (piece.empty() || output.Write(piece));
    return written;
  };
  std::size_t at = 0;
  for (const PendingPatch& patch : patches) {
    put(buffer.substr(at, patch.begin - at));
    if (patch.hexLines) {
      put(kLineEnd);
      FormatHexLines(patch.bytes, put, WritePieceFor(patch.bytes));
      put(kLineEnd);
    } else {
      put(patch.bytes);
    }
    at = patch.end;
  }
  put(buffer.substr(at));
  return written;
}

enum class ConfigSpan { Absent, Found, Malformed };

// The first Config:="...";: from Config:=" to the "; after its closing quote.
ConfigSpan FindConfigSpan(std::string_view buffer, std::size_t& at, std::size_t& length) {
  const std::size_t config = FindKey(buffer, keys::kConfigOpen);
  if (config == kNotFound) return ConfigSpan::Absent;
  const std::size_t quote = buffer.find('"', config + keys::kConfigOpen.size());
  if (quote == kNotFound) return ConfigSpan::Absent;  // the value never closes: nothing to replace
  // A closing quote that does not end the entry would make the span run on into later text.
  if (quote + 1 >= buffer.size() || buffer[quote + 1] != ';') return ConfigSpan::Malformed;
  at = config;
  length = quote + 2 - config;
  return ConfigSpan::Found;
}

// The device entries and the configuration line, patched in the buffer; false when the
// configuration's closing quote is not followed by ";".
bool PatchDeviceAndConfig(std::string& buffer, std::string_view configLine, ExtractedBlocks& extracted) {
  const std::vector<std::size_t> entries = FindDeviceEntries(buffer);
  for (const std::size_t at : entries) extracted.BeforeChange(buffer, at, keys::kSourceDeviceEntry.size());
  ReplaceDeviceEntries(buffer, entries);
  if (configLine.empty()) return true;
  std::size_t at = 0;
  std::size_t length = 0;
  switch (FindConfigSpan(buffer, at, length)) {
    case ConfigSpan::Absent: return true;
    case ConfigSpan::Malformed: return false;
    case ConfigSpan::Found: break;
  }
  extracted.BeforeChange(buffer, at, length);
  buffer.replace(at, length, configLine);
  extracted.AfterReplace(at, length, configLine.size());
  return true;
}

// Whether replacing the bytes from at to at + length leaves every search of a block's location
// finding what it finds in the unpatched text, moved by the change in length: no location key
// overlaps the replaced bytes or their replacement, and no marker's number runs into them.
bool LeavesLocationAlone(std::string_view text, std::size_t at, std::size_t length, std::string_view replacement) {
  for (const std::string_view key : kLocationKeys) {
    const std::size_t margin = key.size() - 1;  // too short to hold the key by itself
    const std::size_t from = at - std::min(at, margin);
    const std::string_view before = text.substr(from, at - from);
    const std::string_view after = text.substr(at + length, margin);
    if (FindKey(text.substr(from, before.size() + length + after.size()), key) != kNotFound) return false;
    std::string patched;
    patched.append(before).append(replacement).append(after);
    if (FindKey(patched, key) != kNotFound) return false;
  }
  std::size_t number = at;
  while (number > 0 && text[number - 1] >= '0' && text[number - 1] <= '9') --number;
  return !text.substr(0, number).ends_with(keys::kMarkerOpen);
}

// The device entries and the configuration line as patches of the unpatched text. Failed when the
// configuration's closing quote is not followed by ";"; NeedsOneByOne when a patch could change
// what a block's location or check finds (then the text is patched in a buffer).
Patched PlanDeviceAndConfig(std::string_view text, std::string_view configLine, const ExtractedBlocks& extracted,
                            std::vector<PendingPatch>& patches) {
  const std::vector<std::size_t> entries = FindDeviceEntries(text);
  ReportDeviceEntries(entries);
  std::size_t configAt = 0;
  std::size_t configLength = 0;
  const ConfigSpan config = configLine.empty() ? ConfigSpan::Absent : FindConfigSpan(text, configAt, configLength);
  if (config == ConfigSpan::Malformed) return Patched::Failed;
  const std::size_t configEnd = configAt + configLength;
  for (const std::size_t at : entries) {
    const std::size_t end = at + keys::kSourceDeviceEntry.size();
    const bool inConfig = config == ConfigSpan::Found && at < configEnd && end > configAt;
    if (inConfig && (at < configAt || end > configEnd)) return Patched::NeedsOneByOne;
    // An entry inside the configuration is replaced with the whole line, whose new text has it.
    if (!inConfig) patches.push_back({at, end, keys::kTargetDeviceEntry, false});
  }
  if (config == ConfigSpan::Found) patches.push_back({configAt, configEnd, configLine, false});
  for (const PendingPatch& patch : patches) {
    if (!LeavesLocationAlone(text, patch.begin, patch.end - patch.begin, patch.bytes)) return Patched::NeedsOneByOne;
  }
  for (const ExtractedBlock* block : {&extracted.ioData, &extracted.unitSetup, &extracted.settingsData}) {
    if (block->span && Touches(patches, block->span->begin, block->span->end)) return Patched::NeedsOneByOne;
  }
  return Patched::Done;
}

// The whole merge over the input's unchanged bytes where they lie, every change made as the output
// is written. Nothing when the input cannot be mapped or when one patch could move what another
// finds: the merge in a buffer then.
std::optional<bool> MergeMapped(platform::InputFile& input, std::uint64_t size, platform::OutputFile& output,
                                std::string_view ioDataHex, std::string_view unitSetupHex,
                                std::string_view settingsDataHex, std::string_view configLine) {
  const std::unique_ptr<platform::FileMapping> mapping = input.Map();
  if (!mapping || mapping->Bytes().size() != size) return std::nullopt;
  const std::string_view text = mapping->Bytes();
  const ExtractedBlocks extracted = LocateAsExtracted(text);
  std::vector<PendingPatch> edits;
  switch (PlanDeviceAndConfig(text, configLine, extracted, edits)) {
    case Patched::Done: break;
    case Patched::Failed: return false;
    case Patched::NeedsOneByOne: return std::nullopt;
  }
  const std::vector<BlockToPatch> blocks = BlocksToPatch(extracted, ioDataHex, unitSetupHex, settingsDataHex);
  std::vector<PendingPatch> patches;
  switch (PlanBlockPatches(text, blocks, edits, patches)) {
    case Patched::Done: break;
    case Patched::Failed: return false;
    case Patched::NeedsOneByOne: return std::nullopt;
  }
  patches.insert(patches.end(), edits.begin(), edits.end());
  SortByPlace(patches);
  return WritePatched(output, text, patches);
}

// Fills the buffer with the input's bytes; false after the message.
bool LoadProject(platform::InputFile& input, std::uint64_t size, std::size_t spare, std::string& buffer) {
  try {
    buffer.reserve(static_cast<std::size_t>(size) + spare);
    buffer.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    ShowCatalogMessage("MsgMemFail");
    return false;
  } catch (const std::length_error&) {
    ShowCatalogMessage("MsgMemFail");
    return false;
  }
  input.Rewind();
  std::size_t have = 0;
  while (have < buffer.size()) {
    const std::size_t got = input.Read(buffer.data() + have, buffer.size() - have);
    if (got == 0) break;
    have += got;
  }
  if (have < buffer.size()) {
    ShowCatalogMessage("MsgReadFail");
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::size_t> FindMatchingEnd(std::string_view buffer, std::size_t beginPosition) {
  // Each key's next occurrence is searched again only once the search has passed it, so a long
  // body costs one pass over the buffer, not one pass per BEGIN or END.
  const auto nextFrom = [buffer](std::string_view key, std::size_t& cached, std::size_t from) {
    if (cached != kNotFound && cached < from) cached = FindKey(buffer, key, from);
    return cached;
  };
  // Searched when first asked for (0 stands before every start): a bare END is looked for only
  // where no END; follows.
  const std::size_t start = beginPosition + keys::kBegin.size();
  std::size_t nextBegin = 0;
  std::size_t nextEndSemicolon = 0;
  std::size_t nextBareEnd = 0;
  int depth = 1;
  std::size_t from = start;
  while (depth > 0 && from < buffer.size()) {
    const std::size_t begin = nextFrom(keys::kBegin, nextBegin, from);
    std::size_t end = nextFrom(keys::kEndSemicolon, nextEndSemicolon, from);
    if (end == kNotFound) end = nextFrom(keys::kEnd, nextBareEnd, from);
    if (begin == kNotFound && end == kNotFound) break;
    if (begin != kNotFound && (end == kNotFound || begin < end)) {
      ++depth;
      from = begin + 1;
    } else {
      if (--depth == 0) return end;
      from = end + 1;
    }
  }
  return std::nullopt;
}

void FormatHexLines(std::string_view text, const std::function<bool(std::string_view)>& put,
                    std::size_t pieceSize) {
  // Written through a pointer into a piece with room for a line's worth past its mark; the
  // values of a block are nearly all two digits, which take the short way.
  constexpr std::size_t kRoom = 4096;
  std::string piece(pieceSize + kRoom, '\0');
  char* out = piece.data();
  char* const mark = piece.data() + pieceSize;
  std::size_t lineLeft = kValuesPerLine;
  bool first = true;
  const char* at = text.data();
  const char* const end = at + text.size();
  const auto flush = [&]() {
    const bool more = put(std::string_view(piece.data(), static_cast<std::size_t>(out - piece.data())));
    out = piece.data();
    return more;
  };
  for (;;) {
    while (at < end && IsTokenSeparator(*at)) ++at;
    if (at == end) break;
    if (!first) {
      if (lineLeft == 0) {
        *out++ = '\r';
        *out++ = '\n';
        lineLeft = kValuesPerLine;
      } else {
        *out++ = ' ';
      }
    }
    first = false;
    // Sixteen two-digit values one space apart, as a line of the project editor's holds them,
    // are written as they stand.
    if (lineLeft >= kRun && end - at > static_cast<std::ptrdiff_t>(kRunBytes) && IsRunOfValues(at)) {
      std::memcpy(out, at, kRunBytes);
      out += kRunBytes;
      at += kRunBytes;
      lineLeft -= kRun;
    } else {
      const char* const token = at;
      if (end - at > 2 && !IsTokenSeparator(at[1]) && IsTokenSeparator(at[2])) {
        at += 2;
      } else {
        while (at < end && !IsTokenSeparator(*at)) ++at;
      }
      --lineLeft;
      const auto length = static_cast<std::size_t>(at - token);
      if (length == 2) {
        out[0] = token[0];
        out[1] = token[1];
        out += 2;
      } else if (static_cast<std::size_t>(piece.data() + piece.size() - out) >= length) {
        std::memcpy(out, token, length);
        out += length;
      } else {  // a token longer than the room left
        if (!flush()) return;
        if (!put(std::string_view(token, length))) return;
      }
    }
    if (out >= mark && !flush()) return;
  }
  if (out != piece.data()) flush();
}

std::string FormatHexLines(std::string_view text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 32 + 2);
  FormatHexLines(text, [&lines](std::string_view piece) {
    lines.append(piece);
    return true;
  });
  return lines;
}

bool ReplaceConfigSpan(std::string& buffer, std::string_view line) {
  std::size_t at = 0;
  std::size_t length = 0;
  const ConfigSpan span = FindConfigSpan(buffer, at, length);
  if (span == ConfigSpan::Found) buffer.replace(at, length, line);
  return span != ConfigSpan::Malformed;
}

bool ReplaceHexBlock(std::string& buffer, std::string_view sectionKey, std::string_view hex,
                     std::string_view entryKey) {
  if (hex.empty()) return false;
  return ReplaceFormattedBlock(buffer, sectionKey, FormatHexLines(hex), entryKey) == BlockPatch::Replaced;
}

bool MergeProject(platform::InputFile& input, platform::OutputFile& output, std::string_view ioDataHex,
                  std::string_view unitSetupHex, std::string_view settingsDataHex,
                  std::string_view configLine, std::uint64_t sizeLimit) {
  const std::uint64_t size = input.Size();
  if (size > sizeLimit) {
    ShowCatalogMessage("MsgFileTooLarge");
    return false;
  }
  if (size == 0) return true;

  // Read where it lies when it can be, so that the project is never copied into new memory; the
  // mapping is gone before any buffer is taken.
  if (const std::optional<bool> merged =
          MergeMapped(input, size, output, ioDataHex, unitSetupHex, settingsDataHex, configLine)) {
    return *merged;
  }

  // Room for a longer configuration line, so that its patch moves the tail without a new buffer.
  std::string buffer;
  if (!LoadProject(input, size, configLine.size(), buffer)) return false;
  ExtractedBlocks extracted = LocateAsExtracted(buffer);  // before any patch moves a line
  if (!PatchDeviceAndConfig(buffer, configLine, extracted)) return false;
  const std::vector<BlockToPatch> blocks = BlocksToPatch(extracted, ioDataHex, unitSetupHex, settingsDataHex);
  // The blocks' new lines go straight to the output, with no copy of the project per block.
  std::vector<PendingPatch> patches;
  switch (PlanBlockPatches(buffer, blocks, {}, patches)) {
    case Patched::Done:
      SortByPlace(patches);
      return WritePatched(output, buffer, patches);
    case Patched::Failed: return false;
    case Patched::NeedsOneByOne: break;
  }
  // Keys inside a block: from the top again, each block replaced before the next is located, with
  // room for the blocks' new lines (the re-wrapped text holds one CR LF per 32 values besides).
  std::size_t spare = configLine.size();
  for (const BlockToPatch& block : blocks) spare += block.hex.size() + block.hex.size() / 64 + 2 * kLineEnd.size();
  if (!LoadProject(input, size, spare, buffer)) return false;
  extracted = LocateAsExtracted(buffer);
  if (!PatchDeviceAndConfig(buffer, configLine, extracted)) return false;
  if (PatchBlocksOneByOne(buffer, blocks, extracted) == Patched::Failed) return false;
  return output.Write(buffer);
}
