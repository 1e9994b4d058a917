#include "win32/dropped_files.h"

#include <shlobj.h>

#include <cstring>

std::wstring FirstDroppedPath(HDROP drop) {
  if (::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return {};
  // The length first: a path is taken whole, and the Convert command refuses a long one with
  // its own message rather than seeing it cut.
  const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
  if (length == 0) return {};
  std::wstring path(length + 1, L'\0');
  const UINT copied = ::DragQueryFileW(drop, 0, path.data(), length + 1);
  path.resize(copied);
  return path;
}

HDROP MakeDropHandle(const std::vector<std::wstring>& paths) {
  std::size_t characters = 1;  // the list's closing zero
  for (const std::wstring& path : paths) characters += path.size() + 1;
  const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  if (!block) return nullptr;
  auto* const header = static_cast<DROPFILES*>(::GlobalLock(block));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* names = reinterpret_cast<wchar_t*>(header + 1);
  for (const std::wstring& path : paths) {
    std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    names += path.size() + 1;
  }
  ::GlobalUnlock(block);
  return static_cast<HDROP>(block);
}
