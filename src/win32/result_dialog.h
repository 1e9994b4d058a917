// The dialog after a successful conversion: the success text, the output path, and a button that
// puts the path on the clipboard.
#pragma once

#include <string>

#include "win32/clipboard_text.h"
#include "win32/dialog_window.h"

class ConversionResultDialog : public DialogWindow {
 public:
  // An empty message keeps the template's own text.
  ConversionResultDialog(std::string outputPath, std::string message,
                         ClipboardAccess clipboard = SystemClipboardAccess());

  // Puts exactly the output path on the clipboard and says so; with no path it does nothing.
  void CopyPathToClipboard();

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  const std::string m_outputPath;
  const std::string m_message;
  const ClipboardAccess m_clipboard;
};
