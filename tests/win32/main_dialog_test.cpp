// The main window: its texts in both languages, its layout in dialog units, choosing a file by
// dropping and browsing, the keyboard, and every way of ending it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/message_catalog.h"
#include "recording_user_interface.h"
#include "test_files.h"
#include "win32/converter_dialog.h"
#include "win32/resource_ids.h"
#include "win32/wide_text.h"
#include "win32_test_environment.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kUnsupportedEnglish = L"Unsupported file type.\nSupported: .lqt, .lqp";

LONG_PTR Style(HWND window) { return ::GetWindowLongPtrW(window, GWL_STYLE); }
LONG_PTR ControlStyle(HWND dialog, int id) { return Style(::GetDlgItem(dialog, id)); }

class MainDialog : public testing::Test {
 protected:
  Win32TestEnvironment env_;
};

struct NationCase {
  const char* nation;
  std::wstring caption, top, file, browse, convert, close;
};

TEST_F(MainDialog, TextsFollowTheUsersNation) {
  const NationCase japanese{"JP",
                            L"TQ5A→TQ6A LQPプロジェクトファイルコンバータ",
                            L"TQ5AのLQPプロジェクトファイルをPLCシステム設定とユニッ卜設定を保持して機種変換します。",
                            L"変換元のLQP/LQTプロジェクトファイルを指定してください。",
                            L"参照...",
                            L"変換",
                            L"閉じる"};
  const NationCase english{"US",
                           L"TQ5A to TQ6A LQP Project Converter",
                           L"Converts TQ5A LQP project files to a new PLC model while preserving the PLC system and "
                           L"unit settings.",
                           L"Please select the source LQP/LQT project file for conversion.",
                           L"Browse...",
                           L"Convert",
                           L"Close"};
  NationCase lowerCase = japanese;
  lowerCase.nation = "jp";
  NationCase unknown = english;
  unknown.nation = "";
  for (const NationCase& expected : {japanese, lowerCase, english, unknown}) {
    SCOPED_TRACE(expected.nation);
    env_.platform().nationCode = expected.nation;
    CurrentLanguage() = std::string(expected.nation) == "US" || !*expected.nation ? "JP" : "EN";  // chosen by the dialog
    CTQConverterDlg dialog;
    const HWND window = dialog.Create(nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(WindowText(window), expected.caption);
    EXPECT_EQ(ControlText(window, IDC_STATIC_TOP), expected.top);
    EXPECT_EQ(ControlText(window, IDC_STATIC_FILE), expected.file);
    EXPECT_EQ(ControlText(window, IDC_BROWSE), expected.browse);
    EXPECT_EQ(ControlText(window, IDC_CONVERT), expected.convert);
    EXPECT_EQ(ControlText(window, IDC_CLOSE), expected.close);
    EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), L"");
  }
}

TEST_F(MainDialog, LayoutIsTheTemplateInDialogUnits) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);

  RECT client = {};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client, TemplateRect(window, 0, 0, 240, 160));
  EXPECT_EQ(ControlRect(window, IDC_STATIC_TOP), TemplateRect(window, 15, 15, 210, 50));
  EXPECT_EQ(ControlRect(window, IDC_STATIC_FILE), TemplateRect(window, 15, 60, 210, 10));
  EXPECT_EQ(ControlRect(window, IDC_PATH_EDIT), TemplateRect(window, 15, 80, 145, 18));
  EXPECT_EQ(ControlRect(window, IDC_BROWSE), TemplateRect(window, 160, 80, 50, 18));
  EXPECT_EQ(ControlRect(window, IDC_CONVERT), TemplateRect(window, 80, 120, 50, 22));
  EXPECT_EQ(ControlRect(window, IDC_CLOSE), TemplateRect(window, 160, 120, 50, 22));

  // A fixed frame with a caption and a close box, no sizing border, no minimise or maximise box;
  // it takes dropped files and has its own task-bar entry.
  const LONG_PTR style = Style(window);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_POPUP), WS_CAPTION | WS_SYSMENU | WS_POPUP);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  const LONG_PTR extended = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_EQ(extended & (WS_EX_ACCEPTFILES | WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME),
            WS_EX_ACCEPTFILES | WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME);

  const LONG_PTR edit = ControlStyle(window, IDC_PATH_EDIT);
  EXPECT_EQ(edit & (ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP), ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP);
  EXPECT_TRUE(HasBorder(::GetDlgItem(window, IDC_PATH_EDIT)));
  EXPECT_EQ(ControlStyle(window, IDC_STATIC_TOP) & (SS_TYPEMASK | SS_NOPREFIX), SS_LEFT | SS_NOPREFIX);
  EXPECT_EQ(ControlStyle(window, IDC_STATIC_FILE) & SS_TYPEMASK, SS_LEFT);
  EXPECT_EQ(ControlStyle(window, IDC_CONVERT) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(ControlStyle(window, IDC_BROWSE) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(ControlStyle(window, IDC_CLOSE) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(LOWORD(::SendMessageW(window, DM_GETDEFID, 0, 0)), IDC_CONVERT);

  // The template's font, 9 points with the Japanese character set, is the dialog's. (Wine's
  // dialog manager asks for the default character set instead, which the code page decides.)
  const TemplateFont declared = ReadTemplateFont(IDD_CONVERTER);
  EXPECT_EQ(declared.pointSize, 9);
  EXPECT_EQ(declared.face, L"MS UI Gothic");
  EXPECT_EQ(declared.charset, SHIFTJIS_CHARSET);
  LOGFONTW font = {};
  ASSERT_TRUE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font));
  EXPECT_STREQ(font.lfFaceName, L"MS UI Gothic");
  const HDC screen = ::GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72));
  ::ReleaseDC(nullptr, screen);

  // The window keeps the size the template gave it.
  RECT frame = {};
  ::GetWindowRect(window, &frame);
  MINMAXINFO limits = {};
  ::SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, frame.right - frame.left);
  EXPECT_EQ(limits.ptMinTrackSize.y, frame.bottom - frame.top);
  EXPECT_EQ(limits.ptMaxTrackSize.x, frame.right - frame.left);
  EXPECT_EQ(limits.ptMaxTrackSize.y, frame.bottom - frame.top);
}

TEST_F(MainDialog, TabOrderAndFirstFocusFollowTheControls) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  PumpMessages();
  const HWND edit = ::GetDlgItem(window, IDC_PATH_EDIT);
  EXPECT_EQ(::GetFocus(), edit);
  std::vector<int> chain;
  HWND control = edit;
  for (int i = 0; i < 5; ++i) {
    chain.push_back(::GetDlgCtrlID(control));
    control = ::GetNextDlgTabItem(window, control, FALSE);
  }
  EXPECT_EQ(chain, (std::vector<int>{IDC_PATH_EDIT, IDC_BROWSE, IDC_CONVERT, IDC_CLOSE, IDC_PATH_EDIT}));
}

TEST_F(MainDialog, ADropTakesTheFirstFileIfAdmitted) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);
  const fs::path folder = testfiles::MakeFolder("projects");
  const auto field = [&] { return ControlText(window, IDC_PATH_EDIT); };

  Drop(window, {Wide(folder / "plant.LQT")});
  EXPECT_EQ(field(), Wide(folder / "plant.LQT"));
  EXPECT_TRUE(modal.shown().empty());

  Drop(window, {Wide(folder / "plant.txt")});
  EXPECT_EQ(field(), L"");
  ASSERT_EQ(modal.keys(), std::vector<std::string>{"MsgUnsupportedExt"});
  const ShownWindow& refusal = modal.shown().front();
  EXPECT_EQ(refusal.text, kUnsupportedEnglish);
  EXPECT_EQ(refusal.style, UINT(MB_OK | MB_TASKMODAL | MB_ICONINFORMATION));
  EXPECT_EQ(refusal.caption, L"win32_dialog_tests");
  EXPECT_EQ(refusal.owner, window);

  // Of several files only the first counts, whatever the others are.
  modal.Clear();
  Drop(window, {Wide(folder / "a.lqp"), Wide(folder / "b.txt"), Wide(folder / "c.lqt")});
  EXPECT_EQ(field(), Wide(folder / "a.lqp"));
  EXPECT_TRUE(modal.shown().empty());
  Drop(window, {Wide(folder / "d.txt"), Wide(folder / "e.lqt")});
  EXPECT_EQ(field(), L"");
  EXPECT_EQ(modal.keys(), std::vector<std::string>{"MsgUnsupportedExt"});

  // A long path is taken whole, not cut at 259 characters; Convert refuses it with its message.
  const fs::path deep = folder / std::wstring(150, L'd') / (std::wstring(150, L'p') + L".lqt");
  Drop(window, {Wide(deep)});
  EXPECT_EQ(field(), Wide(deep));
  EXPECT_GT(field().size(), 300u);

  // A drop that lists no file is ignored, silently.
  modal.Clear();
  Drop(window, {});
  EXPECT_EQ(field(), Wide(deep));
  EXPECT_TRUE(modal.shown().empty());
}

TEST_F(MainDialog, BrowsingSetsOrEmptiesTheFieldAndCancelKeepsIt) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);

  dialog.fileChooser().SetNextAnswer(L"C:\\projects\\line 2\\plant.LQP");
  Click(window, IDC_BROWSE);
  EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), L"C:\\projects\\line 2\\plant.LQP");

  dialog.fileChooser().SetNextAnswer(std::nullopt);
  Click(window, IDC_BROWSE);
  EXPECT_FALSE(dialog.fileChooser().HasPendingAnswer());
  EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), L"C:\\projects\\line 2\\plant.LQP");
  EXPECT_TRUE(modal.shown().empty());

  dialog.fileChooser().SetNextAnswer(L"C:\\projects\\notes.lqt.bak");
  Click(window, IDC_BROWSE);
  EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), L"");
  EXPECT_EQ(modal.keys(), std::vector<std::string>{"MsgUnsupportedExt"});
}

TEST_F(MainDialog, EnterPressesConvertUnlessAnotherButtonHasTheFocus) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);

  // The path field has the focus: Convert runs, and with no path asks for a file.
  Focus(window, IDC_PATH_EDIT);
  PressKey(VK_RETURN);
  ASSERT_EQ(modal.keys(), std::vector<std::string>{"MsgSelectFile"});
  EXPECT_EQ(modal.shown().front().text, L"Please select a file first.");

  // Browse has the focus: Enter browses and does not convert.
  Focus(window, IDC_BROWSE);
  dialog.fileChooser().SetNextAnswer(L"C:\\projects\\plant.lqt");
  PressKey(VK_RETURN);
  EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), L"C:\\projects\\plant.lqt");
  EXPECT_EQ(modal.keys().size(), 1u);

  // Back in the field, Enter is Convert's again.
  Focus(window, IDC_PATH_EDIT);
  PressKey(VK_RETURN);
  EXPECT_EQ(modal.keys().size(), 2u);
  EXPECT_FALSE(dialog.lastOutcome().succeeded);

  // Close has the focus: Enter closes.
  Focus(window, IDC_CLOSE);
  PressKey(VK_RETURN);
  EXPECT_TRUE(dialog.ended());
  EXPECT_EQ(dialog.result(), IDCANCEL);
  EXPECT_FALSE(dialog.window());
  EXPECT_EQ(modal.keys().size(), 2u);
}

TEST_F(MainDialog, EveryWayOfClosingRemovesWhatAConversionLeft) {
  for (const std::string how : {"Close button", "Escape", "close box", "end of the session"}) {
    SCOPED_TRACE(how);
    CTQConverterDlg dialog;
    const HWND window = dialog.Create(nullptr);
    ASSERT_TRUE(window);
    ConversionState& state = dialog.conversionState();
    const fs::path leftover = testfiles::MakeFolder("_HexXmlConv_Cache_4711");
    testfiles::Write(leftover / "temp_project.lqt", "text");
    state.m_workDir = platform::PathToUtf8(leftover);
    state.UnitSetupSlot = std::make_unique<CTQPropertyData>();

    if (how == "Close button") {
      Click(window, IDC_CLOSE);
    } else if (how == "Escape") {
      Focus(window, IDC_PATH_EDIT);
      PressKey(VK_ESCAPE);
    } else if (how == "close box") {
      ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      PumpMessages();
    } else {
      // The session ends with the window open: no close comes, the process just ends after.
      ::SendMessageW(window, WM_QUERYENDSESSION, 0, 0);
      ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    }
    if (how != "end of the session") {
      EXPECT_TRUE(dialog.ended());
      EXPECT_EQ(dialog.result(), IDCANCEL);
      EXPECT_FALSE(dialog.window());
    }
    EXPECT_FALSE(WorkDirectoryExists());
    EXPECT_TRUE(state.m_workDir.empty());
    EXPECT_FALSE(state.UnitSetupSlot);
  }
}

TEST_F(MainDialog, TheDestructorRemovesWhatAConversionLeft) {
  const fs::path leftover = testfiles::MakeFolder("_HexXmlConv_Cache_815");
  {
    CTQConverterDlg dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    dialog.conversionState().m_workDir = platform::PathToUtf8(leftover);
  }
  EXPECT_FALSE(fs::exists(leftover));
}

TEST_F(MainDialog, NothingEndsOrChangesTheWindowWhileItIsBusy) {
  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);
  dialog.fileChooser().SetNextAnswer(L"C:\\projects\\plant.lqt");
  Click(window, IDC_BROWSE);

  dialog.userInterface().SetBusy(true);
  EXPECT_FALSE(::IsWindowEnabled(window));
  dialog.fileChooser().SetNextAnswer(L"C:\\projects\\other.lqt");
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CONVERT, BN_CLICKED), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  Drop(window, {L"C:\\projects\\dropped.lqt"});
  PumpMessages();
  EXPECT_FALSE(dialog.ended());
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), L"C:\\projects\\plant.lqt");
  EXPECT_TRUE(dialog.fileChooser().HasPendingAnswer());
  EXPECT_TRUE(modal.shown().empty());

  dialog.userInterface().SetBusy(false);
  EXPECT_TRUE(::IsWindowEnabled(window));
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.ended());
}

}  // namespace
