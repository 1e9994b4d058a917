#include "win32/win32_user_interface.h"

#include <filesystem>
#include <vector>

#include "platform/stop_request.h"
#include "win32/result_dialog.h"
#include "win32/wide_text.h"

Win32UserInterface::Win32UserInterface()
    : showMessageBox([](const MessageBoxRequest& request) {
        ::MessageBoxW(request.owner, request.text.c_str(), request.caption.c_str(), request.style);
      }) {}

Win32UserInterface::~Win32UserInterface() {
  if (busy_) ::SetCursor(cursorBeforeBusy_);
}

void Win32UserInterface::ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) {
  // Asked to stop: the conversion ends at its next file operation; no window waits for the user.
  if (platform::StopSignal() != 0) return;
  // A message raised from inside the result dialog belongs to that one.
  const HWND owner = ::IsWindow(window_) ? ::GetLastActivePopup(window_) : nullptr;
  showMessageBox({owner, key, Widen(text), ProgramName(), MessageBoxStyle(icon)});
  RestoreBusyState();
}

void Win32UserInterface::ShowConversionResult(const std::string& outputPath, const std::string& text) {
  ConversionResultDialog dialog(outputPath, text);
  if (runResultDialog) {
    dialog.Create(window_);
    runResultDialog(dialog);
  } else {
    dialog.DoModal(window_);
  }
  RestoreBusyState();
}

void Win32UserInterface::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (window_) ::EnableWindow(window_, busy ? FALSE : TRUE);
  if (busy) {
    cursorBeforeBusy_ = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  } else {
    ::SetCursor(cursorBeforeBusy_ ? cursorBeforeBusy_ : ::LoadCursorW(nullptr, IDC_ARROW));
  }
}

void Win32UserInterface::RestoreBusyState() {
  if (!busy_) return;
  if (window_) ::EnableWindow(window_, FALSE);
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

UINT MessageBoxStyle(MessageIcon icon) {
  UINT style = MB_OK | MB_TASKMODAL;
  switch (icon) {
    case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
    case MessageIcon::Warning: style |= MB_ICONWARNING; break;
    case MessageIcon::None: break;
  }
  return style;
}

std::wstring ProgramName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length)).stem().wstring();
    buffer.resize(buffer.size() * 2);
  }
}
