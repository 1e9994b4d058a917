#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <latch>
#include <map>
#include <thread>
#include <vector>

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

TEST(PlatformFiles, CopyOfMoreThanOneKernelStepAndOfADirectory) {
  std::string bytes(17 << 20, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
  const auto from = testfiles::TempFolder() / "large";
  testfiles::Write(from, bytes);
  const auto to = testfiles::TempFolder() / "large copy";
  ASSERT_TRUE(platform::CopyFile(from, to));
  EXPECT_TRUE(testfiles::Read(to) == bytes);
  EXPECT_FALSE(platform::GetFileAttributes(to)->readOnly);
  EXPECT_FALSE(platform::CopyFile(testfiles::TempFolder(), testfiles::TempFolder() / "dir copy"));
  EXPECT_FALSE(fs::exists(testfiles::TempFolder() / "dir copy"));
}

TEST(PlatformFiles, PatchWritesOverBytesWhereTheyStand) {
  const auto path = testfiles::TempFolder() / "patched";
  testfiles::Write(path, "0123456789");
  ASSERT_TRUE(platform::PatchFile(path, {{1, "ab"}, {8, "YZ"}, {4, ""}}));
  EXPECT_EQ(testfiles::Read(path), "0ab34567YZ");
  ASSERT_TRUE(platform::PatchFile(path, {}));
  EXPECT_EQ(testfiles::Read(path), "0ab34567YZ");
  EXPECT_FALSE(platform::PatchFile(testfiles::TempFolder() / "absent", {{0, "x"}}));
  EXPECT_FALSE(fs::exists(testfiles::TempFolder() / "absent"));  // never created
}

TEST(PlatformPublish, MovingOverOurOwnFileReplacesIt) {
  const auto ours = testfiles::TempFolder() / "merged";
  const auto temporary = testfiles::TempFolder() / ".out.1.tmp";
  testfiles::Write(ours, "converted");
  testfiles::Write(temporary, "");
  ASSERT_TRUE(platform::MoveOverOwnFile(ours, temporary));
  EXPECT_EQ(testfiles::Read(temporary), "converted");
  EXPECT_FALSE(fs::exists(ours));
  EXPECT_FALSE(platform::MoveOverOwnFile(ours, temporary));  // nothing left to move
  EXPECT_EQ(testfiles::Read(temporary), "converted");
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

TEST(PlatformFiles, AMappingHoldsTheFilesBytesAndOutlivesTheFile) {
  std::string bytes;
  for (int i = 0; i < 300001; ++i) bytes += static_cast<char>(i * 7 + i / 4096);  // not a whole page
  const auto path = testfiles::TempFolder() / "mapped";
  testfiles::Write(path, bytes);
  auto file = platform::OpenForReading(path);
  char head[3];
  ASSERT_EQ(file->Read(head, 3), 3u);
  const std::unique_ptr<platform::FileMapping> mapping = file->Map();
  ASSERT_NE(mapping, nullptr);
  EXPECT_TRUE(mapping->Bytes() == bytes);
  char next[3];
  ASSERT_EQ(file->Read(next, 3), 3u);  // reading goes on where it was
  EXPECT_EQ(std::string(next, 3), bytes.substr(3, 3));
  file.reset();
  EXPECT_TRUE(mapping->Bytes() == bytes);

  const auto empty = testfiles::TempFolder() / "empty";
  testfiles::Write(empty, "");
  const auto emptyMapping = platform::OpenForReading(empty)->Map();
  ASSERT_NE(emptyMapping, nullptr);
  EXPECT_TRUE(emptyMapping->Bytes().empty());
}

// Pages let go of leave the process's memory, not the mapping: read again, the bytes are the file's.
TEST(PlatformFiles, AGradualMappingLetsGoOfWhatWasReadAndStillHoldsTheBytes) {
  std::string bytes;
  for (int i = 0; i < (16 << 20) + 4097; ++i) bytes += static_cast<char>(i * 13 + i / 4096);
  const auto path = testfiles::TempFolder() / "gradual";
  testfiles::Write(path, bytes);
  const std::unique_ptr<platform::FileMapping> mapping = platform::OpenForReading(path)->MapGradually();
  ASSERT_NE(mapping, nullptr);
  const std::string_view seen = mapping->Bytes();
  ASSERT_EQ(seen.size(), bytes.size());
  const auto residentBytes = [] {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  };
  const std::uint64_t before = residentBytes();
  EXPECT_TRUE(seen == bytes);  // every page entered
  const std::uint64_t read = residentBytes();
  EXPECT_GT(read, before + (12u << 20));
  // All but the ends: a range that ends inside a page keeps it; one past the end is nothing.
  mapping->Release(100, seen.size() - 200);
  mapping->Release(seen.size(), 4096);
  EXPECT_LT(residentBytes(), read - (12u << 20));
  EXPECT_TRUE(seen == bytes);
}

// Files the kernel offers for reading but not as mapped bytes: no mapping, and they still read.
TEST(PlatformFiles, AFileThatCannotBeMappedGivesNoMapping) {
  const auto device = platform::OpenForReading("/dev/zero");  // its size says 0
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Map(), nullptr);
  char zeros[8] = {1};
  EXPECT_EQ(device->Read(zeros, sizeof zeros), sizeof zeros);
  EXPECT_EQ(zeros[0], 0);

  const fs::path attribute = "/sys/kernel/mm/transparent_hugepage/enabled";  // a file that refuses mmap
  auto file = fs::exists(attribute) ? platform::OpenForReading(attribute) : nullptr;
  if (!file || file->Size() == 0) GTEST_SKIP() << "no sysfs attribute to read here";
  EXPECT_EQ(file->Map(), nullptr);
  char some[8];
  EXPECT_GT(file->Read(some, sizeof some), 0u);
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

// Batch conversions give memory back from their own threads at the same moment; the first call
// may be the one that sets the allocator up (it is never used otherwise under a sanitizer).
TEST(PlatformMemory, FreedMemoryIsReturnedFromManyThreadsAtOnce) {
  std::latch together(8);
  std::vector<std::thread> threads;
  for (int n = 0; n < 8; ++n) {
    threads.emplace_back([&] {
      together.arrive_and_wait();
      platform::ReturnFreedMemory();
    });
  }
  for (std::thread& thread : threads) thread.join();
  platform::ReturnFreedMemory();
}

// glibc's heaps only; under a sanitizer the sanitizer's allocator serves every thread.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// In a process of its own (a thread of an earlier test may have made a heap of its own already).
TEST(PlatformMemory, ThreadsStartedLaterAllocateFromTheMainHeap) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform::AllocateFromOneHeap();
        void* block = nullptr;
        std::thread([&] { block = std::malloc(64); }).join();
        // The main heap ends here; a heap of a thread's own lies in a mapping far above.
        std::exit(block < ::sbrk(0) ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
#endif

// The kernel's flags of the mapping that holds address, as /proc/self/smaps lists them.
std::string MappingFlags(const void* address) {
  std::ifstream maps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2) {  // a mapping's first line
      inside = from <= at && at < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return {};
}

TEST(PlatformMemory, LargePagesAreAskedForTheWholePagesInsideTheBufferOnly) {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  void* const mapped = ::mmap(nullptr, 4 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mapped, MAP_FAILED);
  char* const base = static_cast<char*>(mapped);
  if (::madvise(base, page, MADV_NOHUGEPAGE) != 0 || MappingFlags(base).find("VmFlags:") == std::string::npos) {
    ::munmap(mapped, 4 * page);
    GTEST_SKIP() << "a kernel without large pages, or without their flags in /proc/self/smaps";
  }
  platform::PreferLargePages(base + 100, 3 * page);  // pages 1 and 2 lie wholly inside
  EXPECT_EQ(MappingFlags(base).find(" hg"), std::string::npos) << MappingFlags(base);
  EXPECT_NE(MappingFlags(base + page).find(" hg"), std::string::npos) << MappingFlags(base + page);
  EXPECT_NE(MappingFlags(base + 2 * page).find(" hg"), std::string::npos);
  EXPECT_EQ(MappingFlags(base + 3 * page).find(" hg"), std::string::npos) << MappingFlags(base + 3 * page);
  platform::PreferLargePages(base + 1, page);  // no whole page: nothing asked
  EXPECT_EQ(MappingFlags(base).find(" hg"), std::string::npos);
  ::munmap(mapped, 4 * page);
}

TEST(PlatformText, Utf16LengthCountsCodeUnits) {
  EXPECT_EQ(platform::Utf16Length(""), 0u);
  EXPECT_EQ(platform::Utf16Length("plant.lqt"), 9u);
  EXPECT_EQ(platform::Utf16Length("工場.lqt"), 6u);
  EXPECT_EQ(platform::Utf16Length("\xF0\x9F\x8F\xAD"), 2u);  // beyond the BMP: a surrogate pair
  EXPECT_EQ(platform::Utf16Length("\xFF\xFE"), 2u);         // stray bytes count one each
}

}  // namespace

namespace {

TEST(PlatformLocks, ALockFileIsNewAndLockedFromItsFirstMoment) {
  const auto path = testfiles::TempFolder() / "conversion.lock";
  auto lock = platform::CreateLockFile(path);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(testfiles::List(testfiles::TempFolder()), (std::vector<std::string>{"conversion.lock"}));  // no ".new" left
  EXPECT_EQ(platform::CreateLockFile(path), nullptr);  // never over an existing name
  // Another open of the file, in this very thread, cannot take the lock (flock, not fcntl).
  EXPECT_EQ(platform::TryLockFile(path), nullptr);
  std::thread([&] { EXPECT_EQ(platform::TryLockFile(path), nullptr); }).join();
  lock.reset();
  auto taken = platform::TryLockFile(path);
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(platform::TryLockFile(path), nullptr);
}

TEST(PlatformLocks, RemovingKeepsTheLockUntilTheObjectGoes) {
  const auto path = testfiles::TempFolder() / "conversion.lock";
  auto lock = platform::CreateLockFile(path);
  ASSERT_NE(lock, nullptr);
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_TRUE(lock->Remove());
  EXPECT_FALSE(fs::exists(path));
  EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);  // still held
  lock.reset();
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  ::close(fd);
}

TEST(PlatformLocks, OnlyARegularFileOfThatNameIsTaken) {
  const auto folder = testfiles::TempFolder();
  EXPECT_EQ(platform::TryLockFile(folder / "absent"), nullptr);
  fs::create_directory(folder / "directory");
  EXPECT_EQ(platform::TryLockFile(folder / "directory"), nullptr);
  testfiles::Write(folder / "target", "");
  fs::create_symlink(folder / "target", folder / "link");
  EXPECT_EQ(platform::TryLockFile(folder / "link"), nullptr);  // a link is never followed
  EXPECT_NE(platform::TryLockFile(folder / "target"), nullptr);
}

TEST(PlatformAttributes, OwnerAndModificationTime) {
  const auto path = testfiles::TempFolder() / "mine";
  testfiles::Write(path, "x");
  const auto attributes = platform::GetFileAttributes(path);
  ASSERT_TRUE(attributes);
  EXPECT_TRUE(attributes->ownedByCurrentUser);
  EXPECT_LE(std::llabs(attributes->modifiedTime - platform::CurrentTime()), 5);
  EXPECT_LE(std::llabs(platform::CurrentTime() - static_cast<std::int64_t>(std::time(nullptr))), 1);
}

// What a stop request does to each kind of call: those that create or carry data throw, those
// the clean-up needs never do.
TEST(PlatformStop, FileOperationsThrowStoppedExceptTheCleanUpsOnes) {
  const auto folder = testfiles::TempFolder();
  testfiles::Write(folder / "in", "abc");
  auto input = platform::OpenForReading(folder / "in");
  auto output = platform::CreateForWriting(folder / "out");
  platform::RequestStop(SIGINT);
  EXPECT_EQ(platform::StopSignal(), SIGINT);
  EXPECT_EQ(platform::StopExitStatus(), 130);
  char buffer[4];
  EXPECT_THROW(input->Read(buffer, sizeof buffer), platform::Stopped);
  EXPECT_THROW(input->Map(), platform::Stopped);
  EXPECT_THROW(output->Write("x"), platform::Stopped);
  EXPECT_THROW(platform::OpenForReading(folder / "in"), platform::Stopped);
  EXPECT_THROW(platform::CreateForWriting(folder / "new"), platform::Stopped);
  EXPECT_THROW(platform::CreateExclusive(folder / "new"), platform::Stopped);
  EXPECT_THROW(platform::CreateDirectory(folder / "dir"), platform::Stopped);
  EXPECT_THROW(platform::PublishNoReplace(folder / "out", folder / "published"), platform::Stopped);
  EXPECT_THROW(platform::CreateLockFile(folder / "lock"), platform::Stopped);
  EXPECT_THROW(platform::CopyFile(folder / "in", folder / "copy"), platform::Stopped);
  EXPECT_TRUE(output->Close());
  std::vector<platform::DirectoryEntry> entries;
  EXPECT_TRUE(platform::ListDirectory(folder, entries));
  EXPECT_TRUE(platform::GetFileAttributes(folder / "out"));
  EXPECT_TRUE(platform::SetReadOnly(folder / "out", false));
  EXPECT_TRUE(platform::DeleteFile(folder / "out"));
  EXPECT_NE(platform::TryLockFile(folder / "in"), nullptr);
  platform::RequestStop(SIGTERM);  // the first request stands
  EXPECT_EQ(platform::StopSignal(), SIGINT);
  platform::ClearStopRequest();
  EXPECT_EQ(platform::StopSignal(), 0);
  EXPECT_NO_THROW(platform::ThrowIfStopRequested());
}

// The handlers, in child processes: an idle program ends at once with 128 + signal; a running
// conversion is asked to stop and the program goes on; a second signal ends it by the signal.
TEST(PlatformStop, SignalsAskARunningConversionToStopAndEndAnIdleProgram) {
  const auto childStatus = [](const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
  };
  for (const int signal : {SIGINT, SIGTERM}) {
    int status = childStatus([signal] {
      platform::InstallStopHandlers();
      ::raise(signal);
      return 0;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << signal;

    status = childStatus([signal] {
      platform::InstallStopHandlers();
      const platform::StoppableWork running;
      ::raise(signal);
      return platform::StopSignal() == signal ? 7 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << signal;

    status = childStatus([signal] {
      platform::InstallStopHandlers();
      const platform::StoppableWork running;
      ::raise(signal);
      ::raise(signal);
      return 1;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
  }
}

}  // namespace
