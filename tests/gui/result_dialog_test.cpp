// The result dialog: its texts and layout, and putting the output path on the clipboard, with
// the ways that can fail.
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <new>

#include "app/message_catalog.h"
#include "gui/clipboard_write.h"
#include "gui/result_dialog.h"
#include "gui_test_environment.h"
#include "recording_user_interface.h"

namespace {

QString ClipboardText() { return QGuiApplication::clipboard()->text(); }

void PressCopy(ConversionResultDialog& dialog) {
  QTest::mouseClick(&Child<QPushButton>(dialog, "copyPathButton"), Qt::LeftButton);
}

struct MessageSeen {
  std::string key;
  std::string text;
  MessageIcon icon;
  bool operator==(const MessageSeen&) const = default;
};

std::vector<MessageSeen> Messages(const RecordingUserInterface& ui) {
  std::vector<MessageSeen> seen;
  for (const RecordedEntry& entry : ui.log()) seen.push_back({entry.key, entry.text, entry.icon});
  return seen;
}

const MessageSeen kCopied{"MsgClipSuccess", "Path copied to clipboard.", MessageIcon::None};

}  // namespace

class ResultDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }
  void cleanup() { env_.reset(); }

  void texts_come_from_the_catalog_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shownMessage");
    QTest::addColumn<QString>("pathLabel");
    QTest::addColumn<QString>("copy");
    QTest::newRow("English") << "EN" << "Conversion succeeded." << "Conversion succeeded." << "Output Path:"
                             << "Copy Path";
    QTest::newRow("Japanese") << "JP" << "変換が正常に完了しました。" << "変換が正常に完了しました。"
                              << "出力先:" << "パスをコピー";
    QTest::newRow("empty message keeps the template's") << "EN" << "" << "Conversion succeeded!"
                                                        << "Output Path:" << "Copy Path";
  }
  void texts_come_from_the_catalog() {
    QFETCH(QString, language);
    QFETCH(QString, message);
    QFETCH(QString, shownMessage);
    QFETCH(QString, pathLabel);
    QFETCH(QString, copy);
    CurrentLanguage() = language.toStdString();
    ConversionResultDialog dialog("/projects/plant_converted.lqt", message.toStdString());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Result"));
    QCOMPARE(Child<QLabel>(dialog, "messageText").text(), shownMessage);
    QCOMPARE(Child<QLabel>(dialog, "pathLabel").text(), pathLabel);
    QCOMPARE(Child<QPushButton>(dialog, "copyPathButton").text(), copy);
    QCOMPARE(Child<QPushButton>(dialog, "okButton").text(), QStringLiteral("OK"));
    QCOMPARE(Child<QLineEdit>(dialog, "pathEdit").text(), QStringLiteral("/projects/plant_converted.lqt"));
    QVERIFY(Child<QLineEdit>(dialog, "pathEdit").isReadOnly());
  }

  void layout_is_the_template_in_dialog_units() {
    ConversionResultDialog dialog("/p/a_converted.lqt", "Conversion succeeded.");
    const QFont font = dialog.font();
    QCOMPARE(font.pointSize(), 9);
    const QSize size = TemplateRect(font, 0, 0, 200, 120).size();
    QCOMPARE(dialog.size(), size);
    QCOMPARE(dialog.minimumSize(), size);
    QCOMPARE(dialog.maximumSize(), size);
    // The message wraps inside the window rather than running past its right edge.
    const QRect message = Child<QLabel>(dialog, "messageText").geometry();
    QCOMPARE(message.topLeft(), TemplateRect(font, 20, 15, 0, 0).topLeft());
    QCOMPARE(message.height(), TemplateRect(font, 0, 0, 0, 16).height());
    QVERIFY(message.right() < size.width());
    QVERIFY(Child<QLabel>(dialog, "messageText").wordWrap());
    QCOMPARE(Child<QLabel>(dialog, "pathLabel").geometry(), TemplateRect(font, 20, 40, 100, 10));
    QCOMPARE(Child<QLineEdit>(dialog, "pathEdit").geometry(), TemplateRect(font, 20, 55, 115, 18));
    QCOMPARE(Child<QPushButton>(dialog, "copyPathButton").geometry(), TemplateRect(font, 135, 55, 50, 18));
    QCOMPARE(Child<QPushButton>(dialog, "okButton").geometry(), TemplateRect(font, 75, 85, 50, 22));
    QVERIFY(Child<QPushButton>(dialog, "okButton").isDefault());
  }

  void ok_escape_and_the_close_box_end_it() {
    ConversionResultDialog byOk("/p/a_converted.lqt", "");
    byOk.show();
    QTest::mouseClick(&Child<QPushButton>(byOk, "okButton"), Qt::LeftButton);
    QVERIFY(!byOk.isVisible());
    QCOMPARE(byOk.result(), int(QDialog::Accepted));

    ConversionResultDialog byEscape("/p/a_converted.lqt", "");
    byEscape.show();
    QTest::keyClick(&Child<QLineEdit>(byEscape, "pathEdit"), Qt::Key_Escape);
    QVERIFY(!byEscape.isVisible());

    ConversionResultDialog byCloseBox("/p/a_converted.lqt", "");
    byCloseBox.show();
    QVERIFY(byCloseBox.close());
  }

  void a_long_path_shows_from_its_start_and_whole_in_the_tooltip() {
    const QString path =
        QStringLiteral("/projects/") + QString(120, QChar('d')) + QStringLiteral("/plant_converted.lqt");
    ConversionResultDialog dialog(path.toStdString(), "");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit& edit = Child<QLineEdit>(dialog, "pathEdit");
    QCOMPARE(edit.text(), path);
    QCOMPARE(edit.toolTip(), path);
    QCOMPARE(edit.cursorPosition(), 0);
    // The first characters are in sight: the cursor stands at the left edge of the field.
    QVERIFY(edit.inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < edit.width() / 4);
  }

  void copy_puts_exactly_the_path_on_the_clipboard() {
    const RecordingUserInterface ui;
    const std::string path = "/projects/line 2/plant_converted.lqt";
    ConversionResultDialog dialog(path, "");
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    PressCopy(dialog);
    QCOMPARE(ClipboardText(), QString::fromStdString(path));
    QCOMPARE(Messages(ui), std::vector<MessageSeen>{kCopied});
  }

  void a_path_of_300_characters_is_copied_whole() {
    const RecordingUserInterface ui;
    const QString path = QStringLiteral("/") + QString(295, QChar(0x30D1)) + QStringLiteral(".lqt");
    QCOMPARE(path.size(), 300);
    ConversionResultDialog dialog(path.toStdString(), "");
    PressCopy(dialog);
    QCOMPARE(ClipboardText(), path);
    QCOMPARE(Messages(ui), std::vector<MessageSeen>{kCopied});
  }

  void two_presses_copy_twice_and_say_so_twice() {
    const RecordingUserInterface ui;
    int writes = 0;
    ConversionResultDialog dialog("/p/a_converted.lqp", "", nullptr, [&](const QString& text) {
      ++writes;
      return WriteSystemClipboard(text);
    });
    PressCopy(dialog);
    QGuiApplication::clipboard()->setText(QStringLiteral("in between"));
    PressCopy(dialog);
    QCOMPARE(writes, 2);
    QCOMPARE(ClipboardText(), QStringLiteral("/p/a_converted.lqp"));
    QCOMPARE(Messages(ui), (std::vector<MessageSeen>{kCopied, kCopied}));
  }

  void an_empty_path_makes_copy_do_nothing() {
    const RecordingUserInterface ui;
    int writes = 0;
    ConversionResultDialog dialog("", "Conversion succeeded.", nullptr, [&](const QString&) {
      ++writes;
      return ClipboardWrite::Written;
    });
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    PressCopy(dialog);
    QCOMPARE(writes, 0);
    QCOMPARE(ClipboardText(), QStringLiteral("earlier"));
    QVERIFY(ui.log().empty());
  }

  void a_clipboard_that_does_not_take_the_text_says_it_cannot_be_opened() {
    const RecordingUserInterface ui;
    ConversionResultDialog dialog("/p/a_converted.lqt", "", nullptr,
                                  [](const QString&) { return ClipboardWrite::Unavailable; });
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    PressCopy(dialog);
    QCOMPARE(Messages(ui), (std::vector<MessageSeen>{{"MsgClipOpenFail", "Cannot open clipboard.", MessageIcon::None}}));
    QCOMPARE(ClipboardText(), QStringLiteral("earlier"));
    QCOMPARE(WriteClipboard(nullptr, QStringLiteral("x"), [] { return std::make_unique<QMimeData>(); }),
             ClipboardWrite::Unavailable);
  }

  void a_failed_allocation_leaves_the_clipboard_empty() {
    const RecordingUserInterface ui;
    const auto failingAllocation = [](const QString& text) {
      return WriteClipboard(QGuiApplication::clipboard(), text,
                            []() -> std::unique_ptr<QMimeData> { throw std::bad_alloc(); });
    };
    ConversionResultDialog dialog("/p/a_converted.lqt", "", nullptr, failingAllocation);
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    PressCopy(dialog);
    QCOMPARE(Messages(ui), (std::vector<MessageSeen>{{"MsgMemFail", "Insufficient memory.", MessageIcon::None}}));
    QCOMPARE(ClipboardText(), QString());
  }

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
};

QTEST_MAIN(ResultDialogTest)
#include "result_dialog_test.moc"
