// Win32 side of the platform layer.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <aclapi.h>
// The platform interface uses these names for its own operations.
#undef CreateDirectory
#undef RemoveDirectory
#undef DeleteFile
#undef CopyFile
#undef GetFileAttributes

#include <malloc.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

// A path past MAX_PATH reaches the file system in its "\\?\" form, which is taken whole and
// literally: so only then, normalised and with backslashes only.
std::wstring Wide(const fs::path& path) {
  std::wstring wide = path.wstring();
  if (wide.size() < MAX_PATH - 12 || !path.is_absolute() || wide.starts_with(L"\\\\?\\")) return wide;
  wide = path.lexically_normal().wstring();
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

class Win32FileMapping final : public FileMapping {
 public:
  Win32FileMapping(const void* view, std::size_t size) : view_(view), size_(size) {}
  ~Win32FileMapping() override { ::UnmapViewOfFile(view_); }
  Win32FileMapping(const Win32FileMapping&) = delete;
  Win32FileMapping& operator=(const Win32FileMapping&) = delete;
  std::string_view Bytes() const override { return {static_cast<const char*>(view_), size_}; }

 private:
  const void* view_;
  std::size_t size_;
};

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE handle) : handle_(handle) {}
  ~Win32InputFile() override { ::CloseHandle(handle_); }

  std::size_t Read(void* buffer, std::size_t size) override {
    ThrowIfStopRequested();
    DWORD got = 0;
    const DWORD ask = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (!::ReadFile(handle_, buffer, ask, &got, nullptr)) throw FileError("read failed");
    return got;
  }
  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_, &size)) throw FileError("cannot read the file size");
    return static_cast<std::uint64_t>(size.QuadPart);
  }
  void Rewind() override {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN)) throw FileError("cannot reposition the file");
  }
  std::unique_ptr<FileMapping> Map() override {
    ThrowIfStopRequested();
    // A device or a pipe tells no size that its bytes would fill.
    if (::GetFileType(handle_) != FILE_TYPE_DISK) return nullptr;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_, &size) || size.QuadPart < 0) return nullptr;
    if (static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX) return nullptr;
    if (size.QuadPart == 0) return std::make_unique<BorrowedBytes>(std::string_view{});
    const HANDLE mapping = ::CreateFileMappingW(handle_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return nullptr;
    const void* const view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ::CloseHandle(mapping);  // the view holds the mapping for as long as it lives
    if (view == nullptr) return nullptr;
    return std::make_unique<Win32FileMapping>(view, static_cast<std::size_t>(size.QuadPart));
  }

 private:
  HANDLE handle_;
};

class Win32OutputFile final : public OutputFile {
 public:
  explicit Win32OutputFile(HANDLE handle) : handle_(handle) {}
  ~Win32OutputFile() override { Close(); }

  bool Write(const void* data, std::size_t size) override {
    ThrowIfStopRequested();
    if (handle_ == INVALID_HANDLE_VALUE || failed_) return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
      DWORD put = 0;
      const DWORD ask = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
      if (!::WriteFile(handle_, bytes, ask, &put, nullptr) || put == 0) {
        failed_ = true;
        return false;
      }
      bytes += put;
      size -= put;
    }
    return true;
  }
  bool Close() override { return End(false); }
  bool Finish() override { return End(true); }

 private:
  bool End(bool sync) {
    if (handle_ == INVALID_HANDLE_VALUE) return !failed_;
    // A pipe or a console has nothing to sync; that loses no data.
    if (sync && !failed_ && !::FlushFileBuffers(handle_) && ::GetFileType(handle_) == FILE_TYPE_DISK) failed_ = true;
    if (!::CloseHandle(handle_)) failed_ = true;
    handle_ = INVALID_HANDLE_VALUE;
    return !failed_;
  }

  HANDLE handle_;
  bool failed_ = false;
};

// Files are opened without sharing, as the project files always have been.
HANDLE OpenHandle(const fs::path& path, DWORD access, DWORD disposition) {
  ThrowIfStopRequested();
  return ::CreateFileW(Wide(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// FILETIME counts 100 ns steps from 1601; FileAttributes counts seconds from 1970.
std::int64_t UnixSeconds(const FILETIME& time) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000u) - 11644473600;
}

// True when the path's owner is the user of this process's token.
bool OwnedByCurrentUser(const std::wstring& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool same = false;
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
      same = ::EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, owner) != FALSE;
    }
    ::CloseHandle(token);
  }
  ::LocalFree(descriptor);
  return same;
}

// The lock is the handle itself: opened without read or write sharing, so no one else can open
// the file while it is held; FILE_SHARE_DELETE lets the holder's own clean-up delete it.
class Win32FileLock final : public FileLock {
 public:
  explicit Win32FileLock(HANDLE handle) : handle_(handle) {}
  ~Win32FileLock() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  // Marks the file for deletion and closes the handle: the file goes with the handle, and the
  // folder can be removed right after. (A handle kept open would keep the folder from going.)
  bool Remove() override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    FILE_DISPOSITION_INFO disposition{TRUE};  // its one member, DeleteFile, is a macro's name here
    const bool marked =
        ::SetFileInformationByHandle(handle_, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
    ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return marked;
  }

 private:
  HANDLE handle_;
};

HANDLE OpenLockHandle(const fs::path& path, DWORD disposition) {
  return ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

class Win32Platform final : public Platform {
 public:
  std::string UserNationCode() override {
    const GEOID nation = ::GetUserGeoID(GEOCLASS_NATION);
    wchar_t code[4] = {};
    ::GetGeoInfoW(nation, GEO_ISO2, code, 4, 0);
    std::string result;
    for (const wchar_t* c = code; *c != L'\0'; ++c) result += static_cast<char>(*c & 0x7F);
    return result;
  }

  std::optional<std::string> TemporaryFolder() override {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    return PathToUtf8(fs::path(std::wstring(buffer, length)));
  }

  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(::GetTickCount()); }

  std::optional<LocalDate> Today() override {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    if (local.wYear == 0) return std::nullopt;
    return LocalDate{local.wYear, local.wMonth, local.wDay};
  }

  std::int64_t CurrentTime() override {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return UnixSeconds(now);
  }

  bool CreateDirectory(const fs::path& path) override {
    ThrowIfStopRequested();
    return ::CreateDirectoryW(Wide(path).c_str(), nullptr);
  }
  bool RemoveDirectory(const fs::path& path) override { return ::RemoveDirectoryW(Wide(path).c_str()); }
  bool DeleteFile(const fs::path& path) override { return ::DeleteFileW(Wide(path).c_str()); }

  bool ListDirectory(const fs::path& path, std::vector<DirectoryEntry>& entries) override {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((Wide(path) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      // A junction or directory link is removed as itself, never entered.
      const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                             (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
      entries.push_back({PathToUtf8(fs::path(name)), directory});
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return true;
  }

  std::optional<FileAttributes> GetFileAttributes(const fs::path& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const DWORD bits = data.dwFileAttributes;
    FileAttributes attributes;
    attributes.ownedByCurrentUser = OwnedByCurrentUser(Wide(path));
    attributes.modifiedTime = UnixSeconds(data.ftLastWriteTime);
    attributes.directory = (bits & FILE_ATTRIBUTE_DIRECTORY) != 0;
    attributes.readOnly = (bits & FILE_ATTRIBUTE_READONLY) != 0;
    attributes.link = (bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    attributes.native = bits;
    return attributes;
  }

  bool SetReadOnly(const fs::path& path, bool readOnly) override {
    const DWORD bits = ::GetFileAttributesW(Wide(path).c_str());
    if (bits == INVALID_FILE_ATTRIBUTES || (bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
    const DWORD updated = readOnly ? (bits | FILE_ATTRIBUTE_READONLY) : (bits & ~DWORD{FILE_ATTRIBUTE_READONLY});
    return ::SetFileAttributesW(Wide(path).c_str(), updated);
  }

  std::unique_ptr<InputFile> OpenForReading(const fs::path& path) override {
    const HANDLE handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32InputFile>(handle);
  }
  std::unique_ptr<OutputFile> CreateForWriting(const fs::path& path) override {
    const HANDLE handle = OpenHandle(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32OutputFile>(handle);
  }
  std::unique_ptr<OutputFile> CreateExclusive(const fs::path& path) override {
    const HANDLE handle = OpenHandle(path, GENERIC_WRITE, CREATE_NEW);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32OutputFile>(handle);
  }

  bool PatchFile(const fs::path& path, const std::vector<FilePatch>& patches) override {
    ThrowIfStopRequested();
    const HANDLE handle = OpenHandle(path, GENERIC_WRITE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (const FilePatch& patch : patches) {
      LARGE_INTEGER offset;
      offset.QuadPart = static_cast<LONGLONG>(patch.offset);
      ok = ok && ::SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN);
      const char* bytes = patch.bytes.data();
      std::size_t size = patch.bytes.size();
      while (ok && size > 0) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD put = 0;
        ok = ::WriteFile(handle, bytes, ask, &put, nullptr) && put != 0;
        bytes += put;
        size -= put;
      }
    }
    return ::CloseHandle(handle) && ok;
  }

  bool MoveOverOwnFile(const fs::path& from, const fs::path& to) override {
    ThrowIfStopRequested();
    // Without MOVEFILE_COPY_ALLOWED a move to another volume fails, and the caller copies.
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }

  PublishResult PublishNoReplace(const fs::path& from, const fs::path& to) override {
    ThrowIfStopRequested();
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing name.
    if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
      return PublishResult::Published;
    }
    const DWORD error = ::GetLastError();
    return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) ? PublishResult::NameTaken
                                                                         : PublishResult::Failed;
  }

  // The exclusive open holds the file from the moment it exists: no unlocked moment to avoid.
  std::unique_ptr<FileLock> CreateLockFile(const fs::path& path) override {
    ThrowIfStopRequested();
    const HANDLE handle = OpenLockHandle(path, CREATE_NEW);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32FileLock>(handle);
  }

  // Fails with a sharing violation while the holder has its handle open.
  std::unique_ptr<FileLock> TryLockFile(const fs::path& path) override {
    const HANDLE handle = OpenLockHandle(path, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
      ::CloseHandle(handle);
      return nullptr;
    }
    return std::make_unique<Win32FileLock>(handle);
  }
};

}  // namespace

Platform& NativePlatform() {
  static Win32Platform native;
  return native;
}

void ReturnFreedMemory() { _heapmin(); }

// A process has one heap for all its threads already.
void AllocateFromOneHeap() {}

// Large pages need a privilege that users do not hold.
void PreferLargePages(void*, std::size_t) {}

}  // namespace platform

#endif  // _WIN32
