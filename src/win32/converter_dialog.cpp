#include "win32/converter_dialog.h"

#include "app/message_catalog.h"
#include "project/validation.h"
#include "win32/dropped_files.h"
#include "win32/resource_ids.h"
#include "win32/wide_text.h"

CTQConverterDlg::CTQConverterDlg(ConversionSteps steps)
    : DialogWindow(IDD_CONVERTER), m_steps(std::move(steps)), m_uiScope(m_ui) {}

CTQConverterDlg::~CTQConverterDlg() { CleanUpConversion(m_conversion); }

BOOL CTQConverterDlg::OnInitDialog() {
  m_pathEdit = ::GetDlgItem(window(), IDC_PATH_EDIT);
  m_ui.Attach(window());
  RECT frame = {};
  ::GetWindowRect(window(), &frame);
  m_windowSize = SIZE{frame.right - frame.left, frame.bottom - frame.top};
  SelectLanguage();
  ApplyUiTexts();
  return TRUE;  // the focus goes to the first tab stop, the path field
}

void CTQConverterDlg::ApplyUiTexts() {
  SetCatalogText(0, "DialogTitle");
  SetCatalogText(IDC_STATIC_TOP, "StaticTop");
  SetCatalogText(IDC_STATIC_FILE, "StaticFile");
  SetCatalogText(IDC_BROWSE, "BtnBrowse");
  SetCatalogText(IDC_CONVERT, "BtnConvert");
  SetCatalogText(IDC_CLOSE, "BtnCancel");
}

bool CTQConverterDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return true;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return true;
    case WM_COMMAND:
      // While a conversion runs only its own modal windows take input; nothing starts or ends here.
      if (m_ui.busy() || HIWORD(wParam) != BN_CLICKED) return false;
      switch (LOWORD(wParam)) {
        case IDC_BROWSE: OnBrowse(); return true;
        case IDC_CONVERT: OnConvert(); return true;
        case IDC_CLOSE:
        case IDCANCEL: OnCancel(); return true;  // IDCANCEL: Escape
      }
      return false;
    case WM_CLOSE:  // the close box
      if (!m_ui.busy()) OnCancel();
      return true;
    case WM_SETCURSOR:
      if (!m_ui.busy()) return false;
      ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
      result = TRUE;
      return true;
    case WM_NCDESTROY:
      m_ui.Attach(nullptr);  // messages after the window has gone have no owner
      return false;
    case WM_ENDSESSION:
      // The session ends and the program with it, without a WM_CLOSE.
      if (wParam) CleanUpConversion(m_conversion);
      return true;
  }
  return false;
}

void CTQConverterDlg::OnDropFiles(HDROP drop) {
  // Any further dropped files are ignored; a drop while converting is ignored whole.
  const std::wstring path = m_ui.busy() ? std::wstring() : FirstDroppedPath(drop);
  ::DragFinish(drop);
  if (path.empty()) return;
  if (SetPathIfAdmitted(path)) ::OutputDebugStringW(L">>> File drag-and-drop processed successfully\n");
}

void CTQConverterDlg::OnBrowse() {
  const std::optional<std::wstring> chosen = m_fileChooser.ChooseProject(window());
  if (!chosen) return;
  SetPathIfAdmitted(*chosen);
}

bool CTQConverterDlg::SetPathIfAdmitted(const std::wstring& path) {
  const bool admitted = CheckProjectExtension(Narrow(path));
  // A refused file also discards the earlier choice.
  ::SetWindowTextW(m_pathEdit, admitted ? path.c_str() : L"");
  return admitted;
}

void CTQConverterDlg::OnConvert() {
  m_lastOutcome = ::OnConvert(Narrow(WindowText(m_pathEdit)), m_conversion, m_steps);
  // Stopped (Ctrl+C in the console that started it, or the console closed): the conversion has
  // cleaned up; the program ends.
  if (m_lastOutcome.stopped) OnCancel();
}

void CTQConverterDlg::OnCancel() {
  CleanUpConversion(m_conversion);
  End(IDCANCEL);
}

void CTQConverterDlg::OnGetMinMaxInfo(MINMAXINFO& limits) const {
  // Before the window has its size, the system's limits stand.
  if (!m_windowSize) return;
  limits.ptMinTrackSize = {m_windowSize->cx, m_windowSize->cy};
  limits.ptMaxTrackSize = limits.ptMinTrackSize;
}
