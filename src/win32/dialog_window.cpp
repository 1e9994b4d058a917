#include "win32/dialog_window.h"

#include "app/message_catalog.h"
#include "win32/wide_text.h"

DialogWindow::DialogWindow(int templateId) : m_templateId(templateId) {}

DialogWindow::~DialogWindow() {
  if (!m_hwnd || m_modal) return;
  // The subclass is gone already: the last messages go to the system's handling alone.
  ::SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
  ::DestroyWindow(m_hwnd);
}

INT_PTR DialogWindow::DoModal(HWND owner) {
  m_modal = true;
  m_ended = false;
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND DialogWindow::Create(HWND owner) {
  m_modal = false;
  m_ended = false;
  const HWND window = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                           Procedure, reinterpret_cast<LPARAM>(this));
  if (window) ::ShowWindow(window, SW_SHOW);
  return window;
}

void DialogWindow::End(INT_PTR result) {
  m_ended = true;
  m_result = result;
  if (m_modal) {
    ::EndDialog(m_hwnd, result);
  } else {
    ::DestroyWindow(m_hwnd);
  }
}

void DialogWindow::SetCatalogText(int controlId, std::string_view key) const {
  const std::wstring text = Widen(LookupMessage(key));
  ::SetWindowTextW(controlId == 0 ? m_hwnd : ::GetDlgItem(m_hwnd, controlId), text.c_str());
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* const self = reinterpret_cast<DialogWindow*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->m_hwnd = window;
    return self->OnInitDialog();
  }
  auto* const self = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;  // the messages before WM_INITDIALOG
  INT_PTR result = FALSE;
  const bool handled = self->OnMessage(message, wParam, lParam, result);
  if (message == WM_NCDESTROY) {
    self->m_hwnd = nullptr;
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
  }
  if (!handled) return FALSE;
  // A dialog procedure returns TRUE for a handled message and leaves its result in DWLP_MSGRESULT.
  ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}
