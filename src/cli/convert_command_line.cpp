// tqconv convert: each FILE as the dialog treats a dropped file, then the Convert command.
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/json_line.h"
#include "pipeline/convert_command.h"
#include "platform/platform.h"
#include "project/validation.h"

namespace {

struct ConvertOptions {
  std::optional<std::string> language;  // "EN" or "JP"
  bool json = false;
  bool quiet = false;
  std::vector<std::string> files;
};

// Parses the options; nothing when they are not usable (the error has been printed).
std::optional<ConvertOptions> ParseConvertOptions(const std::vector<std::string>& arguments) {
  ConvertOptions options;
  bool onlyFiles = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
      options.files.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "--json") {
      options.json = true;
    } else if (argument == "--quiet") {
      options.quiet = true;
    } else if (argument == "--lang" || argument.rfind("--lang=", 0) == 0) {
      std::string value;
      if (argument == "--lang") {
        if (i + 1 == arguments.size()) return UsageError("--lang needs en or ja"), std::nullopt;
        value = arguments[++i];
      } else {
        value = argument.substr(7);
      }
      if (value == "en") {
        options.language = "EN";
      } else if (value == "ja") {
        options.language = "JP";
      } else {
        return UsageError("--lang takes en or ja, not '" + value + "'"), std::nullopt;
      }
    } else {
      return UsageError("unknown option '" + argument + "' for convert"), std::nullopt;
    }
  }
  if (options.files.empty()) return UsageError("convert needs at least one FILE"), std::nullopt;
  return options;
}

std::string AbsolutePath(const std::string& file) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(platform::PathFromUtf8(file), error);
  return error ? file : platform::PathToUtf8(absolute.lexically_normal());
}

enum class FileResult { Converted, Failed, Stopped };

// Converts one file.
FileResult ConvertOne(const std::string& file, const ConvertOptions& options) {
  ConsoleUserInterface console("tqconv: " + file + ": ", options.json);
  const ScopedUserInterface installed(console);
  ConversionOutcome outcome;
  if (CheckProjectExtension(file)) {
    ConversionState state;
    outcome = OnConvert(AbsolutePath(file), state);
  }
  if (outcome.stopped && !outcome.succeeded) return FileResult::Stopped;  // at once, with nothing more said
  if (options.json) {
    const auto output = outcome.succeeded ? std::optional<std::string>(outcome.outputPath) : std::nullopt;
    std::printf("%s\n", ConversionJsonLine(file, outcome.succeeded, output, console.messages()).c_str());
  } else if (outcome.succeeded) {
    if (!options.quiet) std::printf("%s\n", outcome.outputPath.c_str());
  } else if (outcome.incomplete) {
    console.Report("conversion incomplete: this build does not hold every conversion step");
  } else if (console.messages().empty()) {
    console.Report("conversion failed");
  }
  std::fflush(stdout);
  if (outcome.stopped) return FileResult::Stopped;
  return outcome.succeeded ? FileResult::Converted : FileResult::Failed;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& arguments) {
  const std::optional<ConvertOptions> options = ParseConvertOptions(arguments);
  if (!options) return kExitUsage;
  if (options->language) {
    CurrentLanguage() = *options->language;
  } else {
    SelectLanguage();
  }
  bool allSucceeded = true;
  for (const std::string& file : options->files) {
    const FileResult result = ConvertOne(file, *options);
    // Stopped: the later FILEs are not converted.
    if (result == FileResult::Stopped) return platform::StopExitStatus();
    allSucceeded = result == FileResult::Converted && allSucceeded;
  }
  return allSucceeded ? kExitSuccess : kExitFailure;
}
