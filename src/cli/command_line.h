// Reading a subcommand's arguments: options in any order before the operands or among them,
// "--name value", "--name=value", "-x value" and "-xvalue" alike, "--" ending the options.
// Every text printed here follows the language the caller chose.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stop_request.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct OptionSpec {
  std::string_view longName;  // "jobs" for --jobs
  char shortName = 0;         // 'j' for -j; 0: none
  bool takesValue = false;
};

struct CommandArguments {
  std::map<std::string, std::string, std::less<>> options;  // long name to value ("" for a flag)
  std::vector<std::string> operands;
  bool help = false;  // --help or -h: nothing else was read

  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  std::string Value(std::string_view name) const;
};

// The arguments after the subcommand's name. Every subcommand takes --lang and --help besides
// its own options. Nothing when they are not usable; the usage error has then been printed.
std::optional<CommandArguments> ParseCommandArguments(std::string_view command,
                                                      const std::vector<std::string>& arguments,
                                                      std::span<const OptionSpec> options);

// Sets the process-wide language from --lang (en or ja) among the arguments, else from the
// user's location. Runs before anything is printed, so that a usage error is in that language
// too; an unusable value is left for ParseCommandArguments to refuse.
void SelectCommandLanguage(const std::vector<std::string>& arguments);

// The help of the command ("" for tqconv as a whole) in the chosen language.
std::string CommandHelp(const std::string& command);

// Prints "tqconv: " + text and a hint to the command's help on stderr; returns kExitUsage.
int UsageError(std::string_view command, const std::string& text);

// Runs a command's work so that a stop signal ends it with its clean-up (temporary and working
// files removed by their owners): the status is then 128 + the signal.
template <typename Work>
int RunStoppable(Work work) {
  const platform::StoppableWork running;
  try {
    return work();
  } catch (const platform::Stopped&) {
    return platform::StopExitStatus();
  }
}

// "tqconv: " + name + ": " + text + "\n" on stderr; returns kExitFailure.
int FileError(const std::string& name, const std::string& text);
