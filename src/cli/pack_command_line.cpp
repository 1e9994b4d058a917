// tqconv pack and unpack: one file through the stream codec, published whole or not at all.
// Every failure names the file it concerns and says what is wrong with it.
#include <cstdio>
#include <optional>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "cli/console_text.h"
#include "cli/new_file.h"
#include "packed/packed_file.h"
#include "pipeline/conversion_steps.h"
#include "platform/platform.h"

namespace {

constexpr OptionSpec kPackOptions[] = {{"literal-mode", 0, true}, {"dictionary", 0, true}};

std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(std::stoul(text));
}

FileProblem Problem(const std::string& file, const char* key) { return {file, LookupMessage(key)}; }

// IN must be a file we can open; nothing when it is.
std::optional<FileProblem> CheckInput(const std::string& in) {
  const auto path = platform::PathFromUtf8(in);
  const auto attributes = platform::GetFileAttributes(path);
  if (!attributes) return Problem(in, "CliInputMissing");
  if (attributes->directory) return Problem(in, "CliInputIsFolder");
  if (!platform::OpenForReading(path)) return Problem(in, "CliInputUnreadable");
  return std::nullopt;
}

int Report(const std::optional<FileProblem>& problem) {
  if (!problem) return kExitSuccess;
  return FileError(problem->file, problem->text);
}

// The file layer reports a read error of IN by an exception; it concerns IN.
template <typename Operation>
std::optional<FileProblem> ReadingInput(const std::string& in, Operation operation) {
  try {
    return operation();
  } catch (const platform::FileError&) {
    return Problem(in, "CliInputUnreadable");
  }
}

std::optional<CommandArguments> Parse(const char* command, const std::vector<std::string>& raw,
                                      std::span<const OptionSpec> options, int& status) {
  std::optional<CommandArguments> arguments = ParseCommandArguments(command, raw, options);
  status = kExitUsage;
  if (!arguments) return std::nullopt;
  if (arguments->help) {
    WriteText(stdout, CommandHelp(command));
    status = kExitSuccess;
    return std::nullopt;
  }
  if (arguments->operands.size() != 2) {
    UsageError(command, FormatCatalogValues(LookupMessage("CliUsageArguments"), {command, "IN OUT"}));
    return std::nullopt;
  }
  return arguments;
}

}  // namespace

int RunPackCommand(const std::vector<std::string>& raw) {
  int status = kExitUsage;
  const std::optional<CommandArguments> arguments = Parse("pack", raw, kPackOptions, status);
  if (!arguments) return status;
  std::uint32_t literalMode = 0;
  std::uint32_t dictionarySize = 4096;
  if (arguments->Has("literal-mode")) {
    const auto value = ParseNumber(arguments->Value("literal-mode"));
    if (!value || *value > 1) {
      return UsageError("pack", FormatCatalogValues(LookupMessage("CliUsageBadValue"),
                                                    {"--literal-mode", arguments->Value("literal-mode"), "0, 1"}));
    }
    literalMode = *value;
  }
  if (arguments->Has("dictionary")) {
    const auto value = ParseNumber(arguments->Value("dictionary"));
    if (!value || (*value != 1024 && *value != 2048 && *value != 4096)) {
      return UsageError("pack",
                        FormatCatalogValues(LookupMessage("CliUsageBadValue"),
                                            {"--dictionary", arguments->Value("dictionary"), "1024, 2048, 4096"}));
    }
    dictionarySize = *value;
  }
  const std::string& in = arguments->operands[0];
  const std::string& out = arguments->operands[1];
  if (const auto problem = CheckInput(in)) return Report(problem);
  return RunStoppable([&] {
    return Report(WriteNewFile(out, [&](const std::string& temporary) {
      return ReadingInput(in, [&]() -> std::optional<FileProblem> {
        if (PackFile(platform::PathFromUtf8(in), platform::PathFromUtf8(temporary), literalMode, dictionarySize)) {
          return std::nullopt;
        }
        return Problem(out, "CliOutputUnwritable");
      });
    }));
  });
}

int RunUnpackCommand(const std::vector<std::string>& raw) {
  int status = kExitUsage;
  const std::optional<CommandArguments> arguments = Parse("unpack", raw, {}, status);
  if (!arguments) return status;
  const std::string& in = arguments->operands[0];
  const std::string& out = arguments->operands[1];
  if (const auto problem = CheckInput(in)) return Report(problem);
  return RunStoppable([&] {
    return Report(WriteNewFile(out, [&](const std::string& temporary) {
      return ReadingInput(in, [&]() -> std::optional<FileProblem> {
        switch (UnpackFileExplained(platform::PathFromUtf8(in), platform::PathFromUtf8(temporary), kProjectSizeLimit)) {
          case UnpackFailure::None:
            return std::nullopt;
          case UnpackFailure::SourceUnreadable:
            return Problem(in, "CliInputUnreadable");
          case UnpackFailure::NotAStream:
            return Problem(in, "CliNotAStream");
          case UnpackFailure::Truncated:
            return Problem(in, "CliStreamTruncated");
          case UnpackFailure::TooLarge:
            return Problem(in, "MsgFileTooLarge");
          case UnpackFailure::TargetUnwritable:
            break;
        }
        return Problem(out, "CliOutputUnwritable");
      });
    }));
  });
}
