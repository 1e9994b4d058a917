#include "pipeline/work_directory_sweep.h"

#include <vector>

#include "pipeline/work_directory.h"
#include "platform/platform.h"

namespace {

// A working directory of another conversion: removed only when no one holds it.
void RemoveIfStale(const std::string& folder) {
  const auto attributes = platform::GetFileAttributes(platform::PathFromUtf8(folder));
  if (!attributes || !attributes->directory || attributes->link || !attributes->ownedByCurrentUser) return;
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(platform::PathFromUtf8(folder), entries)) return;  // cannot tell: leave it
  bool hasLockFile = false;
  for (const platform::DirectoryEntry& entry : entries) hasLockFile = hasLockFile || entry.name == kWorkDirectoryLockName;
  if (hasLockFile) {
    // Taken only when its conversion has ended, however it ended; held while the tree goes.
    const auto lock =
        platform::TryLockFile(platform::PathFromUtf8(folder + kPathSeparator + std::string(kWorkDirectoryLockName)));
    if (lock) RemoveWorkDirectory(folder, *lock);
    return;
  }
  if (platform::CurrentTime() - attributes->modifiedTime > kUnlockedWorkDirectoryAge) DeleteDirectoryTree(folder);
}

}  // namespace

void RemoveStaleWorkDirectories(const std::string& ownWorkDir) {
  const std::optional<std::string> temporary = platform::TemporaryFolder();
  if (!temporary || temporary->empty()) return;
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(platform::PathFromUtf8(*temporary), entries)) return;
  for (const platform::DirectoryEntry& entry : entries) {
    // The listing's directory flag is false for links; the attributes below check again.
    if (!entry.directory || !IsWorkDirectoryName(entry.name)) continue;
    const std::string folder = *temporary + entry.name;
    if (folder == ownWorkDir) continue;
    RemoveIfStale(folder);
  }
}

