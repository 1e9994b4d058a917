// The subcommands of tqconv. Each takes the arguments after its name and returns the exit
// status: 0 all succeeded, 1 a failure, 2 a usage error.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

int RunConvertCommand(const std::vector<std::string>& arguments);
int RunCheckCommand(const std::vector<std::string>& arguments);
int RunInspectCommand(const std::vector<std::string>& arguments);
int RunUnitSetupCommand(const std::vector<std::string>& arguments);
int RunPackCommand(const std::vector<std::string>& arguments);
int RunUnpackCommand(const std::vector<std::string>& arguments);
