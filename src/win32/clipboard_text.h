// Putting a text on the clipboard as Unicode text in a movable memory block, with every way
// that can fail told apart.
#pragma once

#include <functional>
#include <string_view>

#include "win32/windows_api.h"

enum class ClipboardWrite {
  Written,
  Unavailable,  // the clipboard could not be opened or emptied, or did not take the block
  OutOfMemory,  // the block could not be had or locked; the clipboard is left empty
};

// The two calls whose failure a test cannot bring about on a real clipboard.
struct ClipboardAccess {
  std::function<HGLOBAL(SIZE_T bytes)> allocate;            // GlobalAlloc(GMEM_MOVEABLE, bytes)
  std::function<HANDLE(UINT format, HANDLE block)> setData;  // SetClipboardData
};
ClipboardAccess SystemClipboardAccess();

// Opens the clipboard for the owner, empties it and hands it the text with its terminating zero
// as CF_UNICODETEXT. The clipboard is closed again before this returns, whatever happened, so
// no message shown afterwards keeps it from other programs.
ClipboardWrite WriteClipboardText(HWND owner, std::wstring_view text, const ClipboardAccess& access);
