// The Win32 side of the seam: message boxes as the system shows them, and the busy state.
#include <gtest/gtest.h>

#include "app/user_interface.h"
#include "pipeline/convert_command.h"
#include "win32/resource_ids.h"
#include "win32/converter_dialog.h"
#include "win32/wide_text.h"
#include "win32/win32_user_interface.h"
#include "win32_test_environment.h"

namespace {

class UserInterface : public testing::Test {
 protected:
  Win32TestEnvironment env_;
};

TEST_F(UserInterface, MessageBoxesCarryTheProgramsNameOneOkAndTheirIcon) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);

  ShowCatalogMessage("MsgStdException", "bad_alloc");
  ShowMessageBox("MsgPathTooLong", MessageIcon::Warning);
  ShowMessageBox("MsgClipSuccess", MessageIcon::None);
  ShowCatalogMessage("MsgEqptNodeNotFound");

  ASSERT_EQ(modal.keys(),
            (std::vector<std::string>{"MsgStdException", "MsgPathTooLong", "MsgClipSuccess", "MsgEqptNodeNotFound"}));
  const auto& shown = modal.shown();
  EXPECT_EQ(shown[0].text, L"Standard exception: bad_alloc");
  EXPECT_EQ(shown[0].style, UINT(MB_OK | MB_TASKMODAL | MB_ICONINFORMATION));
  EXPECT_EQ(shown[1].text, L"Path is too long.");
  EXPECT_EQ(shown[1].style, UINT(MB_OK | MB_TASKMODAL | MB_ICONWARNING));
  EXPECT_EQ(shown[2].style, UINT(MB_OK | MB_TASKMODAL));
  EXPECT_EQ(shown[3].text, L"<Eqpt ID=\"S5\"> not found in document.");
  for (const ShownWindow& seen : shown) {
    EXPECT_EQ(seen.caption, L"win32_dialog_tests");
    EXPECT_EQ(seen.owner, window);
  }
}

// The system's own box, as the user sees it: found among the thread's windows while its modal
// loop runs, read, and answered with its OK button.
TEST_F(UserInterface, TheSystemsMessageBoxShowsTheTextItsIconAndOneOk) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  struct Seen {
    std::wstring caption;
    std::vector<std::wstring> buttons;
    bool text = false;
    int icons = 0;
    bool mainWindowEnabled = true;
  };
  for (const MessageIcon icon : {MessageIcon::Information, MessageIcon::None}) {
    Seen seen;
    ModalWindowScript answer({window}, [&](HWND box) {
      seen.caption = WindowText(box);
      seen.buttons = ChildTexts(box, L"Button");
      for (const std::wstring& text : ChildTexts(box, L"Static")) seen.text |= text == L"Path is too long.";
      ::EnumChildWindows(
          box,
          [](HWND child, LPARAM icons) {
            if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ::SendMessageW(child, STM_GETICON, 0, 0)) {
              ++*reinterpret_cast<int*>(icons);
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&seen.icons));
      seen.mainWindowEnabled = ::IsWindowEnabled(window) != FALSE;
      ::SendMessageW(box, WM_COMMAND, IDOK, 0);
      return true;
    });
    ShowMessageBox("MsgPathTooLong", icon);
    ASSERT_TRUE(answer.done());
    EXPECT_EQ(seen.caption, L"win32_dialog_tests");
    EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_TRUE(seen.text);
    EXPECT_EQ(seen.icons, icon == MessageIcon::None ? 0 : 1);
    EXPECT_FALSE(seen.mainWindowEnabled);
    EXPECT_TRUE(::IsWindowEnabled(window));
  }
}

TEST_F(UserInterface, BusyDisablesTheWindowUnderTheWaitCursorAndStaysSoAfterAMessage) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  Win32UserInterface& ui = dialog.userInterface();
  const HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);

  ui.SetBusy(true);
  EXPECT_FALSE(::IsWindowEnabled(window));
  EXPECT_EQ(::GetCursor(), wait);

  // The system's box enables its owner as it closes; the busy window is disabled again.
  ModalWindowScript answer({window}, [](HWND box) {
    ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  ShowCatalogMessage("MsgSelectFile");
  ASSERT_TRUE(answer.done());
  EXPECT_FALSE(::IsWindowEnabled(window));
  EXPECT_EQ(::GetCursor(), wait);

  ui.SetBusy(false);
  EXPECT_TRUE(::IsWindowEnabled(window));
  EXPECT_NE(::GetCursor(), wait);
}

// The real modal loop of the result dialog: owned by the main window, which it disables while
// it is open; a busy window stays disabled after it.
TEST_F(UserInterface, TheResultDialogIsModalOverTheBusyWindow) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  struct Seen {
    std::wstring caption, path;
    HWND owner = nullptr;
    bool mainWindowEnabled = true;
  } seen;
  ModalWindowScript answer({window}, [&](HWND result) {
    seen.caption = WindowText(result);
    seen.path = ControlText(result, IDC_RESULT_PATH_EDIT);
    seen.owner = ::GetWindow(result, GW_OWNER);
    seen.mainWindowEnabled = ::IsWindowEnabled(window) != FALSE;
    ::SendMessageW(result, WM_COMMAND, IDOK, 0);
    return true;
  });
  dialog.userInterface().SetBusy(true);
  ShowConversionResult("C:\\p\\plant_converted.lqp");
  ASSERT_TRUE(answer.done());
  EXPECT_EQ(seen.caption, L"Result");
  EXPECT_EQ(seen.path, L"C:\\p\\plant_converted.lqp");
  EXPECT_EQ(seen.owner, window);
  EXPECT_FALSE(seen.mainWindowEnabled);
  EXPECT_FALSE(::IsWindowEnabled(window));
  dialog.userInterface().SetBusy(false);
}

}  // namespace
