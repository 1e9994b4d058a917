// tqconv's whole program behind main: the same on every platform, given its arguments as UTF-8.
#pragma once

#include <string>
#include <vector>

// Runs the subcommand the arguments name (those after the program's name) and returns the exit
// status. No exception leaves it: an unexpected one is reported and gives status 1.
int RunTqconv(const std::vector<std::string>& arguments);
