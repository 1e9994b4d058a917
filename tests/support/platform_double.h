// A platform for tests: the native one, except for the calls a test makes fail and the nation,
// tick count and date it sets. Installed for the thread while it lives.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

enum class PlatformCall {
  TemporaryFolder, CreateDirectory, RemoveDirectory, DeleteFile, ListDirectory, GetFileAttributes,
  SetReadOnly, CopyFile, OpenForReading, CreateForWriting, CreateExclusive, PublishNoReplace,
  Read, Write, Close, Today,
};

class PlatformDouble : public platform::Platform {
 public:
  PlatformDouble();
  ~PlatformDouble() override;

  // Makes the call fail for every path containing pathPart (empty: every path). Read throws
  // FileError; Write and Close report failure; PublishNoReplace reports Failed, or NameTaken
  // when nameTaken is set; the others return their failure value.
  void Fail(PlatformCall call, std::string pathPart = {}, bool nameTaken = false);
  void Heal() { failures_.clear(); }

  std::optional<std::string> nationCode;
  std::optional<std::uint32_t> tickCount;
  std::optional<platform::LocalDate> today;  // nullopt with Fail(Today): the date is unknown
  std::optional<std::string> temporaryFolder;
  // Called before each PublishNoReplace (for races: a test can take the name here).
  std::function<void(const std::string& to)> beforePublish;

  std::string UserNationCode() override;
  std::optional<std::string> TemporaryFolder() override;
  std::uint32_t TickCount() override;
  std::optional<platform::LocalDate> Today() override;
  bool CreateDirectory(const std::filesystem::path& path) override;
  bool RemoveDirectory(const std::filesystem::path& path) override;
  bool DeleteFile(const std::filesystem::path& path) override;
  bool ListDirectory(const std::filesystem::path& path, std::vector<platform::DirectoryEntry>& entries) override;
  std::optional<platform::FileAttributes> GetFileAttributes(const std::filesystem::path& path) override;
  bool SetReadOnly(const std::filesystem::path& path, bool readOnly) override;
  bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) override;
  std::unique_ptr<platform::InputFile> OpenForReading(const std::filesystem::path& path) override;
  std::unique_ptr<platform::OutputFile> CreateForWriting(const std::filesystem::path& path) override;
  std::unique_ptr<platform::OutputFile> CreateExclusive(const std::filesystem::path& path) override;
  platform::PublishResult PublishNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;

  bool Fails(PlatformCall call, const std::filesystem::path& path) const;

 private:
  struct Failure {
    PlatformCall call;
    std::string pathPart;
    bool nameTaken;
  };
  std::unique_ptr<platform::OutputFile> Wrap(std::unique_ptr<platform::OutputFile> file, const std::filesystem::path& path);

  std::vector<Failure> failures_;
  platform::Platform& native_;
  platform::ScopedPlatform scope_;
};
