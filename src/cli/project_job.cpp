#include "cli/project_job.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/message_catalog.h"
#include "cli/console_user_interface.h"
#include "cli/json_line.h"
#include "pipeline/convert_command.h"
#include "platform/platform.h"
#include "project/validation.h"

namespace {

// What the project holds or how it is named keeps it from being converted.
constexpr std::array<std::string_view, 14> kRefusals = {
    "MsgUnsupportedExt", "MsgOnePLC",        "MsgOnlyTQ5A",         "MsgParseFail",
    "MsgIOTableEmpty",   "MsgFileTooLarge",  "MsgOpenProjectFail",  "MsgEqptNodeNotFound",
    "MsgXmlParseFail",   "MsgXmlRootTagInvalid", "MsgZipExtractFail", "MsgPathTooLong",
    "CliFolderHoldsNoProject", "CliFolderUnreadable",
};

std::string AbsolutePath(const std::string& file) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(platform::PathFromUtf8(file), error);
  return error ? file : platform::PathToUtf8(absolute.lexically_normal());
}

JobResult Refused(const BatchInput& input, const ProjectJobOptions& options) {
  ConsoleUserInterface console("tqconv: " + input.path + ": ", options.json);
  console.ShowMessage(input.refusalKey, LookupMessage(input.refusalKey), MessageIcon::Information);
  JobResult result;
  result.verdict = Verdict::Refused;
  if (options.json) {
    result.standardOutput = ConversionJsonLine(input.path, false, std::nullopt, console.messages()) + "\n";
  } else {
    result.standardError = console.errorLines();
  }
  return result;
}

}  // namespace

bool IsRefusal(const std::string& key) {
  return std::find(kRefusals.begin(), kRefusals.end(), key) != kRefusals.end();
}

bool PrepareReportFolder(const std::string& folder) {
  const auto path = platform::PathFromUtf8(folder);
  if (const auto attributes = platform::GetFileAttributes(path)) {
    if (attributes->directory) return true;
    std::error_code error;
    if (attributes->link && std::filesystem::is_directory(path, error)) return true;
    std::fprintf(stderr, "tqconv: %s: %s\n", folder.c_str(), LookupMessage("CliOutputExists").c_str());
    return false;
  }
  if (platform::CreateDirectory(path)) return true;
  std::fprintf(stderr, "tqconv: %s: %s\n", folder.c_str(), LookupMessage("CliOutputUnwritable").c_str());
  return false;
}

JobResult RunProjectJob(const BatchInput& input, const ProjectJobOptions& options, const ConversionSteps& steps) {
  if (!input.refusalKey.empty()) return Refused(input, options);
  ConsoleUserInterface console("tqconv: " + input.path + ": ", options.json);
  const ScopedUserInterface installed(console);
  ConversionOutcome outcome;
  if (CheckProjectExtension(input.path)) {
    ConversionState state;
    outcome = OnConvert(AbsolutePath(input.path), state, steps);
  }
  JobResult result;
  if (outcome.succeeded) {
    result.verdict = Verdict::Succeeded;
  } else {
    const auto& messages = console.messages();
    result.verdict = !messages.empty() && IsRefusal(messages.front().key) ? Verdict::Refused : Verdict::Failed;
  }
  if (options.json) {
    const auto output = outcome.succeeded ? std::optional<std::string>(outcome.outputPath) : std::nullopt;
    result.standardOutput = ConversionJsonLine(input.path, outcome.succeeded, output, console.messages()) + "\n";
    return result;
  }
  if (outcome.succeeded) {
    if (!options.quiet) {
      result.standardOutput = options.check
          ? input.path + ": " + FormatCatalogValues(LookupMessage("CliWouldConvert"), {outcome.outputPath}) + "\n"
          : outcome.outputPath + "\n";
    }
  } else if (outcome.incomplete) {
    console.Report(LookupMessage("CliConversionIncomplete"));
  } else if (console.messages().empty()) {
    console.Report(LookupMessage("CliConversionFailed"));
  }
  result.standardError = console.errorLines();
  return result;
}
