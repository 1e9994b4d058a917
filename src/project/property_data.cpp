#include "project/property_data.h"

#include "app/user_interface.h"
#include "project/project_reader.h"

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool CTQPropertyData::DecodeHexText() {
  bytes.clear();
  const std::size_t n = hexText.size();
  for (std::size_t i = 0; i + 1 < n;) {
    const int high = HexDigitValue(hexText[i]);
    const int low = HexDigitValue(hexText[i + 1]);
    if (!IsWhiteSpace(hexText[i]) && high >= 0 && low >= 0) {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
      i += 2;
    } else {
      ++i;  // white space, or a character that starts no pair
    }
  }
  if (!bytes.empty()) return true;
  // An empty block and one that spells no byte both leave nothing to convert.
  ShowCatalogMessage("MsgIOTableEmpty");
  return false;
}
