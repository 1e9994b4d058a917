#include "project/unit_setup_round_trip.h"

#include "app/change_report.h"
#include "app/user_interface.h"
#include "packed/packed_file.h"
#include "project/hex_dump.h"
#include "project/merge.h"
#include "project/project_outline.h"
#include "platform/platform.h"

using platform::PathFromUtf8;

bool ConvertUnitSetup(std::unique_ptr<CTQPropertyData>& slot, const std::string& path,
                      const std::string& ioDataHex, const std::string& settingsDataHex,
                      const std::string& configLine, bool syncMerged, std::string& unitHexAfter,
                      std::string& mergedPath) {
  if (!slot) {
    ShowCatalogMessage("MsgUnitSetupDataNull");
    return false;
  }
  const std::string binTextBefore = path + ".binText_before";
  const std::string binBefore = path + ".bin_before";
  const std::string xml = path + ".xml";
  const std::string binAfter = path + ".bin_after";
  const std::string binTextAfter = path + ".binText_after";

  if (!slot->DecodeHexText()) return false;
  if (!slot->TransformUnitXml(binTextBefore, binBefore, xml)) return false;
  if (!PackWorkingFile(PathFromUtf8(TransformedUnitSetupPath(path)), PathFromUtf8(binAfter))) {
    ShowCatalogMessage("MsgCompressFail");
    return false;
  }
  if (!WriteHexDumpFile(binAfter, binTextAfter)) return false;
  const FileReadMessages readBack{"MsgOpenProcessedFileFail", "MsgProcessedFileEmpty", "MsgFileReadIncomplete"};
  if (!ReadWholeFile(binTextAfter, readBack, unitHexAfter)) return false;

  // The document's tree and text are gone; their memory is not kept under the merge's.
  platform::ReturnFreedMemory();
  const std::string merged = path + ".merged.lqt";
  auto input = platform::OpenForReading(PathFromUtf8(path));
  auto output = input ? platform::CreateForWriting(PathFromUtf8(merged)) : nullptr;
  if (!output) {
    ShowCatalogMessage("MsgMergeFail");
    return false;
  }
  if (!syncMerged) output->WillCloseUnsynced();
  const bool mergedOk = MergeProject(*input, *output, ioDataHex, unitHexAfter, settingsDataHex, configLine);
  // A merged file that was not written whole (or did not reach the device, when it must) is a
  // failed merge too.
  if (!(syncMerged ? output->Finish() : output->Close()) || !mergedOk) {
    ShowCatalogMessage("MsgMergeFail");
    return false;
  }
  mergedPath = merged;
  if (ChangeReport* const report = CurrentChangeReport()) {
    // The stream's bytes as they were decoded and as they were written back.
    report->blocks.push_back({kUnitSetupBlock, slot->bytes.size(), CountHexValues(unitHexAfter), 0});
  }
  return true;
}

// The XML run writes its result beside its input with ".out.xml" appended.
std::string TransformedUnitSetupPath(const std::string& path) { return path + ".xml.out.xml"; }
