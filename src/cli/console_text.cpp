#include "cli/console_text.h"

#include <algorithm>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#ifdef _WIN32

namespace {

// The console behind the stream; null when the stream goes to a file or a pipe.
HANDLE ConsoleBehind(std::FILE* stream) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

}  // namespace

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  std::string utf8(
      static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
      '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
  return utf8;
}

#endif

void WriteText(std::FILE* stream, std::string_view utf8) {
  if (utf8.empty()) return;
#ifdef _WIN32
  if (const HANDLE console = ConsoleBehind(stream)) {
    std::fflush(stream);  // what went through the stream's buffer comes first
    const std::wstring wide = WideFromUtf8(utf8);
    DWORD written = 0;
    for (std::size_t at = 0; at < wide.size(); at += written) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 16384));
      if (!WriteConsoleW(console, wide.data() + at, ask, &written, nullptr) || written == 0) return;
    }
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}
