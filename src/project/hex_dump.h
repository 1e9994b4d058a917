// The unit-setup bytes as the hex text a project carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The messages a whole-file read shows: the file cannot be opened, is empty, is read short.
struct FileReadMessages {
  const char* openFailed;
  const char* empty;
  const char* readShort;
};

// Reads a whole, non-empty file; false after the message of what went wrong.
bool ReadWholeFile(const std::string& path, const FileReadMessages& messages, std::string& bytes);

// Every byte as two upper-case hex digits and a space, on one line: n bytes give 3n characters.
std::string FormatHexDump(const std::uint8_t* bytes, std::size_t count);

// Writes the hex dump of a binary file into a text file; false after its message.
bool WriteHexDumpFile(const std::string& binaryPath, const std::string& textPath);
