#include "project/hex_dump.h"

#include "app/user_interface.h"
#include "platform/platform.h"

std::string FormatHexDump(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(count * 3, ' ');
  for (std::size_t i = 0; i < count; ++i) {
    text[3 * i] = kDigits[bytes[i] >> 4];
    text[3 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return text;
}

bool ReadWholeFile(const std::string& path, const FileReadMessages& messages, std::string& bytes) {
  auto file = platform::OpenForReading(platform::PathFromUtf8(path));
  if (!file) {
    ShowCatalogMessage(messages.openFailed);
    return false;
  }
  const std::uint64_t length = file->Size();
  if (length == 0) {
    ShowCatalogMessage(messages.empty);
    return false;
  }
  bytes = platform::ReadUpTo(*file, static_cast<std::size_t>(length));
  if (bytes.size() < length) {
    ShowCatalogMessage(messages.readShort);
    return false;
  }
  return true;
}

bool WriteHexDumpFile(const std::string& binaryPath, const std::string& textPath) {
  std::string bytes;
  if (!ReadWholeFile(binaryPath, {"MsgReadFail", "MsgFileReadIncomplete", "MsgReadFail"}, bytes)) return false;
  const std::string text = FormatHexDump(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  auto out = platform::CreateForWriting(platform::PathFromUtf8(textPath));
  if (!out) {
    ShowCatalogMessage("MsgFileCreateFail");
    return false;
  }
  const bool written = out->Write(text);
  if (!out->Close() || !written) {
    ShowCatalogMessage("MsgFileCreateFail");
    return false;
  }
  return true;
}
