// tqconv pack and unpack: one file through the stream codec, published whole or not at all.
#include <cstdio>
#include <functional>
#include <optional>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "packed/packed_file.h"
#include "pipeline/conversion_steps.h"
#include "pipeline/output_publish.h"
#include "platform/platform.h"

namespace {

int Fail(const std::string& file, const std::string& text) {
  std::fprintf(stderr, "tqconv: %s: %s\n", file.c_str(), text.c_str());
  return kExitFailure;
}

// Writes OUT through a temporary file beside it; an existing OUT is never replaced. The temporary
// file goes on every path: a failure, a read error of IN, a stop (which exits with 128 + signal).
int WriteNewFile(const std::string& out, const std::function<std::optional<std::string>(const std::string&)>& write) {
  const platform::StoppableWork running;
  try {
    if (platform::GetFileAttributes(platform::PathFromUtf8(out))) return Fail(out, "exists already; not replaced");
    TemporaryBeside temporary(out);
    if (temporary.path().empty()) return Fail(out, "cannot create a file in its folder");
    if (const std::optional<std::string> failure = write(temporary.path())) return Fail(out, *failure);
    switch (platform::PublishNoReplace(platform::PathFromUtf8(temporary.path()), platform::PathFromUtf8(out))) {
      case platform::PublishResult::Published:
        temporary.Published();
        return kExitSuccess;
      case platform::PublishResult::NameTaken:
        return Fail(out, "exists already; not replaced");
      case platform::PublishResult::Failed:
        break;
    }
    return Fail(out, "cannot be written");
  } catch (const platform::FileError& error) {
    return Fail(out, std::string("not written: ") + error.what());
  } catch (const platform::Stopped&) {
    return platform::StopExitStatus();
  }
}

std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(std::stoul(text));
}

}  // namespace

int RunPackCommand(const std::vector<std::string>& arguments) {
  std::uint32_t literalMode = 0;
  std::uint32_t dictionarySize = 4096;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--literal-mode" || argument == "--dictionary") {
      const bool isMode = argument == "--literal-mode";
      // A missing or unreadable number counts as 2: neither a mode nor a dictionary size.
      const std::optional<std::uint32_t> parsed = i + 1 < arguments.size() ? ParseNumber(arguments[++i]) : std::nullopt;
      const std::uint32_t value = parsed.value_or(2);
      if (isMode ? value > 1 : (value != 1024 && value != 2048 && value != 4096)) {
        return UsageError(isMode ? "--literal-mode takes 0 or 1" : "--dictionary takes 1024, 2048 or 4096");
      }
      (isMode ? literalMode : dictionarySize) = value;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return UsageError("unknown option '" + argument + "' for pack");
    } else {
      files.push_back(argument);
    }
  }
  if (files.size() != 2) return UsageError("pack needs IN and OUT");
  const std::string& in = files[0];
  if (!platform::GetFileAttributes(platform::PathFromUtf8(in))) return Fail(in, "cannot be read");
  return WriteNewFile(files[1], [&](const std::string& temporary) -> std::optional<std::string> {
    if (PackFile(platform::PathFromUtf8(in), platform::PathFromUtf8(temporary), literalMode, dictionarySize)) {
      return std::nullopt;
    }
    return LookupMessage("MsgZipFail");
  });
}

int RunUnpackCommand(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument.size() > 1 && argument[0] == '-') return UsageError("unknown option '" + argument + "' for unpack");
  }
  if (arguments.size() != 2) return UsageError("unpack needs IN and OUT");
  const std::string& in = arguments[0];
  return WriteNewFile(arguments[1], [&](const std::string& temporary) -> std::optional<std::string> {
    switch (UnpackProjectFile(platform::PathFromUtf8(in), platform::PathFromUtf8(temporary), kProjectSizeLimit)) {
      case UnpackResult::Expanded: return std::nullopt;
      case UnpackResult::TooLarge: return LookupMessage("MsgFileTooLarge");
      case UnpackResult::Failed: break;
    }
    return LookupMessage("MsgOpenProjectFail");
  });
}
