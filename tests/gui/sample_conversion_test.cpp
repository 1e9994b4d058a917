// A whole conversion of the bundled sample through the main window: dropped, converted, the
// output path shown and copied, the converted project beside the input.
#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "gui/converter_dialog.h"
#include "gui_test_environment.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace fs = std::filesystem;

class SampleConversionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }
  void cleanup() { env_.reset(); }

  void a_whole_conversion_of_the_bundled_sample() {
    const fs::path sample = testfiles::Source("samples/plant.lqt");
    const fs::path folder = testfiles::MakeFolder("projects");
    const fs::path input = folder / "plant.lqt";
    fs::copy_file(sample, input);
    const std::string original = testfiles::Read(input);
    CTQConverterDlg dialog;
    ModalRecorder modal(dialog.userInterface(), dialog);
    dialog.show();

    DropConvertAndCopy(dialog, modal, input);
    if (QTest::currentTestFailed()) return;
    QVERIFY(!dialog.lastOutcome().incomplete);
    const fs::path output = folder / "plant_converted.lqt";
    QCOMPARE(modal.keys(), (std::vector<std::string>{"Result", "MsgClipSuccess"}));
    QCOMPARE(modal.shown()[0].text, QString::fromStdString(output.string()));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(output.string()));
    const std::string converted = testfiles::Read(output);
    QVERIFY(converted != original);
    QVERIFY(converted.find("TQ6A") != std::string::npos);
    QCOMPARE(testfiles::Read(input), original);
    QCOMPARE(testfiles::List(folder), (std::vector<std::string>{"plant.lqt", "plant_converted.lqt"}));
    QVERIFY(!WorkDirectoryExists());
  }

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
};

QTEST_MAIN(SampleConversionTest)
#include "sample_conversion_test.moc"
