#include "project/project_outline.h"

#include <cctype>

#include "project/project_reader.h"
#include "project/text_keys.h"

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

std::optional<long long> MarkerNumber(std::string_view line) {
  const std::size_t at = line.find(keys::kMarkerOpen);
  if (at == std::string_view::npos) return std::nullopt;
  long long number = 0;
  std::size_t i = at + keys::kMarkerOpen.size();
  const std::size_t first = i;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && number < 1'000'000'000'000LL; ++i) {
    number = number * 10 + (line[i] - '0');
  }
  if (i == first || i >= line.size() || line[i] != ']') return std::nullopt;
  return number;
}

bool IsHeader(std::string_view line) { return line.find(":=") != std::string_view::npos && line.back() != ';'; }

}  // namespace

std::size_t CountHexValues(std::string_view text) {
  std::size_t values = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsWhiteSpace(text[at])) ++at;
    std::size_t end = at;
    while (end < text.size() && !IsWhiteSpace(text[end])) ++end;
    if (end - at == 2 && IsHexDigit(text[at]) && IsHexDigit(text[at + 1])) ++values;
    at = end;
  }
  return values;
}

std::vector<OutlineNode> ReadProjectOutline(std::string_view text) {
  std::vector<OutlineNode> top;
  std::vector<OutlineNode*> open;  // the bodies we are in, innermost last
  std::string header;              // the last header line, waiting for its BEGIN or block
  const auto siblings = [&]() -> std::vector<OutlineNode>& { return open.empty() ? top : open.back()->children; };
  OutlineNode* block = nullptr;  // the entry whose block content is being counted
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimWhiteSpace(text.substr(start, end - start));
    start = end + 1;
    if (block != nullptr) {
      if (line.find(keys::kMarkerStem) != std::string_view::npos) {
        block = nullptr;
      } else {
        block->blockBytes += CountHexValues(line);
      }
      continue;
    }
    if (line.empty()) continue;
    if (const std::optional<long long> number = MarkerNumber(line)) {
      siblings().push_back({header, number, 0, {}});
      block = &siblings().back();
      header.clear();
    } else if (line == keys::kBegin) {
      siblings().push_back({header, std::nullopt, 0, {}});
      open.push_back(&siblings().back());
      header.clear();
    } else if (line == keys::kEndSemicolon || line == keys::kEnd) {
      if (!open.empty()) open.pop_back();
    } else if (IsHeader(line)) {
      header = std::string(line);
    }
  }
  return top;
}
