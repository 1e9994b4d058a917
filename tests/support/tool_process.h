// Runs a program of the build (tqconv, the tools) as a user does: a process of its own, no
// standard input, its output collected (tool_process.cpp on POSIX, tool_process_win32.cpp on
// Windows).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct ToolRun {
  int status = -1;  // the exit status; -1 when it did not exit
  std::string out;
  std::string err;  // with onTerminal, what the terminal received
};

struct ToolSetting {
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child
  bool onTerminal = false;  // stderr is a pseudo-terminal of 80 columns; stdout stays a pipe
  // Called with the child's process id and its stdout so far whenever more arrives.
  std::function<void(int pid, const std::string& out)> whileRunning;
};

// LC_ALL set to the locale (POSIX only).
inline ToolSetting InLocale(const std::string& locale) { return {{{"LC_ALL", locale}}, false, {}}; }
// stderr on a terminal (POSIX only).
inline ToolSetting OnTerminal() { return {{}, true, {}}; }

// The program named, without ".exe", from the build folder.
ToolRun RunTool(const std::string& name, const std::vector<std::string>& arguments, const ToolSetting& setting = {});

inline ToolRun RunTqconv(const std::vector<std::string>& arguments, const ToolSetting& setting = {}) {
  return RunTool("tqconv", arguments, setting);
}
