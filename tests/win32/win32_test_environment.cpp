#include "win32_test_environment.h"

#include <algorithm>
#include <cstring>

#include "app/message_catalog.h"
#include "recording_user_interface.h"
#include "win32/dropped_files.h"
#include "win32/resource_ids.h"
#include "win32/result_dialog.h"
#include "win32/wide_text.h"

namespace {

thread_local ModalWindowScript* activeScript = nullptr;

bool SameClass(HWND window, const wchar_t* className) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return ::lstrcmpiW(name, className) == 0;
}

}  // namespace

Win32TestEnvironment::Win32TestEnvironment(std::string nation) {
  platform_.nationCode = std::move(nation);
  CurrentLanguage() = "EN";
  if (::OpenClipboard(nullptr)) {
    ::EmptyClipboard();
    ::CloseClipboard();
  }
}

Win32TestEnvironment::~Win32TestEnvironment() { PumpMessages(); }

ModalRecorder::ModalRecorder(Win32UserInterface& ui, HWND mainWindow) : mainWindow_(mainWindow) {
  ui.showMessageBox = [this](const MessageBoxRequest& request) {
    ShownWindow seen = Seen(request.key);
    seen.caption = request.caption;
    seen.text = request.text;
    seen.style = request.style;
    seen.owner = request.owner;
    shown_.push_back(seen);
  };
  ui.runResultDialog = [this](ConversionResultDialog& dialog) {
    ShownWindow seen = Seen("Result");
    seen.text = ControlText(dialog.window(), IDC_RESULT_PATH_EDIT);
    seen.owner = ::GetWindow(dialog.window(), GW_OWNER);
    shown_.push_back(seen);
    if (onResult) onResult(dialog);
  };
}

ShownWindow ModalRecorder::Seen(std::string key) const {
  ShownWindow seen;
  seen.key = std::move(key);
  seen.mainWindowEnabled = ::IsWindowEnabled(mainWindow_) != FALSE;
  seen.waitCursor = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
  seen.clipboardOpen = ::GetOpenClipboardWindow() != nullptr;
  seen.workDirectoryExisted = WorkDirectoryExists();
  return seen;
}

std::vector<std::string> ModalRecorder::keys() const {
  std::vector<std::string> keys;
  for (const ShownWindow& seen : shown_) keys.push_back(seen.key);
  return keys;
}

void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && ::IsDialogMessageW(root, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void PressKey(UINT virtualKey) {
  const HWND focus = ::GetFocus();
  ::PostMessageW(focus, WM_KEYDOWN, virtualKey, 1);
  ::PostMessageW(focus, WM_KEYUP, virtualKey, 0xC0000001);
  PumpMessages();
}

void Click(HWND dialog, int controlId) {
  ::SendMessageW(::GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
  PumpMessages();
}

void Focus(HWND dialog, int controlId) {
  ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, controlId)), TRUE);
  PumpMessages();
}

void Drop(HWND window, const std::vector<std::wstring>& paths) {
  ::SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropHandle(paths)), 0);
  PumpMessages();
}

RECT TemplateRect(HWND dialog, int left, int top, int width, int height) {
  // The dialog manager maps the position and the size each on its own, so do the same.
  RECT units = {left, top, width, height};
  ::MapDialogRect(dialog, &units);
  return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT ControlRect(HWND dialog, int controlId) {
  RECT rect = {};
  ::GetWindowRect(::GetDlgItem(dialog, controlId), &rect);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& rect, std::ostream* out) {
  *out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << "}";
}

TemplateFont ReadTemplateFont(int templateId) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (!resource) return {};
  const auto* words = static_cast<const WORD*>(::LockResource(::LoadResource(module, resource)));
  if (words[0] != 1 || words[1] != 0xFFFF) return {};  // not an extended template
  const DWORD style = words[6] | (DWORD(words[7]) << 16);
  words += 13;  // version, signature, help id, extended style, style, item count, x, y, cx, cy
  const auto skipNameOrOrdinal = [&words] {
    if (*words == 0xFFFF) {
      words += 2;
    } else {
      while (*words++ != 0) {
      }
    }
  };
  skipNameOrOrdinal();  // menu
  skipNameOrOrdinal();  // window class
  while (*words++ != 0) {
  }  // caption
  if (!(style & DS_SETFONT)) return {};
  TemplateFont font;
  font.pointSize = words[0];
  font.weight = words[1];
  const auto* bytes = reinterpret_cast<const BYTE*>(words + 2);
  font.italic = bytes[0] != 0;
  font.charset = bytes[1];
  font.face = reinterpret_cast<const wchar_t*>(words + 3);
  return font;
}

bool HasBorder(HWND control) {
  return (::GetWindowLongPtrW(control, GWL_STYLE) & WS_BORDER) ||
         (::GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return L"<clipboard not open>";
  if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* characters = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text.assign(characters, ::wcsnlen(characters, ::GlobalSize(data) / sizeof(wchar_t)));
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(::GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  ::GlobalUnlock(block);
  ::SetClipboardData(CF_UNICODETEXT, block);
  ::CloseClipboard();
}

ModalWindowScript::ModalWindowScript(std::vector<HWND> ignored, std::function<bool(HWND window)> act)
    : ignored_(std::move(ignored)), act_(std::move(act)) {
  activeScript = this;
  timer_ = ::SetTimer(nullptr, 0, 20, Tick);
}

ModalWindowScript::~ModalWindowScript() {
  if (timer_) ::KillTimer(nullptr, timer_);
  activeScript = nullptr;
}

void CALLBACK ModalWindowScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (activeScript) activeScript->Look();
}

void ModalWindowScript::Look() {
  if (done_) return;
  std::vector<HWND> windows;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM found) {
        if (::IsWindowVisible(window) && SameClass(window, L"#32770")) {
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  for (const HWND window : windows) {
    if (std::find(ignored_.begin(), ignored_.end(), window) != ignored_.end()) continue;
    if (act_(window)) {
      done_ = true;
      ::KillTimer(nullptr, timer_);
      timer_ = 0;
      return;
    }
  }
}

std::vector<std::wstring> ChildTexts(HWND window, const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    std::vector<std::wstring> texts;
  } search{className, {}};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM found) {
        auto* const search = reinterpret_cast<Search*>(found);
        if (SameClass(child, search->className)) search->texts.push_back(WindowText(child));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.texts;
}

std::wstring Wide(const std::filesystem::path& path) { return path.wstring(); }
