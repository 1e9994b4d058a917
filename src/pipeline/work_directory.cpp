#include "pipeline/work_directory.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "app/user_interface.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kTemporaryPathCapacity = 260;
// A name found free right after its creation failed: tried this often before the folder is
// taken to refuse it.
constexpr int kRefusalsBelieved = 3;

bool NameIsFree(const std::string& path) {
  return !platform::GetFileAttributes(platform::PathFromUtf8(path)).has_value();
}

void FailCreation(std::string& workDir) {
  ShowCatalogMessage("MsgCacheCreateFail");
  workDir.clear();
}

}  // namespace

bool CreateWorkDirectory(std::string& workDir, std::unique_ptr<platform::FileLock>& lock) {
  const std::optional<std::string> temporary = platform::TemporaryFolder();
  if (!temporary || temporary->empty() || platform::Utf16Length(*temporary) > kTemporaryPathCapacity) {
    FailCreation(workDir);
    return false;
  }
  const std::uint32_t tick = platform::TickCount();
  int refusals = 0;
  for (int attempt = 0; attempt < kWorkDirectoryNameAttempts; ++attempt) {
    // The number is printed as a signed 32-bit number, as the name has always been formed; the
    // ones after the tick count wrap as the count itself does.
    const auto number = static_cast<std::int32_t>(tick + static_cast<std::uint32_t>(attempt));
    workDir = *temporary + std::string(kWorkDirectoryPrefix) + std::to_string(number);
    if (!CheckPathLength(workDir)) {
      workDir.clear();
      return false;
    }
    const auto path = platform::PathFromUtf8(workDir);
    if (platform::CreateDirectory(path)) {
      lock = platform::CreateLockFile(platform::PathFromUtf8(workDir + kPathSeparator + std::string(kWorkDirectoryLockName)));
      if (lock) return true;
      // Without its lock the directory would be anybody's to sweep: give it up.
      platform::RemoveDirectory(path);
      break;
    }
    // Taken (another conversion started in the same millisecond): try the next number. Free
    // again at once: its owner may have finished meanwhile, so the same name is tried again;
    // free each time, the folder refuses it and the next name would fare no better.
    if (NameIsFree(workDir)) {
      if (++refusals == kRefusalsBelieved) break;
      --attempt;
    }
  }
  FailCreation(workDir);
  return false;
}

bool IsWorkDirectoryName(std::string_view name) {
  if (name.substr(0, kWorkDirectoryPrefix.size()) != kWorkDirectoryPrefix) return false;
  const std::string_view digits = name.substr(kWorkDirectoryPrefix.size());
  if (digits.empty() || digits.size() > 11) return false;
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  if (number < INT32_MIN || number > INT32_MAX) return false;
  return std::to_string(number) == digits;  // as printed: no leading zeros, no "-0"
}

namespace {

// Deletes what a directory holds, except a top-level file of the given name; false at the first
// entry that cannot be deleted (the rest then stays). Unlistable: treated as empty.
bool DeleteEntries(const std::string& path, std::string_view keep) {
  std::vector<platform::DirectoryEntry> entries;
  platform::ListDirectory(platform::PathFromUtf8(path), entries);
  for (const platform::DirectoryEntry& entry : entries) {
    const std::string full = path + kPathSeparator + entry.name;
    if (entry.directory) {
      if (!DeleteDirectoryTree(full)) return false;
      continue;
    }
    if (entry.name == keep) continue;
    const auto fullPath = platform::PathFromUtf8(full);
    if (const auto attributes = platform::GetFileAttributes(fullPath); attributes && attributes->readOnly) {
      platform::SetReadOnly(fullPath, false);
    }
    if (!platform::DeleteFile(fullPath)) return false;
  }
  return true;
}

}  // namespace

bool DeleteDirectoryTree(const std::string& path) {
  if (path.empty()) return true;
  return DeleteEntries(path, {}) && platform::RemoveDirectory(platform::PathFromUtf8(path));
}

bool RemoveWorkDirectory(const std::string& path, platform::FileLock& lock) {
  return DeleteEntries(path, kWorkDirectoryLockName) && lock.Remove() &&
         platform::RemoveDirectory(platform::PathFromUtf8(path));
}

bool CheckPathLength(std::string_view path) {
  if (platform::Utf16Length(path) <= kMaxPathLength) return true;
  ShowMessageBox("MsgPathTooLong", MessageIcon::Warning);
  return false;
}

std::string MakeOutputPath(std::string_view inputPath) {
  const std::size_t nameStart = FileNameStart(inputPath);
  const std::string_view folder = inputPath.substr(0, nameStart);
  const std::string_view name = inputPath.substr(nameStart);
  const auto dot = name.find_last_of('.');
  const std::string_view base = dot == std::string_view::npos ? name : name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view{} : name.substr(dot);

  const std::string stem = std::string(folder) + std::string(base) + "_converted";
  std::string candidate = stem + std::string(extension);
  for (std::uint64_t n = 1; !NameIsFree(candidate); ++n) {
    candidate = stem + " " + std::to_string(n) + std::string(extension);
  }
  return candidate;
}
