// The sweep that a starting conversion makes of the working directories that killed runs left in
// the temporary folder.
#pragma once

#include <string>

// Removes the working directories in the temporary folder that conversions left when they were
// killed: those of exactly our naming, owned by this user and not links, whose lock this call
// can take (it holds the lock while deleting), and those without a lock file that are older
// than kUnlockedWorkDirectoryAge. A live conversion's directory (ours, ownWorkDir, among them)
// is never touched, nor anything else in the folder. Shows nothing; a failure is ignored.
void RemoveStaleWorkDirectories(const std::string& ownWorkDir);
