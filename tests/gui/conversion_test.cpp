// Conversions through the main window: the window is disabled while one runs and enabled after
// every ending, and a whole conversion (with stand-ins for the steps after staging) goes from a
// dropped file to the output on disk and its path on the clipboard.
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/user_interface.h"
#include "gui/converter_dialog.h"
#include "gui/result_dialog.h"
#include "gui_test_environment.h"
#include "platform/stop_request.h"
#include "recording_user_interface.h"
#include "stand_in_steps.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

struct InsideStep {
  bool ran = false;
  bool enabled = true;
  std::optional<Qt::CursorShape> cursor;
};

}  // namespace

class ConversionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }
  void cleanup() { env_.reset(); }

  void the_window_is_disabled_while_converting_and_back_after_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("workDirectoryWhenShown");
    QTest::newRow("success") << "success" << "Result" << false;
    QTest::newRow("refusal") << "refusal" << "MsgOnlyTQ5A" << true;
    QTest::newRow("exception") << "exception" << "MsgUnexpectedError" << false;
  }
  void the_window_is_disabled_while_converting_and_back_after() {
    QFETCH(QString, ending);
    QFETCH(QString, key);
    QFETCH(bool, workDirectoryWhenShown);
    const fs::path input = testfiles::MakeFolder("projects") / "plant.lqt";
    testfiles::Write(input, kProjectText);

    InsideStep inside;
    CTQConverterDlg* window = nullptr;
    ConversionSteps steps = StandInSteps([&] {
      inside.ran = true;
      inside.enabled = window->isEnabled();
      if (const QCursor* cursor = QGuiApplication::overrideCursor()) inside.cursor = cursor->shape();
    });
    if (ending == "refusal") {
      steps.validateAndPrepareProject = [observe = steps.validateAndPrepareProject](const std::string& staged) {
        observe(staged);
        ShowCatalogMessage("MsgOnlyTQ5A");
        return false;
      };
    } else if (ending == "exception") {
      steps.validateAndPrepareProject = [observe = steps.validateAndPrepareProject](const std::string& staged) -> bool {
        observe(staged);
        throw std::runtime_error("read failed");
      };
    }
    CTQConverterDlg dialog(steps);
    window = &dialog;
    ModalRecorder modal(dialog.userInterface(), dialog);
    dialog.show();
    DropUrls(dialog, {LocalUrl(input)});
    QTest::mouseClick(&Child<QPushButton>(dialog, "convertButton"), Qt::LeftButton);

    QVERIFY(inside.ran);
    QVERIFY(!inside.enabled);
    QCOMPARE(inside.cursor, std::optional(Qt::WaitCursor));
    QCOMPARE(modal.keys(), std::vector<std::string>{key.toStdString()});
    const ShownWindow& shown = modal.shown().front();
    QVERIFY(shown.enabled);
    QVERIFY(!shown.mainWindowEnabled);
    QCOMPARE(shown.workDirectoryExisted, workDirectoryWhenShown);

    QVERIFY(dialog.isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!WorkDirectoryExists());
    QCOMPARE(Child<QLineEdit>(dialog, "pathEdit").text(), QString::fromStdString(input.string()));
    QCOMPARE(dialog.lastOutcome().succeeded, ending == "success");
  }

  void a_whole_conversion_with_stand_in_steps() {
    const fs::path folder = testfiles::MakeFolder("projects");
    const fs::path input = folder / "plant.lqt";
    testfiles::Write(input, kProjectText);
    CTQConverterDlg dialog(StandInSteps());
    ModalRecorder modal(dialog.userInterface(), dialog);
    dialog.show();

    DropConvertAndCopy(dialog, modal, input);
    if (QTest::currentTestFailed()) return;
    const fs::path output = folder / "plant_converted.lqt";
    QCOMPARE(modal.keys(), (std::vector<std::string>{"Result", "MsgClipSuccess"}));
    QCOMPARE(modal.shown()[0].text, QString::fromStdString(output.string()));
    QCOMPARE(modal.shown()[1].text, QStringLiteral("Path copied to clipboard."));
    QCOMPARE(modal.shown()[1].icon, QMessageBox::NoIcon);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(output.string()));
    QCOMPARE(testfiles::Read(output), kProjectText + kConvertedTail);
    QCOMPARE(testfiles::Read(input), kProjectText);
    QVERIFY(!WorkDirectoryExists());
    QVERIFY(dialog.conversionState().m_workDir.empty());
    QVERIFY(!dialog.conversionState().UnitSetupSlot);

    // Again on the same input: the first output keeps its name, the second takes the next.
    modal.Clear();
    QTest::mouseClick(&Child<QPushButton>(dialog, "convertButton"), Qt::LeftButton);
    QCOMPARE(modal.keys(), (std::vector<std::string>{"Result", "MsgClipSuccess"}));
    const fs::path second = folder / "plant_converted 1.lqt";
    QCOMPARE(modal.shown()[0].text, QString::fromStdString(second.string()));
    QCOMPARE(testfiles::List(folder),
             (std::vector<std::string>{"plant.lqt", "plant_converted 1.lqt", "plant_converted.lqt"}));
  }

  // SIGINT or SIGTERM while converting: the conversion stops at its next file operation, cleans
  // up, shows nothing, and the dialog closes.
  void a_stop_while_converting_closes_the_dialog_with_nothing_left() {
    const fs::path folder = testfiles::MakeFolder("projects");
    const fs::path input = folder / "plant.lqt";
    testfiles::Write(input, kProjectText);
    CTQConverterDlg dialog(StandInSteps([] { platform::RequestStop(SIGTERM); }));
    ModalRecorder modal(dialog.userInterface(), dialog);
    dialog.show();
    DropUrls(dialog, {LocalUrl(input)});
    QTest::mouseClick(&Child<QPushButton>(dialog, "convertButton"), Qt::LeftButton);
    platform::ClearStopRequest();
    QVERIFY(dialog.lastOutcome().stopped);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(modal.keys(), std::vector<std::string>{});
    QVERIFY(!WorkDirectoryExists());
    QVERIFY(dialog.conversionState().m_workDir.empty());
    QCOMPARE(testfiles::List(folder), std::vector<std::string>{"plant.lqt"});
  }

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
};

QTEST_MAIN(ConversionTest)
#include "conversion_test.moc"
