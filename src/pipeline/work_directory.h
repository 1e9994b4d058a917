// The private working directory of a conversion, path-length refusal and output naming.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

// The separator of the paths the pipeline builds on this platform, and every separator a path
// given to it may hold: Windows takes '/' as well as '\\'.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

// Where the file name of a path begins: just after its last separator (0 when it has none).
inline std::size_t FileNameStart(std::string_view path) {
  const auto slash = path.find_last_of(kPathSeparators);
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// The longest path, in UTF-16 code units, that the pipeline builds.
inline constexpr std::size_t kMaxPathLength = 240;

// The working directory's name: this prefix and a signed 32-bit decimal number.
inline constexpr std::string_view kWorkDirectoryPrefix = "_HexXmlConv_Cache_";
// The lock file inside it, held for as long as the conversion runs.
inline constexpr std::string_view kWorkDirectoryLockName = "conversion.lock";
// How often the next number is tried when a working directory's name is taken.
inline constexpr int kWorkDirectoryNameAttempts = 100;
// A working directory without a lock file is somebody's until it is this old (seconds): it may
// be being made this moment, or belong to a version of the program that made no lock file.
inline constexpr std::int64_t kUnlockedWorkDirectoryAge = 3600;

// Creates "_HexXmlConv_Cache_" + the tick count in the temporary folder, and its lock file,
// locked. A name that is taken gives way to the next number (tick + 1, tick + 2, ..., at most
// kWorkDirectoryNameAttempts names). True: workDir holds its path and lock its lock. False: its
// message has been shown, workDir is empty and nothing is left (unless removing failed).
bool CreateWorkDirectory(std::string& workDir, std::unique_ptr<platform::FileLock>& lock);

// True for exactly the names CreateWorkDirectory gives: the prefix and a number as printed,
// from -2147483648 to 2147483647, without a plus sign or leading zeros.
bool IsWorkDirectoryName(std::string_view name);

// Removes a directory and everything below it, clearing read-only bits; never follows a link out
// of the tree. True when all is gone or the path is empty; shows nothing.
bool DeleteDirectoryTree(const std::string& path);

// DeleteDirectoryTree for a working directory whose lock is held: the lock file goes last, and
// the lock is held while the tree goes (Windows: up to the removal of the directory itself).
bool RemoveWorkDirectory(const std::string& path, platform::FileLock& lock);

// True for at most 240 UTF-16 code units; otherwise shows MsgPathTooLong (warning) and is false.
bool CheckPathLength(std::string_view path);

// The input's base + "_converted" + its extension, in the input's folder, numbered " 1", " 2", ...
// before the extension while the name is taken. Shows nothing.
std::string MakeOutputPath(std::string_view inputPath);
