// Every test case runs with a temporary folder of its own, removed afterwards, and with the
// language and clock it sets itself: nothing depends on the machine's locale or date. On POSIX
// the folder is TMPDIR; on Windows TMP and TEMP (what GetTempPathW reads), below the folder
// the Wine wrapper hands over as TQ_TMP.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/message_catalog.h"
#include "test_files.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
void SetTemporaryFolder(const fs::path& folder) {
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    SetEnvironmentVariableW(name, folder.c_str());
    _wputenv_s(name, folder.c_str());
  }
}

fs::path MakeCaseFolder(const fs::path& parent) {
  static std::atomic<unsigned> next{0};
  for (;;) {
    const fs::path folder =
        parent / ("case-" + std::to_string(_getpid()) + "-" + std::to_string(next.fetch_add(1)));
    if (fs::create_directory(folder)) return folder;
  }
}

fs::path ParentFolder() {
  if (const wchar_t* handed = _wgetenv(L"TQ_TMP"); handed && *handed) return handed;
  return testfiles::TempFolder();
}
#else
void SetTemporaryFolder(const fs::path& folder) { setenv("TMPDIR", folder.c_str(), 1); }

fs::path MakeCaseFolder(const fs::path& parent) {
  std::string pattern = (parent / "case-XXXXXX").string();
  return mkdtemp(pattern.data());
}

fs::path ParentFolder() {
  const char* tmp = getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}
#endif

class PrivateTemporaryFolder : public testing::EmptyTestEventListener {
 public:
  explicit PrivateTemporaryFolder(fs::path parent) : parent_(std::move(parent)) {}

  void OnTestStart(const testing::TestInfo&) override {
    current_ = MakeCaseFolder(parent_);
    SetTemporaryFolder(current_);
    CurrentLanguage() = "EN";
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::error_code ignored;
    fs::permissions(current_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(current_, ignored);
    SetTemporaryFolder(parent_);
  }

 private:
  fs::path parent_;
  fs::path current_;
};

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The runtime buffers a pipe's output until exit: a program that crashes would show nothing of
  // what it had reached.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
#endif
  testing::InitGoogleTest(&argc, argv);
  const fs::path parent = ParentFolder();
  fs::create_directories(parent);
  testing::UnitTest::GetInstance()->listeners().Append(new PrivateTemporaryFolder(parent));
  return RUN_ALL_TESTS();
}
