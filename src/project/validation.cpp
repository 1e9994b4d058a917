#include "project/validation.h"

#include <array>

#include "app/ascii_case.h"
#include "app/change_report.h"
#include "app/user_interface.h"
#include "platform/platform.h"
#include "project/project_reader.h"
#include "project/text_keys.h"

namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;

// Same-length keys, so the text is patched in place without moving anything.
void ReplaceSupportVersion(std::string& text) {
  static_assert(keys::kSourceSupportVersion.size() == keys::kTargetSupportVersion.size());
  std::size_t count = 0;
  for (std::size_t at = text.find(keys::kSourceSupportVersion); at != std::string::npos;
       at = text.find(keys::kSourceSupportVersion, at + keys::kSourceSupportVersion.size())) {
    text.replace(at, keys::kTargetSupportVersion.size(), keys::kTargetSupportVersion);
    ++count;
  }
  if (ChangeReport* const report = CurrentChangeReport()) report->supportVersionKeysReplaced = count;
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
  constexpr std::array<std::string_view, 5> kRequired = {keys::kResourceCount, keys::kPlc, keys::kIoTable,
                                                         keys::kData, keys::kUnitSetup};
  for (const std::string_view key : kRequired) {
    if (text.find(key) == std::string_view::npos) {
      ShowCatalogMessage("MsgOpenProjectFail");
      return false;
    }
  }
  if (text.find(keys::kSinglePlc) != std::string_view::npos) return true;
  ShowCatalogMessage("MsgOnePLC");
  return false;
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

bool ValidateAndPrepareProject(std::string path) {
  std::string text;
  if (!ReadProjectText(path, text)) return false;
  if (!CheckProjectStructure(text)) return false;
  ReplaceSupportVersion(text);
  if (!WriteProjectText(path, text)) {
    ShowCatalogMessage("MsgOpenTempFail");
    return false;
  }
  text = std::string();  // the rewritten file is all the later checks read
  std::string descriptor;
  if (!ReadModelDescriptor(path, descriptor)) return false;
  if (!CheckConfigReadersAgree(path)) return false;
  return CheckSourceModel(descriptor);
}
