#include "platform/platform.h"

namespace platform {

namespace {
thread_local Platform* installed = nullptr;
}

Platform& CurrentPlatform() { return installed ? *installed : NativePlatform(); }

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(installed) { installed = &platform; }
ScopedPlatform::~ScopedPlatform() { installed = previous_; }

bool Platform::CopyFile(const fs::path& from, const fs::path& to) {
  const std::optional<FileAttributes> attributes = GetFileAttributes(from);
  if (!attributes || attributes->directory) return false;
  const std::unique_ptr<InputFile> in = OpenForReading(from);
  if (!in) return false;
  const std::unique_ptr<OutputFile> out = CreateForWriting(to);
  if (!out) return false;
  std::vector<char> buffer(1 << 16);
  bool ok = true;
  try {
    for (std::size_t got; ok && (got = in->Read(buffer.data(), buffer.size())) != 0;) {
      ok = out->Write(buffer.data(), got);
    }
  } catch (const FileError&) {
    ok = false;  // an unreadable source is a failed copy, as the system's copy reports it
  }
  ok = out->Close() && ok;
  return ok && (!attributes->readOnly || SetReadOnly(to, true));
}

fs::path PathFromUtf8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string PathToUtf8(const fs::path& path) {
  const std::u8string s = path.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = 3;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    }
    bool valid = i + length <= utf8.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
    }
    if (!valid) length = 1;
    units += length == 4 ? 2 : 1;  // characters beyond the BMP take a surrogate pair
    i += length;
  }
  return units;
}

std::string ReadUpTo(InputFile& file, std::size_t length) {
  std::string bytes(length, '\0');
  std::size_t have = 0;
  while (have < length) {
    const std::size_t got = file.Read(bytes.data() + have, length - have);
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);
  return bytes;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  auto file = OpenForReading(path);
  if (!file) return std::nullopt;
  std::string bytes = ReadUpTo(*file, static_cast<std::size_t>(file->Size()));
  char more[4096];
  for (std::size_t got; (got = file->Read(more, sizeof more)) != 0;) bytes.append(more, got);
  return bytes;
}

bool WriteWholeFile(const fs::path& path, std::string_view bytes) {
  auto file = CreateForWriting(path);
  if (!file) return false;
  const bool written = file->Write(bytes);
  return file->Close() && written;
}

}  // namespace platform
