#include "pipeline/work_directory.h"

#include <cstdint>
#include <vector>

#include "app/user_interface.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kTemporaryPathCapacity = 260;
// Conversions running side by side (a batch's jobs) may start in the same millisecond.
constexpr std::uint32_t kNameAttempts = 1000;
constexpr int kRefusalsBelieved = 3;

bool NameIsFree(const std::string& path) {
  return !platform::GetFileAttributes(platform::PathFromUtf8(path)).has_value();
}

void FailCreation(std::string& workDir) {
  ShowCatalogMessage("MsgCacheCreateFail");
  workDir.clear();
}

}  // namespace

bool CreateWorkDirectory(std::string& workDir) {
  const std::optional<std::string> temporary = platform::TemporaryFolder();
  if (!temporary || temporary->empty() || platform::Utf16Length(*temporary) > kTemporaryPathCapacity) {
    FailCreation(workDir);
    return false;
  }
  const std::uint32_t tick = platform::TickCount();
  std::uint32_t attempt = 0;
  int refusals = 0;
  while (attempt < kNameAttempts) {
    // Printed as a signed 32-bit number, as the name has always been formed.
    const auto number = static_cast<std::int32_t>(tick + attempt);
    workDir = *temporary + "_HexXmlConv_Cache_" + std::to_string(number);
    if (!CheckPathLength(workDir)) {
      workDir.clear();
      return false;
    }
    if (platform::CreateDirectory(platform::PathFromUtf8(workDir))) return true;
    if (!NameIsFree(workDir)) {
      ++attempt;  // taken by a conversion that started in the same millisecond: the next number
    } else if (++refusals == kRefusalsBelieved) {
      break;  // the folder refuses it; the next name would fare no better
    }
    // Free again at once: its owner may have finished meanwhile, so the name is tried again.
  }
  FailCreation(workDir);
  return false;
}

bool DeleteDirectoryTree(const std::string& path) {
  if (path.empty()) return true;
  std::vector<platform::DirectoryEntry> entries;
  platform::ListDirectory(platform::PathFromUtf8(path), entries);  // unlistable: treated as empty
  for (const platform::DirectoryEntry& entry : entries) {
    const std::string full = path + kPathSeparator + entry.name;
    if (entry.directory) {
      if (!DeleteDirectoryTree(full)) return false;
      continue;
    }
    const auto fullPath = platform::PathFromUtf8(full);
    if (const auto attributes = platform::GetFileAttributes(fullPath); attributes && attributes->readOnly) {
      platform::SetReadOnly(fullPath, false);
    }
    if (!platform::DeleteFile(fullPath)) return false;
  }
  return platform::RemoveDirectory(platform::PathFromUtf8(path));
}

bool CheckPathLength(std::string_view path) {
  if (platform::Utf16Length(path) <= kMaxPathLength) return true;
  ShowMessageBox("MsgPathTooLong", MessageIcon::Warning);
  return false;
}

std::string MakeOutputPath(std::string_view inputPath) {
  const auto slash = inputPath.find_last_of(kPathSeparator);
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view{} : inputPath.substr(0, slash + 1);
  const std::string_view name = slash == std::string_view::npos ? inputPath : inputPath.substr(slash + 1);
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
