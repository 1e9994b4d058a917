#include "cli/progress_line.h"

#include <vector>

#include "cli/console_text.h"

namespace {

// Decodes one UTF-8 character at text[i]; nothing valid gives the byte's own value, length 1.
char32_t NextCharacter(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  bool valid = length != 0 && i + length <= text.size();
  for (std::size_t k = 1; valid && k < length; ++k) valid = (byte(i + k) & 0xC0) == 0x80;
  if (!valid) {
    ++i;
    return lead;
  }
  char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (byte(i + k) & 0x3F);
  i += length;
  return c;
}

// The wide ranges a file name of ours meets: Hangul Jamo, CJK punctuation to Yi, Hangul
// syllables, compatibility ideographs, full-width forms, and the supplementary ideographs.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string Elapsed(std::chrono::seconds elapsed) {
  const long long total = elapsed.count();
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  }
  return text;
}

}  // namespace

std::size_t DisplayColumns(std::string_view text) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) columns += IsWide(NextCharacter(text, i)) ? 2 : 1;
  return columns;
}

std::string FormatProgressLine(std::size_t done, std::size_t total, std::chrono::seconds elapsed,
                               std::string_view current, std::size_t columns) {
  const std::string head =
      "tqconv: " + std::to_string(done) + "/" + std::to_string(total) + " " + Elapsed(elapsed) + " ";
  // The last column stays free: a line that fills it makes some terminals wrap.
  const std::size_t room = columns > head.size() + 1 ? columns - head.size() - 1 : 0;
  if (DisplayColumns(current) <= room) return head + std::string(current);
  constexpr std::string_view kCut = "...";
  if (room <= kCut.size()) return head.substr(0, head.size() - 1);
  // Whole characters from the end, as many as fit after the mark.
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < current.size();) {
    starts.push_back(i);
    NextCharacter(current, i);
  }
  std::size_t from = current.size();
  std::size_t used = kCut.size();
  for (auto start = starts.rbegin(); start != starts.rend(); ++start) {
    const std::size_t width = DisplayColumns(current.substr(*start, from - *start));
    if (used + width > room) break;
    used += width;
    from = *start;
  }
  return head + std::string(kCut) + std::string(current.substr(from));
}

void ProgressLine::Show(const std::string& line) {
  WriteText(stream_, "\r" + line + "\033[K");
  shown_ = true;
}

void ProgressLine::Clear() {
  if (!shown_) return;
  WriteText(stream_, "\r\033[K");
  shown_ = false;
}
