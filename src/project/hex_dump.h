// The unit-setup bytes as the hex text a project carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Every byte as two upper-case hex digits and a space, on one line: n bytes give 3n characters.
std::string FormatHexDump(const std::uint8_t* bytes, std::size_t count);

// Writes the hex dump of a binary file into a text file; false after its message.
bool WriteHexDumpFile(const std::string& binaryPath, const std::string& textPath);
