// The file-open dialog's one filter: its label as the user reads it, and the files it lists.
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QtTest>

#include <memory>

#include "gui/file_chooser.h"
#include "gui_test_environment.h"
#include "test_files.h"

namespace {

// The names the dialog's list shows for its current folder.
QStringList ListedNames(const QFileDialog& dialog) {
  const auto* const view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  if (!view) qFatal("the file dialog has no list view");
  QStringList names;
  const QAbstractItemModel* const model = view->model();
  for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
    names << model->index(row, 0, view->rootIndex()).data().toString();
  }
  names.sort();
  return names;
}

}  // namespace

class FileChooserTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }
  void cleanup() { env_.reset(); }

  void the_filter_lists_projects_in_any_letter_case_and_hides_the_rest() {
    const auto folder = testfiles::MakeFolder("projects");
    for (const char* name : {"a.lqt", "b.LQP", "c.txt", "d.Lqt", "e.lqt.bak", "f.lqp"}) {
      testfiles::Write(folder / name, "x");
    }
    testfiles::MakeFolder("projects/older");

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    ConfigureProjectDialog(dialog);
    dialog.setDirectory(QString::fromStdString(folder.string()));
    dialog.show();

    const QStringList expected{"a.lqt", "b.LQP", "d.Lqt", "f.lqp", "older"};
    QTRY_COMPARE(ListedNames(dialog), expected);

    const auto* const types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    QCOMPARE(types->count(), 1);
    QCOMPARE(types->itemText(0), QStringLiteral("Velkor Project (*.lqt;*.lqp)"));
  }

  void only_one_existing_file_is_chosen() {
    QFileDialog dialog;
    ConfigureProjectDialog(dialog);
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog.defaultSuffix(), QString());
    QVERIFY(dialog.selectedFiles().isEmpty() || QFileInfo(dialog.selectedFiles().first()).isDir());
  }

  void the_next_answer_is_given_once() {
    FileChooser chooser;
    chooser.SetNextAnswer(QStringLiteral("/p/a.lqt"));
    QCOMPARE(chooser.ChooseProject(nullptr), std::optional(QStringLiteral("/p/a.lqt")));
    QVERIFY(!chooser.HasPendingAnswer());
    chooser.SetNextAnswer(std::nullopt);
    QVERIFY(chooser.HasPendingAnswer());
    QCOMPARE(chooser.ChooseProject(nullptr), std::nullopt);
    QVERIFY(!chooser.HasPendingAnswer());
  }

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
};

QTEST_MAIN(FileChooserTest)
#include "file_chooser_test.moc"
