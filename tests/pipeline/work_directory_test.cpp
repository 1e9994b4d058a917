#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

#include "pipeline/output_publish.h"
#include "pipeline/work_directory.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

TEST(OutputNaming, PutsConvertedBeforeTheLastExtension) {
  const auto folder = testfiles::MakeFolder("data");
  const std::string f = folder.string() + "/";
  const std::pair<std::string, std::string> cases[] = {
      {f + "plant.lqt", f + "plant_converted.lqt"},
      {f + "PLANT.LQT", f + "PLANT_converted.LQT"},
      {f + "plant.rev.lqp", f + "plant.rev_converted.lqp"},
      {f + "plant", f + "plant_converted"},
      {"plant.lqt", "plant_converted.lqt"},
  };
  for (const auto& [input, output] : cases) EXPECT_EQ(MakeOutputPath(input), output);

  const auto dotted = testfiles::MakeFolder("my.folder");
  EXPECT_EQ(MakeOutputPath(dotted.string() + "/plant"), dotted.string() + "/plant_converted");
}

// Windows takes '/' and '\\' alike, so a name begins after the last of either; on POSIX a
// backslash is part of the name.
TEST(OutputNaming, TheNameBeginsAfterTheLastSeparatorOfThePlatform) {
  const auto folder = testfiles::MakeFolder("my.folder");
  const std::string mixed = testfiles::TempFolder().string() + "/my.folder\\plant";
#ifdef _WIN32
  EXPECT_EQ(MakeOutputPath(mixed), mixed + "_converted");
  EXPECT_EQ(MakeOutputPath(folder.string() + "/plant.lqt"), folder.string() + "/plant_converted.lqt");
  EXPECT_EQ(FileNameStart("C:\\a/b\\c.lqt"), 7u);
#else
  EXPECT_EQ(MakeOutputPath(mixed), testfiles::TempFolder().string() + "/my_converted.folder\\plant");
  EXPECT_EQ(FileNameStart("C:\\a/b\\c.lqt"), 5u);
#endif
  EXPECT_EQ(FileNameStart("plant.lqt"), 0u);

  // The output's temporary file goes into the output's folder (on Windows the folder's own path
  // has '\\' and the name follows a '/').
  {
    const TemporaryBeside temporary(folder.string() + "/plant_converted.lqt");
    EXPECT_EQ(temporary.path(), folder.string() + "/.plant_converted.lqt.1.tmp");
    EXPECT_EQ(testfiles::List(folder), std::vector<std::string>{".plant_converted.lqt.1.tmp"});
  }
  EXPECT_TRUE(testfiles::List(folder).empty());
}

TEST(OutputNaming, TakesTheFirstFreeNumber) {
  const auto folder = testfiles::MakeFolder("data");
  const std::string input = (folder / "plant.lqt").string();
  testfiles::Write(folder / "plant_converted.lqt", "");
  EXPECT_EQ(MakeOutputPath(input), (folder / "plant_converted 1.lqt").string());
  testfiles::Write(folder / "plant_converted 1.lqt", "");
  testfiles::Write(folder / "plant_converted 3.lqt", "");
  EXPECT_EQ(MakeOutputPath(input), (folder / "plant_converted 2.lqt").string());
  fs::create_directory(folder / "plant_converted 2.lqt");  // a directory occupies a name too
  EXPECT_EQ(MakeOutputPath(input), (folder / "plant_converted 4.lqt").string());
}

TEST(PathLength, AllowsExactly240CodeUnits) {
  RecordingUserInterface recorder;
  EXPECT_TRUE(CheckPathLength(std::string(240, 'a')));
  EXPECT_TRUE(CheckPathLength(""));
  EXPECT_TRUE(recorder.log().empty());
  EXPECT_FALSE(CheckPathLength(std::string(241, 'a')));
  std::string japanese;
  for (int i = 0; i < 80; ++i) japanese += "工";  // 240 bytes... times three, 80 code units
  EXPECT_TRUE(CheckPathLength(japanese + std::string(160, 'a')));
  EXPECT_FALSE(CheckPathLength(japanese + std::string(161, 'a')));
  ASSERT_EQ(recorder.log().size(), 2u);
  for (const auto& entry : recorder.log()) {
    EXPECT_EQ(entry.key, "MsgPathTooLong");
    EXPECT_EQ(entry.icon, MessageIcon::Warning);
  }
}

TEST(WorkDirectory, IsNamedAfterTheTickCountAsASignedNumber) {
  const std::pair<std::uint32_t, std::string> cases[] = {
      {0u, "_HexXmlConv_Cache_0"}, {123456u, "_HexXmlConv_Cache_123456"},
      {2147483647u, "_HexXmlConv_Cache_2147483647"}, {2147483648u, "_HexXmlConv_Cache_-2147483648"},
      {4294967295u, "_HexXmlConv_Cache_-1"}};
  for (const auto& [tick, name] : cases) {
    PlatformDouble platform;
    platform.tickCount = tick;
    std::string workDir;
    std::unique_ptr<platform::FileLock> lock;
    ASSERT_TRUE(CreateWorkDirectory(workDir, lock));
    EXPECT_EQ(workDir, (testfiles::TempFolder() / name).string());
#ifndef _WIN32  // owner-only permissions: Windows folders take their owner's rights from the parent
    struct stat st {};
    ASSERT_EQ(::stat(workDir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    EXPECT_EQ(testfiles::List(workDir), (std::vector<std::string>{"conversion.lock"}));
    ASSERT_NE(lock, nullptr);
    EXPECT_TRUE(RemoveWorkDirectory(workDir, *lock));
    EXPECT_FALSE(fs::exists(workDir));
  }
}

TEST(WorkDirectory, ATakenNameGivesWayToTheNextNumbers) {
  RecordingUserInterface recorder;
  PlatformDouble platform;
  platform.tickCount = 4294967294u;  // -2: the numbers after it wrap as the tick count does
  fs::create_directory(testfiles::TempFolder() / "_HexXmlConv_Cache_-2");
  testfiles::Write(testfiles::TempFolder() / "_HexXmlConv_Cache_-1", "a file takes the name too");
  std::string workDir;
  std::unique_ptr<platform::FileLock> lock;
  ASSERT_TRUE(CreateWorkDirectory(workDir, lock));
  EXPECT_EQ(workDir, (testfiles::TempFolder() / "_HexXmlConv_Cache_0").string());
  EXPECT_TRUE(recorder.log().empty());
  EXPECT_TRUE(RemoveWorkDirectory(workDir, *lock));
  EXPECT_TRUE(fs::is_directory(testfiles::TempFolder() / "_HexXmlConv_Cache_-2"));  // not touched
}

TEST(WorkDirectory, GivesUpAfterAHundredTakenNames) {
  RecordingUserInterface recorder;
  PlatformDouble platform;
  platform.tickCount = 500;
  for (int n = 500; n < 600; ++n) fs::create_directory(testfiles::TempFolder() / ("_HexXmlConv_Cache_" + std::to_string(n)));
  std::string workDir = "stale";
  std::unique_ptr<platform::FileLock> lock;
  EXPECT_FALSE(CreateWorkDirectory(workDir, lock));
  EXPECT_EQ(workDir, "");
  EXPECT_EQ(lock, nullptr);
  EXPECT_EQ(recorder.MessageKeys(), (std::vector<std::string>{"MsgCacheCreateFail"}));
  EXPECT_EQ(platform.Calls(PlatformCall::CreateDirectory), 100);
  fs::remove(testfiles::TempFolder() / "_HexXmlConv_Cache_599");
  EXPECT_TRUE(CreateWorkDirectory(workDir, lock));  // the hundredth name is still tried
  EXPECT_EQ(workDir, (testfiles::TempFolder() / "_HexXmlConv_Cache_599").string());
  EXPECT_TRUE(RemoveWorkDirectory(workDir, *lock));
}

TEST(WorkDirectory, FailuresLeaveTheStringEmpty) {
  RecordingUserInterface recorder;
  PlatformDouble platform;
  platform.tickCount = 77;
  std::string workDir = "stale";
  std::unique_ptr<platform::FileLock> lock;
  // Refused, not taken: the same name is tried again (its owner may have just removed it), then
  // no other name is tried.
  platform.Fail(PlatformCall::CreateDirectory);
  EXPECT_FALSE(CreateWorkDirectory(workDir, lock));
  EXPECT_EQ(workDir, "");
  EXPECT_EQ(platform.Calls(PlatformCall::CreateDirectory), 3);
  platform.Heal();

  platform.Fail(PlatformCall::CreateLockFile);  // a directory without its lock is given up
  workDir = "stale";
  EXPECT_FALSE(CreateWorkDirectory(workDir, lock));
  EXPECT_EQ(workDir, "");
  EXPECT_EQ(testfiles::List(testfiles::TempFolder()), std::vector<std::string>{});
  platform.Heal();

  platform.Fail(PlatformCall::TemporaryFolder);
  workDir = "stale";
  EXPECT_FALSE(CreateWorkDirectory(workDir, lock));
  EXPECT_EQ(workDir, "");
  platform.Heal();

  platform.temporaryFolder = "/" + std::string(230, 'd') + "/";  // fits 260, not 240
  EXPECT_FALSE(CreateWorkDirectory(workDir, lock));
  platform.temporaryFolder = "/" + std::string(260, 'd') + "/";  // does not fit 260
  EXPECT_FALSE(CreateWorkDirectory(workDir, lock));
  EXPECT_EQ(workDir, "");
  EXPECT_EQ(recorder.MessageKeys(),
            (std::vector<std::string>{"MsgCacheCreateFail", "MsgCacheCreateFail", "MsgCacheCreateFail",
                                      "MsgPathTooLong", "MsgCacheCreateFail"}));
}

TEST(WorkDirectory, NamesAreRecognisedExactly) {
  for (const char* name : {"_HexXmlConv_Cache_0", "_HexXmlConv_Cache_123456", "_HexXmlConv_Cache_-1",
                           "_HexXmlConv_Cache_2147483647", "_HexXmlConv_Cache_-2147483648"}) {
    EXPECT_TRUE(IsWorkDirectoryName(name)) << name;
  }
  for (const char* name : {"_HexXmlConv_Cache_", "_HexXmlConv_Cache_-0", "_HexXmlConv_Cache_007", "_HexXmlConv_Cache_+7",
                           "_HexXmlConv_Cache_2147483648", "_HexXmlConv_Cache_-2147483649", "_HexXmlConv_Cache_12a",
                           "_HexXmlConv_Cache_1 ", "_HexXmlConv_Cache_99999999999", "_hexxmlconv_cache_1",
                           "x_HexXmlConv_Cache_1", "_HexXmlConv_Cache_1.tmp", "_HexXmlConv_Cache_--1"}) {
    EXPECT_FALSE(IsWorkDirectoryName(name)) << name;
  }
}

TEST(WorkDirectory, ItsLockIsHeldUntilTheTreeIsGone) {
  PlatformDouble platform;
  platform.tickCount = 9;
  std::string workDir;
  std::unique_ptr<platform::FileLock> lock;
  ASSERT_TRUE(CreateWorkDirectory(workDir, lock));
  const fs::path lockPath = fs::path(workDir) / "conversion.lock";
  EXPECT_EQ(platform::TryLockFile(lockPath), nullptr);  // another open, in this very thread
  testfiles::Write(fs::path(workDir) / "temp_project.lqt", "x");
  platform.Fail(PlatformCall::DeleteFile, "temp_project");
  EXPECT_FALSE(RemoveWorkDirectory(workDir, *lock));
  EXPECT_TRUE(fs::exists(lockPath));  // the lock file goes last
  lock.reset();
  EXPECT_NE(platform::TryLockFile(lockPath), nullptr);  // free once its holder is gone
}

TEST(TreeRemoval, RemovesNestedTreesAndReadOnlyFiles) {
  EXPECT_TRUE(DeleteDirectoryTree(""));
  const auto root = testfiles::MakeFolder("tree");
  fs::create_directories(root / "a" / "b");
  testfiles::Write(root / "a" / "b" / "deep.lqt", "x");
  testfiles::Write(root / "top.lqt", "y");
  testfiles::Write(root / ".hidden", "z");
  fs::permissions(root / "a" / "b" / "deep.lqt", fs::perms::owner_read);
  EXPECT_TRUE(DeleteDirectoryTree(root.string()));
  EXPECT_FALSE(fs::exists(root));
  EXPECT_FALSE(DeleteDirectoryTree(root.string()));  // nothing to list, nothing to remove
}

TEST(TreeRemoval, NeverFollowsALinkOutOfTheTree) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows, and this runtime makes none";
#endif
  const auto outside = testfiles::MakeFolder("outside");
  testfiles::Write(outside / "keep.lqt", "keep");
  const auto root = testfiles::MakeFolder("tree");
  fs::create_directory_symlink(outside, root / "dirlink");
  fs::create_symlink(outside / "keep.lqt", root / "filelink");
  fs::permissions(outside / "keep.lqt", fs::perms::owner_read);
  EXPECT_TRUE(DeleteDirectoryTree(root.string()));
  EXPECT_FALSE(fs::exists(root));
  EXPECT_EQ(testfiles::Read(outside / "keep.lqt"), "keep");
  EXPECT_EQ(fs::status(outside / "keep.lqt").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST(TreeRemoval, StopsAtTheFirstEntryItCannotDelete) {
  const auto root = testfiles::MakeFolder("tree");
  testfiles::Write(root / "held.lqt", "x");
  PlatformDouble platform;
  platform.Fail(PlatformCall::DeleteFile, "held.lqt");
  EXPECT_FALSE(DeleteDirectoryTree(root.string()));
  EXPECT_TRUE(fs::exists(root / "held.lqt"));
  platform.Heal();
  EXPECT_TRUE(DeleteDirectoryTree(root.string()));
}

}  // namespace
