// What every Windows dialog test runs in: a user nation it chose, an empty clipboard, and
// helpers that drive dialogs with the messages the system would send: clicks, keys, drops, and
// a script for the modal windows the program opens.
#pragma once

#include "win32/windows_api.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "platform_double.h"
#include "win32/win32_user_interface.h"

class ConversionResultDialog;

class Win32TestEnvironment {
 public:
  explicit Win32TestEnvironment(std::string nation = "US");
  ~Win32TestEnvironment();
  Win32TestEnvironment(const Win32TestEnvironment&) = delete;
  Win32TestEnvironment& operator=(const Win32TestEnvironment&) = delete;

  PlatformDouble& platform() { return platform_; }

 private:
  PlatformDouble platform_;
};

// One message box or result dialog as the user would have seen it.
struct ShownWindow {
  std::string key;       // the message key, or "Result"
  std::wstring caption;  // of a message box
  std::wstring text;     // the message, or the result dialog's path field
  UINT style = 0;        // of a message box
  HWND owner = nullptr;
  bool mainWindowEnabled = false;
  bool waitCursor = false;
  bool clipboardOpen = false;
  bool workDirectoryExisted = false;
};

// Answers every modal window of the interface at once and notes what it showed.
class ModalRecorder {
 public:
  ModalRecorder(Win32UserInterface& ui, HWND mainWindow);

  // Runs while the result dialog is open, as the user acting in it.
  std::function<void(ConversionResultDialog&)> onResult;

  const std::vector<ShownWindow>& shown() const { return shown_; }
  std::vector<std::string> keys() const;
  void Clear() { shown_.clear(); }

 private:
  ShownWindow Seen(std::string key) const;

  HWND mainWindow_;
  std::vector<ShownWindow> shown_;
};

// Delivers the messages waiting for this thread, keys through the dialog manager of whichever
// dialog they are for, as a modal loop would.
void PumpMessages();
// Presses a key on the control that has the focus (Enter, Escape, Tab).
void PressKey(UINT virtualKey);
// Clicks the dialog's button as the user would, through the button itself.
void Click(HWND dialog, int controlId);
// Moves the focus to the control as Tab would (a button that gets it becomes the default).
void Focus(HWND dialog, int controlId);

// Drops the files on the window, as the shell would.
void Drop(HWND window, const std::vector<std::wstring>& paths);

// The template's rectangle in the dialog's pixels, by the system's own mapping.
RECT TemplateRect(HWND dialog, int left, int top, int width, int height);
// A control's rectangle in its dialog's client coordinates.
RECT ControlRect(HWND dialog, int controlId);
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& rect, std::ostream* out);

// The font a dialog template names, read from the program's resources as the system reads it.
struct TemplateFont {
  int pointSize = 0;
  int weight = 0;
  bool italic = false;
  int charset = 0;
  std::wstring face;
};
TemplateFont ReadTemplateFont(int templateId);

// A bordered edit box: the dialog manager may draw WS_BORDER as a sunken client edge.
bool HasBorder(HWND control);

std::wstring ClipboardText();
void SetClipboardText(const std::wstring& text);

// Runs act on each top-level dialog window of this thread that appears while in scope (a
// message box, the file-open dialog), other than the ones given, until act returns true.
// The modal loop that shows the window runs act from its timer.
class ModalWindowScript {
 public:
  ModalWindowScript(std::vector<HWND> ignored, std::function<bool(HWND window)> act);
  ~ModalWindowScript();
  ModalWindowScript(const ModalWindowScript&) = delete;
  ModalWindowScript& operator=(const ModalWindowScript&) = delete;
  bool done() const { return done_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Look();

  std::vector<HWND> ignored_;
  std::function<bool(HWND)> act_;
  UINT_PTR timer_ = 0;
  bool done_ = false;
};

// The texts of a window's children of a class ("Static", "Button", "ComboBox"), in order.
std::vector<std::wstring> ChildTexts(HWND window, const wchar_t* className);

std::wstring Wide(const std::filesystem::path& path);
