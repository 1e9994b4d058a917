// The one-line JSON report of tqconv convert --json.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console_user_interface.h"

// A JSON string literal; bytes that are not valid UTF-8 become U+FFFD, so the line is always
// valid UTF-8 whatever a file name holds.
std::string JsonString(std::string_view text);

// The text with every byte that is not part of valid UTF-8 replaced by U+FFFD, for a terminal
// or a report file; project text in a national code page shows so instead of as garbage.
std::string ValidUtf8(std::string_view text);

// With changes (a JSON object's text, or "null"), the line ends in a "changes" member.
std::string ConversionJsonLine(std::string_view input, bool ok, const std::optional<std::string>& output,
                               const std::vector<ShownMessage>& messages,
                               const std::optional<std::string>& changes = std::nullopt);
