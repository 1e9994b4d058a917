#include "project/extraction.h"

#include "app/change_report.h"
#include "app/user_interface.h"
#include "project/config_rewrite.h"
#include "project/project_reader.h"
#include "project/text_keys.h"

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

  slot.reset();
  auto unitSetup = std::make_unique<CTQPropertyData>();
  unitSetup->hexText = ExtractHexBlock(*file, keys::kIoTable, keys::kUnitSetup);
  slot = std::move(unitSetup);  // an empty text is refused when it is decoded

  ioDataHex = ExtractHexBlock(*file, keys::kIoTable, keys::kData);
  if (ioDataHex.empty()) {
    ShowCatalogMessage("MsgIOTableEmpty");
    return false;
  }
  settingsDataHex = ExtractHexBlock(*file, keys::kSettings, keys::kData);
  return true;
}

std::string ReplaceModelInHexText(std::string_view text, std::size_t* replaced) {
  std::string copy(TrimWhiteSpace(text));
  std::size_t count = 0;
  for (std::size_t at = copy.find(kSourceModelHex); at != std::string::npos;
       at = copy.find(kSourceModelHex, at + kTargetModelHex.size())) {
    copy.replace(at, kTargetModelHex.size(), kTargetModelHex);
    ++count;
  }
  if (replaced != nullptr) *replaced = count;
  return copy;
}
