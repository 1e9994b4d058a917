// POSIX side of the platform layer.
#ifndef _WIN32

#include <dirent.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

std::string NativePath(const fs::path& path) { return path.string(); }

// Territory of a locale name such as "ja_JP.UTF-8@euro": the part after '_' up to '.' or '@'.
std::string TerritoryOf(std::string_view locale) {
  const auto underscore = locale.find('_');
  if (underscore == std::string_view::npos) return {};
  std::string_view rest = locale.substr(underscore + 1);
  rest = rest.substr(0, rest.find_first_of(".@"));
  return std::string(rest);
}

class PosixFileMapping final : public FileMapping {
 public:
  PosixFileMapping(void* address, std::size_t size) : address_(address), size_(size) {}
  ~PosixFileMapping() override { ::munmap(address_, size_); }
  PosixFileMapping(const PosixFileMapping&) = delete;
  PosixFileMapping& operator=(const PosixFileMapping&) = delete;
  std::string_view Bytes() const override { return {static_cast<const char*>(address_), size_}; }
  void Release(const std::size_t offset, const std::size_t size) const override {
    // Whole pages inside the range only.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t from = (std::min(offset, size_) + page - 1) / page * page;
    const std::size_t to = std::min(offset + size, size_) / page * page;
    if (to > from) ::madvise(static_cast<char*>(address_) + from, to - from, MADV_DONTNEED);
  }

 private:
  void* address_;
  std::size_t size_;
};

class PosixInputFile final : public InputFile {
 public:
  explicit PosixInputFile(int fd) : fd_(fd) {}
  ~PosixInputFile() override { ::close(fd_); }

  std::size_t Read(void* buffer, std::size_t size) override {
    for (;;) {
      ThrowIfStopRequested();
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) throw FileError("read failed");
    }
  }
  std::uint64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileError("cannot read the file size");
    return static_cast<std::uint64_t>(st.st_size);
  }
  void Rewind() override {
    if (::lseek(fd_, 0, SEEK_SET) != 0) throw FileError("cannot reposition the file");
  }
  std::unique_ptr<FileMapping> Map() override { return MapWith(true); }
  std::unique_ptr<FileMapping> MapGradually() override { return MapWith(false); }

 private:
  // The whole file at once (its pages entered in one go, not faulted in), or as it is read.
  std::unique_ptr<FileMapping> MapWith(const bool whole) {
    ThrowIfStopRequested();
    struct stat st {};
    // A device or a pipe tells no size that its bytes would fill.
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return nullptr;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > SIZE_MAX) return nullptr;
    if (size == 0) return std::make_unique<BorrowedBytes>(std::string_view{});
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    if (whole) flags |= MAP_POPULATE;
#endif
    void* const address = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, flags, fd_, 0);
    if (address == MAP_FAILED) return nullptr;
    ::madvise(address, static_cast<std::size_t>(size), MADV_SEQUENTIAL);  // a hint; a refusal changes nothing
    return std::make_unique<PosixFileMapping>(address, static_cast<std::size_t>(size));
  }

  int fd_;
};

// Buffers small writes so that line-by-line writers make few system calls.
class PosixOutputFile final : public OutputFile {
 public:
  explicit PosixOutputFile(int fd) : fd_(fd) { buffer_.reserve(kBufferSize); }
  ~PosixOutputFile() override { Close(); }

  bool Write(const void* data, std::size_t size) override {
    ThrowIfStopRequested();
    if (fd_ < 0 || failed_) return false;
    const char* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size <= kBufferSize) {
      buffer_.insert(buffer_.end(), bytes, bytes + size);
      return true;
    }
    if (!Drain()) return false;
    if (size <= kBufferSize) {
      buffer_.insert(buffer_.end(), bytes, bytes + size);
      return true;
    }
    return WriteAll(bytes, size);
  }
  bool Close() override { return End(false); }
  bool Finish() override { return End(true); }
  void WillCloseUnsynced() override { earlyWriteback_ = false; }

 private:
  static constexpr std::size_t kBufferSize = 1 << 16;
  // A large file's pages are handed to the device as they are written, so that a sync at its
  // end waits for the last of them only.
  static constexpr std::uint64_t kWritebackStep = 8 << 20;

  bool WriteAll(const char* bytes, std::size_t size) {
    StartWritebackEvery(size);
    while (size > 0) {
      const ssize_t put = ::write(fd_, bytes, size);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        failed_ = true;
        return false;
      }
      bytes += put;
      size -= static_cast<std::size_t>(put);
    }
    return true;
  }
  // Only a hint: a failure to start writeback shows in the sync, if there is one.
  void StartWritebackEvery(std::size_t size) {
#ifdef __linux__
    written_ += size;
    if (!earlyWriteback_ || written_ - handedOver_ < kWritebackStep) return;
    ::sync_file_range(fd_, static_cast<off_t>(handedOver_), static_cast<off_t>(written_ - handedOver_ - size),
                      SYNC_FILE_RANGE_WRITE);
    handedOver_ = written_ - size;
#else
    (void)size;
#endif
  }
  bool Drain() {
    const bool ok = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }
  bool End(bool sync) {
    if (fd_ < 0) return !failed_;
    if (!failed_) Drain();
    // A pipe or a character device has nothing to sync; that loses no data.
    if (sync && !failed_ && ::fsync(fd_) != 0 && errno != EINVAL && errno != ENOTSUP) failed_ = true;
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
  }

  int fd_;
  bool failed_ = false;
  std::vector<char> buffer_;
  std::uint64_t written_ = 0;     // bytes handed to write(), including those about to be
  std::uint64_t handedOver_ = 0;  // bytes whose writeback was started
  bool earlyWriteback_ = true;
};

std::unique_ptr<OutputFile> OpenOutput(const fs::path& path, int flags) {
  ThrowIfStopRequested();
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixOutputFile>(fd);
}

// Moves a file to a name without ever replacing what is there.
PublishResult MoveNoReplace(const std::string& source, const std::string& target) {
#ifdef SYS_renameat2
  if (::syscall(SYS_renameat2, AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(),
                1u /* RENAME_NOREPLACE */) == 0) {
    return PublishResult::Published;
  }
  if (errno == EEXIST) return PublishResult::NameTaken;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return PublishResult::Failed;
#endif
  // No atomic no-replace rename here: a hard link refuses an existing name just the same.
  if (::link(source.c_str(), target.c_str()) != 0) {
    return errno == EEXIST ? PublishResult::NameTaken : PublishResult::Failed;
  }
  ::unlink(source.c_str());
  return PublishResult::Published;
}

// A descriptor closed when it goes out of scope.
struct Descriptor {
  int fd;
  explicit Descriptor(int descriptor) : fd(descriptor) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  bool Close() {
    const bool closed = ::close(fd) == 0;
    fd = -1;
    return closed;
  }
};

// Copies what is left of in to out: in the kernel where the file systems allow it, else through
// a buffer. False on a failed read or write.
bool CopyBytes(int in, int out) {
  constexpr std::size_t kStep = 16 << 20;  // a stop request is seen between steps
  for (;;) {
    ThrowIfStopRequested();
    const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, kStep, 0);
    if (copied == 0) return true;
    if (copied > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
    return false;
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ThrowIfStopRequested();
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

class PosixFileLock final : public FileLock {
 public:
  PosixFileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing the last descriptor releases the flock
  bool Remove() override { return ::unlink(path_.c_str()) == 0; }  // still locked until closed

 private:
  int fd_;
  std::string path_;
};

class PosixPlatform final : public Platform {
 public:
  std::string UserNationCode() override {
    for (const char* name : {"LC_ALL", "LC_ADDRESS", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && *value != '\0') return TerritoryOf(value);
    }
    return {};
  }

  std::optional<std::string> TemporaryFolder() override {
    const char* value = std::getenv("TMPDIR");
    std::string folder = (value != nullptr && *value != '\0') ? value : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
  }

  std::uint32_t TickCount() override {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  std::optional<LocalDate> Today() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &local) == nullptr) {
      return std::nullopt;
    }
    return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  }

  std::int64_t CurrentTime() override { return static_cast<std::int64_t>(std::time(nullptr)); }

  bool CreateDirectory(const fs::path& path) override {
    ThrowIfStopRequested();
    return ::mkdir(NativePath(path).c_str(), 0700) == 0;
  }
  bool RemoveDirectory(const fs::path& path) override {
    return ::rmdir(NativePath(path).c_str()) == 0;
  }
  bool DeleteFile(const fs::path& path) override {
    return ::unlink(NativePath(path).c_str()) == 0;
  }

  bool ListDirectory(const fs::path& path, std::vector<DirectoryEntry>& entries) override {
    DIR* dir = ::opendir(NativePath(path).c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      bool directory = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat st {};
        directory = ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISDIR(st.st_mode);
      }
      entries.push_back({name, directory});
    }
    ::closedir(dir);
    return true;
  }

  std::optional<FileAttributes> GetFileAttributes(const fs::path& path) override {
    struct stat st {};
    if (::lstat(NativePath(path).c_str(), &st) != 0) return std::nullopt;
    FileAttributes attributes;
    attributes.directory = S_ISDIR(st.st_mode);
    attributes.link = S_ISLNK(st.st_mode);
    attributes.readOnly = !attributes.link && (st.st_mode & S_IWUSR) == 0;
    attributes.ownedByCurrentUser = st.st_uid == ::geteuid();
    attributes.modifiedTime = static_cast<std::int64_t>(st.st_mtime);
    attributes.native = static_cast<std::uint32_t>(st.st_mode);
    return attributes;
  }

  bool SetReadOnly(const fs::path& path, bool readOnly) override {
    struct stat st {};
    if (::lstat(NativePath(path).c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return ::chmod(NativePath(path).c_str(), mode) == 0;
  }

  bool CopyFile(const fs::path& from, const fs::path& to) override {
    ThrowIfStopRequested();
    Descriptor in(::open(NativePath(from).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || S_ISDIR(st.st_mode)) return false;
    Descriptor out(::open(NativePath(to).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.fd < 0) return false;
    const bool copied = CopyBytes(in.fd, out.fd);
    const bool closed = out.Close();
    return copied && closed && ((st.st_mode & S_IWUSR) != 0 || SetReadOnly(to, true));
  }

  std::unique_ptr<InputFile> OpenForReading(const fs::path& path) override {
    ThrowIfStopRequested();
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixInputFile>(fd);
  }

  std::unique_ptr<OutputFile> CreateForWriting(const fs::path& path) override {
    return OpenOutput(path, O_TRUNC);
  }
  std::unique_ptr<OutputFile> CreateExclusive(const fs::path& path) override {
    return OpenOutput(path, O_EXCL);
  }

  bool PatchFile(const fs::path& path, const std::vector<FilePatch>& patches) override {
    ThrowIfStopRequested();
    const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    for (const FilePatch& patch : patches) {
      const char* bytes = patch.bytes.data();
      std::size_t size = patch.bytes.size();
      auto offset = static_cast<off_t>(patch.offset);
      while (ok && size > 0) {
        const ssize_t put = ::pwrite(fd, bytes, size, offset);
        if (put < 0 && errno == EINTR) continue;
        ok = put > 0;
        if (!ok) break;
        bytes += put;
        size -= static_cast<std::size_t>(put);
        offset += put;
      }
    }
    return ::close(fd) == 0 && ok;
  }

  bool MoveOverOwnFile(const fs::path& from, const fs::path& to) override {
    ThrowIfStopRequested();
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
  }

  PublishResult PublishNoReplace(const fs::path& from, const fs::path& to) override {
    ThrowIfStopRequested();
    return MoveNoReplace(NativePath(from), NativePath(to));
  }

  std::unique_ptr<FileLock> CreateLockFile(const fs::path& path) override {
    ThrowIfStopRequested();
    // Made and locked under another name first: no one ever finds the lock file unlocked.
    const std::string target = NativePath(path);
    const std::string staging = target + ".new";
    const int fd = ::open(staging.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || MoveNoReplace(staging, target) != PublishResult::Published) {
      ::close(fd);
      ::unlink(staging.c_str());
      return nullptr;
    }
    return std::make_unique<PosixFileLock>(fd, target);
  }

  std::unique_ptr<FileLock> TryLockFile(const fs::path& path) override {
    const std::string target = NativePath(path);
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat held {};
    struct stat named {};
    // Locked, and still the file of that name: a holder that deleted it and went away leaves
    // the lock free on a file no one can find, perhaps with a new one in its place.
    const bool ours = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                      ::lstat(target.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
                      named.st_ino == held.st_ino;
    if (!ours) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFileLock>(fd, target);
  }
};

}  // namespace

Platform& NativePlatform() {
  static PosixPlatform native;
  return native;
}

// glibc keeps freed blocks below its (self-raising) mapping threshold in its heaps. Calls are
// one at a time: when glibc's allocator has not been used yet (another allocator in its place,
// as under a sanitizer) the first call sets it up, and a second thread calling meanwhile walks
// heaps that are not there yet.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  static std::mutex oneAtATime;
  const std::lock_guard<std::mutex> guard(oneAtATime);
  malloc_trim(0);
#endif
}

void AllocateFromOneHeap() {
#if defined(__GLIBC__)
  mallopt(M_ARENA_MAX, 1);
#endif
}

void PreferLargePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  // Only the whole pages inside the buffer: its edges are other allocations' too.
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto first = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  const auto last = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace platform

#endif  // !_WIN32
