#include "pipeline/convert_command.h"

#include "app/ascii_case.h"
#include "app/message_catalog.h"
#include "app/user_interface.h"
#include "pipeline/output_publish.h"
#include "pipeline/work_directory.h"
#include "platform/platform.h"
#include "project/project_outline.h"

namespace {

// The window takes no input and shows the wait cursor for as long as the command runs.
class BusyGuard {
 public:
  BusyGuard() { CurrentUserInterface().SetBusy(true); }
  ~BusyGuard() { CurrentUserInterface().SetBusy(false); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;
};

ConversionOutcome Ended(ConversionState& state) {
  CleanUpConversion(state);
  return {};
}

ConversionOutcome Incomplete(ConversionState& state) {
  CleanUpConversion(state);
  ConversionOutcome outcome;
  outcome.incomplete = true;
  return outcome;
}

std::uint64_t StagedSize(const std::string& staged) {
  auto file = platform::OpenForReading(platform::PathFromUtf8(staged));
  return file ? file->Size() : 0;
}

// Puts the input into the working directory as text, of `size` bytes; false after its message.
bool StageProject(bool packed, const std::string& input, const std::string& staged,
                  const ConversionSteps& steps, std::uint64_t& size) {
  if (packed) {
    switch (steps.unpackInput(input, staged, steps.projectSizeLimit)) {
      case UnpackResult::Expanded:
        break;
      case UnpackResult::Failed:
        ShowCatalogMessage("MsgOpenProjectFail");
        return false;
      case UnpackResult::TooLarge:
        ShowCatalogMessage("MsgFileTooLarge");
        return false;
    }
  } else if (!steps.copyInput(input, staged)) {
    ShowCatalogMessage("MsgTempCopyFail");
    return false;
  }
  size = StagedSize(staged);
  if (size > steps.projectSizeLimit) {
    ShowCatalogMessage("MsgFileTooLarge");
    return false;
  }
  return true;
}

// A copied read-only input stays read-only, and validation rewrites the staged file in place.
void MakeWritable(const std::string& staged) {
  const auto path = platform::PathFromUtf8(staged);
  if (const auto attributes = platform::GetFileAttributes(path); attributes && attributes->readOnly) {
    platform::SetReadOnly(path, false);
  }
}

enum class MergeResult { Merged, Ended, Incomplete };

// Takes the prepared project's blocks out, converts them and the unit-setup document, and merges
// the project into mergedPath; Ended after the step's message. The blocks' texts, the project's
// largest, are this function's alone: they are gone before the output is published.
MergeResult ExtractConvertAndMerge(const std::string& staged, const bool packed, ConversionState& state,
                                   const ConversionSteps& steps, std::string& mergedPath) {
  std::string configLine, ioDataHex, settingsDataHex;
  if (!steps.extractPlcSections(state.UnitSetupSlot, staged, configLine, ioDataHex, settingsDataHex)) {
    return MergeResult::Ended;
  }
  // Counted first: the texts are handed over and converted where they lie, so that the project's
  // largest block is never held twice.
  ChangeReport* const report = CurrentChangeReport();
  const std::size_t ioDataValues = report ? CountHexValues(ioDataHex) : 0;
  const std::size_t settingsDataValues = report ? CountHexValues(settingsDataHex) : 0;
  std::size_t ioDataReplaced = 0;
  std::size_t settingsDataReplaced = 0;
  const std::string convertedIoDataHex = steps.replaceModelInHexText(std::move(ioDataHex), &ioDataReplaced);
  const std::string convertedSettingsDataHex =
      steps.replaceModelInHexText(std::move(settingsDataHex), &settingsDataReplaced);
  if (report) {
    report->blocks.push_back({kIoTableDataBlock, ioDataValues, CountHexValues(convertedIoDataHex), ioDataReplaced});
    // An empty settings block is left as it is.
    if (!convertedSettingsDataHex.empty()) {
      report->blocks.push_back({kSettingsDataBlock, settingsDataValues, CountHexValues(convertedSettingsDataHex),
                                settingsDataReplaced});
    }
  }

  if (!steps.convertUnitSetup || (packed && !steps.packOutput) || !steps.publishOutput) return MergeResult::Incomplete;
  std::string unitHexAfter;
  if (!steps.convertUnitSetup(state.UnitSetupSlot, staged, convertedIoDataHex, convertedSettingsDataHex,
                              configLine, !packed, unitHexAfter, mergedPath)) {
    return MergeResult::Ended;
  }
  return MergeResult::Merged;
}

ConversionOutcome RunConversion(const std::string& inputPath, ConversionState& state,
                                const ConversionSteps& steps) {
  platform::ThrowIfStopRequested();
  if (inputPath.empty()) {
    ShowCatalogMessage("MsgSelectFile");
    return Ended(state);
  }
  const bool packed = IsPackedProjectPath(inputPath);
  if (!steps.createWorkDirectory(state.m_workDir, state.m_workDirLock)) return Ended(state);
  if (steps.removeStaleWorkDirectories) {
    // After our own directory exists: its lock keeps it out of the sweep like any live one's.
    try {
      steps.removeStaleWorkDirectories(state.m_workDir);
    } catch (const std::exception&) {
      // Another run's leftovers are no reason to fail this one.
    }
  }
  const std::string staged = state.m_workDir + kPathSeparator + "temp_project.lqt";
  std::string outputPath = steps.makeOutputPath(inputPath);
  if (!steps.checkPathLength(staged) || !steps.checkPathLength(outputPath)) return Ended(state);
  if (packed && !steps.unpackInput) return Incomplete(state);
  std::uint64_t stagedSize = 0;
  if (!StageProject(packed, inputPath, staged, steps, stagedSize)) return Ended(state);
  MakeWritable(staged);

  if (!steps.validateAndPrepareProject || !steps.extractPlcSections || !steps.replaceModelInHexText) {
    return Incomplete(state);
  }
  if (!steps.validateAndPrepareProject(staged)) return Ended(state);
  std::string mergedPath;
  bool written = false;
  {
    // The staged project's end, compressed while the steps up to the merge run; gone before the
    // clean-up, for it maps the staged project.
    std::unique_ptr<PackingHeadStart> headStart =
        packed && steps.startPacking ? steps.startPacking(staged, stagedSize) : nullptr;
    const MergeResult merge = ExtractConvertAndMerge(staged, packed, state, steps, mergedPath);
    if (merge != MergeResult::Merged || !steps.checkPathLength(mergedPath)) {
      headStart.reset();
      return merge == MergeResult::Incomplete ? Incomplete(state) : Ended(state);
    }
    written = steps.publishOutput(mergedPath, packed, inputPath, outputPath, steps,
                                  headStart ? headStart->Finish() : nullptr);
  }
  CleanUpConversion(state);
  if (platform::StopSignal() != 0) {
    // Asked to stop after the last file operation: nothing more is shown.
    ConversionOutcome outcome{written, written ? outputPath : std::string(), false};
    outcome.stopped = true;
    return outcome;
  }
  if (!written) {
    ShowCatalogMessage(packed ? "MsgZipFail" : "MsgSaveFail");
    return {};
  }
  ShowConversionResult(outputPath);
  return {true, outputPath, false};
}

}  // namespace

void CleanUpConversion(ConversionState& state) {
  if (!state.m_workDir.empty()) {
    if (state.m_workDirLock) {
      RemoveWorkDirectory(state.m_workDir, *state.m_workDirLock);
    } else {
      DeleteDirectoryTree(state.m_workDir);
    }
    state.m_workDir.clear();
  }
  // Released after the removal: a directory that stays (its removal failed) is free to sweep.
  state.m_workDirLock.reset();
  state.UnitSetupSlot.reset();
}

bool IsPackedProjectPath(const std::string& path) { return LowerCaseEnding(path) == ".lqp"; }

void ShowConversionResult(const std::string& outputPath) {
  CurrentUserInterface().ShowConversionResult(outputPath, LookupMessage("MsgResult"));
}

ConversionOutcome OnConvert(const std::string& inputPath, ConversionState& state,
                            const ConversionSteps& steps) {
  const platform::StoppableWork running;
  BusyGuard busy;
  const ScopedChangeReport recording(state.report);
  try {
    return RunConversion(inputPath, state, steps);
  } catch (const platform::Stopped&) {
    // Not an error: the clean-up (the temporary file beside the input went by scope) and no
    // message. Deleting never throws Stopped, so the clean-up runs to its end.
    ConversionOutcome outcome;
    outcome.stopped = true;
    try {
      CleanUpConversion(state);
    } catch (...) {
    }
    return outcome;
  } catch (...) {
    try {
      CleanUpConversion(state);
      ShowCatalogMessage("MsgUnexpectedError");
    } catch (...) {
      // Nothing may leave the command; the clean-up is best effort here.
    }
    return {};
  }
}
