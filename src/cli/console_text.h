// Text to the standard streams. Everything tqconv prints is UTF-8; a Windows console is given
// it as UTF-16, so that it shows every character whatever its code page.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Writes the text and flushes: on a Windows console through the console's own wide call; to a
// file, a pipe or any POSIX stream as the UTF-8 bytes given.
void WriteText(std::FILE* stream, std::string_view utf8);

#ifdef _WIN32
// The UTF-8 form of a UTF-16 text (a command-line argument); a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);
#endif
