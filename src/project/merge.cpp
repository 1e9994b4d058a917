#include "project/merge.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "app/change_report.h"
#include "app/user_interface.h"
#include "project/project_reader.h"
#include "project/text_keys.h"

namespace {

constexpr std::string_view kIoTableSection = "IOTable:";
constexpr std::string_view kSettingsSection = "Settings:";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kValuesPerLine = 32;

constexpr std::size_t kNotFound = std::string_view::npos;

bool IsTokenSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void ReplaceDeviceEntries(std::string& buffer) {
  static_assert(keys::kSourceDeviceEntry.size() == keys::kTargetDeviceEntry.size());
  std::size_t count = 0;
  for (std::size_t at = buffer.find(keys::kSourceDeviceEntry); at != std::string::npos;
       at = buffer.find(keys::kSourceDeviceEntry, at + keys::kSourceDeviceEntry.size())) {
    buffer.replace(at, keys::kTargetDeviceEntry.size(), keys::kTargetDeviceEntry);
    ++count;
  }
  if (ChangeReport* const report = CurrentChangeReport()) report->deviceEntriesReplaced = count;
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

std::optional<BlockSpan> LocateHexBlock(std::string_view buffer, std::string_view sectionKey,
                                        std::string_view entryKey) {
  const std::size_t plc = buffer.find(keys::kPlc);
  if (plc == kNotFound) return std::nullopt;
  const std::size_t plcBegin = buffer.find(keys::kBegin, plc + keys::kPlc.size());
  if (plcBegin == kNotFound) return std::nullopt;
  const std::optional<std::size_t> plcEnd = FindMatchingEnd(buffer, plcBegin);
  if (!plcEnd) return std::nullopt;
  const std::size_t section = buffer.find(sectionKey, plcBegin + keys::kBegin.size());
  if (section == kNotFound || section >= *plcEnd) return std::nullopt;
  const std::size_t sectionBegin = buffer.find(keys::kBegin, section + sectionKey.size());
  if (sectionBegin == kNotFound || sectionBegin >= *plcEnd) return std::nullopt;
  const std::optional<std::size_t> sectionEnd = FindMatchingEnd(buffer, sectionBegin);
  if (!sectionEnd || *sectionEnd >= *plcEnd) return std::nullopt;
  const std::size_t entry = buffer.find(entryKey, sectionBegin + keys::kBegin.size());
  if (entry == kNotFound || entry >= *sectionEnd) return std::nullopt;
  const std::size_t marker = buffer.find(keys::kMarkerOpen, entry + entryKey.size());
  if (marker == kNotFound || marker >= *sectionEnd) return std::nullopt;
  const std::optional<OpeningMarker> opening = ReadOpeningMarker(buffer, marker);
  if (!opening) return std::nullopt;
  const std::size_t closing = buffer.find(opening->closingMarker, opening->contentStart);
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

// The buffer as a file, so that its blocks are read by the very reader the extraction used.
class BufferFile final : public platform::InputFile {
 public:
  explicit BufferFile(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  std::uint64_t Size() override { return bytes_.size(); }
  void Rewind() override { position_ = 0; }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

// What the extraction read from the staged project's blocks, the new hex texts' source.
struct ExtractedBlocks {
  std::uint64_t ioData;
  std::uint64_t unitSetup;
  std::uint64_t settingsData;
};

ExtractedBlocks ReadAsExtracted(std::string_view buffer) {
  ProjectFile file(std::make_unique<BufferFile>(buffer));
  const auto digest = [&file](std::string_view section, std::string_view entry) {
    return TokenDigest(ExtractHexBlock(file, section, entry));
  };
  return {digest(keys::kIoTable, keys::kData), digest(keys::kIoTable, keys::kUnitSetup),
          digest(keys::kSettings, keys::kData)};
}

enum class BlockPatch { Replaced, NotFound, OtherContent };

// Replaces the block's content only when it holds the values the extraction read for it. The
// extraction reads lines up to the next marker of any number, from the first keys of the text;
// the merge goes to the closing marker of the block's own number, inside the first PLC. Where the
// two part (another block's marker inside the block, a key before the PLC), the patch would put
// one block's values in another's place, or drop what stands between the two markers.
BlockPatch ReplaceFormattedBlock(std::string& buffer, std::string_view sectionKey, std::string_view formatted,
                                 std::string_view entryKey, std::optional<std::uint64_t> extracted = std::nullopt) {
  const std::optional<BlockSpan> block = LocateHexBlock(buffer, sectionKey, entryKey);
  if (!block) return BlockPatch::NotFound;
  const std::string_view old(buffer.data() + block->contentStart, block->closingMarker - block->contentStart);
  if (extracted && TokenDigest(old) != *extracted) return BlockPatch::OtherContent;
  // One replace moves the tail once; the caller reserved room, so nothing is reallocated.
  std::string content;
  content.reserve(formatted.size() + 2 * kLineEnd.size());
  content.append(kLineEnd).append(formatted).append(kLineEnd);
  buffer.replace(block->contentStart, block->closingMarker - block->contentStart, content);
  return BlockPatch::Replaced;
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
    if (cached != kNotFound && cached < from) cached = buffer.find(key, from);
    return cached;
  };
  const std::size_t start = beginPosition + keys::kBegin.size();
  std::size_t nextBegin = buffer.find(keys::kBegin, start);
  std::size_t nextEndSemicolon = buffer.find(keys::kEndSemicolon, start);
  std::size_t nextBareEnd = buffer.find(keys::kEnd, start);
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

std::string FormatHexLines(std::string_view text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 32 + 2);
  std::size_t tokens = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsTokenSeparator(text[at])) ++at;
    if (at == text.size()) break;
    std::size_t end = at;
    while (end < text.size() && !IsTokenSeparator(text[end])) ++end;
    if (tokens > 0) lines.append(tokens % kValuesPerLine == 0 ? kLineEnd : " ");
    lines.append(text.substr(at, end - at));
    ++tokens;
    at = end;
  }
  return lines;
}

bool ReplaceConfigSpan(std::string& buffer, std::string_view line) {
  const std::size_t config = buffer.find(keys::kConfigOpen);
  if (config == std::string::npos) return true;
  const std::size_t quote = buffer.find('"', config + keys::kConfigOpen.size());
  if (quote == std::string::npos) return true;  // the value never closes: nothing to replace
  // A closing quote that does not end the entry would make the span run on into later text.
  if (quote + 1 >= buffer.size() || buffer[quote + 1] != ';') return false;
  buffer.replace(config, quote + 2 - config, line);
  return true;
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

  // Formatted first, so the buffer is reserved once with room for every patch.
  const std::string ioDataLines = FormatHexLines(ioDataHex);
  const std::string unitSetupLines = FormatHexLines(unitSetupHex);
  const std::string settingsDataLines = FormatHexLines(settingsDataHex);
  const std::size_t spare = configLine.size() + ioDataLines.size() + unitSetupLines.size() +
                            settingsDataLines.size() + 3 * 2 * kLineEnd.size();
  std::string buffer;
  if (!LoadProject(input, size, spare, buffer)) return false;

  const ExtractedBlocks extracted = ReadAsExtracted(buffer);  // before any patch moves a line
  ReplaceDeviceEntries(buffer);
  if (!configLine.empty() && !ReplaceConfigSpan(buffer, configLine)) return false;
  // The I/O table data and the unit setup must land; an empty or missing settings block is kept.
  if (!ioDataHex.empty() &&
      ReplaceFormattedBlock(buffer, kIoTableSection, ioDataLines, keys::kData, extracted.ioData) !=
          BlockPatch::Replaced) {
    return false;
  }
  if (!unitSetupHex.empty() &&
      ReplaceFormattedBlock(buffer, kIoTableSection, unitSetupLines, keys::kUnitSetup, extracted.unitSetup) !=
          BlockPatch::Replaced) {
    return false;
  }
  if (!settingsDataHex.empty() &&
      ReplaceFormattedBlock(buffer, kSettingsSection, settingsDataLines, keys::kData, extracted.settingsData) ==
          BlockPatch::OtherContent) {
    return false;
  }
  return output.Write(buffer);
}
