// The UserInterface of tqconverter.exe: modal message boxes and the result dialog over the main
// window, and the busy state as a disabled window under the wait cursor.
#pragma once

#include <functional>
#include <string>

#include "win32/windows_api.h"

#include "app/user_interface.h"

class ConversionResultDialog;

// One message box as the program asks the system for it.
struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string key;
  std::wstring text;
  std::wstring caption;
  UINT style = 0;
};

class Win32UserInterface final : public UserInterface {
 public:
  Win32UserInterface();
  ~Win32UserInterface() override;
  Win32UserInterface(const Win32UserInterface&) = delete;
  Win32UserInterface& operator=(const Win32UserInterface&) = delete;

  // The window that is disabled while busy and that owns the modal windows.
  void Attach(HWND mainWindow) { window_ = mainWindow; }

  void ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) override;
  void ShowConversionResult(const std::string& outputPath, const std::string& text) override;
  void SetBusy(bool busy) override;
  bool busy() const { return busy_; }

  // Shows the box and returns when it is dismissed; MessageBoxW unless a test answers it.
  std::function<void(const MessageBoxRequest& request)> showMessageBox;
  // Test hook: when set, the result dialog is created modeless and this runs in place of its
  // modal loop, as the user acting in it; returning stands for closing it.
  std::function<void(ConversionResultDialog& dialog)> runResultDialog;

 private:
  // After a modal window: the system enables the owner again as the window closes, so a busy
  // window is disabled once more and gets its wait cursor back.
  void RestoreBusyState();

  HWND window_ = nullptr;
  bool busy_ = false;
  HCURSOR cursorBeforeBusy_ = nullptr;
};

// The style of a message box: one OK button, modal to the program, and the icon.
UINT MessageBoxStyle(MessageIcon icon);

// The caption of every message box: the base name of the program's executable file.
std::wstring ProgramName();
