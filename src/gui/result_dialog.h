// The dialog after a successful conversion: the success text, the output path, and a button that
// puts the path on the clipboard.
#pragma once

#include <string>

#include <QDialog>

#include "gui/clipboard_write.h"

class QLabel;
class QLineEdit;
class QPushButton;

class ConversionResultDialog : public QDialog {
  Q_OBJECT

 public:
  // An empty message keeps the template's own text.
  ConversionResultDialog(std::string outputPath, std::string message, QWidget* parent = nullptr,
                         ClipboardWriter writeClipboard = WriteSystemClipboard);
  ~ConversionResultDialog() override;

  // Puts exactly the output path on the clipboard and says so; with no path it does nothing.
  void CopyPathToClipboard();

 private:
  void OnInitDialog();

  const std::string m_outputPath;
  const std::string m_message;
  const ClipboardWriter m_writeClipboard;
  QLabel* const m_messageText;
  QLabel* const m_pathLabel;
  QLineEdit* const m_pathEdit;
  QPushButton* const m_copyButton;
  QPushButton* const m_okButton;
};
