// A file that tqconv writes for the user: whole or not at all, never over an existing file.
#pragma once

#include <functional>
#include <optional>
#include <string>

// What went wrong, and with which file.
struct FileProblem {
  std::string file;
  std::string text;  // in the chosen language
};

// Fills a temporary file; nothing when it is complete, else the problem.
using FillFile = std::function<std::optional<FileProblem>(const std::string& temporary)>;

// Writes the file through a temporary one beside it and moves that to the name without ever
// replacing anything. Exceptions of the filler (platform::FileError, platform::Stopped) pass on,
// the temporary file removed. The problem is CliOutputExists when the name is taken (before or
// meanwhile), CliOutputUnwritable when the folder refuses, or the filler's own.
std::optional<FileProblem> WriteNewFile(const std::string& path, const FillFile& fill);

// The same under the first free name of "path", "base N.ext" (N from 1) when the name is
// taken; chosen names the file written.
std::optional<FileProblem> WriteNewFileNumbered(const std::string& path, const FillFile& fill, std::string& chosen);

// A filler that writes the bytes; a failure names shownName, the file the user asked for.
FillFile WithBytes(std::string bytes, std::string shownName);
