// The converted project made by patching the staged project's bytes in one buffer: the source
// device entry, the PLC's configuration line and three data blocks. Every other byte is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

// The merge holds the whole project in memory once; larger projects are refused.
inline constexpr std::uint64_t kMergeSizeLimit = 209715200;  // 200 MiB

// Reads the staged project from input (from its start), patches it and writes it to output,
// which the caller has created empty and closes (checking the close) afterwards.
// False after MsgFileTooLarge, MsgMemFail or MsgReadFail; false without a message of its own
// when a non-empty I/O table data or unit-setup hex text finds no block to replace, when a block
// to replace holds other values than the extraction reads from the same bytes (the two readings
// part: another block's marker inside it, or a key the extraction finds elsewhere), when the
// configuration value's closing quote is not followed by ";" or when the output write fails.
// Nothing is written on failure; an empty input writes nothing and succeeds.
bool MergeProject(platform::InputFile& input, platform::OutputFile& output, std::string_view ioDataHex,
                  std::string_view unitSetupHex, std::string_view settingsDataHex,
                  std::string_view configLine, std::uint64_t sizeLimit = kMergeSizeLimit);

// Replaces the first Config:="...";, however many lines it spans, by the line. True when it was
// replaced or when there is nothing to replace (no Config:=" or no closing quote); false, with
// the buffer unchanged, when the closing quote is not directly followed by ";".
bool ReplaceConfigSpan(std::string& buffer, std::string_view line);

// Replaces the content of the entry's data block inside the section inside the first PLC's body
// by the hex text in lines of 32 values. True when the block was found and replaced; false, with
// the buffer unchanged, for an empty hex text or a block that cannot be located.
bool ReplaceHexBlock(std::string& buffer, std::string_view sectionKey, std::string_view hex,
                     std::string_view entryKey);

// The position of the END (preferably END;) that closes the BEGIN at beginPosition.
std::optional<std::size_t> FindMatchingEnd(std::string_view buffer, std::size_t beginPosition);

// The whitespace-separated tokens of the text, 32 to a line, CR LF between lines, nothing after.
std::string FormatHexLines(std::string_view text);
// The same handed over in pieces of about pieceSize bytes (a longer token alone), until put
// returns false.
void FormatHexLines(std::string_view text, const std::function<bool(std::string_view)>& put,
                    std::size_t pieceSize = std::size_t{1} << 16);
