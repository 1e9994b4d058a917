// The subcommands of tqconv. Each returns the exit status: 0 all succeeded, 1 a failure,
// 2 a usage error.
#pragma once

#include <string>
#include <vector>

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int RunConvertCommand(const std::vector<std::string>& arguments);
int RunPackCommand(const std::vector<std::string>& arguments);
int RunUnpackCommand(const std::vector<std::string>& arguments);

// Prints "tqconv: " + text on stderr and returns kExitUsage.
int UsageError(const std::string& text);
