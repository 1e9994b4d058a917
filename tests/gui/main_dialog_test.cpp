// The main window: its texts in both languages, its layout in dialog units, choosing a file by
// dropping and browsing, the keyboard, and ending it.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "app/message_catalog.h"
#include "gui/converter_dialog.h"
#include "gui_test_environment.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

const QString kUnsupportedEnglish = QStringLiteral("Unsupported file type.\nSupported: .lqt, .lqp");

}  // namespace

class MainDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }
  void cleanup() { env_.reset(); }

  void texts_follow_the_users_nation_data() {
    QTest::addColumn<QString>("nation");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("buttons");
    const QString japaneseCaption = QStringLiteral("TQ5A→TQ6A LQPプロジェクトファイルコンバータ");
    const QString japaneseTop =
        QStringLiteral("TQ5AのLQPプロジェクトファイルをPLCシステム設定とユニッ卜設定を保持して機種変換します。");
    const QString japaneseFile = QStringLiteral("変換元のLQP/LQTプロジェクトファイルを指定してください。");
    const QStringList japaneseButtons{QStringLiteral("参照..."), QStringLiteral("変換"), QStringLiteral("閉じる")};
    const QString englishCaption = QStringLiteral("TQ5A to TQ6A LQP Project Converter");
    const QString englishTop = QStringLiteral(
        "Converts TQ5A LQP project files to a new PLC model while preserving the PLC system and unit settings.");
    const QString englishFile = QStringLiteral("Please select the source LQP/LQT project file for conversion.");
    const QStringList englishButtons{QStringLiteral("Browse..."), QStringLiteral("Convert"), QStringLiteral("Close")};
    QTest::newRow("Japan") << "JP" << japaneseCaption << japaneseTop << japaneseFile << japaneseButtons;
    QTest::newRow("Japan, lower case") << "jp" << japaneseCaption << japaneseTop << japaneseFile << japaneseButtons;
    QTest::newRow("United States") << "US" << englishCaption << englishTop << englishFile << englishButtons;
    QTest::newRow("nation unknown") << "" << englishCaption << englishTop << englishFile << englishButtons;
  }
  void texts_follow_the_users_nation() {
    QFETCH(QString, nation);
    QFETCH(QString, caption);
    QFETCH(QString, top);
    QFETCH(QString, file);
    QFETCH(QStringList, buttons);
    env_->platform().nationCode = nation.toStdString();
    CurrentLanguage() = nation.toUpper() == "JP" ? "EN" : "JP";  // the dialog must choose it itself

    CTQConverterDlg dialog;
    QCOMPARE(dialog.windowTitle(), caption);
    QCOMPARE(Child<QLabel>(dialog, "staticTop").text(), top);
    QCOMPARE(Child<QLabel>(dialog, "staticFile").text(), file);
    const QStringList shown{Child<QPushButton>(dialog, "browseButton").text(),
                            Child<QPushButton>(dialog, "convertButton").text(),
                            Child<QPushButton>(dialog, "closeButton").text()};
    QCOMPARE(shown, buttons);
    QVERIFY(Child<QLineEdit>(dialog, "pathEdit").text().isEmpty());
  }

  void the_toolkits_own_texts_follow_the_chosen_language() {
    // The file dialog's and the standard buttons' texts, as Qt looks them up.
    const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    env_->platform().nationCode = "JP";
    {
      CTQConverterDlg japanese;
      QVERIFY2(lookIn() != QStringLiteral("Look in:"), qPrintable(lookIn()));
      QVERIFY2(cancel() == QStringLiteral("キャンセル"), qPrintable(cancel()));
    }
    // The texts leave with the dialog that chose them.
    QCOMPARE(lookIn(), QStringLiteral("Look in:"));
    env_->platform().nationCode = "US";
    CTQConverterDlg english;
    QCOMPARE(lookIn(), QStringLiteral("Look in:"));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
  }

  void layout_is_the_template_in_dialog_units() {
    CTQConverterDlg dialog;
    const QFont font = dialog.font();
    QCOMPARE(font.pointSize(), 9);
    const QString family = QFontInfo(font).family();
    QVERIFY2(family == "MS UI Gothic" || QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese),
             qPrintable(family));

    const QSize size = TemplateRect(font, 0, 0, 240, 160).size();
    QCOMPARE(dialog.size(), size);
    QCOMPARE(dialog.minimumSize(), size);
    QCOMPARE(dialog.maximumSize(), size);
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    QCOMPARE(Child<QLabel>(dialog, "staticTop").geometry(), TemplateRect(font, 15, 15, 210, 50));
    QCOMPARE(Child<QLabel>(dialog, "staticFile").geometry(), TemplateRect(font, 15, 60, 210, 10));
    QCOMPARE(Child<QLineEdit>(dialog, "pathEdit").geometry(), TemplateRect(font, 15, 80, 145, 18));
    QCOMPARE(Child<QPushButton>(dialog, "browseButton").geometry(), TemplateRect(font, 160, 80, 50, 18));
    QCOMPARE(Child<QPushButton>(dialog, "convertButton").geometry(), TemplateRect(font, 80, 120, 50, 22));
    QCOMPARE(Child<QPushButton>(dialog, "closeButton").geometry(), TemplateRect(font, 160, 120, 50, 22));

    QVERIFY(Child<QLineEdit>(dialog, "pathEdit").isReadOnly());
    QVERIFY(Child<QLabel>(dialog, "staticTop").wordWrap());
    QCOMPARE(Child<QLabel>(dialog, "staticTop").textFormat(), Qt::PlainText);
    QVERIFY(Child<QPushButton>(dialog, "convertButton").isDefault());
    QVERIFY(!Child<QPushButton>(dialog, "browseButton").isDefault());
    QVERIFY(!Child<QPushButton>(dialog, "closeButton").isDefault());
    QVERIFY(dialog.acceptDrops());
  }

  void tab_order_and_first_focus_follow_the_controls() {
    CTQConverterDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QWidget* const edit = &Child<QLineEdit>(dialog, "pathEdit");
    QCOMPARE(dialog.focusWidget(), edit);
    QStringList chain;
    QWidget* widget = edit;
    for (int i = 0; i < 4; ++i) {
      chain << widget->objectName();
      do {
        widget = widget->nextInFocusChain();
      } while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(chain, (QStringList{"pathEdit", "browseButton", "convertButton", "closeButton"}));
    QCOMPARE(widget, edit);
  }

  void a_drop_takes_the_first_file_if_admitted() {
    CTQConverterDlg dialog;
    ModalRecorder modal(dialog.userInterface(), dialog);
    const auto& field = Child<QLineEdit>(dialog, "pathEdit");
    const auto folder = env_->folder();

    DropUrls(dialog, {LocalUrl(folder / "plant.LQT")});
    QCOMPARE(field.text(), QString::fromStdString((folder / "plant.LQT").string()));
    QVERIFY(modal.shown().empty());

    DropUrls(dialog, {LocalUrl(folder / "plant.txt")});
    QCOMPARE(field.text(), QString());
    QCOMPARE(modal.keys(), (std::vector<std::string>{"MsgUnsupportedExt"}));
    const ShownWindow& refusal = modal.shown().front();
    QCOMPARE(refusal.text, kUnsupportedEnglish);
    QCOMPARE(refusal.icon, QMessageBox::Information);
    QCOMPARE(refusal.title, QStringLiteral("gui_main_dialog"));
    QCOMPARE(refusal.buttons, QStringList{"OK"});

    // Of three files only the first counts, whatever the others are.
    modal.Clear();
    DropUrls(dialog, {LocalUrl(folder / "a.lqp"), LocalUrl(folder / "b.txt"), LocalUrl(folder / "c.lqt")});
    QCOMPARE(field.text(), QString::fromStdString((folder / "a.lqp").string()));
    QVERIFY(modal.shown().empty());
    DropUrls(dialog, {LocalUrl(folder / "d.txt"), LocalUrl(folder / "e.lqt")});
    QCOMPARE(field.text(), QString());
    QCOMPARE(modal.keys(), (std::vector<std::string>{"MsgUnsupportedExt"}));

    // A long path is taken whole, not cut at 259 characters; Convert refuses it with its message.
    const auto deep = folder / std::string(150, 'd') / (std::string(150, 'p') + ".lqt");
    DropUrls(dialog, {LocalUrl(deep)});
    QCOMPARE(field.text(), QString::fromStdString(deep.string()));
    QVERIFY(field.text().size() > 300);

    // Something that is not a file of this machine is no path: ignored, silently.
    DropUrls(dialog, {LocalUrl(folder / "f.lqt")});
    modal.Clear();
    DropUrls(dialog, {QStringLiteral("https://example.invalid/g.lqt")});
    QCOMPARE(field.text(), QString::fromStdString((folder / "f.lqt").string()));
    QVERIFY(modal.shown().empty());
  }

  void browsing_sets_or_empties_the_field_and_cancel_keeps_it() {
    CTQConverterDlg dialog;
    ModalRecorder modal(dialog.userInterface(), dialog);
    auto& field = Child<QLineEdit>(dialog, "pathEdit");
    auto& browse = Child<QPushButton>(dialog, "browseButton");

    dialog.fileChooser().SetNextAnswer(QStringLiteral("/projects/line 2/plant.LQP"));
    QTest::mouseClick(&browse, Qt::LeftButton);
    QCOMPARE(field.text(), QStringLiteral("/projects/line 2/plant.LQP"));

    dialog.fileChooser().SetNextAnswer(std::nullopt);
    QTest::mouseClick(&browse, Qt::LeftButton);
    QVERIFY(!dialog.fileChooser().HasPendingAnswer());
    QCOMPARE(field.text(), QStringLiteral("/projects/line 2/plant.LQP"));
    QVERIFY(modal.shown().empty());

    dialog.fileChooser().SetNextAnswer(QStringLiteral("/projects/notes.lqt.bak"));
    QTest::mouseClick(&browse, Qt::LeftButton);
    QCOMPARE(field.text(), QString());
    QCOMPARE(modal.keys(), (std::vector<std::string>{"MsgUnsupportedExt"}));
  }

  void enter_presses_convert_unless_another_button_has_the_focus() {
    CTQConverterDlg dialog;
    ModalRecorder modal(dialog.userInterface(), dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto& field = Child<QLineEdit>(dialog, "pathEdit");

    // The path field has the focus: Convert runs, and with no path asks for a file.
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(modal.keys(), (std::vector<std::string>{"MsgSelectFile"}));
    QCOMPARE(modal.shown().front().text, QStringLiteral("Please select a file first."));

    // Browse has the focus: Enter browses and does not convert.
    auto& browse = Child<QPushButton>(dialog, "browseButton");
    browse.setFocus(Qt::TabFocusReason);
    dialog.fileChooser().SetNextAnswer(QStringLiteral("/projects/plant.lqt"));
    QTest::keyClick(&browse, Qt::Key_Return);
    QCOMPARE(field.text(), QStringLiteral("/projects/plant.lqt"));
    QCOMPARE(modal.keys().size(), 1u);

    // Back in the field, Enter is Convert's again.
    field.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&field, Qt::Key_Enter);
    QCOMPARE(modal.keys().size(), 2u);
    QVERIFY(dialog.lastOutcome().succeeded == false);

    // Close has the focus: Enter closes.
    auto& close = Child<QPushButton>(dialog, "closeButton");
    close.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&close, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(modal.keys().size(), 2u);
  }

  void every_way_of_closing_removes_what_a_conversion_left_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Close button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close box";
  }
  void every_way_of_closing_removes_what_a_conversion_left() {
    QFETCH(QString, how);
    CTQConverterDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    ConversionState& state = dialog.conversionState();
    const auto leftover = testfiles::MakeFolder("_HexXmlConv_Cache_4711");
    testfiles::Write(leftover / "temp_project.lqt", "text");
    state.m_workDir = leftover.string();
    state.UnitSetupSlot = std::make_unique<CTQPropertyData>();

    if (how == "button") {
      QTest::mouseClick(&Child<QPushButton>(dialog, "closeButton"), Qt::LeftButton);
    } else if (how == "escape") {
      QTest::keyClick(&Child<QLineEdit>(dialog, "pathEdit"), Qt::Key_Escape);
    } else {
      QVERIFY(dialog.close());
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!WorkDirectoryExists());
    QVERIFY(state.m_workDir.empty());
    QVERIFY(!state.UnitSetupSlot);
  }

  void the_destructor_removes_what_a_conversion_left() {
    const auto leftover = testfiles::MakeFolder("_HexXmlConv_Cache_815");
    {
      CTQConverterDlg dialog;
      dialog.conversionState().m_workDir = leftover.string();
    }
    QVERIFY(!std::filesystem::exists(leftover));
  }

  void nothing_ends_the_window_while_it_is_busy() {
    CTQConverterDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.userInterface().SetBusy(true);
    QVERIFY(!dialog.close());
    dialog.reject();
    QVERIFY(dialog.isVisible());
    dialog.userInterface().SetBusy(false);
    QVERIFY(dialog.close());
  }

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
