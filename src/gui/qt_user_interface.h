// The UserInterface of the dialog program: modal message boxes and the result dialog over the
// main window, and the busy state as a disabled window under the wait cursor.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "app/user_interface.h"

class QDialog;
class QMessageBox;
class QWidget;

class QtUserInterface final : public UserInterface {
 public:
  // The window that is disabled while busy and that owns the modal windows.
  explicit QtUserInterface(QWidget& window);
  ~QtUserInterface() override;
  QtUserInterface(const QtUserInterface&) = delete;
  QtUserInterface& operator=(const QtUserInterface&) = delete;

  void ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) override;
  void ShowConversionResult(const std::string& outputPath, const std::string& text) override;
  void SetBusy(bool busy) override;

  // Test hook: when set, it runs in place of the modal loop of each window this interface opens,
  // with the window set up as the user would see it; key is the message key, or "Result" for
  // the result dialog. Returning stands for the user dismissing the window.
  std::function<void(QDialog& window, const std::string& key)> runModal;

 private:
  void RunModal(QDialog& window, const std::string& key);

  QWidget& window_;
  bool busy_ = false;
};

// The caption of every message box: the base name of the program's executable file.
QString ProgramName();

// A message box as the program shows it: modal, one OK button, plain text, and the information,
// warning or no icon.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& caption, const QString& text,
                                            MessageIcon icon);
