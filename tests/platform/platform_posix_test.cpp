#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "platform/platform.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(PlatformFolders, TemporaryFolderComesFromTmpdirWithASeparator) {
  setenv("TMPDIR", "/some/where", 1);
  EXPECT_EQ(platform::TemporaryFolder(), "/some/where/");
  setenv("TMPDIR", "/some/where/", 1);
  EXPECT_EQ(platform::TemporaryFolder(), "/some/where/");
  unsetenv("TMPDIR");
  EXPECT_EQ(platform::TemporaryFolder(), "/tmp/");
}

TEST(PlatformFolders, DirectoriesAreOwnerOnlyAndNeverMadeTwice) {
  const auto path = testfiles::TempFolder() / "made";
  ASSERT_TRUE(platform::CreateDirectory(path));
  EXPECT_EQ(ModeOf(path), 0700u);
  EXPECT_FALSE(platform::CreateDirectory(path));
  EXPECT_FALSE(platform::CreateDirectory(testfiles::TempFolder() / "missing" / "child"));
  EXPECT_TRUE(platform::RemoveDirectory(path));
  EXPECT_FALSE(platform::RemoveDirectory(path));
}

TEST(PlatformFolders, ListingSkipsDotsAndNeverCallsALinkADirectory) {
  const auto folder = testfiles::MakeFolder("listed");
  testfiles::Write(folder / "file", "x");
  fs::create_directory(folder / "sub");
  fs::create_directory_symlink(folder / "sub", folder / "link");
  std::vector<platform::DirectoryEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(folder, entries));
  std::map<std::string, bool> seen;
  for (const auto& entry : entries) seen[entry.name] = entry.directory;
  EXPECT_EQ(seen, (std::map<std::string, bool>{{"file", false}, {"link", false}, {"sub", true}}));
  EXPECT_FALSE(platform::ListDirectory(folder / "absent", entries));
}

TEST(PlatformAttributes, ReadOnlyIsTheOwnerWriteBit) {
  const auto path = testfiles::TempFolder() / "ro.lqt";
  testfiles::Write(path, "data");
  ASSERT_TRUE(platform::SetReadOnly(path, true));
  EXPECT_EQ(ModeOf(path) & 0222, 0u);
  EXPECT_TRUE(platform::GetFileAttributes(path)->readOnly);
  ASSERT_TRUE(platform::SetReadOnly(path, false));
  EXPECT_FALSE(platform::GetFileAttributes(path)->readOnly);
  EXPECT_FALSE(platform::GetFileAttributes(testfiles::TempFolder() / "absent").has_value());
}

TEST(PlatformAttributes, LinksKeepTheirTargetUntouched) {
  const auto target = testfiles::TempFolder() / "target";
  testfiles::Write(target, "t");
  fs::create_symlink(target, testfiles::TempFolder() / "link");
  const auto attributes = platform::GetFileAttributes(testfiles::TempFolder() / "link");
  ASSERT_TRUE(attributes);
  EXPECT_TRUE(attributes->link);
  EXPECT_FALSE(platform::SetReadOnly(testfiles::TempFolder() / "link", true));
  EXPECT_FALSE(platform::GetFileAttributes(target)->readOnly);
  EXPECT_TRUE(platform::DeleteFile(testfiles::TempFolder() / "link"));
  EXPECT_EQ(testfiles::Read(target), "t");
}

TEST(PlatformFiles, CopyKeepsBytesAndTheReadOnlyBit) {
  const auto from = testfiles::TempFolder() / "from";
  const std::string bytes("a\0b\x1A\xFF\r\n", 7);
  testfiles::Write(from, bytes);
  platform::SetReadOnly(from, true);
  const auto to = testfiles::TempFolder() / "to";
  testfiles::Write(to, "older and longer content");
  ASSERT_TRUE(platform::CopyFile(from, to));
  EXPECT_EQ(testfiles::Read(to), bytes);
  EXPECT_TRUE(platform::GetFileAttributes(to)->readOnly);
  EXPECT_FALSE(platform::CopyFile(testfiles::TempFolder() / "absent", testfiles::TempFolder() / "x"));
  EXPECT_FALSE(fs::exists(testfiles::TempFolder() / "x"));
}

TEST(PlatformFiles, EveryByteReadsBackAndLargeWritesAreWhole) {
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
  const auto path = testfiles::TempFolder() / "bytes";
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
  EXPECT_EQ(platform::ReadWholeFile(path), bytes);
  auto file = platform::OpenForReading(path);
  EXPECT_EQ(file->Size(), bytes.size());
  char head[3];
  ASSERT_EQ(file->Read(head, 3), 3u);
  file->Rewind();
  char again[3];
  ASSERT_EQ(file->Read(again, 3), 3u);
  EXPECT_EQ(std::string(head, 3), std::string(again, 3));
  EXPECT_FALSE(platform::ReadWholeFile(testfiles::TempFolder() / "absent"));
  EXPECT_EQ(platform::OpenForReading(testfiles::TempFolder()), nullptr);
}

TEST(PlatformFiles, AFullDeviceIsAFailureNotASuccess) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  auto file = platform::CreateForWriting("/dev/full");
  ASSERT_NE(file, nullptr);
  file->Write("small");  // buffered: the error comes at the flush
  EXPECT_FALSE(file->Close());
  EXPECT_FALSE(platform::WriteWholeFile("/dev/full", std::string(1 << 17, 'x')));
}

TEST(PlatformPublish, NeverReplacesAnExistingFile) {
  const auto folder = testfiles::TempFolder();
  const auto temporary = folder / ".out.1.tmp";
  auto file = platform::CreateExclusive(temporary);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(platform::CreateExclusive(temporary), nullptr);
  file->Write("new");
  ASSERT_TRUE(file->Finish());
  testfiles::Write(folder / "taken", "old");
  EXPECT_EQ(platform::PublishNoReplace(temporary, folder / "taken"), platform::PublishResult::NameTaken);
  EXPECT_EQ(testfiles::Read(folder / "taken"), "old");
  EXPECT_EQ(testfiles::Read(temporary), "new");
  EXPECT_EQ(platform::PublishNoReplace(temporary, folder / "free"), platform::PublishResult::Published);
  EXPECT_EQ(testfiles::Read(folder / "free"), "new");
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(platform::PublishNoReplace(temporary, folder / "other"), platform::PublishResult::Failed);
}

TEST(PlatformText, Utf16LengthCountsCodeUnits) {
  EXPECT_EQ(platform::Utf16Length(""), 0u);
  EXPECT_EQ(platform::Utf16Length("plant.lqt"), 9u);
  EXPECT_EQ(platform::Utf16Length("工場.lqt"), 6u);
  EXPECT_EQ(platform::Utf16Length("\xF0\x9F\x8F\xAD"), 2u);  // beyond the BMP: a surrogate pair
  EXPECT_EQ(platform::Utf16Length("\xFF\xFE"), 2u);         // stray bytes count one each
}

}  // namespace
