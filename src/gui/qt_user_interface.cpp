#include "gui/qt_user_interface.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include "gui/result_dialog.h"
#include "platform/stop_request.h"

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// The user answers a modal window under the ordinary cursor; the wait cursor returns after it.
class ArrowCursorWhileAnswering {
 public:
  explicit ArrowCursorWhileAnswering(bool busy) : active_(busy) {
    if (active_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowCursorWhileAnswering() {
    if (active_) QGuiApplication::restoreOverrideCursor();
  }
  ArrowCursorWhileAnswering(const ArrowCursorWhileAnswering&) = delete;
  ArrowCursorWhileAnswering& operator=(const ArrowCursorWhileAnswering&) = delete;

 private:
  const bool active_;
};

}  // namespace

QtUserInterface::QtUserInterface(QWidget& window) : window_(window) {}

QtUserInterface::~QtUserInterface() {
  if (busy_) QGuiApplication::restoreOverrideCursor();
}

void QtUserInterface::ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) {
  // Asked to stop: the conversion ends at its next file operation; no window waits for the user.
  if (platform::StopSignal() != 0) return;
  // A message raised from inside another modal window (the result dialog) belongs to that one.
  QWidget* const modal = QApplication::activeModalWidget();
  const auto box = MakeMessageBox(modal ? modal : &window_, ProgramName(), QString::fromStdString(text), icon);
  RunModal(*box, key);
}

void QtUserInterface::ShowConversionResult(const std::string& outputPath, const std::string& text) {
  ConversionResultDialog dialog(outputPath, text, &window_);
  RunModal(dialog, "Result");
}

void QtUserInterface::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  window_.setEnabled(!busy);
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

void QtUserInterface::RunModal(QDialog& window, const std::string& key) {
  const ArrowCursorWhileAnswering cursor(busy_);
  if (runModal) {
    runModal(window, key);
  } else {
    window.exec();
  }
}

QString ProgramName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& caption, const QString& text,
                                            MessageIcon icon) {
  auto box = std::make_unique<QMessageBox>(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
  // Catalog texts such as "<Eqpt ID="S5"> not found" are shown as they are, never as markup.
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}
