#include "win32/file_chooser.h"

#include <commdlg.h>

#include <vector>

namespace {

// Room for the longest path the system takes, so that no chosen file is ever cut short.
constexpr DWORD kPathBufferLength = 32768;

}  // namespace

std::optional<std::wstring> FileChooser::ChooseProject(HWND owner) {
  if (m_nextAnswer) {
    std::optional<std::wstring> answer = std::move(*m_nextAnswer);
    m_nextAnswer.reset();
    return answer;
  }
  std::vector<wchar_t> path(kPathBufferLength, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kProjectFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathBufferLength;
  // No recent-file list and no change of the current folder: the program keeps no state.
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING |
                 OFN_DONTADDTORECENT | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameW(&dialog)) return std::nullopt;  // cancelled, or the dialog failed
  return std::wstring(path.data());
}
