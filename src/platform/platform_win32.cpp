// Win32 side of the platform layer.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The platform interface uses these names for its own operations.
#undef CreateDirectory
#undef RemoveDirectory
#undef DeleteFile
#undef CopyFile
#undef GetFileAttributes

#include <ctime>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

std::wstring Wide(const fs::path& path) { return path.wstring(); }

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE handle) : handle_(handle) {}
  ~Win32InputFile() override { ::CloseHandle(handle_); }

  std::size_t Read(void* buffer, std::size_t size) override {
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

 private:
  HANDLE handle_;
};

class Win32OutputFile final : public OutputFile {
 public:
  explicit Win32OutputFile(HANDLE handle) : handle_(handle) {}
  ~Win32OutputFile() override { Close(); }

  bool Write(const void* data, std::size_t size) override {
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
    if (sync && !failed_ && !::FlushFileBuffers(handle_)) failed_ = true;
    if (!::CloseHandle(handle_)) failed_ = true;
    handle_ = INVALID_HANDLE_VALUE;
    return !failed_;
  }

  HANDLE handle_;
  bool failed_ = false;
};

// Files are opened without sharing, as the project files always have been.
HANDLE OpenHandle(const fs::path& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(Wide(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

  bool CreateDirectory(const fs::path& path) override { return ::CreateDirectoryW(Wide(path).c_str(), nullptr); }
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
    const DWORD bits = ::GetFileAttributesW(Wide(path).c_str());
    if (bits == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    FileAttributes attributes;
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

  bool CopyFile(const fs::path& from, const fs::path& to) override {
    return ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE);
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

  PublishResult PublishNoReplace(const fs::path& from, const fs::path& to) override {
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing name.
    if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
      return PublishResult::Published;
    }
    const DWORD error = ::GetLastError();
    return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) ? PublishResult::NameTaken
                                                                         : PublishResult::Failed;
  }
};

}  // namespace

Platform& NativePlatform() {
  static Win32Platform native;
  return native;
}

}  // namespace platform

#endif  // _WIN32
