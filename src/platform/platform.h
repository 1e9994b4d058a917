// The few services that differ by operating system. Every caller goes through the free functions
// below; they forward to the Platform installed for the thread (the real one unless a test has put
// a double in its place), so a test can make any one of them fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stop_request.h"

namespace platform {

namespace fs = std::filesystem;

// A read error after a file was opened: the file layer's exception, which only the Convert
// command's outer handler catches (and the XML run, which reports it with its text).
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file's bytes mapped read-only, unmapped when it goes out of scope.
class FileMapping {
 public:
  virtual ~FileMapping() = default;
  virtual std::string_view Bytes() const = 0;
  // The bytes from offset on, size of them, will not be read for a while: their pages may leave
  // this process's memory (the file keeps them). A hint that changes no byte.
  virtual void Release(std::size_t /*offset*/, std::size_t /*size*/) const {}
};

// Bytes that someone else owns, seen as a mapping: an empty file's, or bytes already in memory.
class BorrowedBytes final : public FileMapping {
 public:
  explicit BorrowedBytes(std::string_view bytes) : bytes_(bytes) {}
  std::string_view Bytes() const override { return bytes_; }

 private:
  std::string_view bytes_;
};

// A file opened for reading, closed when it goes out of scope.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to size bytes at the current position; 0 only at the end. Throws FileError.
  virtual std::size_t Read(void* buffer, std::size_t size) = 0;
  virtual std::uint64_t Size() = 0;  // throws FileError
  virtual void Rewind() = 0;         // throws FileError
  // The whole file as it is now, mapped read-only, so that it is read where it lies rather than
  // copied into new memory; an empty file gives no bytes and needs no mapping. Null when it
  // cannot be mapped: the caller then reads it. The file must not shrink while it is mapped (a
  // file of our own working directory, which no one else writes).
  virtual std::unique_ptr<FileMapping> Map() { return nullptr; }
  // As Map, for a reader that goes through a part of the file over a while, letting go of what
  // it has read: pages are entered as they are read, and the mapping may outlive the file object.
  // Null where the platform gives none such (on Windows a view would keep the file from being
  // opened without sharing, as every other open of it is, and from being deleted).
  virtual std::unique_ptr<FileMapping> MapGradually() { return nullptr; }
};

// A file opened for writing. A failed write, flush or close makes Close() false: a file
// reported as written is complete.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;  // false on a short or failed write
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Close flushes and closes; Finish flushes, syncs to the device and closes (a pipe or a
  // character device, which has nothing to sync, passes). False if this or any earlier write
  // failed. Idempotent: later calls return the first result.
  virtual bool Close() = 0;
  virtual bool Finish() = 0;
  // The file will be closed, not synced: its pages need not be handed to the device early.
  virtual void WillCloseUnsynced() {}
};

// A lock file held until the object goes: flock on POSIX (every other open of the file sees it,
// other threads of this process included; not fcntl record locks, which a process shares with
// itself), a handle without read or write sharing on Windows. The lock ends with the process,
// however the process ends, and the file stays behind for whoever sweeps it.
class FileLock {
 public:
  virtual ~FileLock() = default;
  // Deletes the lock file, holding the lock for as long as the platform lets a deleted file
  // be held: on POSIX until the object goes; on Windows a file held open keeps its folder from
  // being removed, so the handle is closed with the deletion. False when it cannot be deleted.
  virtual bool Remove() = 0;
};

struct FileAttributes {
  bool directory = false;
  bool readOnly = false;
  bool link = false;           // a symbolic link (never followed by the tree removal)
  bool ownedByCurrentUser = false;  // the owner is the user this program runs as
  std::int64_t modifiedTime = 0;    // last modification, seconds since 1970 (UTC)
  std::uint32_t native = 0;    // POSIX mode bits or Win32 attribute bits
};

struct DirectoryEntry {
  std::string name;
  bool directory = false;  // a real directory, not a link to one
};

struct LocalDate {
  int year = 0;   // e.g. 2026
  int month = 0;  // 1-12
  int day = 0;    // 1-31
};

enum class PublishResult { Published, NameTaken, Failed };

// Bytes to write over a file's bytes at an offset.
struct FilePatch {
  std::uint64_t offset = 0;
  std::string bytes;
};

// The operations that differ by platform; see the free functions for their contracts.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual std::string UserNationCode() = 0;
  virtual std::optional<std::string> TemporaryFolder() = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual std::optional<LocalDate> Today() = 0;
  virtual std::int64_t CurrentTime() = 0;
  virtual bool CreateDirectory(const fs::path& path) = 0;
  virtual bool RemoveDirectory(const fs::path& path) = 0;
  virtual bool DeleteFile(const fs::path& path) = 0;
  virtual bool ListDirectory(const fs::path& path, std::vector<DirectoryEntry>& entries) = 0;
  virtual std::optional<FileAttributes> GetFileAttributes(const fs::path& path) = 0;
  virtual bool SetReadOnly(const fs::path& path, bool readOnly) = 0;
  // Made of the calls below (open, create, read, write, close, attributes), so that a double
  // sees and can fail each of them; no platform needs a copy of its own.
  virtual bool CopyFile(const fs::path& from, const fs::path& to);
  virtual std::unique_ptr<InputFile> OpenForReading(const fs::path& path) = 0;
  virtual std::unique_ptr<OutputFile> CreateForWriting(const fs::path& path) = 0;
  virtual std::unique_ptr<OutputFile> CreateExclusive(const fs::path& path) = 0;
  virtual bool PatchFile(const fs::path& path, const std::vector<FilePatch>& patches) = 0;
  virtual bool MoveOverOwnFile(const fs::path& from, const fs::path& to) = 0;
  virtual PublishResult PublishNoReplace(const fs::path& from, const fs::path& to) = 0;
  virtual std::unique_ptr<FileLock> CreateLockFile(const fs::path& path) = 0;
  virtual std::unique_ptr<FileLock> TryLockFile(const fs::path& path) = 0;
};

// The platform of this operating system.
Platform& NativePlatform();
// The platform installed for this thread (NativePlatform() unless a ScopedPlatform is active).
Platform& CurrentPlatform();

// Installs a platform for the thread while in scope; scopes nest and restore the previous one.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

// Two-letter ISO 3166 code of the user's nation ("JP"), or empty when unknown. On POSIX the
// territory of the locale named by LC_ALL, else LC_ADDRESS, else LANG.
inline std::string UserNationCode() { return CurrentPlatform().UserNationCode(); }
// The temporary folder with a trailing separator ($TMPDIR, else /tmp); nothing when unavailable.
inline std::optional<std::string> TemporaryFolder() { return CurrentPlatform().TemporaryFolder(); }
// Milliseconds since start-up, 32 bits, wrapping.
inline std::uint32_t TickCount() { return CurrentPlatform().TickCount(); }
// The local date, nothing when it cannot be determined.
inline std::optional<LocalDate> Today() { return CurrentPlatform().Today(); }
// The time now, seconds since 1970 (UTC), on the clock of FileAttributes::modifiedTime.
inline std::int64_t CurrentTime() { return CurrentPlatform().CurrentTime(); }
// Creates one directory (owner-only permissions on POSIX) whose parent exists; false when the
// name exists already or cannot be created.
inline bool CreateDirectory(const fs::path& p) { return CurrentPlatform().CreateDirectory(p); }
// Removes one empty directory.
inline bool RemoveDirectory(const fs::path& p) { return CurrentPlatform().RemoveDirectory(p); }
// Deletes one file (or link; never its target).
inline bool DeleteFile(const fs::path& p) { return CurrentPlatform().DeleteFile(p); }
// Every entry of a directory except "." and ".."; false when it cannot be listed.
inline bool ListDirectory(const fs::path& p, std::vector<DirectoryEntry>& entries) {
  return CurrentPlatform().ListDirectory(p, entries);
}
// The attributes of a path (a link's own, not its target's); nothing when it cannot be read.
inline std::optional<FileAttributes> GetFileAttributes(const fs::path& p) {
  return CurrentPlatform().GetFileAttributes(p);
}
// Sets or clears the read-only bit (the owner's write permission on POSIX); false for a link,
// whose target is never touched.
inline bool SetReadOnly(const fs::path& p, bool readOnly) {
  return CurrentPlatform().SetReadOnly(p, readOnly);
}
// Copies a file's bytes to a path, replacing a file there; the copy keeps the source's read-only
// bit. False when the source is missing or unreadable or the copy is incomplete.
inline bool CopyFile(const fs::path& from, const fs::path& to) {
  return CurrentPlatform().CopyFile(from, to);
}
// Opens an existing file for binary reading; null when it cannot be opened.
inline std::unique_ptr<InputFile> OpenForReading(const fs::path& p) {
  return CurrentPlatform().OpenForReading(p);
}
// Creates a file, or empties an existing one, for binary writing; null when it cannot.
inline std::unique_ptr<OutputFile> CreateForWriting(const fs::path& p) {
  return CurrentPlatform().CreateForWriting(p);
}
// Creates a new file that must not exist yet (mode 0666 less the umask on POSIX).
inline std::unique_ptr<OutputFile> CreateExclusive(const fs::path& p) {
  return CurrentPlatform().CreateExclusive(p);
}
// Writes each patch's bytes over an existing file's bytes at its offset, every write checked and
// the file closed; nothing else of the file changes. False when it cannot be opened for writing
// or a write or the close fails.
inline bool PatchFile(const fs::path& p, const std::vector<FilePatch>& patches) {
  return CurrentPlatform().PatchFile(p, patches);
}
// Moves a finished, synced file of ours over another file of ours (a temporary this run made
// for it), replacing that one. False when it cannot, another file system among the reasons: the
// caller then copies. Never for a name that may be anyone else's: PublishNoReplace is for those.
inline bool MoveOverOwnFile(const fs::path& from, const fs::path& to) {
  return CurrentPlatform().MoveOverOwnFile(from, to);
}
// Moves a finished file to its name without ever replacing an existing file. NameTaken when
// something occupies the name; the source then stays where it was.
inline PublishResult PublishNoReplace(const fs::path& from, const fs::path& to) {
  return CurrentPlatform().PublishNoReplace(from, to);
}
// Creates a new lock file, locked from the first moment it has its name (on POSIX it is made
// and locked under the name + ".new", then moved to its name without replacing anything; on
// Windows the exclusive open has no such moment). Null when the name exists or the folder
// refuses it.
inline std::unique_ptr<FileLock> CreateLockFile(const fs::path& p) { return CurrentPlatform().CreateLockFile(p); }
// Takes the lock of an existing lock file without waiting. Null when another holder has it
// (another process, or another open in this one), when it is missing, or when it is not a
// regular file (a link is never followed).
inline std::unique_ptr<FileLock> TryLockFile(const fs::path& p) { return CurrentPlatform().TryLockFile(p); }

// Paths travel as UTF-8 strings inside the core; these convert at the file-system edge.
fs::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const fs::path& path);

// Number of UTF-16 code units of a UTF-8 string (invalid bytes count as one unit each).
std::size_t Utf16Length(std::string_view utf8);

// Reads up to length bytes from the current position; fewer only at the end of the file.
std::string ReadUpTo(InputFile& file, std::size_t length);
// Reads a whole file; nothing when it cannot be opened. Throws FileError on a read error.
std::optional<std::string> ReadWholeFile(const fs::path& path);
// Writes bytes to a file (created or emptied), checked to the end.
bool WriteWholeFile(const fs::path& path, std::string_view bytes);

// Hands memory the allocator holds freed back to the system, so that what a step freed does not
// stay resident under what the next one maps or allocates.
void ReturnFreedMemory();

// Makes threads started from now on allocate from the process's main heap. ReturnFreedMemory
// gives back less of what a thread frees in a heap of the thread's own (glibc's: 0.6 MB of a
// 4 MB project's conversion stayed resident).
void AllocateFromOneHeap();

// Asks for large pages under a buffer about to be filled, so that filling it faults once per
// large page instead of once per page. A hint: where it is not taken nothing changes. A large
// page is resident whole once touched, so it is for buffers far larger than one.
void PreferLargePages(void* data, std::size_t size);

}  // namespace platform
