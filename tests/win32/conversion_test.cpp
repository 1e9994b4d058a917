// Conversions through the main window: disabled under the wait cursor while one runs and back
// after every ending; a whole conversion with stand-ins for the steps after staging, from a
// dropped file to the output on disk and its path on the clipboard; and the bundled sample
// converted through the window to the same bytes as tqconv.exe writes.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/user_interface.h"
#include "platform/stop_request.h"
#include "recording_user_interface.h"
#include "stand_in_steps.h"
#include "test_files.h"
#include "win32/converter_dialog.h"
#include "win32/resource_ids.h"
#include "win32/result_dialog.h"
#include "win32/wide_text.h"
#include "win32_test_environment.h"

namespace {

namespace fs = std::filesystem;

// Drops the project on the window, presses Convert and, in the result dialog, Copy Path.
void DropConvertAndCopy(HWND window, ModalRecorder& modal, const fs::path& input) {
  modal.onResult = [](ConversionResultDialog& result) { Click(result.window(), IDC_COPY_PATH); };
  Drop(window, {Wide(input)});
  ASSERT_EQ(ControlText(window, IDC_PATH_EDIT), Wide(input));
  Click(window, IDC_CONVERT);
}

struct InsideStep {
  bool ran = false;
  bool enabled = true;
  bool waitCursor = false;
};

class Conversion : public testing::Test {
 protected:
  Win32TestEnvironment env_;
};

TEST_F(Conversion, TheWindowIsDisabledWhileConvertingAndBackAfter) {
  struct Ending {
    const char* how;
    std::string key;
    bool workDirectoryWhenShown;
  };
  for (const Ending& ending : {Ending{"success", "Result", false}, Ending{"refusal", "MsgOnlyTQ5A", true},
                               Ending{"exception", "MsgUnexpectedError", false}}) {
    SCOPED_TRACE(ending.how);
    const fs::path input = testfiles::MakeFolder(std::string("projects-") + ending.how) / "plant.lqt";
    testfiles::Write(input, kProjectText);

    InsideStep inside;
    HWND window = nullptr;
    ConversionSteps steps = StandInSteps([&] {
      inside.ran = true;
      inside.enabled = ::IsWindowEnabled(window) != FALSE;
      inside.waitCursor = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
    });
    const std::string how = ending.how;
    if (how == "refusal") {
      steps.validateAndPrepareProject = [observe = steps.validateAndPrepareProject](const std::string& staged) {
        observe(staged);
        ShowCatalogMessage("MsgOnlyTQ5A");
        return false;
      };
    } else if (how == "exception") {
      steps.validateAndPrepareProject = [observe = steps.validateAndPrepareProject](const std::string& staged) -> bool {
        observe(staged);
        throw std::runtime_error("read failed");
      };
    }
    CTQConverterDlg dialog(steps);
    window = dialog.Create(nullptr);
    ASSERT_TRUE(window);
    ModalRecorder modal(dialog.userInterface(), window);
    Drop(window, {Wide(input)});
    Click(window, IDC_CONVERT);

    EXPECT_TRUE(inside.ran);
    EXPECT_FALSE(inside.enabled);
    EXPECT_TRUE(inside.waitCursor);
    ASSERT_EQ(modal.keys(), std::vector<std::string>{ending.key});
    const ShownWindow& shown = modal.shown().front();
    EXPECT_FALSE(shown.mainWindowEnabled);
    EXPECT_EQ(shown.workDirectoryExisted, ending.workDirectoryWhenShown);

    EXPECT_TRUE(::IsWindowEnabled(window));
    EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_FALSE(WorkDirectoryExists());
    EXPECT_EQ(ControlText(window, IDC_PATH_EDIT), Wide(input));
    EXPECT_EQ(dialog.lastOutcome().succeeded, how == "success");
  }
}

TEST_F(Conversion, AWholeConversionWithStandInSteps) {
  const fs::path folder = testfiles::MakeFolder("projects");
  const fs::path input = folder / "plant.lqt";
  testfiles::Write(input, kProjectText);
  CTQConverterDlg dialog(StandInSteps());
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);

  DropConvertAndCopy(window, modal, input);
  const fs::path output = folder / "plant_converted.lqt";
  EXPECT_EQ(modal.keys(), (std::vector<std::string>{"Result", "MsgClipSuccess"}));
  ASSERT_EQ(modal.shown().size(), 2u);
  EXPECT_EQ(modal.shown()[0].text, Wide(output));
  EXPECT_EQ(modal.shown()[0].owner, window);
  EXPECT_EQ(modal.shown()[1].text, L"Path copied to clipboard.");
  EXPECT_EQ(modal.shown()[1].style, UINT(MB_OK | MB_TASKMODAL));
  EXPECT_FALSE(modal.shown()[1].clipboardOpen);
  EXPECT_EQ(ClipboardText(), Wide(output));
  EXPECT_EQ(testfiles::Read(output), kProjectText + kConvertedTail);
  EXPECT_EQ(testfiles::Read(input), kProjectText);
  EXPECT_FALSE(WorkDirectoryExists());
  EXPECT_TRUE(dialog.conversionState().m_workDir.empty());
  EXPECT_FALSE(dialog.conversionState().UnitSetupSlot);

  // Again on the same input: the first output keeps its name, the second takes the next.
  modal.Clear();
  Click(window, IDC_CONVERT);
  EXPECT_EQ(modal.keys(), (std::vector<std::string>{"Result", "MsgClipSuccess"}));
  ASSERT_FALSE(modal.shown().empty());
  EXPECT_EQ(modal.shown()[0].text, Wide(folder / "plant_converted 1.lqt"));
  EXPECT_EQ(testfiles::List(folder),
            (std::vector<std::string>{"plant.lqt", "plant_converted 1.lqt", "plant_converted.lqt"}));
}

// A stop asked for while converting (Ctrl+C in the console that started the program): the
// conversion stops at its next file operation, cleans up, shows nothing, and the dialog closes.
TEST_F(Conversion, AStopWhileConvertingClosesTheDialogWithNothingLeft) {
  const fs::path folder = testfiles::MakeFolder("projects");
  const fs::path input = folder / "plant.lqt";
  testfiles::Write(input, kProjectText);
  CTQConverterDlg dialog(StandInSteps([] { platform::RequestStop(SIGINT); }));
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);
  Drop(window, {Wide(input)});
  Click(window, IDC_CONVERT);
  platform::ClearStopRequest();
  EXPECT_TRUE(dialog.lastOutcome().stopped);
  EXPECT_TRUE(dialog.ended());
  EXPECT_EQ(dialog.result(), IDCANCEL);
  EXPECT_TRUE(modal.keys().empty());
  EXPECT_FALSE(WorkDirectoryExists());
  EXPECT_TRUE(dialog.conversionState().m_workDir.empty());
  EXPECT_EQ(testfiles::List(folder), std::vector<std::string>{"plant.lqt"});
}

// Runs tqconv.exe of this build on the file and waits for it; its exit status.
DWORD RunCommandLineConverter(const fs::path& input) {
  const fs::path program = testfiles::BinaryFolder() / "tqconv.exe";
  std::wstring commandLine = L"\"" + Wide(program) + L"\" convert --quiet \"" + Wide(input) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
    return ~DWORD(0);
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return status;
}

TEST_F(Conversion, TheBundledSampleConvertsToTheSameBytesAsTheCommandLine) {
  const fs::path sample = testfiles::Source("samples/plant.lqt");
  const fs::path byDialog = testfiles::MakeFolder("by dialog");
  const fs::path byCommandLine = testfiles::MakeFolder("by tqconv");
  fs::copy_file(sample, byDialog / "plant.lqt");
  fs::copy_file(sample, byCommandLine / "plant.lqt");
  const std::string original = testfiles::Read(sample);

  CTQConverterDlg dialog;
  const HWND window = dialog.Create(nullptr);
  ASSERT_TRUE(window);
  ModalRecorder modal(dialog.userInterface(), window);
  DropConvertAndCopy(window, modal, byDialog / "plant.lqt");
  ASSERT_EQ(RunCommandLineConverter(byCommandLine / "plant.lqt"), 0u);

  EXPECT_FALSE(dialog.lastOutcome().incomplete);
  const fs::path output = byDialog / "plant_converted.lqt";
  EXPECT_EQ(modal.keys(), (std::vector<std::string>{"Result", "MsgClipSuccess"}));
  EXPECT_EQ(ClipboardText(), Wide(output));
  const std::string converted = testfiles::Read(output);
  EXPECT_NE(converted, original);
  EXPECT_NE(converted.find("TQ6A"), std::string::npos);
  EXPECT_TRUE(converted == testfiles::Read(byCommandLine / "plant_converted.lqt"));
  EXPECT_EQ(testfiles::Read(byDialog / "plant.lqt"), original);
  EXPECT_EQ(testfiles::List(byDialog), (std::vector<std::string>{"plant.lqt", "plant_converted.lqt"}));
  EXPECT_FALSE(WorkDirectoryExists());
}

}  // namespace
