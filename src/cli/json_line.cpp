#include "cli/json_line.h"

#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

const char* IconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return "information";
    case MessageIcon::Warning: return "warning";
    case MessageIcon::None: break;
  }
  return "none";
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text, i, length);
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
    i += length;
  }
  return out + "\"";
}

std::string ConversionJsonLine(std::string_view input, bool ok, const std::optional<std::string>& output,
                               const std::vector<ShownMessage>& messages, const std::optional<std::string>& changes) {
  std::string line = "{\"input\":" + JsonString(input) + ",\"ok\":" + (ok ? "true" : "false") +
                     ",\"output\":" + (output ? JsonString(*output) : "null") + ",\"messages\":[";
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (i > 0) line += ',';
    line += "{\"key\":" + JsonString(messages[i].key) + ",\"text\":" + JsonString(messages[i].text) +
            ",\"icon\":\"" + IconName(messages[i].icon) + "\"}";
  }
  line += ']';
  if (changes) line += ",\"changes\":" + *changes;
  return line + "}";
}
