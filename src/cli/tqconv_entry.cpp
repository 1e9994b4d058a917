#include "cli/tqconv_entry.h"

#include <exception>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "cli/console_text.h"
#include "platform/stop_request.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& arguments);
};

constexpr Command kCommands[] = {
    {"convert", RunConvertCommand},      {"check", RunCheckCommand}, {"inspect", RunInspectCommand},
    {"unit-setup", RunUnitSetupCommand}, {"pack", RunPackCommand},   {"unpack", RunUnpackCommand},
};

int Dispatch(const std::vector<std::string>& arguments) {
  SelectCommandLanguage(arguments);
  if (arguments.empty()) return UsageError("", LookupMessage("CliUsageNoCommand"));
  const std::string& command = arguments.front();
  if (command == "--help" || command == "-h") {
    WriteText(stdout, CommandHelp(""));
    return kExitSuccess;
  }
  if (command == "--version") {
    WriteText(stdout, std::string("tqconv ") + TQ_VERSION + "\n");
    return kExitSuccess;
  }
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  for (const Command& entry : kCommands) {
    if (command == entry.name) return entry.run(rest);
  }
  return UsageError("", FormatCatalogValues(LookupMessage("CliUsageUnknownCommand"), {command}));
}

}  // namespace

int RunTqconv(const std::vector<std::string>& arguments) {
  // SIGINT and SIGTERM (Ctrl+C, a closed console) stop a conversion with its clean-up, and the
  // program ends with 130 or 143.
  platform::InstallStopHandlers();
  try {
    return Dispatch(arguments);
  } catch (const platform::Stopped&) {
    return platform::StopExitStatus();
  } catch (...) {
    // Each project's faults are its own (see RunProjectJob); this is what is left, say memory
    // running out while the inputs are gathered.
    try {
      WriteText(stderr, "tqconv: " + LookupMessage("MsgUnexpectedError") + "\n");
    } catch (...) {
    }
    return kExitFailure;
  }
}
