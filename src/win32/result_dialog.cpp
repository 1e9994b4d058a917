#include "win32/result_dialog.h"

#include "app/user_interface.h"
#include "win32/resource_ids.h"
#include "win32/wide_text.h"

ConversionResultDialog::ConversionResultDialog(std::string outputPath, std::string message,
                                               ClipboardAccess clipboard)
    : DialogWindow(IDD_RESULT),
      m_outputPath(std::move(outputPath)),
      m_message(std::move(message)),
      m_clipboard(std::move(clipboard)) {}

BOOL ConversionResultDialog::OnInitDialog() {
  SetCatalogText(IDC_RESULT_PATH_LABEL, "StaticPath");
  SetCatalogText(IDC_COPY_PATH, "BtnCopyPath");
  SetCatalogText(IDOK, "BtnOk");
  if (!m_message.empty()) ::SetDlgItemTextW(window(), IDC_RESULT_MESSAGE, Widen(m_message).c_str());
  ::SetDlgItemTextW(window(), IDC_RESULT_PATH_EDIT, Widen(m_outputPath).c_str());
  // The dialog manager selects the whole text of the field it gives the focus, which scrolls a
  // long path to its end; the caret then goes back to its start, so the drive and the first
  // folders are what the user reads.
  ::PostMessageW(::GetDlgItem(window(), IDC_RESULT_PATH_EDIT), EM_SETSEL, 0, 0);
  return TRUE;
}

bool ConversionResultDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDC_COPY_PATH: CopyPathToClipboard(); return true;
      case IDOK: End(IDOK); return true;
      case IDCANCEL: End(IDCANCEL); return true;  // Escape and the close box
    }
  }
  if (message == WM_CLOSE) {
    End(IDCANCEL);
    return true;
  }
  return false;
}

void ConversionResultDialog::CopyPathToClipboard() {
  if (m_outputPath.empty()) return;
  switch (WriteClipboardText(window(), Widen(m_outputPath), m_clipboard)) {
    case ClipboardWrite::Unavailable: ShowMessageBox("MsgClipOpenFail", MessageIcon::None); return;
    case ClipboardWrite::OutOfMemory: ShowMessageBox("MsgMemFail", MessageIcon::None); return;
    case ClipboardWrite::Written: ShowMessageBox("MsgClipSuccess", MessageIcon::None); return;
  }
}
