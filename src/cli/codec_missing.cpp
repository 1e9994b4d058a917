// Stands in for pack and unpack in a build without the stream codec.
#include "cli/commands.h"

#include <cstdio>

namespace {
int Missing() {
  std::fputs("tqconv: this build has no stream codec: pack and unpack are not available\n", stderr);
  return kExitFailure;
}
}  // namespace

int RunPackCommand(const std::vector<std::string>&) { return Missing(); }
int RunUnpackCommand(const std::vector<std::string>&) { return Missing(); }
