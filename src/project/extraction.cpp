#include "project/extraction.h"

#include <algorithm>
#include <functional>

#include "app/change_report.h"
#include "app/user_interface.h"
#include "project/config_rewrite.h"
#include "project/project_reader.h"
#include "project/text_keys.h"
#include "project/text_search.h"

namespace {

constexpr std::string_view kSourceModelHex = "54 51 35 41";  // "TQ5A"
constexpr std::string_view kTargetModelHex = "54 51 36 41";  // "TQ6A"

}  // namespace

bool ExtractPlcSections(std::unique_ptr<CTQPropertyData>& slot, const std::string& path,
                        std::string& configLine, std::string& ioDataHex, std::string& settingsDataHex) {
  const auto file = ProjectFile::Open(path);
  if (!file) {
    ShowCatalogMessage("MsgOpenTempFail");
    return false;
  }
  const std::string value = ReadFirstConfigValue(*file);
  configLine = RewriteConfig(value, FindCpuType(value));
  if (ChangeReport* const report = CurrentChangeReport()) {
    report->configBefore = value;
    // The value inside the line's frame, Config:=" and ";.
    report->configAfter = configLine.substr(keys::kConfigOpen.size(),
                                            configLine.size() - keys::kConfigOpen.size() - keys::kConfigClose.size());
  }

  // The three blocks in one pass over the file, each read as if alone.
  std::vector<std::string> blocks = ExtractHexBlocks(
      *file, {{keys::kIoTable, keys::kUnitSetup}, {keys::kIoTable, keys::kData}, {keys::kSettings, keys::kData}});
  slot.reset();
  auto unitSetup = std::make_unique<CTQPropertyData>();
  unitSetup->hexText = std::move(blocks[0]);
  slot = std::move(unitSetup);  // an empty text is refused when it is decoded

  ioDataHex = std::move(blocks[1]);
  if (ioDataHex.empty()) {
    ShowCatalogMessage("MsgIOTableEmpty");
    return false;
  }
  settingsDataHex = std::move(blocks[2]);
  return true;
}

std::string ReplaceModelInHexText(std::string_view text, std::size_t* replaced) {
  std::string copy(TrimWhiteSpace(text));
  ReplaceModelInHexTextInPlace(copy, replaced);
  return copy;
}

void ReplaceModelInHexTextInPlace(std::string& text, std::size_t* replaced) {
  const std::string_view trimmed = TrimWhiteSpace(text);
  const auto first = static_cast<std::size_t>(trimmed.data() - text.data());
  text.erase(first + trimmed.size());
  text.erase(0, first);
  static_assert(kSourceModelHex.size() == kTargetModelHex.size());
  std::size_t count = 0;
  for (std::size_t at = FindCommonKey(text, kSourceModelHex); at != std::string::npos;
       at = FindCommonKey(text, kSourceModelHex, at + kSourceModelHex.size())) {
    text.replace(at, kTargetModelHex.size(), kTargetModelHex);
    ++count;
  }
  if (replaced != nullptr) *replaced = count;
}
