// The Qt side of the seam: message boxes as the program shows them, and the busy state.
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

#include <memory>

#include "app/user_interface.h"
#include "gui/qt_user_interface.h"
#include "gui_test_environment.h"

class UserInterfaceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { env_ = std::make_unique<GuiTestEnvironment>(); }
  void cleanup() { env_.reset(); }

  void message_boxes_carry_the_programs_name_one_ok_and_their_icon() {
    QWidget window;
    QtUserInterface ui(window);
    const ScopedUserInterface installed(ui);
    ModalRecorder modal(ui, window);

    ShowCatalogMessage("MsgStdException", "bad_alloc");
    ShowMessageBox("MsgPathTooLong", MessageIcon::Warning);
    ShowMessageBox("MsgClipSuccess", MessageIcon::None);
    ShowCatalogMessage("MsgEqptNodeNotFound");

    QCOMPARE(modal.keys(), (std::vector<std::string>{"MsgStdException", "MsgPathTooLong", "MsgClipSuccess",
                                                     "MsgEqptNodeNotFound"}));
    const auto& shown = modal.shown();
    QCOMPARE(shown[0].text, QStringLiteral("Standard exception: bad_alloc"));
    QCOMPARE(shown[0].icon, QMessageBox::Information);
    QCOMPARE(shown[1].text, QStringLiteral("Path is too long."));
    QCOMPARE(shown[1].icon, QMessageBox::Warning);
    QCOMPARE(shown[2].icon, QMessageBox::NoIcon);
    // Shown as text, not taken for markup.
    QCOMPARE(shown[3].text, QStringLiteral("<Eqpt ID=\"S5\"> not found in document."));
    for (const ShownWindow& seen : shown) {
      QCOMPARE(seen.title, QStringLiteral("gui_user_interface"));
      QCOMPARE(seen.buttons, QStringList{"OK"});
      QVERIFY(seen.plainText);
    }
    QCOMPARE(ProgramName(), QStringLiteral("gui_user_interface"));
  }

  void a_message_box_is_modal_and_owned_by_the_window() {
    QWidget window;
    const auto box = MakeMessageBox(&window, QStringLiteral("tqconverter"), QStringLiteral("x"), MessageIcon::Warning);
    QVERIFY(box->isModal());
    QCOMPARE(box->parentWidget(), &window);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void busy_disables_the_window_under_the_wait_cursor_and_lets_messages_be_answered() {
    QWidget window;
    QtUserInterface ui(window);
    const ScopedUserInterface installed(ui);
    ModalRecorder modal(ui, window);

    ui.SetBusy(true);
    QVERIFY(!window.isEnabled());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    ShowCatalogMessage("MsgSelectFile");
    QCOMPARE(modal.shown().size(), 1u);
    QVERIFY(modal.shown()[0].enabled);
    QVERIFY(!modal.shown()[0].mainWindowEnabled);
    QCOMPARE(modal.shown()[0].cursor, std::optional(Qt::ArrowCursor));
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    ui.SetBusy(false);
    QVERIFY(window.isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());

    // Idle, a message leaves the cursor alone.
    ShowCatalogMessage("MsgSelectFile");
    QCOMPARE(modal.shown()[1].cursor, std::nullopt);
  }

 private:
  std::unique_ptr<GuiTestEnvironment> env_;
};

QTEST_MAIN(UserInterfaceTest)
#include "user_interface_test.moc"
