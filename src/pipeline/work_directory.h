// The private working directory of a conversion, path-length refusal and output naming.
#pragma once

#include <string>
#include <string_view>

// The separator of the paths the pipeline builds on this platform.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The longest path, in UTF-16 code units, that the pipeline builds.
inline constexpr std::size_t kMaxPathLength = 240;

// Creates "_HexXmlConv_Cache_" + the tick count in the temporary folder. True: workDir holds its
// path. False: its message has been shown and workDir is empty.
bool CreateWorkDirectory(std::string& workDir);

// Removes a directory and everything below it, clearing read-only bits; never follows a link out
// of the tree. True when all is gone or the path is empty; shows nothing.
bool DeleteDirectoryTree(const std::string& path);

// True for at most 240 UTF-16 code units; otherwise shows MsgPathTooLong (warning) and is false.
bool CheckPathLength(std::string_view path);

// The input's base + "_converted" + its extension, in the input's folder, numbered " 1", " 2", ...
// before the extension while the name is taken. Shows nothing.
std::string MakeOutputPath(std::string_view inputPath);
