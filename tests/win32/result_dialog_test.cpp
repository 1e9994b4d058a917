// The result dialog: its texts and layout, the ways of closing it, and putting the output path
// on the clipboard, with each way that can fail.
#include <gtest/gtest.h>

#include <thread>

#include "app/message_catalog.h"
#include "recording_user_interface.h"
#include "win32/resource_ids.h"
#include "win32/result_dialog.h"
#include "win32/wide_text.h"
#include "win32_test_environment.h"

namespace {

struct MessageSeen {
  std::string key;
  std::string text;
  MessageIcon icon;
  bool operator==(const MessageSeen&) const = default;
};

void PrintTo(const MessageSeen& seen, std::ostream* out) { *out << seen.key << " \"" << seen.text << "\""; }

std::vector<MessageSeen> Messages(const RecordingUserInterface& ui) {
  std::vector<MessageSeen> seen;
  for (const RecordedEntry& entry : ui.log()) seen.push_back({entry.key, entry.text, entry.icon});
  return seen;
}

const MessageSeen kCopied{"MsgClipSuccess", "Path copied to clipboard.", MessageIcon::None};

// A clipboard that another program holds open while the test runs.
class ClipboardHeldElsewhere {
 public:
  ClipboardHeldElsewhere() {
    holder_ = std::thread([this] {
      const BOOL opened = ::OpenClipboard(nullptr);
      ::SetEvent(opened_);
      ::WaitForSingleObject(release_, INFINITE);
      if (opened) ::CloseClipboard();
    });
    ::WaitForSingleObject(opened_, INFINITE);
  }
  ~ClipboardHeldElsewhere() {
    ::SetEvent(release_);
    holder_.join();
    ::CloseHandle(opened_);
    ::CloseHandle(release_);
  }

 private:
  HANDLE opened_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder_;
};

class ResultDialog : public testing::Test {
 protected:
  Win32TestEnvironment env_;
};

TEST_F(ResultDialog, TextsComeFromTheCatalog) {
  struct Case {
    const char* language;
    std::string message;
    std::wstring shownMessage, pathLabel, copy;
  };
  const Case cases[] = {
      {"EN", "Conversion succeeded.", L"Conversion succeeded.", L"Output Path:", L"Copy Path"},
      {"JP", "変換が正常に完了しました。", L"変換が正常に完了しました。", L"出力先:", L"パスをコピー"},
      {"EN", "", L"Conversion succeeded!", L"Output Path:", L"Copy Path"},  // the template's own
  };
  for (const Case& expected : cases) {
    SCOPED_TRACE(expected.message);
    CurrentLanguage() = expected.language;
    ConversionResultDialog dialog("C:\\projects\\plant_converted.lqt", expected.message);
    const HWND window = dialog.Create(nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(WindowText(window), L"Result");
    EXPECT_EQ(ControlText(window, IDC_RESULT_MESSAGE), expected.shownMessage);
    EXPECT_EQ(ControlText(window, IDC_RESULT_PATH_LABEL), expected.pathLabel);
    EXPECT_EQ(ControlText(window, IDC_COPY_PATH), expected.copy);
    EXPECT_EQ(ControlText(window, IDOK), L"OK");
    EXPECT_EQ(ControlText(window, IDC_RESULT_PATH_EDIT), L"C:\\projects\\plant_converted.lqt");
  }
}

TEST_F(ResultDialog, LayoutIsTheTemplateInDialogUnits) {
  ConversionResultDialog dialog("C:\\p\\a_converted.lqt", "Conversion succeeded.");
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  RECT client = {};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client, TemplateRect(window, 0, 0, 200, 120));
  // The message wraps inside the window rather than running past its right edge.
  EXPECT_EQ(ControlRect(window, IDC_RESULT_MESSAGE), TemplateRect(window, 20, 15, 160, 16));
  EXPECT_EQ(ControlRect(window, IDC_RESULT_PATH_LABEL), TemplateRect(window, 20, 40, 100, 10));
  EXPECT_EQ(ControlRect(window, IDC_RESULT_PATH_EDIT), TemplateRect(window, 20, 55, 115, 18));
  EXPECT_EQ(ControlRect(window, IDC_COPY_PATH), TemplateRect(window, 135, 55, 50, 18));
  EXPECT_EQ(ControlRect(window, IDOK), TemplateRect(window, 75, 85, 50, 22));
  EXPECT_EQ(::GetWindowLongPtrW(::GetDlgItem(window, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  const LONG_PTR edit = ::GetWindowLongPtrW(::GetDlgItem(window, IDC_RESULT_PATH_EDIT), GWL_STYLE);
  EXPECT_EQ(edit & (ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP), ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP);
  EXPECT_TRUE(HasBorder(::GetDlgItem(window, IDC_RESULT_PATH_EDIT)));
  const TemplateFont declared = ReadTemplateFont(IDD_RESULT);
  EXPECT_EQ(declared.pointSize, 9);
  EXPECT_EQ(declared.face, L"MS UI Gothic");
  EXPECT_EQ(declared.charset, SHIFTJIS_CHARSET);
  EXPECT_EQ(::GetWindowLongPtrW(window, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), WS_CAPTION | WS_SYSMENU);
}

TEST_F(ResultDialog, OkEscapeAndTheCloseBoxEndIt) {
  ConversionResultDialog byOk("C:\\p\\a_converted.lqt", "");
  const HWND ok = byOk.Create(nullptr);
  Click(ok, IDOK);
  EXPECT_TRUE(byOk.ended());
  EXPECT_EQ(byOk.result(), IDOK);
  EXPECT_FALSE(::IsWindow(ok));

  ConversionResultDialog byEscape("C:\\p\\a_converted.lqt", "");
  const HWND escape = byEscape.Create(nullptr);
  Focus(escape, IDC_RESULT_PATH_EDIT);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(byEscape.ended());
  EXPECT_FALSE(::IsWindow(escape));

  ConversionResultDialog byCloseBox("C:\\p\\a_converted.lqt", "");
  const HWND closeBox = byCloseBox.Create(nullptr);
  ::SendMessageW(closeBox, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpMessages();
  EXPECT_TRUE(byCloseBox.ended());
  EXPECT_FALSE(::IsWindow(closeBox));
}

TEST_F(ResultDialog, ALongPathShowsFromItsStartInTheFocusedField) {
  const std::wstring path = L"C:\\projects\\" + std::wstring(120, L'd') + L"\\plant_converted.lqt";
  ConversionResultDialog dialog(Narrow(path), "");
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  PumpMessages();
  const HWND edit = ::GetDlgItem(window, IDC_RESULT_PATH_EDIT);
  EXPECT_EQ(::GetFocus(), edit);
  EXPECT_EQ(WindowText(edit), path);
  EXPECT_EQ(::SendMessageW(edit, EM_GETSEL, 0, 0), 0);
  // The character at the field's left edge is the path's first.
  RECT client = {};
  ::GetClientRect(edit, &client);
  const LRESULT atLeftEdge = ::SendMessageW(edit, EM_CHARFROMPOS, 0, MAKELPARAM(2, client.bottom / 2));
  EXPECT_EQ(LOWORD(atLeftEdge), 0);
}

TEST_F(ResultDialog, CopyPutsExactlyThePathOnTheClipboard) {
  RecordingUserInterface ui;
  const std::string path = "C:\\projects\\line 2\\plant_converted.lqt";
  ConversionResultDialog dialog(path, "");
  const HWND window = dialog.Create(nullptr);
  SetClipboardText(L"earlier");
  bool clipboardClosedWhenShown = false;
  ui.onMessage = [&](const std::string&) {
    clipboardClosedWhenShown = ::GetOpenClipboardWindow() == nullptr;
  };
  Click(window, IDC_COPY_PATH);
  EXPECT_EQ(ClipboardText(), Widen(path));
  EXPECT_EQ(Messages(ui), std::vector<MessageSeen>{kCopied});
  EXPECT_TRUE(clipboardClosedWhenShown);
}

TEST_F(ResultDialog, APathOf300CharactersIsCopiedWholeWithOneTerminatingZero) {
  const RecordingUserInterface ui;
  const std::wstring path = L"C:\\" + std::wstring(293, L'\x30D1') + L".lqt";
  ASSERT_EQ(path.size(), 300u);
  SIZE_T allocated = 0;
  ClipboardAccess access = SystemClipboardAccess();
  access.allocate = [&](SIZE_T bytes) {
    allocated = bytes;
    return ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  };
  ConversionResultDialog dialog(Narrow(path), "", access);
  Click(dialog.Create(nullptr), IDC_COPY_PATH);
  EXPECT_EQ(allocated, 301 * sizeof(wchar_t));
  EXPECT_EQ(ClipboardText(), path);
  EXPECT_EQ(Messages(ui), std::vector<MessageSeen>{kCopied});
}

TEST_F(ResultDialog, TwoPressesCopyTwiceAndSaySoTwice) {
  const RecordingUserInterface ui;
  ConversionResultDialog dialog("C:\\p\\a_converted.lqp", "");
  const HWND window = dialog.Create(nullptr);
  Click(window, IDC_COPY_PATH);
  SetClipboardText(L"in between");
  Click(window, IDC_COPY_PATH);
  EXPECT_EQ(ClipboardText(), L"C:\\p\\a_converted.lqp");
  EXPECT_EQ(Messages(ui), (std::vector<MessageSeen>{kCopied, kCopied}));
}

TEST_F(ResultDialog, AnEmptyPathMakesCopyDoNothing) {
  const RecordingUserInterface ui;
  int allocations = 0;
  ClipboardAccess access = SystemClipboardAccess();
  access.allocate = [&](SIZE_T bytes) {
    ++allocations;
    return ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  };
  ConversionResultDialog dialog("", "Conversion succeeded.", access);
  SetClipboardText(L"earlier");
  Click(dialog.Create(nullptr), IDC_COPY_PATH);
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(ClipboardText(), L"earlier");
  EXPECT_TRUE(ui.log().empty());
}

TEST_F(ResultDialog, EveryFailureSaysSoWithTheClipboardClosed) {
  const MessageSeen cannotOpen{"MsgClipOpenFail", "Cannot open clipboard.", MessageIcon::None};
  const MessageSeen noMemory{"MsgMemFail", "Insufficient memory.", MessageIcon::None};
  struct Case {
    const char* what;
    std::function<HGLOBAL(SIZE_T)> allocate;
    std::function<HANDLE(UINT, HANDLE)> setData;
    bool heldElsewhere;
    MessageSeen message;
    std::wstring clipboardAfter;
  };
  const auto movable = [](SIZE_T bytes) { return ::GlobalAlloc(GMEM_MOVEABLE, bytes); };
  const auto setData = [](UINT format, HANDLE block) { return ::SetClipboardData(format, block); };
  const Case cases[] = {
      {"held by another program", movable, setData, true, cannotOpen, L"earlier"},
      {"no memory", [](SIZE_T) { return HGLOBAL(nullptr); }, setData, false, noMemory, L""},
      // A movable block of no bytes has no memory to lock.
      {"block cannot be locked", [](SIZE_T) { return ::GlobalAlloc(GMEM_MOVEABLE, 0); }, setData, false, noMemory,
       L""},
      {"clipboard refuses the block", movable, [](UINT, HANDLE) { return HANDLE(nullptr); }, false, cannotOpen, L""},
  };
  for (const Case& failure : cases) {
    SCOPED_TRACE(failure.what);
    RecordingUserInterface ui;
    bool clipboardClosedWhenShown = false;
    ui.onMessage = [&](const std::string&) { clipboardClosedWhenShown = ::GetOpenClipboardWindow() == nullptr; };
    SetClipboardText(L"earlier");
    ConversionResultDialog dialog("C:\\p\\a_converted.lqt", "", {failure.allocate, failure.setData});
    const HWND window = dialog.Create(nullptr);
    {
      std::optional<ClipboardHeldElsewhere> held;
      if (failure.heldElsewhere) held.emplace();
      Click(window, IDC_COPY_PATH);
    }
    EXPECT_EQ(Messages(ui), std::vector<MessageSeen>{failure.message});
    if (!failure.heldElsewhere) {
      EXPECT_TRUE(clipboardClosedWhenShown);
    }
    EXPECT_EQ(ClipboardText(), failure.clipboardAfter);
  }
}

}  // namespace
