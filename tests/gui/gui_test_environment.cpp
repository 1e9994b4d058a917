#include "gui_test_environment.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCursor>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>
#include <QUrl>

#include <cstdlib>
#include <stdexcept>

#include "app/message_catalog.h"
#include "gui/converter_dialog.h"
#include "gui/qt_user_interface.h"
#include "gui/result_dialog.h"
#include "recording_user_interface.h"

namespace {

std::string TemporaryParent() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

std::filesystem::path MakePrivateFolder(const std::string& parent) {
  std::filesystem::create_directories(parent);
  std::string pattern = parent + "/case-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder in " + parent);
  setenv("TMPDIR", pattern.c_str(), 1);
  return pattern;
}

}  // namespace

GuiTestEnvironment::GuiTestEnvironment(std::string nation)
    : parent_(TemporaryParent()), folder_(MakePrivateFolder(parent_)) {
  platform_.nationCode = std::move(nation);
  CurrentLanguage() = "EN";
  QGuiApplication::clipboard()->clear();
}

GuiTestEnvironment::~GuiTestEnvironment() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  setenv("TMPDIR", parent_.c_str(), 1);
}

ModalRecorder::ModalRecorder(QtUserInterface& ui, QWidget& mainWindow) : mainWindow_(mainWindow) {
  ui.runModal = [this](QDialog& window, const std::string& key) { Record(window, key); };
}

void ModalRecorder::Record(QDialog& window, const std::string& key) {
  ShownWindow seen;
  seen.key = key;
  seen.title = window.windowTitle();
  seen.enabled = window.isEnabled();
  seen.mainWindowEnabled = mainWindow_.isEnabled();
  if (const QCursor* cursor = QGuiApplication::overrideCursor()) seen.cursor = cursor->shape();
  seen.workDirectoryExisted = WorkDirectoryExists();
  if (auto* const box = qobject_cast<QMessageBox*>(&window)) {
    seen.text = box->text();
    seen.icon = box->icon();
    seen.plainText = box->textFormat() == Qt::PlainText;
    for (QAbstractButton* button : box->buttons()) seen.buttons << button->text();
    shown_.push_back(seen);
    return;
  }
  auto* const result = qobject_cast<ConversionResultDialog*>(&window);
  if (!result) throw std::logic_error("an unexpected modal window: " + key);
  seen.text = result->findChild<QLineEdit*>(QStringLiteral("pathEdit"))->text();
  shown_.push_back(seen);
  if (onResult) onResult(*result);
}

std::vector<std::string> ModalRecorder::keys() const {
  std::vector<std::string> keys;
  for (const ShownWindow& seen : shown_) keys.push_back(seen.key);
  return keys;
}

QString LocalUrl(const std::filesystem::path& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path.string())).toString();
}

void DropUrls(QWidget& target, const QStringList& urls) {
  QMimeData data;
  QList<QUrl> list;
  for (const QString& url : urls) list << QUrl(url);
  data.setUrls(list);
  const QPointF where(target.width() / 2.0, target.height() / 2.0);
  QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);
  if (!enter.isAccepted()) return;
  QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &drop);
}

QRect TemplateRect(const QFont& font, int left, int top, int width, int height) {
  const QFontMetrics metrics(font);
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const double x = ((letters / 26 + 1) / 2) / 4.0;
  const double y = metrics.height() / 8.0;
  return {qRound(left * x), qRound(top * y), qRound(width * x), qRound(height * y)};
}

void DropConvertAndCopy(CTQConverterDlg& dialog, ModalRecorder& modal, const std::filesystem::path& input) {
  modal.onResult = [](ConversionResultDialog& result) {
    QTest::mouseClick(&Child<QPushButton>(result, "copyPathButton"), Qt::LeftButton);
  };
  DropUrls(dialog, {LocalUrl(input)});
  QCOMPARE(Child<QLineEdit>(dialog, "pathEdit").text(), QString::fromStdString(input.string()));
  QTest::mouseClick(&Child<QPushButton>(dialog, "convertButton"), Qt::LeftButton);
}
