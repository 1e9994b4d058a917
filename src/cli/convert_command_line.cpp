// tqconv convert and check: each project as the dialog treats a dropped file, then the Convert
// command, for the files named and the projects in the folders named, several at once.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/ascii_case.h"
#include "app/message_catalog.h"
#include "cli/batch_inputs.h"
#include "cli/batch_run.h"
#include "cli/commands.h"
#include "cli/console_text.h"
#include "cli/console_user_interface.h"
#include "cli/json_line.h"
#include "cli/project_job.h"
#include "cli/terminal.h"
#include "pipeline/convert_command.h"
#include "platform/platform.h"
#include "platform/stop_request.h"

namespace {

constexpr OptionSpec kConvertOptions[] = {
    {"json", 0, false},  {"quiet", 0, false},  {"recursive", 'r', false},
    {"jobs", 'j', true}, {"report", 0, false}, {"report-dir", 0, true},
};
constexpr OptionSpec kCheckOptions[] = {
    {"json", 0, false}, {"quiet", 0, false}, {"recursive", 'r', false}, {"jobs", 'j', true}, {"report", 0, false},
};

std::optional<unsigned> ParseJobCount(const std::string& text) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const unsigned count = static_cast<unsigned>(std::stoul(text));
  if (count == 0) return std::nullopt;
  return count;
}

// Reads the options shared by convert and check; nothing after the usage error.
std::optional<ProjectJobOptions> ReadOptions(const std::string& command, const CommandArguments& arguments,
                                             unsigned& jobs) {
  ProjectJobOptions options;
  options.json = arguments.Has("json");
  options.quiet = arguments.Has("quiet");
  options.report = arguments.Has("report");
  if (arguments.Has("report-dir")) options.reportFolder = arguments.Value("report-dir");
  jobs = DefaultJobCount();
  if (arguments.Has("jobs")) {
    const std::optional<unsigned> count = ParseJobCount(arguments.Value("jobs"));
    if (!count) {
      UsageError(command,
                 FormatCatalogValues(LookupMessage("CliUsageBadValue"),
                                     {"--jobs", arguments.Value("jobs"), LookupMessage("CliUsageWholeNumber")}));
      return std::nullopt;
    }
    jobs = *count;
  }
  if (arguments.operands.empty()) {
    UsageError(command, FormatCatalogValues(LookupMessage("CliUsageNeedsFiles"), {command}));
    return std::nullopt;
  }
  return options;
}

// Projects that would be given the same output name (the same file named twice, or names that
// differ in letter case only on a file system that ignores it) share this key.
std::string OutputNameKey(const BatchInput& input) {
  std::string key = AbsoluteInputPath(input.path);
  for (char& c : key) c = AsciiLower(c);
  return key;
}

// The closing lines on a terminal: the counts, then every project that did not succeed.
void PrintSummary(bool check, const BatchOutcome& outcome) {
  const double seconds = std::chrono::duration<double>(outcome.elapsed).count();
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.1f", seconds);
  const std::string counts = FormatCatalogValues(
      LookupMessage(check ? "CliCheckSummary" : "CliSummary"),
      {std::to_string(outcome.succeeded), std::to_string(outcome.refused), std::to_string(outcome.failed), elapsed});
  WriteText(stderr, "tqconv: " + counts + "\n");
  for (const auto& [verdict, path] : outcome.unsuccessful) {
    const char* const key = verdict == Verdict::Refused ? "CliSummaryRefused" : "CliSummaryFailed";
    WriteText(stderr, "tqconv:   " + FormatCatalogValues(LookupMessage(key), {ValidUtf8(path)}) + "\n");
  }
  if (outcome.notRun > 0) {
    WriteText(stderr,
              "tqconv: " + FormatCatalogValues(LookupMessage("CliStopped"), {std::to_string(outcome.notRun)}) + "\n");
  }
}

int RunProjectBatch(const std::string& command, const std::vector<std::string>& rawArguments,
                    std::span<const OptionSpec> specs, bool check) {
  const std::optional<CommandArguments> arguments = ParseCommandArguments(command, rawArguments, specs);
  if (!arguments) return kExitUsage;
  if (arguments->help) {
    WriteText(stdout, CommandHelp(command));
    return kExitSuccess;
  }
  unsigned jobs = 1;
  std::optional<ProjectJobOptions> options = ReadOptions(command, *arguments, jobs);
  if (!options) return kExitUsage;
  options->check = check;
  if (options->reportFolder && !PrepareReportFolder(*options->reportFolder)) return kExitFailure;

  const std::vector<BatchInput> inputs = GatherBatchInputs(arguments->operands, arguments->Has("recursive"));
  const bool terminal = !options->json && IsProgressTerminal(stderr);
  BatchConsole console;
  console.progress = terminal && !options->quiet;
  console.columns = terminal ? TerminalColumns(stderr) : 80;
  console.turnKey = OutputNameKey;
  // A lone conversion compresses on every thread; conversions side by side on one each.
  const unsigned packThreads = std::min<std::size_t>(jobs, inputs.size()) <= 1 ? LonePackThreads() : 1;
  const ConversionSteps steps = check ? DryRunConversionSteps(packThreads) : DefaultConversionSteps(packThreads);
  console.stopRequested = [] { return platform::StopSignal() != 0; };
  // A signal during the batch stops it: the running conversions end with their clean-up, no
  // other one starts, and what was done is reported before the program ends.
  const platform::StoppableWork batch;
  const BatchOutcome outcome = RunBatch(
      inputs, jobs, [&](const BatchInput& input) { return RunProjectJob(input, *options, steps); }, console);
  if (terminal) PrintSummary(check, outcome);
  if (platform::StopSignal() != 0) return platform::StopExitStatus();
  return outcome.succeeded == inputs.size() ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& arguments) {
  return RunProjectBatch("convert", arguments, kConvertOptions, false);
}

int RunCheckCommand(const std::vector<std::string>& arguments) {
  return RunProjectBatch("check", arguments, kCheckOptions, true);
}
