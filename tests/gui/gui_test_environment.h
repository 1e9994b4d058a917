// What every dialog test function runs in: a temporary folder of its own, a user nation it
// chose, an empty clipboard, and a recorder of the modal windows the program opens.
#pragma once

#include <QFont>
#include <QMessageBox>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform_double.h"

class ConversionResultDialog;
class QDialog;
class QtUserInterface;

class GuiTestEnvironment {
 public:
  explicit GuiTestEnvironment(std::string nation = "US");
  ~GuiTestEnvironment();
  GuiTestEnvironment(const GuiTestEnvironment&) = delete;
  GuiTestEnvironment& operator=(const GuiTestEnvironment&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  PlatformDouble& platform() { return platform_; }

 private:
  std::string parent_;
  std::filesystem::path folder_;  // the private TMPDIR, made before anything looks for it
  PlatformDouble platform_;
};

// One modal window as the user would have seen it.
struct ShownWindow {
  std::string key;  // the message key, or "Result"
  QString title;
  QString text;  // the message, or the result dialog's path field
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;  // button texts of a message box
  bool plainText = false;
  bool enabled = false;
  bool mainWindowEnabled = false;
  std::optional<Qt::CursorShape> cursor;  // the override cursor at that moment
  bool workDirectoryExisted = false;
};

// Answers every modal window of the interface at once and notes what it showed.
class ModalRecorder {
 public:
  ModalRecorder(QtUserInterface& ui, QWidget& mainWindow);

  // Runs while the result dialog is open, as the user acting in it.
  std::function<void(ConversionResultDialog&)> onResult;

  const std::vector<ShownWindow>& shown() const { return shown_; }
  std::vector<std::string> keys() const;
  void Clear() { shown_.clear(); }

 private:
  void Record(QDialog& window, const std::string& key);

  QWidget& mainWindow_;
  std::vector<ShownWindow> shown_;
};

// The child widget of that object name; a test without it cannot go on.
template <typename Widget>
Widget& Child(QWidget& parent, const char* name) {
  auto* const child = parent.findChild<Widget*>(QLatin1String(name));
  if (!child) qFatal("no child %s", name);
  return *child;
}

// A template rectangle in pixels, worked out here from the font alone: a horizontal dialog unit
// is a quarter of the average width of the Latin letters, a vertical one an eighth of the line.
QRect TemplateRect(const QFont& font, int left, int top, int width, int height);

// Sends a drop of the given local files (or URLs) to the widget, as the window system would.
void DropUrls(QWidget& target, const QStringList& urls);
QString LocalUrl(const std::filesystem::path& path);

class CTQConverterDlg;
// Drops the project on the window, presses Convert and, in the result dialog, Copy Path.
void DropConvertAndCopy(CTQConverterDlg& dialog, ModalRecorder& modal, const std::filesystem::path& input);
