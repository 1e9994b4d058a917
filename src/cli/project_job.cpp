#include "cli/project_job.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/message_catalog.h"
#include "cli/change_report_text.h"
#include "cli/console_text.h"
#include "cli/console_user_interface.h"
#include "cli/json_line.h"
#include "cli/new_file.h"
#include "pipeline/convert_command.h"
#include "pipeline/work_directory.h"
#include "platform/platform.h"
#include "project/validation.h"

namespace {

// What the project holds or how it is named keeps it from being converted.
constexpr std::array<std::string_view, 14> kRefusals = {
    "MsgUnsupportedExt",
    "MsgOnePLC",
    "MsgOnlyTQ5A",
    "MsgParseFail",
    "MsgIOTableEmpty",
    "MsgFileTooLarge",
    "MsgOpenProjectFail",
    "MsgEqptNodeNotFound",
    "MsgXmlParseFail",
    "MsgXmlRootTagInvalid",
    "MsgZipExtractFail",
    "MsgPathTooLong",
    "CliFolderHoldsNoProject",
    "CliFolderUnreadable",
};

// A project that ends with one message and no conversion: refused before it began, or stopped
// by an exception nobody expected.
JobResult OneMessage(const BatchInput& input, const ProjectJobOptions& options, const std::string& key, Verdict verdict) {
  ConsoleUserInterface console("tqconv: " + input.path + ": ", options.json);
  console.ShowMessage(key, LookupMessage(key), MessageIcon::Information);
  JobResult result;
  result.verdict = verdict;
  if (options.json) {
    result.standardOutput = ConversionJsonLine(input.path, false, std::nullopt, console.messages()) + "\n";
  } else {
    result.standardError = console.errorLines();
  }
  return result;
}

std::string FileName(const std::string& path) { return path.substr(FileNameStart(path)); }

// The Markdown report beside the others in the folder, named after the output; false after the
// line that says why it was not written.
bool WriteMarkdownReport(const std::string& folder, const ChangeReport& report, const std::string& input,
                         const std::string& output, ConsoleUserInterface& console) {
  const std::string path = folder + kPathSeparator + FileName(output) + ".md";
  std::string chosen;
  const auto problem = WriteNewFileNumbered(path, WithBytes(ChangeReportMarkdown(report, input, output), path), chosen);
  if (!problem) return true;
  console.Report(problem->file + ": " + problem->text);
  return false;
}

}  // namespace

std::string AbsoluteInputPath(const std::string& path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(platform::PathFromUtf8(path), error);
  return error ? path : platform::PathToUtf8(absolute.lexically_normal());
}

bool IsRefusal(const std::string& key) { return std::find(kRefusals.begin(), kRefusals.end(), key) != kRefusals.end(); }

bool PrepareReportFolder(const std::string& folder) {
  const auto path = platform::PathFromUtf8(folder);
  if (const auto attributes = platform::GetFileAttributes(path)) {
    if (attributes->directory) return true;
    std::error_code error;
    if (attributes->link && std::filesystem::is_directory(path, error)) return true;
    WriteText(stderr, "tqconv: " + folder + ": " + LookupMessage("CliOutputExists") + "\n");
    return false;
  }
  if (platform::CreateDirectory(path)) return true;
  WriteText(stderr, "tqconv: " + folder + ": " + LookupMessage("CliOutputUnwritable") + "\n");
  return false;
}

namespace {

JobResult ConvertOneProject(const BatchInput& input, const ProjectJobOptions& options, const ConversionSteps& steps) {
  ConsoleUserInterface console("tqconv: " + input.path + ": ", options.json);
  const ScopedUserInterface installed(console);
  ConversionOutcome outcome;
  ChangeReport report;
  const bool reporting = options.report || options.reportFolder;
  if (CheckProjectExtension(input.path)) {
    ConversionState state;
    if (reporting) state.report = &report;
    outcome = OnConvert(AbsoluteInputPath(input.path), state, steps);
  }
  JobResult result;
  // Stopped: the conversion cleaned up and says nothing; the batch reports it as not done.
  if (outcome.stopped && !outcome.succeeded) {
    result.verdict = Verdict::Stopped;
    return result;
  }
  if (outcome.succeeded) {
    result.verdict = Verdict::Succeeded;
    // A report asked for and not written fails the project, though its output stands.
    if (options.reportFolder && !options.check &&
        !WriteMarkdownReport(*options.reportFolder, report, input.path, outcome.outputPath, console)) {
      result.verdict = Verdict::Failed;
    }
  } else {
    const auto& messages = console.messages();
    result.verdict = !messages.empty() && IsRefusal(messages.front().key) ? Verdict::Refused : Verdict::Failed;
  }
  if (options.json) {
    const auto output = outcome.succeeded ? std::optional<std::string>(outcome.outputPath) : std::nullopt;
    std::optional<std::string> changes;
    if (options.report) changes = outcome.succeeded ? ChangeReportJson(report) : "null";
    result.standardOutput =
        ConversionJsonLine(input.path, outcome.succeeded, output, console.messages(), changes) + "\n";
    return result;
  }
  if (outcome.succeeded) {
    if (!options.quiet) {
      result.standardOutput =
          options.check
              ? input.path + ": " + FormatCatalogValues(LookupMessage("CliWouldConvert"), {outcome.outputPath}) + "\n"
              : outcome.outputPath + "\n";
      if (options.report) {
        for (const std::string& line : ChangeReportLines(report)) result.standardOutput += "  " + line + "\n";
      }
    }
  } else if (outcome.incomplete) {
    console.Report(LookupMessage("CliConversionIncomplete"));
  } else if (console.messages().empty()) {
    console.Report(LookupMessage("CliConversionFailed"));
  }
  result.standardError = console.errorLines();
  return result;
}

}  // namespace

JobResult RunProjectJob(const BatchInput& input, const ProjectJobOptions& options, const ConversionSteps& steps) {
  if (!input.refusalKey.empty()) return OneMessage(input, options, input.refusalKey, Verdict::Refused);
  try {
    return ConvertOneProject(input, options, steps);
  } catch (const platform::Stopped&) {
    throw;
  } catch (...) {
    // The conversion reports its own faults; this is what escapes it (the report, the paths
    // around it), so that one project's fault never costs the next its conversion.
    return OneMessage(input, options, "MsgUnexpectedError", Verdict::Failed);
  }
}
