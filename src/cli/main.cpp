// tqconv: the command-line companion of the converter, for batch work and scripts.
#include <cstdio>
#include <string>
#include <vector>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "platform/stop_request.h"

namespace {

constexpr const char* kVersion = TQ_VERSION;

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& arguments);
};

constexpr Command kCommands[] = {
    {"convert", RunConvertCommand},      {"check", RunCheckCommand}, {"inspect", RunInspectCommand},
    {"unit-setup", RunUnitSetupCommand}, {"pack", RunPackCommand},   {"unpack", RunUnpackCommand},
};

}  // namespace

int main(int argc, char** argv) {
  // SIGINT and SIGTERM (Ctrl+C, a closed console) stop a conversion with its clean-up, and the
  // program ends with 130 or 143.
  platform::InstallStopHandlers();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  SelectCommandLanguage(arguments);
  if (arguments.empty()) return UsageError("", LookupMessage("CliUsageNoCommand"));
  const std::string& command = arguments.front();
  if (command == "--help" || command == "-h") {
    std::fputs(CommandHelp("").c_str(), stdout);
    return kExitSuccess;
  }
  if (command == "--version") {
    std::printf("tqconv %s\n", kVersion);
    return kExitSuccess;
  }
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  for (const Command& entry : kCommands) {
    if (command == entry.name) return entry.run(rest);
  }
  return UsageError("", FormatCatalogValues(LookupMessage("CliUsageUnknownCommand"), {command}));
}
