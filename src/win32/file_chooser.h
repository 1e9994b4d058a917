// The file-open dialog for a project file, behind a small wrapper so that tests can answer it.
#pragma once

#include <optional>
#include <string>

#include "win32/windows_api.h"

// The one filter entry: its label and its patterns, each ended by a zero, and the list ended by
// another.
inline constexpr wchar_t kProjectFilter[] = L"Velkor Project (*.lqt;*.lqp)\0*.lqt;*.lqp\0";

class FileChooser {
 public:
  // The full path of the chosen existing file, or nothing when the user cancelled.
  std::optional<std::wstring> ChooseProject(HWND owner);

  // Test hook: the next ChooseProject gives this answer (nothing: cancelled) without a dialog.
  void SetNextAnswer(std::optional<std::wstring> answer) { m_nextAnswer = std::move(answer); }
  bool HasPendingAnswer() const { return m_nextAnswer.has_value(); }

 private:
  std::optional<std::optional<std::wstring>> m_nextAnswer;
};
