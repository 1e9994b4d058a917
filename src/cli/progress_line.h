// The progress line of a batch on a terminal: done/total, time since the start, the project
// most recently begun; redrawn in place, and cleared before any other line is printed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// "tqconv: 12/300 0:41 plant/line3.lqt", at most columns - 1 columns wide: the path loses its
// beginning first ("..." in its place), so the file's own name stays in sight.
std::string FormatProgressLine(std::size_t done, std::size_t total, std::chrono::seconds elapsed,
                               std::string_view current, std::size_t columns);

// Columns a UTF-8 text takes on a terminal: two for the wide East Asian characters, one for
// the others; an invalid byte counts as one.
std::size_t DisplayColumns(std::string_view text);

class ProgressLine {
 public:
  explicit ProgressLine(std::FILE* stream) : stream_(stream) {}
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(const std::string& line);
  // Leaves the cursor at the start of an empty line; nothing when no line is shown.
  void Clear();

 private:
  std::FILE* stream_;
  bool shown_ = false;
};
