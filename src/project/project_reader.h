// Reading the staged project text: the whole text at once, or line by line through a buffered
// reader that can start again from the top. The text stays bytes throughout; our code page maps
// each byte to itself, so bytes 0x80 to 0xFF come back unchanged, and 0x00 and 0x1A are
// ordinary bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// How a line's CR bytes are treated.
enum class LineMode {
  Ansi,             // every CR is dropped, wherever it stands
  ByteTransparent,  // only a CR directly before the LF is dropped
};

// A project file open for reading line by line. Reads in large chunks, never a byte per call.
class ProjectFile {
 public:
  explicit ProjectFile(std::unique_ptr<platform::InputFile> file);

  // Null when the file cannot be opened.
  static std::unique_ptr<ProjectFile> Open(const std::string& path);

  // The next line without its LF. False at the end of the file when no byte was left (the line
  // is then empty). Throws platform::FileError on a read error.
  bool ReadLine(std::string& line, LineMode mode);
  // The next piece of whole lines, each with its LF (the last piece may end without one); the
  // view holds until the next read. False at the end of the file.
  bool ReadLines(std::string_view& piece);
  // Back to the first byte.
  void Rewind();
  std::uint64_t Size() { return file_->Size(); }  // throws platform::FileError

 private:
  bool Refill();

  std::unique_ptr<platform::InputFile> file_;
  std::vector<char> buffer_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  bool atEnd_ = false;
};

// Appends the whole text to text, every line followed by one LF (a CR directly before an LF is
// dropped; a last line without line end gets its LF). False after MsgReadFail when the file
// cannot be opened.
bool ReadProjectText(const std::string& path, std::string& text);

// The next line with every CR dropped; false at the end of the file when no byte was left.
bool ReadAnsiLine(ProjectFile& file, std::string& line);

// Reading on from the current position: the first line that contains key, or an empty string
// when a line containing stopKey (and not key) or the end of the file comes first.
std::string FindLineContaining(ProjectFile& file, std::string_view key, std::string_view stopKey);

// The value of the first line of the text that contains Config:=" (may be empty). A value that
// continues over several lines is joined without line ends.
std::string ReadFirstConfigValue(ProjectFile& file);

// The value of the first Config:= line after the PLC:= line; an empty value does not end the
// search, so a later Config:= line may still supply one.
std::string ReadPlcConfigValue(ProjectFile& file);

// "<device model> <CPU type>", e.g. "TQ5A CPU63", from a configuration value; empty when the
// value lacks [DEV], the DEV: entry after it or the CPU: entry after the device model.
std::string ParseDeviceAndCpu(std::string_view value);

// The content of the entry's data block in the section, its lines each followed by one space;
// empty when the section, the entry or either marker is missing before Resource[1] or the end.
std::string ExtractHexBlock(ProjectFile& file, std::string_view sectionKey, std::string_view entryKey);

// Several blocks as ExtractHexBlock reads each, all in one pass over the file.
struct HexBlockRequest {
  std::string_view sectionKey;
  std::string_view entryKey;
};
std::vector<std::string> ExtractHexBlocks(ProjectFile& file, const std::vector<HexBlockRequest>& requests);

// ASCII white space removed from both ends.
std::string_view TrimWhiteSpace(std::string_view text);
bool IsWhiteSpace(char c);
