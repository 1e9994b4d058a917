// A dialog made from a template in the program's resources, run modally by the program or
// created modeless by a test that drives it with messages. Subclasses handle the messages.
#pragma once

#include <string_view>

#include "win32/windows_api.h"

class DialogWindow {
 public:
  explicit DialogWindow(int templateId);
  // Destroys the window if it is still open (a modeless one a test left).
  virtual ~DialogWindow();
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Runs the dialog until it ends; its result.
  INT_PTR DoModal(HWND owner);
  // Creates the dialog modeless and shows it; the caller pumps its messages.
  HWND Create(HWND owner);

  HWND window() const { return m_hwnd; }
  bool ended() const { return m_ended; }
  INT_PTR result() const { return m_result; }

 protected:
  // Ends the dialog with the result: the modal loop returns, a modeless window is destroyed.
  void End(INT_PTR result);
  // Sets a control's text (or the caption, with id 0) to the catalog's text for the key.
  void SetCatalogText(int controlId, std::string_view key) const;

  // After the window and its controls exist, before it is first shown. True: the dialog
  // manager gives the focus to the first tab stop.
  virtual BOOL OnInitDialog() = 0;
  // True when the message was handled; result is then the dialog procedure's result.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  const int m_templateId;
  HWND m_hwnd = nullptr;
  bool m_modal = false;
  bool m_ended = false;
  INT_PTR m_result = 0;
};
