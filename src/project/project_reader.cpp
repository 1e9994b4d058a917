#include "project/project_reader.h"

#include <algorithm>
#include <cstring>

#include "app/user_interface.h"
#include "project/text_keys.h"
#include "project/text_search.h"

namespace {

constexpr std::size_t kReadChunk = 1 << 20;

bool Contains(std::string_view line, std::string_view key) {
  return line.find(key) != std::string_view::npos;
}

}  // namespace

ProjectFile::ProjectFile(std::unique_ptr<platform::InputFile> file)
    : file_(std::move(file)), buffer_(kReadChunk) {}

std::unique_ptr<ProjectFile> ProjectFile::Open(const std::string& path) {
  auto file = platform::OpenForReading(platform::PathFromUtf8(path));
  if (!file) return nullptr;
  return std::make_unique<ProjectFile>(std::move(file));
}

bool ProjectFile::Refill() {
  if (atEnd_) return false;
  position_ = 0;
  filled_ = file_->Read(buffer_.data(), buffer_.size());
  if (filled_ == 0) atEnd_ = true;
  return filled_ != 0;
}

bool ProjectFile::ReadLine(std::string& line, LineMode mode) {
  line.clear();
  bool gotByte = false;
  bool endedByLf = false;
  while (!endedByLf) {
    if (position_ == filled_ && !Refill()) break;
    const char* const start = buffer_.data() + position_;
    const std::size_t available = filled_ - position_;
    const void* const lf = std::memchr(start, '\n', available);
    const std::size_t take = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : available;
    line.append(start, take);
    position_ += take;
    gotByte = true;
    if (lf) {
      ++position_;
      endedByLf = true;
    }
  }
  if (mode == LineMode::Ansi) {
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
  } else if (endedByLf && !line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return gotByte;
}

bool ProjectFile::ReadLines(std::string_view& piece) {
  std::memmove(buffer_.data(), buffer_.data() + position_, filled_ - position_);
  filled_ -= position_;
  position_ = 0;
  for (;;) {
    while (!atEnd_ && filled_ < buffer_.size()) {
      const std::size_t got = file_->Read(buffer_.data() + filled_, buffer_.size() - filled_);
      if (got == 0) atEnd_ = true;
      filled_ += got;
    }
    std::size_t take = filled_;
    if (!atEnd_) {
      const std::string_view filled(buffer_.data(), filled_);
      const std::size_t lastLf = filled.rfind('\n');
      take = lastLf == std::string_view::npos ? 0 : lastLf + 1;
    }
    if (take > 0) {
      piece = std::string_view(buffer_.data(), take);
      position_ = take;
      return true;
    }
    if (atEnd_) return false;
    buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
  }
}

void ProjectFile::Rewind() {
  file_->Rewind();
  position_ = 0;
  filled_ = 0;
  atEnd_ = false;
}

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimWhiteSpace(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsWhiteSpace(text[first])) ++first;
  while (last > first && IsWhiteSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool ReadProjectText(const std::string& path, std::string& text) {
  std::optional<std::string> bytes = platform::ReadWholeFile(platform::PathFromUtf8(path));
  if (!bytes) {
    ShowCatalogMessage("MsgReadFail");
    return false;
  }
  // Normalised in place so that the text is held once: a CR directly before an LF goes, and a
  // last line without line end gets its LF.
  std::string& raw = *bytes;
  std::size_t out = 0;
  for (std::size_t in = 0; in < raw.size(); ++in) {
    if (raw[in] == '\r' && in + 1 < raw.size() && raw[in + 1] == '\n') continue;
    raw[out++] = raw[in];
  }
  raw.resize(out);
  if (!raw.empty() && raw.back() != '\n') raw.push_back('\n');
  if (text.empty()) {
    text = std::move(raw);
  } else {
    text += raw;
  }
  return true;
}

bool ReadAnsiLine(ProjectFile& file, std::string& line) { return file.ReadLine(line, LineMode::Ansi); }

std::string FindLineContaining(ProjectFile& file, std::string_view key, std::string_view stopKey) {
  std::string line;
  while (ReadAnsiLine(file, line)) {
    if (Contains(line, key)) return line;
    if (Contains(line, stopKey)) break;
  }
  return {};
}

std::string ReadFirstConfigValue(ProjectFile& file) {
  file.Rewind();
  std::string value;
  bool started = false;
  std::string line;
  while (ReadAnsiLine(file, line)) {
    if (Contains(line, keys::kConfigOpen)) {
      const std::size_t open = line.find('"');
      const std::size_t close = line.find('"', open + 1);
      if (close != std::string::npos) return line.substr(open + 1, close - open - 1);
      value = line.substr(open + 1);
      started = true;
    } else if (started) {
      const std::size_t quote = line.find('"');
      value.append(line, 0, quote);
      if (quote != std::string::npos) return value;
    }
  }
  return value;
}

std::string ReadPlcConfigValue(ProjectFile& file) {
  file.Rewind();
  std::string value;
  bool plcSeen = false;
  bool configSeen = false;
  bool open = false;
  std::string line;
  while (ReadAnsiLine(file, line)) {
    if (Contains(line, keys::kPlc)) {
      plcSeen = true;
    } else if (!plcSeen || Contains(line, keys::kBegin)) {
      // Before the PLC, and the lines that open a body, hold no configuration of the PLC.
    } else if (Contains(line, keys::kConfig)) {
      configSeen = true;
      const std::size_t quote = line.find('"');
      if (quote == std::string::npos) continue;
      const std::size_t close = line.find('"', quote + 1);
      open = close == std::string::npos;
      value = line.substr(quote + 1, open ? std::string::npos : close - quote - 1);
    } else if (configSeen && open) {
      const std::size_t quote = line.find('"');
      value.append(line, 0, quote);
      if (quote != std::string::npos) break;
    } else if (configSeen && !value.empty()) {
      break;
    }
  }
  return value;
}

std::string ParseDeviceAndCpu(std::string_view value) {
  const std::size_t section = value.find(keys::kDeviceSection);
  if (section == std::string_view::npos) return {};
  const std::size_t device = value.find(keys::kDevice, section);
  if (device == std::string_view::npos) return {};
  const std::size_t modelStart = device + keys::kDevice.size();
  const std::size_t modelEnd = std::min(value.find(';', modelStart), value.size());
  const std::size_t cpu = value.find(keys::kCpu, modelStart);
  if (cpu == std::string_view::npos) return {};
  const std::size_t cpuStart = cpu + keys::kCpu.size();
  const std::size_t cpuEnd = std::min(value.find(';', cpuStart), value.size());
  std::string descriptor(TrimWhiteSpace(value.substr(modelStart, modelEnd - modelStart)));
  descriptor += ' ';
  descriptor += TrimWhiteSpace(value.substr(cpuStart, cpuEnd - cpuStart));
  return descriptor;
}

std::string ExtractHexBlock(ProjectFile& file, std::string_view sectionKey, std::string_view entryKey) {
  return std::move(ExtractHexBlocks(file, {{sectionKey, entryKey}}).front());
}

std::vector<std::string> ExtractHexBlocks(ProjectFile& file, const std::vector<HexBlockRequest>& requests) {
  file.Rewind();
  std::vector<HexBlockReader> readers;
  readers.reserve(requests.size());
  const std::uint64_t size = file.Size();
  for (const HexBlockRequest& request : requests) {
    readers.emplace_back(request.sectionKey, request.entryKey, true);
    readers.back().SetTextSize(size);
  }
  const auto allDone = [&readers] {
    return std::all_of(readers.begin(), readers.end(), [](const HexBlockReader& reader) { return reader.Done(); });
  };
  std::string_view piece;
  for (std::size_t offset = 0; !allDone() && file.ReadLines(piece); offset += piece.size()) {
    for (HexBlockReader& reader : readers) {
      if (!reader.Done()) reader.Feed(piece, offset);
    }
  }
  std::vector<std::string> blocks;
  for (HexBlockReader& reader : readers) blocks.push_back(reader.TakeContent());
  return blocks;
}
