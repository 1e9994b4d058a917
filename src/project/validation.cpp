#include "project/validation.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/ascii_case.h"
#include "app/change_report.h"
#include "app/user_interface.h"
#include "platform/platform.h"
#include "project/project_reader.h"
#include "project/text_keys.h"
#include "project/text_search.h"

namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;
constexpr std::size_t kScanChunk = 1 << 20;

constexpr std::array<std::string_view, 5> kRequired = {keys::kResourceCount, keys::kPlc, keys::kIoTable, keys::kData,
                                                       keys::kUnitSetup};

// What validation needs of the staged text, read once in pieces: which keys occur, where the
// source support-version key stands, and whether the rewrite would change nothing else.
class ProjectTextScanner {
 public:
  void Feed(std::string_view piece) {
    if (piece.empty()) return;
    // Keys across the border start in the bytes carried from the last piece and end in this one.
    std::string seam = carried_;
    seam.append(piece.substr(0, kCarried));
    Scan(seam, offset_ - carried_.size(), carried_.size(), carried_.size());
    Scan(piece, offset_, piece.size(), 0);
    // An LF without the CR before it would be widened by the rewrite.
    crLfThroughout_ = crLfThroughout_ && !HoldsLfWithoutCr(piece, lastByte_);
    lastByte_ = piece.back();
    carried_.append(piece.substr(piece.size() - std::min(piece.size(), kCarried)));
    carried_.erase(0, carried_.size() - std::min(carried_.size(), kCarried));
    offset_ += piece.size();
  }

  bool HasRequiredKeys() const {
    return std::all_of(required_.begin(), required_.end(), [](bool found) { return found; });
  }
  bool HasSinglePlc() const { return singlePlc_; }
  const std::vector<std::uint64_t>& SupportVersionKeys() const { return supportVersionAt_; }
  // Every LF follows a CR and the text ends with an LF (or is empty): the rewrite leaves every
  // byte but the support-version keys.
  bool CrLfThroughout() const { return crLfThroughout_ && (offset_ == 0 || lastByte_ == '\n'); }

 private:
  static constexpr std::size_t kCarried = keys::kSourceSupportVersion.size() - 1;  // the longest key's, less one

  // The keys of text, which stands at base in the whole, that start before startsBefore and
  // end after endsAfter.
  void Scan(std::string_view text, std::uint64_t base, std::size_t startsBefore, std::size_t endsAfter) {
    const auto holds = [&](std::string_view key) {
      const std::size_t from = endsAfter >= key.size() ? endsAfter - key.size() + 1 : 0;
      const std::size_t at = FindKey(text, key, from);
      return at != std::string_view::npos && at < startsBefore;
    };
    for (std::size_t k = 0; k < kRequired.size(); ++k) required_[k] = required_[k] || holds(kRequired[k]);
    singlePlc_ = singlePlc_ || holds(keys::kSinglePlc);
    const std::string_view key = keys::kSourceSupportVersion;
    const std::size_t from = endsAfter >= key.size() ? endsAfter - key.size() + 1 : 0;
    for (std::size_t at = FindKey(text, key, from); at != std::string_view::npos && at < startsBefore;
         at = FindKey(text, key, at + key.size())) {
      supportVersionAt_.push_back(base + at);
    }
  }

  std::string carried_;
  std::uint64_t offset_ = 0;
  std::array<bool, kRequired.size()> required_{};
  bool singlePlc_ = false;
  std::vector<std::uint64_t> supportVersionAt_;
  bool crLfThroughout_ = true;
  char lastByte_ = '\0';
};

// Null when the file cannot be opened. Throws platform::FileError on a read error.
std::unique_ptr<ProjectTextScanner> ScanProjectFile(const std::string& path) {
  const auto file = platform::OpenForReading(platform::PathFromUtf8(path));
  if (!file) return nullptr;
  auto scanner = std::make_unique<ProjectTextScanner>();
  std::string chunk(kScanChunk, '\0');
  for (std::size_t got; (got = file->Read(chunk.data(), chunk.size())) != 0;) {
    scanner->Feed(std::string_view(chunk.data(), got));
  }
  return scanner;
}

bool CheckScannedStructure(const ProjectTextScanner& scanner) {
  if (!scanner.HasRequiredKeys()) {
    ShowCatalogMessage("MsgOpenProjectFail");
    return false;
  }
  if (scanner.HasSinglePlc()) return true;
  ShowCatalogMessage("MsgOnePLC");
  return false;
}

void ReportSupportVersionKeys(std::size_t count) {
  if (ChangeReport* const report = CurrentChangeReport()) report->supportVersionKeysReplaced = count;
}

// Same-length keys, so the text is patched in place without moving anything.
void ReplaceSupportVersion(std::string& text) {
  static_assert(keys::kSourceSupportVersion.size() == keys::kTargetSupportVersion.size());
  std::size_t count = 0;
  for (std::size_t at = FindKey(text, keys::kSourceSupportVersion); at != std::string::npos;
       at = FindKey(text, keys::kSourceSupportVersion, at + keys::kSourceSupportVersion.size())) {
    text.replace(at, keys::kTargetSupportVersion.size(), keys::kTargetSupportVersion);
    ++count;
  }
  ReportSupportVersionKeys(count);
}

// The later steps read the first configuration of the text while the model check reads the
// PLC's; a project where they differ would be checked on one value and converted on another.
bool CheckConfigReadersAgree(const std::string& path) {
  const auto file = ProjectFile::Open(path);
  if (file && ReadPlcConfigValue(*file) == ReadFirstConfigValue(*file)) return true;
  ShowCatalogMessage("MsgParseFail");
  return false;
}

}  // namespace

bool CheckProjectExtension(std::string_view path) {
  const std::string ending = LowerCaseEnding(path);
  if (ending == ".lqt" || ending == ".lqp") return true;
  ShowCatalogMessage("MsgUnsupportedExt");
  return false;
}

bool WriteProjectText(const std::string& path, std::string_view text) {
  const auto file = platform::CreateForWriting(platform::PathFromUtf8(path));
  if (!file) return false;
  // The line ends are widened chunk by chunk, so the rewrite needs no second copy of the text.
  std::string chunk;
  chunk.reserve(kWriteChunk + 2);
  bool written = true;
  while (!text.empty()) {
    const std::string_view window = text.substr(0, kWriteChunk - chunk.size());
    const std::size_t lf = window.find('\n');
    if (lf == std::string_view::npos) {
      chunk.append(window);
      text.remove_prefix(window.size());
    } else {
      chunk.append(window.substr(0, lf));
      chunk += "\r\n";
      text.remove_prefix(lf + 1);
    }
    if (chunk.size() >= kWriteChunk) {
      written = written && file->Write(chunk);
      chunk.clear();
    }
  }
  written = written && file->Write(chunk);
  return file->Close() && written;
}

bool CheckProjectStructure(std::string_view text) {
  ProjectTextScanner scanner;
  scanner.Feed(text);
  return CheckScannedStructure(scanner);
}

bool ReadModelDescriptor(const std::string& path, std::string& descriptor) {
  const auto file = ProjectFile::Open(path);
  if (!file) {
    ShowCatalogMessage("MsgParseFail");
    return false;
  }
  const std::string value = ReadPlcConfigValue(*file);
  descriptor = value.empty() ? std::string() : ParseDeviceAndCpu(value);
  return true;
}

bool CheckSourceModel(std::string_view descriptor) {
  const std::size_t space = descriptor.find(' ');
  if (descriptor.empty() || space == std::string_view::npos || space == 0 || space == descriptor.size() - 1 ||
      !EqualsIgnoringAsciiCase(TrimWhiteSpace(descriptor.substr(0, space)), "TQ5A")) {
    ShowCatalogMessage("MsgOnlyTQ5A");
    return false;
  }
  return true;
}

// The staged file as validation leaves it: the support-version keys replaced and every line
// ended by CR LF. A file with CR LF throughout keeps every other byte, so only the keys are
// written; any other is read whole and written again. False after the message.
bool RewriteProject(const std::string& path, const ProjectTextScanner& scanner) {
  bool written = false;
  if (scanner.CrLfThroughout()) {
    std::vector<platform::FilePatch> patches;
    for (const std::uint64_t at : scanner.SupportVersionKeys()) {
      patches.push_back({at, std::string(keys::kTargetSupportVersion)});
    }
    ReportSupportVersionKeys(patches.size());
    written = patches.empty() || platform::PatchFile(platform::PathFromUtf8(path), patches);
  } else {
    std::string text;
    if (!ReadProjectText(path, text)) return false;
    ReplaceSupportVersion(text);
    written = WriteProjectText(path, text);
  }
  if (!written) ShowCatalogMessage("MsgOpenTempFail");
  return written;
}

bool ValidateAndPrepareProject(std::string path) {
  const std::unique_ptr<ProjectTextScanner> scanner = ScanProjectFile(path);
  if (!scanner) {
    ShowCatalogMessage("MsgReadFail");
    return false;
  }
  if (!CheckScannedStructure(*scanner) || !RewriteProject(path, *scanner)) return false;
  std::string descriptor;
  if (!ReadModelDescriptor(path, descriptor)) return false;
  if (!CheckConfigReadersAgree(path)) return false;
  return CheckSourceModel(descriptor);
}
