#include "gui/file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

void ConfigureProjectDialog(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // Qt's own dialog splits a filter's patterns on blanks only, so the label's "*.lqt;*.lqp"
  // would match nothing. The patterns travel in a last, blank-separated group that the dialog
  // matches (in any letter case) and hides, which leaves the label as the user reads it.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilter(QStringLiteral("%1 (*.lqt *.lqp)").arg(QLatin1String(kProjectFilterLabel)));
}

std::optional<QString> FileChooser::ChooseProject(QWidget* parent) {
  if (m_nextAnswer) {
    std::optional<QString> answer = std::move(*m_nextAnswer);
    m_nextAnswer.reset();
    return answer;
  }
  QFileDialog dialog(parent);
  ConfigureProjectDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen.first());
}
