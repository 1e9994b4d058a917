// The file-open dialog for a project file, behind a small wrapper so that tests can answer it.
#pragma once

#include <optional>

#include <QString>

class QFileDialog;
class QWidget;

// The one filter entry, as the dialog lists it.
inline constexpr char kProjectFilterLabel[] = "Velkor Project (*.lqt;*.lqp)";

// Sets a file-open dialog up as the chooser shows it: single selection of an existing file, the
// one project filter, no default extension and no initial name.
void ConfigureProjectDialog(QFileDialog& dialog);

class FileChooser {
 public:
  // The full path of the chosen file, or nothing when the user cancelled.
  std::optional<QString> ChooseProject(QWidget* parent);

  // Test hook: the next ChooseProject gives this answer (nothing: cancelled) without a dialog.
  void SetNextAnswer(std::optional<QString> answer) { m_nextAnswer = std::move(answer); }
  bool HasPendingAnswer() const { return m_nextAnswer.has_value(); }

 private:
  std::optional<std::optional<QString>> m_nextAnswer;
};
