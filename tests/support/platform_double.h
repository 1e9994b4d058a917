// A platform for tests: the native one, except for the calls a test makes fail and the nation,
// tick count, date and time it sets. Installed for the thread while it lives. It counts every
// call by kind, so that a test can fail the Nth call of a kind, once or from then on.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

// The kinds of calls the double counts and can fail. A file's own calls (Read, Size, Rewind, Map,
// Write, Flush, Sync, Close) and a lock's removal (DeleteFile) count like the others: Close is a
// flush and a close, Finish a flush, a sync and a close.
enum class PlatformCall {
  TemporaryFolder, CreateDirectory, RemoveDirectory, DeleteFile, ListDirectory, GetFileAttributes,
  SetReadOnly, OpenForReading, CreateForWriting, CreateExclusive, PatchFile, MoveOverOwnFile, PublishNoReplace,
  Read, Size, Rewind, Map, Write, Flush, Sync, Close, CreateLockFile, TryLockFile, Today,
  // No call of its own: a copy is made of the calls above, each counted. Fail(CopyFile, path)
  // refuses whole copies from or to the path.
  CopyFile,
};
inline constexpr int kPlatformCallKinds = static_cast<int>(PlatformCall::CopyFile) + 1;
// A name for messages and printed totals.
const char* PlatformCallName(PlatformCall call);

class PlatformDouble : public platform::Platform {
 public:
  PlatformDouble();
  ~PlatformDouble() override;

  // Makes the call fail for every path containing pathPart (empty: every path). Read, Size and
  // Rewind throw FileError; Map gives no mapping; Write, Flush, Sync and Close make the file report failure;
  // PublishNoReplace reports Failed, or NameTaken when nameTaken is set; the others return their
  // failure value. CopyFile fails every copy from or to such a path.
  void Fail(PlatformCall call, std::string pathPart = {}, bool nameTaken = false);
  // Fails the nth call of the kind (from 1), and with persistent every later one too: a fault
  // once, or a full disk.
  void FailNth(PlatformCall call, int n, bool persistent);
  // Asks for a stop (as SIGINT would) just before the nth call of the kind.
  void StopAtNth(PlatformCall call, int n);
  void Heal();

  // How many calls of the kind were made since the double was made (or ResetCounts).
  int Calls(PlatformCall call) const { return counts_[static_cast<std::size_t>(call)]; }
  void ResetCounts() { counts_.fill(0); }

  std::optional<std::string> nationCode;
  std::optional<std::uint32_t> tickCount;
  std::optional<platform::LocalDate> today;  // nullopt with Fail(Today): the date is unknown
  std::optional<std::string> temporaryFolder;
  std::optional<std::int64_t> currentTime;
  // False: Finish counts its sync but does not wait for the device (for tests that make
  // thousands of files and check none of them after a power cut).
  bool syncToDevice = true;
  // Paths containing one of these are reported as another user's.
  std::vector<std::string> foreignOwned;
  // Called at each counted call, before it is made (to look at the disk from inside).
  std::function<void(PlatformCall call, const std::filesystem::path& path)> onCall;
  // Called before each PublishNoReplace (for races: a test can take the name here).
  std::function<void(const std::string& to)> beforePublish;

  std::string UserNationCode() override;
  std::optional<std::string> TemporaryFolder() override;
  std::uint32_t TickCount() override;
  std::optional<platform::LocalDate> Today() override;
  std::int64_t CurrentTime() override;
  bool CreateDirectory(const std::filesystem::path& path) override;
  bool RemoveDirectory(const std::filesystem::path& path) override;
  bool DeleteFile(const std::filesystem::path& path) override;
  bool ListDirectory(const std::filesystem::path& path, std::vector<platform::DirectoryEntry>& entries) override;
  std::optional<platform::FileAttributes> GetFileAttributes(const std::filesystem::path& path) override;
  bool SetReadOnly(const std::filesystem::path& path, bool readOnly) override;
  bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) override;
  std::unique_ptr<platform::InputFile> OpenForReading(const std::filesystem::path& path) override;
  std::unique_ptr<platform::OutputFile> CreateForWriting(const std::filesystem::path& path) override;
  std::unique_ptr<platform::OutputFile> CreateExclusive(const std::filesystem::path& path) override;
  bool PatchFile(const std::filesystem::path& path, const std::vector<platform::FilePatch>& patches) override;
  bool MoveOverOwnFile(const std::filesystem::path& from, const std::filesystem::path& to) override;
  platform::PublishResult PublishNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
  std::unique_ptr<platform::FileLock> CreateLockFile(const std::filesystem::path& path) override;
  std::unique_ptr<platform::FileLock> TryLockFile(const std::filesystem::path& path) override;

  // Counts the call and tells whether it is to fail (for the path, or as the nth call).
  bool Hit(PlatformCall call, const std::filesystem::path& path);
  // Whether a path-based failure applies, without counting.
  bool Fails(PlatformCall call, const std::filesystem::path& path) const;

 private:
  struct Failure {
    PlatformCall call;
    std::string pathPart;
    bool nameTaken;
  };
  struct Nth {
    PlatformCall call;
    int n;
    bool persistent;
    bool stop;
  };
  std::unique_ptr<platform::OutputFile> Wrap(std::unique_ptr<platform::OutputFile> file, const std::filesystem::path& path);

  std::vector<Failure> failures_;
  std::vector<Nth> nth_;
  std::array<int, kPlatformCallKinds> counts_{};
  platform::Platform& native_;
  platform::ScopedPlatform scope_;
};
