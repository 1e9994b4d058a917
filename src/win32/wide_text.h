// Texts cross into the window system as UTF-16 and come back as the core's UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "win32/windows_api.h"

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The text of a window or control, whole, however long.
std::wstring WindowText(HWND window);
// The text of a dialog's control.
std::wstring ControlText(HWND dialog, int controlId);
