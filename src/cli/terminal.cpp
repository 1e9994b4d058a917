#include "cli/terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {
constexpr std::size_t kDefaultColumns = 80;
}

#ifdef _WIN32

namespace {
HANDLE ConsoleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }
}  // namespace

bool IsProgressTerminal(std::FILE* stream) {
  if (!_isatty(_fileno(stream))) return false;
  const HANDLE console = ConsoleOf(stream);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) return false;
  // The line is redrawn with "\r" and erase-to-end; an old console without them gets no line.
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::size_t TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(ConsoleOf(stream), &info)) return kDefaultColumns;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? static_cast<std::size_t>(columns) : kDefaultColumns;
}

#else

bool IsProgressTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::size_t TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

#endif
