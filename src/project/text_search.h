// Searches over a whole project text that keep pace with memory: hex blocks fill most of a large
// project, so a search for a key first looks for one of its bytes that hex text never holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// text.find(key, from), quicker on hex text.
std::size_t FindKey(std::string_view text, std::string_view key, std::size_t from = 0);

// text.find(key, from) for a key of at least two bytes whose bytes are all common in the text,
// as a hex value sequence in hex text is: positions are ruled out sixteen at a time by the key's
// first and last bytes.
std::size_t FindCommonKey(std::string_view text, std::string_view key, std::size_t from = 0);

// Whether the text holds any of the three bytes, in one pass.
bool HoldsAnyOf(std::string_view text, char a, char b, char c);

// Whether an LF in the text stands without a CR before it; before is the byte ahead of the text
// (anything but a CR when there is none).
bool HoldsLfWithoutCr(std::string_view text, char before);

// Appends the lines of text to out, each without the CR before its LF and followed by one space;
// a last line without LF is followed by one space as well.
void AppendLinesSpaced(std::string& out, std::string_view text);

// A position in the first line at or after from (a line start) that holds the key once its CR
// bytes are dropped, as the line reader's ANSI lines hold it; npos when no line before limit does.
std::size_t FindKeyInAnsiLines(std::string_view text, std::string_view key, std::size_t from,
                               std::size_t limit = std::string_view::npos);

struct TextSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// ExtractHexBlock's reading of one entry's data block, fed the text in pieces of whole lines
// (the last piece may end without LF). Reads from the first piece on: the first line holding the
// section key, then the entry key (neither after a line holding Resource[1]), then the opening
// marker; the content is every line up to the next line that holds the marker stem.
class HexBlockReader {
 public:
  HexBlockReader(std::string_view sectionKey, std::string_view entryKey, bool keepContent)
      : sectionKey_(sectionKey), entryKey_(entryKey), keepContent_(keepContent) {}

  // The whole text's size, when known: the content is given room for what follows its start
  // at once (untouched room costs no memory), so that a large block is not copied as it grows.
  void SetTextSize(std::uint64_t size) { textSize_ = size; }
  // The next piece, which starts at offset in the whole text.
  void Feed(std::string_view piece, std::size_t offset);
  bool Done() const { return state_ == State::Found || state_ == State::Absent; }
  // After the last piece: the block's content span, nothing when there is no block.
  std::optional<TextSpan> Span() const;
  // The content lines, each without the CR before its LF and followed by one space (with
  // keepContent; empty when there is no block).
  std::string TakeContent();

 private:
  enum class State { Section, Entry, Opening, Content, Found, Absent };
  void AfterKeyLine(std::string_view piece, std::size_t& at, std::string_view key, State next);
  void ReserveContent(std::size_t size);
  void AppendContent(std::string_view piece, std::size_t from, std::size_t to);

  std::string_view sectionKey_;
  std::string_view entryKey_;
  bool keepContent_;
  State state_ = State::Section;
  TextSpan span_;
  std::string content_;
  std::uint64_t textSize_ = 0;
};

// Where ExtractHexBlock finds the entry's block content in the text: from the line after the
// opening marker's line to the start of the line that holds the next marker. Nothing when it
// finds no block.
std::optional<TextSpan> LocateExtractedContent(std::string_view text, std::string_view sectionKey,
                                               std::string_view entryKey);
