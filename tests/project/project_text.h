// Small project texts for the project tests, written inline beside their checks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "test_files.h"

namespace projecttext {

// The lines, each ended by CR LF.
inline std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

// The lines, each ended by LF only.
inline std::string Lf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const std::string_view line : lines) text.append(line).append("\n");
  return text;
}

// Writes the bytes to a file of the test's own folder and returns its path.
inline std::string WriteProject(std::string_view bytes, std::string_view name = "temp_project.lqt") {
  const auto path = testfiles::TempFolder() / name;
  testfiles::Write(path, bytes);
  return path.string();
}

// A valid source-model project with one PLC; the configuration value and the three blocks'
// contents can be replaced (an empty content leaves no line between the markers).
struct ProjectParts {
  std::string header = "ResourceCount:=1;";
  std::string config = "Config:=\"[DEV]DEV:TQ5A;CPU:CPU63;EM:E,0,32768,WORD,RW,1,X;UM:UM,0,5,Y;\";";
  std::string unitSetup = "0A 0B 0C";
  std::string ioData = "54 51 35 41 01";
  std::string settingsData = "FF EE";
};

inline std::string BuildProject(const ProjectParts& parts) {
  std::string text = Crlf({"Project:=", "BEGIN", "TQ5ASupportVersion:=3;"});
  text += parts.header + "\r\n";
  text += Crlf({"PLC:=", "BEGIN"});
  text += "  " + parts.config + "\r\n";
  text += Crlf({"  IOTable:=", "  BEGIN", "    UnitSetup:=", "$?St$Bk?_#[1]"});
  if (!parts.unitSetup.empty()) text += parts.unitSetup + "\r\n";
  text += Crlf({"$?St$Bk?_#[1]", "    Data:=", "$?St$Bk?_#[2]"});
  if (!parts.ioData.empty()) text += parts.ioData + "\r\n";
  text += Crlf({"$?St$Bk?_#[2]", "  END;", "  Settings:=", "  BEGIN", "    Data:=", "$?St$Bk?_#[3]"});
  if (!parts.settingsData.empty()) text += parts.settingsData + "\r\n";
  text += Crlf({"$?St$Bk?_#[3]", "  END;", "END;", "Resource[1]:=", "END;"});
  return text;
}

// An input file over bytes in memory, optionally claiming more bytes than it delivers; mapped,
// it offers the bytes it holds (unless it is made unmappable), as a file would its own.
class MemoryInputFile final : public platform::InputFile {
 public:
  explicit MemoryInputFile(std::string bytes, std::uint64_t claimedSize = 0, bool mappable = true)
      : bytes_(std::move(bytes)), size_(claimedSize ? claimedSize : bytes_.size()), mappable_(mappable) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    ++reads;
    const std::size_t take = std::min(size, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, take);
    position_ += take;
    return take;
  }
  std::uint64_t Size() override { return size_; }
  void Rewind() override { position_ = 0; }
  std::unique_ptr<platform::FileMapping> Map() override {
    ++maps;
    return mappable_ ? std::make_unique<platform::BorrowedBytes>(bytes_) : nullptr;
  }

  int reads = 0;
  int maps = 0;

 private:
  std::string bytes_;
  std::uint64_t size_;
  bool mappable_;
  std::size_t position_ = 0;
};

// An output file that keeps what it is given, or refuses every write.
class MemoryOutputFile final : public platform::OutputFile {
 public:
  explicit MemoryOutputFile(bool refuseWrites = false) : refuse_(refuseWrites) {}
  bool Write(const void* data, std::size_t size) override {
    if (refuse_) return false;
    bytes.append(static_cast<const char*>(data), size);
    ++writes;
    return true;
  }
  bool Close() override { return !refuse_; }
  bool Finish() override { return !refuse_; }

  std::string bytes;
  int writes = 0;

 private:
  bool refuse_;
};

}  // namespace projecttext
