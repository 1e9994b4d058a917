// The Win32 side of the platform layer against the system itself (run under Wine by CTest).
#include <gtest/gtest.h>

#include <windows.h>
// The platform interface uses these names for its own operations.
#undef CreateDirectory
#undef RemoveDirectory
#undef DeleteFile
#undef CopyFile
#undef GetFileAttributes

#include <filesystem>
#include <string>

#include "pipeline/work_directory.h"
#include "platform/platform.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

// Another process's view of a file: cmd's "type" opens it for reading, sharing read and write.
DWORD ExitStatusOfTyping(const fs::path& file) {
  std::wstring command = L"cmd.exe /c type \"" + file.wstring() + L"\" >NUL 2>NUL";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start cmd.exe";
    return 0xFFFFFFFFu;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// The open that every other program makes of a file it only reads.
bool OthersCanOpen(const fs::path& file) {
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

TEST(PlatformWin32, TheNationComesFromTheUsersGeographicLocation) {
  wchar_t expected[4] = {};
  ASSERT_GT(GetGeoInfoW(GetUserGeoID(GEOCLASS_NATION), GEO_ISO2, expected, 4, 0), 0);
  const std::string nation = platform::UserNationCode();
  ASSERT_EQ(nation.size(), 2u);
  EXPECT_EQ(nation[0], static_cast<char>(expected[0]));
  EXPECT_EQ(nation[1], static_cast<char>(expected[1]));
}

TEST(PlatformWin32, TheTemporaryFolderIsGetTempPathsWithItsSeparatorInUtf8) {
  EXPECT_EQ(platform::TemporaryFolder(), platform::PathToUtf8(testfiles::TempFolder()) + "\\");
  const fs::path japanese = testfiles::TempFolder() / platform::PathFromUtf8("一時 フォルダ");
  fs::create_directory(japanese);
  SetEnvironmentVariableW(L"TMP", japanese.c_str());
  EXPECT_EQ(platform::TemporaryFolder(), platform::PathToUtf8(japanese) + "\\");
}

TEST(PlatformWin32, TheReadOnlyBitIsTheFilesAttribute) {
  const fs::path file = testfiles::TempFolder() / "plant.lqt";
  testfiles::Write(file, "bytes");
  ASSERT_TRUE(platform::SetReadOnly(file, true));
  EXPECT_NE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(platform::GetFileAttributes(file)->readOnly);
  // (Opening it for writing is refused on Windows, but not under Wine run as root, which checks
  // the POSIX permissions the bit maps to; deleting is refused by both.)
  EXPECT_FALSE(DeleteFileW(file.c_str()));  // why the tree removal clears the bit first
  ASSERT_TRUE(platform::SetReadOnly(file, false));
  EXPECT_FALSE(platform::GetFileAttributes(file)->readOnly);
  EXPECT_EQ(testfiles::Read(file), "bytes");
}

TEST(PlatformWin32, PublishingNeverReplacesAFile) {
  const fs::path folder = testfiles::TempFolder();
  testfiles::Write(folder / "new.tmp", "new");
  testfiles::Write(folder / "taken.lqt", "old");
  EXPECT_EQ(platform::PublishNoReplace(folder / "new.tmp", folder / "taken.lqt"), platform::PublishResult::NameTaken);
  EXPECT_EQ(testfiles::Read(folder / "taken.lqt"), "old");
  EXPECT_EQ(testfiles::Read(folder / "new.tmp"), "new");
  EXPECT_EQ(platform::PublishNoReplace(folder / "new.tmp", folder / "free.lqt"), platform::PublishResult::Published);
  EXPECT_EQ(testfiles::Read(folder / "free.lqt"), "new");
  EXPECT_FALSE(fs::exists(folder / "new.tmp"));
  EXPECT_EQ(platform::PublishNoReplace(folder / "gone.tmp", folder / "other.lqt"), platform::PublishResult::Failed);
}

TEST(PlatformWin32, FilesAreOpenedWithoutSharing) {
  const fs::path file = testfiles::TempFolder() / "plant.lqt";
  testfiles::Write(file, "bytes");
  {
    const auto reading = platform::OpenForReading(file);
    ASSERT_NE(reading, nullptr);
    EXPECT_FALSE(OthersCanOpen(file));
    EXPECT_EQ(platform::OpenForReading(file), nullptr);
  }
  {
    const auto writing = platform::CreateForWriting(file);
    ASSERT_NE(writing, nullptr);
    EXPECT_FALSE(OthersCanOpen(file));
  }
  EXPECT_TRUE(OthersCanOpen(file));
}

// A view would keep the file from being opened without sharing: none is given.
TEST(PlatformWin32, NoGradualMapping) {
  const fs::path file = testfiles::TempFolder() / "gradual";
  testfiles::Write(file, std::string(10000, 'g'));
  EXPECT_EQ(platform::OpenForReading(file)->MapGradually(), nullptr);
  EXPECT_TRUE(OthersCanOpen(file));
}

TEST(PlatformWin32, AMappingHoldsTheFilesBytesAndOutlivesTheFile) {
  std::string bytes;
  for (int i = 0; i < 300001; ++i) bytes += static_cast<char>(i * 7 + i / 4096);  // not a whole page
  const fs::path file = testfiles::TempFolder() / "mapped";
  testfiles::Write(file, bytes);
  auto reading = platform::OpenForReading(file);
  ASSERT_NE(reading, nullptr);
  const std::unique_ptr<platform::FileMapping> mapping = reading->Map();
  ASSERT_NE(mapping, nullptr);
  EXPECT_TRUE(mapping->Bytes() == bytes);
  char head[3];
  ASSERT_EQ(reading->Read(head, 3), 3u);  // reading starts where it stood
  EXPECT_EQ(std::string(head, 3), bytes.substr(0, 3));
  reading.reset();
  EXPECT_TRUE(mapping->Bytes() == bytes);

  const fs::path empty = testfiles::TempFolder() / "empty";
  testfiles::Write(empty, "");
  const auto emptyMapping = platform::OpenForReading(empty)->Map();
  ASSERT_NE(emptyMapping, nullptr);
  EXPECT_TRUE(emptyMapping->Bytes().empty());
}

TEST(PlatformWin32, AWorkingFolderWithReadOnlyFilesIsRemovedWhole) {
  const fs::path root = testfiles::MakeFolder("_HexXmlConv_Cache_7");
  fs::create_directory(root / "inner");
  for (const fs::path& file : {root / "temp_project.lqt", root / "inner" / "unit.xml"}) {
    testfiles::Write(file, "x");
    ASSERT_TRUE(platform::SetReadOnly(file, true));
  }
  EXPECT_TRUE(DeleteDirectoryTree(platform::PathToUtf8(root)));
  EXPECT_FALSE(fs::exists(root));
}

TEST(PlatformWin32, TheLockFileIsHeldAgainstOtherProcessesUntilRemoved) {
  const fs::path folder = testfiles::MakeFolder("_HexXmlConv_Cache_8");
  const fs::path lockPath = folder / "conversion.lock";
  auto lock = platform::CreateLockFile(lockPath);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(platform::CreateLockFile(lockPath), nullptr);  // CREATE_NEW: the name is taken
  EXPECT_EQ(platform::TryLockFile(lockPath), nullptr);     // this process's second open
  EXPECT_NE(ExitStatusOfTyping(lockPath), 0u);             // another process
  EXPECT_TRUE(lock->Remove());
  EXPECT_FALSE(fs::exists(lockPath));
  EXPECT_TRUE(platform::RemoveDirectory(folder));

  // A lock whose holder has gone is taken by the next one.
  fs::create_directory(folder);
  platform::CreateLockFile(lockPath).reset();
  EXPECT_EQ(ExitStatusOfTyping(lockPath), 0u);
  EXPECT_NE(platform::TryLockFile(lockPath), nullptr);
}

TEST(PlatformWin32, LongAndJapanesePathsWork) {
  const std::string step = "工場の制御盤 プロジェクト フォルダ 第一";
  std::string folder = platform::PathToUtf8(testfiles::TempFolder());
  while (platform::Utf16Length(folder) <= 300) {
    folder += "\\" + step;
    ASSERT_TRUE(platform::CreateDirectory(platform::PathFromUtf8(folder))) << platform::Utf16Length(folder);
  }
  const fs::path deep = platform::PathFromUtf8(folder);
  const fs::path file = deep / platform::PathFromUtf8("工場 1.lqt");
  ASSERT_GT(file.wstring().size(), 300u);
  ASSERT_TRUE(platform::WriteWholeFile(file, "bytes"));
  EXPECT_EQ(platform::ReadWholeFile(file), "bytes");
  std::vector<platform::DirectoryEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(deep, entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "工場 1.lqt");
  ASSERT_TRUE(platform::SetReadOnly(file, true));
  const fs::path top = testfiles::TempFolder() / platform::PathFromUtf8(step);
  EXPECT_TRUE(DeleteDirectoryTree(platform::PathToUtf8(top)));
  EXPECT_FALSE(fs::exists(top));
}

}  // namespace
