// The file-open dialog as the system shows it: the one filter, no read-only box, and the path
// it gives back; and the test hook's answer given once.
#include <gtest/gtest.h>

#include "win32/windows_api.h"
// After the Windows API headers, which they need.
#include <commdlg.h>
#include <dlgs.h>

#include <filesystem>

#include "test_files.h"
#include "win32/file_chooser.h"
#include "win32/wide_text.h"
#include "win32_test_environment.h"

namespace {

namespace fs = std::filesystem;

class FileChooserDialog : public testing::Test {
 protected:
  Win32TestEnvironment env_;
};

struct DialogSeen {
  std::vector<std::wstring> filters;
  bool readOnlyBoxShown = true;
};

// Reads the open dialog's file types and read-only box, then types the name and presses Open,
// or cancels when the name is empty.
ModalWindowScript Answer(DialogSeen& seen, std::wstring name) {
  return ModalWindowScript({}, [&seen, name](HWND dialog) {
    const HWND types = ::GetDlgItem(dialog, cmb1);
    if (!types) return false;  // not the file-open dialog yet
    const int count = static_cast<int>(::SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring text(static_cast<std::size_t>(::SendMessageW(types, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
      seen.filters.push_back(text);
    }
    const HWND readOnly = ::GetDlgItem(dialog, chx1);
    seen.readOnlyBoxShown = readOnly && ::IsWindowVisible(readOnly);
    if (name.empty()) {
      ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    } else {
      ::SetDlgItemTextW(dialog, cmb13, name.c_str());
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    return true;
  });
}

TEST_F(FileChooserDialog, OffersTheOneFilterAndGivesTheChosenPath) {
  const auto folder = testfiles::MakeFolder("projects");
  testfiles::Write(folder / "plant.lqt", "x");
  FileChooser chooser;
  DialogSeen seen;
  std::optional<std::wstring> chosen;
  {
    const ModalWindowScript script = Answer(seen, Wide(folder / "plant.lqt"));
    chosen = chooser.ChooseProject(nullptr);
    ASSERT_TRUE(script.done());
  }
  EXPECT_EQ(seen.filters, std::vector<std::wstring>{L"Velkor Project (*.lqt;*.lqp)"});
  EXPECT_FALSE(seen.readOnlyBoxShown);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(fs::path(*chosen), folder / "plant.lqt");

  DialogSeen cancelled;
  const ModalWindowScript script = Answer(cancelled, L"");
  EXPECT_EQ(chooser.ChooseProject(nullptr), std::nullopt);
  EXPECT_TRUE(script.done());
}

TEST_F(FileChooserDialog, TheNextAnswerIsGivenOnce) {
  FileChooser chooser;
  chooser.SetNextAnswer(L"C:\\p\\a.lqt");
  EXPECT_EQ(chooser.ChooseProject(nullptr), std::optional<std::wstring>(L"C:\\p\\a.lqt"));
  EXPECT_FALSE(chooser.HasPendingAnswer());
  chooser.SetNextAnswer(std::nullopt);
  EXPECT_TRUE(chooser.HasPendingAnswer());
  EXPECT_EQ(chooser.ChooseProject(nullptr), std::nullopt);
  EXPECT_FALSE(chooser.HasPendingAnswer());
}

}  // namespace
