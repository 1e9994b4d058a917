// The sweep of working directories left by killed runs: what it removes, what it never touches,
// and that it holds a directory's lock while it deletes it.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <utime.h>
#endif

#include <ctime>
#include <filesystem>
#include <map>

#include "pipeline/work_directory.h"
#include "pipeline/work_directory_sweep.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

enum class Lock { None, Free, Held };

// A directory as a run leaves it: a staged project, a lock file (free when its run was killed,
// held by a live one), last changed ageSeconds ago.
struct Left {
  fs::path path;
  std::unique_ptr<platform::FileLock> held;
};

// A directory's time; on Windows only a handle opened for backup semantics can set it.
void SetModified(const fs::path& path, std::time_t then) {
#ifdef _WIN32
  const HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const std::uint64_t ticks = (static_cast<std::uint64_t>(then) + 11644473600u) * 10000000u;  // 100 ns from 1601
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &time));
  CloseHandle(handle);
#else
  const utimbuf times{then, then};
  ::utime(path.c_str(), &times);
#endif
}

Left MakeLeft(const fs::path& path, Lock lock, std::int64_t ageSeconds) {
  Left left{path, nullptr};
  fs::create_directory(path);
  testfiles::Write(path / "temp_project.lqt", "staged");
  if (lock == Lock::Free) testfiles::Write(path / "conversion.lock", "");
  if (lock == Lock::Held) left.held = platform::NativePlatform().CreateLockFile(path / "conversion.lock");
  SetModified(path, std::time(nullptr) - ageSeconds);
  return left;
}

fs::path Temp(const std::string& name) { return testfiles::TempFolder() / name; }

constexpr std::int64_t kHour = 3600;

TEST(WorkDirectorySweep, RemovesWhatKilledRunsLeftAndNothingElse) {
  RecordingUserInterface recorder;
  const fs::path outside = testfiles::MakeFolder("outside");
  std::vector<Left> left;
  const std::map<std::string, bool> expectRemoved = {
      {"_HexXmlConv_Cache_100", true},     // killed: its lock file is free
      {"_HexXmlConv_Cache_-7", true},      // the same, a count past 2^31
      {"_HexXmlConv_Cache_101", false},    // live: its lock is held (by this very process)
      {"_HexXmlConv_Cache_102", false},    // no lock file, a minute old: perhaps being made
      {"_HexXmlConv_Cache_103", false},    // no lock file, 59 minutes old
      {"_HexXmlConv_Cache_104", true},     // no lock file, two hours old: an older version's
      {"_HexXmlConv_Cache_0104", false},   // not our naming, however old and free
      {"_HexXmlConv_Cache_104x", false},
      {"HexXmlConv_Cache_104", false},
      {"_HexXmlConv_Cache_104.old", false},
  };
  for (const auto& [name, removed] : expectRemoved) {
    const bool held = name == "_HexXmlConv_Cache_101";
    const bool unlocked = name == "_HexXmlConv_Cache_102" || name == "_HexXmlConv_Cache_103" ||
                          name == "_HexXmlConv_Cache_104";
    const std::int64_t age = name == "_HexXmlConv_Cache_102" ? 60 : name == "_HexXmlConv_Cache_103" ? 59 * 60 : 2 * kHour;
    left.push_back(MakeLeft(Temp(name), held ? Lock::Held : unlocked ? Lock::None : Lock::Free, age));
  }
#ifndef _WIN32  // links need a privilege on Windows, and the runtime here makes none
  // A link of our naming to a killed run's directory elsewhere: the link and its target stay.
  MakeLeft(outside / "target", Lock::Free, 2 * kHour);
  fs::create_directory_symlink(outside / "target", Temp("_HexXmlConv_Cache_105"));
#endif
  // A file of our naming.
  testfiles::Write(Temp("_HexXmlConv_Cache_106"), "a file");
  // A lock file that is a link or a directory is no lock this sweep can take.
#ifndef _WIN32
  MakeLeft(Temp("_HexXmlConv_Cache_107"), Lock::None, 2 * kHour);
  fs::create_symlink(outside / "target" / "conversion.lock", Temp("_HexXmlConv_Cache_107") / "conversion.lock");
#endif
  MakeLeft(Temp("_HexXmlConv_Cache_108"), Lock::None, 2 * kHour);
  fs::create_directory(Temp("_HexXmlConv_Cache_108") / "conversion.lock");

  RemoveStaleWorkDirectories("");

  for (const auto& [name, removed] : expectRemoved) {
    EXPECT_EQ(!fs::exists(Temp(name)), removed) << name;
    if (!removed) {
      EXPECT_EQ(testfiles::Read(Temp(name) / "temp_project.lqt"), "staged") << name;
    }
  }
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(Temp("_HexXmlConv_Cache_105")));
  EXPECT_EQ(testfiles::List(outside / "target"), (std::vector<std::string>{"conversion.lock", "temp_project.lqt"}));
  EXPECT_TRUE(fs::exists(Temp("_HexXmlConv_Cache_107") / "temp_project.lqt"));
#endif
  EXPECT_EQ(testfiles::Read(Temp("_HexXmlConv_Cache_106")), "a file");
  EXPECT_TRUE(fs::exists(Temp("_HexXmlConv_Cache_108") / "temp_project.lqt"));
  EXPECT_TRUE(recorder.log().empty());
}

TEST(WorkDirectorySweep, LeavesItsOwnDirectoryAndOtherUsersOnes) {
  MakeLeft(Temp("_HexXmlConv_Cache_200"), Lock::Free, 0);
  MakeLeft(Temp("_HexXmlConv_Cache_201"), Lock::Free, 0);
  MakeLeft(Temp("_HexXmlConv_Cache_202"), Lock::None, 2 * kHour);
  PlatformDouble platform;
  platform.foreignOwned = {"_HexXmlConv_Cache_201", "_HexXmlConv_Cache_202"};  // CI runs as root: the double says so
  RemoveStaleWorkDirectories(Temp("_HexXmlConv_Cache_200").string());
  EXPECT_TRUE(fs::exists(Temp("_HexXmlConv_Cache_200") / "temp_project.lqt"));
  EXPECT_TRUE(fs::exists(Temp("_HexXmlConv_Cache_201") / "temp_project.lqt"));
  EXPECT_TRUE(fs::exists(Temp("_HexXmlConv_Cache_202") / "temp_project.lqt"));
  platform.foreignOwned.clear();
  RemoveStaleWorkDirectories("");
  EXPECT_EQ(testfiles::List(testfiles::TempFolder()), std::vector<std::string>{});
}

TEST(WorkDirectorySweep, HoldsTheLockWhileItDeletes) {
  MakeLeft(Temp("_HexXmlConv_Cache_300"), Lock::Free, 0);
  PlatformDouble platform;
  int looked = 0;
  platform.onCall = [&](PlatformCall call, const fs::path& path) {
    if (call != PlatformCall::DeleteFile && call != PlatformCall::RemoveDirectory) return;
    ++looked;
    if (path.filename() == "temp_project.lqt") {
      // A second sweeper (another process, or another thread opening the file itself) is refused.
      EXPECT_EQ(platform::NativePlatform().TryLockFile(Temp("_HexXmlConv_Cache_300") / "conversion.lock"), nullptr);
    }
  };
  RemoveStaleWorkDirectories("");
  EXPECT_EQ(looked, 3);  // the staged file, the lock file, the directory
  EXPECT_FALSE(fs::exists(Temp("_HexXmlConv_Cache_300")));
}

TEST(WorkDirectorySweep, AFailingSweepShowsNothingAndThrowsNothing) {
  for (const PlatformCall call : {PlatformCall::TemporaryFolder, PlatformCall::ListDirectory, PlatformCall::GetFileAttributes,
                                  PlatformCall::TryLockFile, PlatformCall::DeleteFile, PlatformCall::RemoveDirectory}) {
    MakeLeft(Temp("_HexXmlConv_Cache_400"), Lock::Free, 0);
    RecordingUserInterface recorder;
    PlatformDouble platform;
    platform.Fail(call);
    EXPECT_NO_THROW(RemoveStaleWorkDirectories("")) << PlatformCallName(call);
    EXPECT_TRUE(recorder.log().empty());
    EXPECT_TRUE(fs::exists(Temp("_HexXmlConv_Cache_400"))) << PlatformCallName(call);
    platform.Heal();
    // The next sweep takes it; when the directory itself would not go, it has no lock file any
    // more, and goes once it is an hour old.
    if (call == PlatformCall::RemoveDirectory) platform.currentTime = std::time(nullptr) + 2 * kHour;
    RemoveStaleWorkDirectories("");
    EXPECT_FALSE(fs::exists(Temp("_HexXmlConv_Cache_400"))) << PlatformCallName(call);
  }
}

}  // namespace
