// tqconv: the command-line companion of the converter, for batch work and scripts.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/stop_request.h"

namespace {

constexpr const char* kVersion = "1.0.0";

constexpr const char* kUsage =
    "usage:\n"
    "  tqconv convert [--lang en|ja] [--json] [--quiet] FILE...\n"
    "      convert each TQ5A project (.lqt or .lqp) into a TQ6A project beside it\n"
    "      --lang   language of the messages (default: from the user's location)\n"
    "      --json   one JSON object per input on stdout, nothing on stderr\n"
    "      --quiet  print nothing on stdout\n"
    "  tqconv pack [--literal-mode 0|1] [--dictionary 1024|2048|4096] IN OUT\n"
    "      compress a file into one stream (default: literal mode 0, 4096-byte dictionary)\n"
    "  tqconv unpack IN OUT\n"
    "      expand one stream into a file\n"
    "  tqconv --help | --version\n"
    "OUT is never replaced. Exit status: 0 all succeeded, 1 a failure, 2 a usage error;\n"
    "130 or 143 when stopped by SIGINT or SIGTERM (nothing of the stopped conversion is left).\n";

}  // namespace

int UsageError(const std::string& text) {
  std::fprintf(stderr, "tqconv: %s\n%s", text.c_str(), kUsage);
  return kExitUsage;
}

int main(int argc, char** argv) {
  // SIGINT and SIGTERM (Ctrl+C, a closed console) stop a conversion with its clean-up, and the
  // program ends with 130 or 143.
  platform::InstallStopHandlers();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return UsageError("no command given");
  const std::string& command = arguments.front();
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return kExitSuccess;
  }
  if (command == "--version") {
    std::printf("tqconv %s\n", kVersion);
    return kExitSuccess;
  }
  if (command == "convert") return RunConvertCommand(rest);
  if (command == "pack") return RunPackCommand(rest);
  if (command == "unpack") return RunUnpackCommand(rest);
  return UsageError("unknown command '" + command + "'");
}
