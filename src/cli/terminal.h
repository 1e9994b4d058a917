// The little tqconv needs to know about a terminal: whether stderr is one, and how wide it is.
#pragma once

#include <cstddef>
#include <cstdio>

// True when the stream is a terminal that can take the progress line (on Windows, a console
// that understands the line's control sequences).
bool IsProgressTerminal(std::FILE* stream);

// The terminal's width in columns; 80 when it cannot be told.
std::size_t TerminalColumns(std::FILE* stream);
