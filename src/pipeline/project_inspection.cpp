#include "pipeline/project_inspection.h"

#include "app/user_interface.h"
#include "implode/codec_memory.h"
#include "pipeline/convert_command.h"
#include "pipeline/work_directory.h"
#include "platform/platform.h"
#include "project/project_reader.h"
#include "project/property_data.h"
#include "project/text_keys.h"
#include "project/unit_setup_round_trip.h"
#include "unitxml/unit_xml_run.h"

namespace {

// The project as text on disk: a text project is read where it is, a packed one is expanded
// into a working directory that lives as long as this object.
class ReadableProject {
 public:
  ReadableProject() = default;
  ~ReadableProject() { CleanUpConversion(state_); }
  ReadableProject(const ReadableProject&) = delete;
  ReadableProject& operator=(const ReadableProject&) = delete;

  // False after the message.
  bool Open(const std::string& inputPath) {
    if (!IsPackedProjectPath(inputPath)) {
      path_ = inputPath;
      return CheckSize();
    }
    if (!CreateWorkDirectory(state_.m_workDir, state_.m_workDirLock)) return false;
    path_ = state_.m_workDir + kPathSeparator + "temp_project.lqt";
    if (!CheckPathLength(path_)) return false;
    switch (UnpackProjectFile(platform::PathFromUtf8(inputPath), platform::PathFromUtf8(path_), kProjectSizeLimit)) {
      case UnpackResult::Expanded:
        return true;
      case UnpackResult::TooLarge:
        ShowCatalogMessage("MsgFileTooLarge");
        return false;
      case UnpackResult::Failed:
        break;
    }
    ShowCatalogMessage("MsgOpenProjectFail");
    return false;
  }

  const std::string& path() const { return path_; }

 private:
  // The whole text is read into memory, so the conversion's size bound holds here too.
  bool CheckSize() {
    const auto file = platform::OpenForReading(platform::PathFromUtf8(path_));
    if (!file) {
      ShowCatalogMessage("MsgReadFail");
      return false;
    }
    if (file->Size() <= kProjectSizeLimit) return true;
    ShowCatalogMessage("MsgFileTooLarge");
    return false;
  }

  ConversionState state_;
  std::string path_;
};

// The unit-setup document of the project text at path; false after its message.
bool ExpandUnitSetup(const std::string& path, std::string& document) {
  const auto file = ProjectFile::Open(path);
  if (!file) {
    ShowCatalogMessage("MsgReadFail");
    return false;
  }
  CTQPropertyData data;
  data.hexText = ExtractHexBlock(*file, keys::kIoTable, keys::kUnitSetup);
  if (!data.DecodeHexText()) return false;
  const std::string_view stream(reinterpret_cast<const char*>(data.bytes.data()), data.bytes.size());
  CodecResult expanded = ExplodeBytes(stream, kUnitSetupExpansionLimit);
  if (expanded.code != 0 || expanded.tooLarge) {
    ShowCatalogMessage("MsgZipExtractFail");
    return false;
  }
  document = std::move(expanded.bytes);
  return true;
}

}  // namespace

bool InspectProject(const std::string& inputPath, ProjectInspection& inspection) {
  ReadableProject project;
  if (!project.Open(inputPath)) return false;
  std::string text;
  if (!ReadProjectText(project.path(), text)) return false;
  inspection.sections = ReadProjectOutline(text);
  text = std::string();
  {
    // Closed before the unit setup is read from the same file: Windows opens files without sharing.
    const auto file = ProjectFile::Open(project.path());
    if (!file) {
      ShowCatalogMessage("MsgReadFail");
      return false;
    }
    inspection.configuration = DescribeConfiguration(ReadPlcConfigValue(*file));
  }
  // The summary is what can be read; a unit setup that cannot be is said so, not shown.
  class Silent final : public UserInterface {
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void ShowConversionResult(const std::string&, const std::string&) override {}
    void SetBusy(bool) override {}
  } silent;
  const ScopedUserInterface quiet(silent);
  std::string document;
  if (ExpandUnitSetup(project.path(), document)) inspection.unitSetup = SummarizeUnitSetup(document);
  return true;
}

bool ReadStoredUnitSetup(const std::string& inputPath, std::string& document) {
  ReadableProject project;
  return project.Open(inputPath) && ExpandUnitSetup(project.path(), document);
}

bool ReadConvertedUnitSetup(const std::string& inputPath, std::string& document) {
  ConversionSteps steps = DryRunConversionSteps();
  const auto convert = steps.convertUnitSetup;
  steps.convertUnitSetup = [&](ConversionSteps::Slot& slot, const std::string& staged, const std::string& ioDataHex,
                               const std::string& settingsDataHex, const std::string& configLine, bool syncMerged,
                               std::string& unitHexAfter, std::string& mergedPath) {
    if (!convert(slot, staged, ioDataHex, settingsDataHex, configLine, syncMerged, unitHexAfter, mergedPath)) {
      return false;
    }
    std::optional<std::string> bytes =
        platform::ReadWholeFile(platform::PathFromUtf8(TransformedUnitSetupPath(staged)));
    if (!bytes) {
      ShowCatalogMessage("MsgReadFail");
      return false;
    }
    document = std::move(*bytes);
    return true;
  };
  ConversionState state;
  return OnConvert(inputPath, state, steps).succeeded;
}
