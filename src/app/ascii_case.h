// Letter case of ASCII only: keys, extensions and model names are ASCII, and bytes of a national
// code page must never be folded.
#pragma once

#include <string>
#include <string_view>

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The last four characters (the whole text when shorter) with their ASCII letters lower-cased:
// what decides a project file's kind.
inline std::string LowerCaseEnding(std::string_view path) {
  std::string ending(path.size() < 4 ? path : path.substr(path.size() - 4));
  for (char& c : ending) c = AsciiLower(c);
  return ending;
}
