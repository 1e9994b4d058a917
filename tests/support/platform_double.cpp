#include "platform_double.h"

#include <csignal>

namespace {

namespace fs = std::filesystem;

// A native output file whose calls the double counts and can fail. A failed write, flush, sync or
// close leaves the native file closed as the native one would be, and the result false.
class DoubleOutputFile final : public platform::OutputFile {
 public:
  DoubleOutputFile(PlatformDouble& owner, std::unique_ptr<platform::OutputFile> inner, fs::path path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}
  ~DoubleOutputFile() override { End(false); }

  bool Write(const void* data, std::size_t size) override {
    if (owner_.Hit(PlatformCall::Write, path_)) failed_ = true;
    if (failed_) return false;
    if (!inner_->Write(data, size)) failed_ = true;
    return !failed_;
  }
  bool Close() override { return End(false); }
  bool Finish() override { return End(true); }

 private:
  bool End(bool sync) {
    if (ended_) return result_;
    ended_ = true;
    bool ok = !failed_;
    if (owner_.Hit(PlatformCall::Flush, path_)) ok = false;
    if (sync && ok && owner_.Hit(PlatformCall::Sync, path_)) ok = false;
    if (owner_.Hit(PlatformCall::Close, path_)) ok = false;
    const bool closed = (sync && ok && owner_.syncToDevice) ? inner_->Finish() : inner_->Close();
    result_ = ok && closed;
    return result_;
  }

  PlatformDouble& owner_;
  std::unique_ptr<platform::OutputFile> inner_;
  fs::path path_;
  bool failed_ = false;
  bool ended_ = false;
  bool result_ = false;
};

class DoubleInputFile final : public platform::InputFile {
 public:
  DoubleInputFile(PlatformDouble& owner, std::unique_ptr<platform::InputFile> inner, fs::path path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    if (owner_.Hit(PlatformCall::Read, path_)) throw platform::FileError("injected read failure");
    return inner_->Read(buffer, size);
  }
  std::uint64_t Size() override {
    if (owner_.Hit(PlatformCall::Size, path_)) throw platform::FileError("injected size failure");
    return inner_->Size();
  }
  void Rewind() override {
    if (owner_.Hit(PlatformCall::Rewind, path_)) throw platform::FileError("injected seek failure");
    inner_->Rewind();
  }
  std::unique_ptr<platform::FileMapping> Map() override {
    if (owner_.Hit(PlatformCall::Map, path_)) return nullptr;
    return inner_->Map();
  }
  std::unique_ptr<platform::FileMapping> MapGradually() override {
    if (owner_.Hit(PlatformCall::Map, path_)) return nullptr;
    return inner_->MapGradually();
  }

 private:
  PlatformDouble& owner_;
  std::unique_ptr<platform::InputFile> inner_;
  fs::path path_;
};

class DoubleFileLock final : public platform::FileLock {
 public:
  DoubleFileLock(PlatformDouble& owner, std::unique_ptr<platform::FileLock> inner, fs::path path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}
  bool Remove() override { return !owner_.Hit(PlatformCall::DeleteFile, path_) && inner_->Remove(); }

 private:
  PlatformDouble& owner_;
  std::unique_ptr<platform::FileLock> inner_;
  fs::path path_;
};

}  // namespace

const char* PlatformCallName(PlatformCall call) {
  static const char* const names[kPlatformCallKinds] = {
      "TemporaryFolder", "CreateDirectory", "RemoveDirectory", "DeleteFile", "ListDirectory", "GetFileAttributes",
      "SetReadOnly", "OpenForReading", "CreateForWriting", "CreateExclusive", "PatchFile", "MoveOverOwnFile",
      "PublishNoReplace",
      "Read", "Size", "Rewind", "Map", "Write", "Flush", "Sync", "Close", "CreateLockFile", "TryLockFile", "Today",
      "CopyFile"};
  return names[static_cast<int>(call)];
}

PlatformDouble::PlatformDouble() : native_(platform::NativePlatform()), scope_(*this) {}
PlatformDouble::~PlatformDouble() = default;

void PlatformDouble::Fail(PlatformCall call, std::string pathPart, bool nameTaken) {
  failures_.push_back({call, std::move(pathPart), nameTaken});
}

void PlatformDouble::FailNth(PlatformCall call, int n, bool persistent) { nth_.push_back({call, n, persistent, false}); }

void PlatformDouble::StopAtNth(PlatformCall call, int n) { nth_.push_back({call, n, false, true}); }

void PlatformDouble::Heal() {
  failures_.clear();
  nth_.clear();
}

bool PlatformDouble::Fails(PlatformCall call, const fs::path& path) const {
  const std::string text = path.string();
  for (const auto& failure : failures_) {
    if (failure.call == call && text.find(failure.pathPart) != std::string::npos) return true;
  }
  return false;
}

bool PlatformDouble::Hit(PlatformCall call, const fs::path& path) {
  const int count = ++counts_[static_cast<std::size_t>(call)];
  if (onCall) onCall(call, path);
  bool fail = Fails(call, path);
  for (const auto& nth : nth_) {
    if (nth.call != call) continue;
    if (nth.stop) {
      if (count == nth.n) platform::RequestStop(SIGINT);  // the native call then sees it
    } else if (count == nth.n || (nth.persistent && count > nth.n)) {
      fail = true;
    }
  }
  return fail;
}

std::string PlatformDouble::UserNationCode() { return nationCode ? *nationCode : native_.UserNationCode(); }

std::optional<std::string> PlatformDouble::TemporaryFolder() {
  if (Hit(PlatformCall::TemporaryFolder, {})) return std::nullopt;
  return temporaryFolder ? temporaryFolder : native_.TemporaryFolder();
}

std::uint32_t PlatformDouble::TickCount() { return tickCount ? *tickCount : native_.TickCount(); }

std::optional<platform::LocalDate> PlatformDouble::Today() {
  if (Hit(PlatformCall::Today, {})) return std::nullopt;
  return today ? today : native_.Today();
}

std::int64_t PlatformDouble::CurrentTime() { return currentTime ? *currentTime : native_.CurrentTime(); }

bool PlatformDouble::CreateDirectory(const fs::path& path) {
  return !Hit(PlatformCall::CreateDirectory, path) && native_.CreateDirectory(path);
}
bool PlatformDouble::RemoveDirectory(const fs::path& path) {
  return !Hit(PlatformCall::RemoveDirectory, path) && native_.RemoveDirectory(path);
}
bool PlatformDouble::DeleteFile(const fs::path& path) {
  return !Hit(PlatformCall::DeleteFile, path) && native_.DeleteFile(path);
}
bool PlatformDouble::ListDirectory(const fs::path& path, std::vector<platform::DirectoryEntry>& entries) {
  return !Hit(PlatformCall::ListDirectory, path) && native_.ListDirectory(path, entries);
}
std::optional<platform::FileAttributes> PlatformDouble::GetFileAttributes(const fs::path& path) {
  if (Hit(PlatformCall::GetFileAttributes, path)) return std::nullopt;
  std::optional<platform::FileAttributes> attributes = native_.GetFileAttributes(path);
  if (attributes) {
    for (const std::string& part : foreignOwned) {
      if (path.string().find(part) != std::string::npos) attributes->ownedByCurrentUser = false;
    }
  }
  return attributes;
}
bool PlatformDouble::SetReadOnly(const fs::path& path, bool readOnly) {
  return !Hit(PlatformCall::SetReadOnly, path) && native_.SetReadOnly(path, readOnly);
}
bool PlatformDouble::CopyFile(const fs::path& from, const fs::path& to) {
  if (Fails(PlatformCall::CopyFile, from) || Fails(PlatformCall::CopyFile, to)) return false;
  return Platform::CopyFile(from, to);  // made of this double's calls, each counted
}
std::unique_ptr<platform::InputFile> PlatformDouble::OpenForReading(const fs::path& path) {
  if (Hit(PlatformCall::OpenForReading, path)) return nullptr;
  auto file = native_.OpenForReading(path);
  if (!file) return nullptr;
  return std::make_unique<DoubleInputFile>(*this, std::move(file), path);
}
std::unique_ptr<platform::OutputFile> PlatformDouble::Wrap(std::unique_ptr<platform::OutputFile> file,
                                                           const fs::path& path) {
  if (!file) return nullptr;
  return std::make_unique<DoubleOutputFile>(*this, std::move(file), path);
}
std::unique_ptr<platform::OutputFile> PlatformDouble::CreateForWriting(const fs::path& path) {
  if (Hit(PlatformCall::CreateForWriting, path)) return nullptr;
  return Wrap(native_.CreateForWriting(path), path);
}
std::unique_ptr<platform::OutputFile> PlatformDouble::CreateExclusive(const fs::path& path) {
  if (Hit(PlatformCall::CreateExclusive, path)) return nullptr;
  return Wrap(native_.CreateExclusive(path), path);
}
bool PlatformDouble::PatchFile(const fs::path& path, const std::vector<platform::FilePatch>& patches) {
  return !Hit(PlatformCall::PatchFile, path) && native_.PatchFile(path, patches);
}
bool PlatformDouble::MoveOverOwnFile(const fs::path& from, const fs::path& to) {
  return !Hit(PlatformCall::MoveOverOwnFile, to) && native_.MoveOverOwnFile(from, to);
}
platform::PublishResult PlatformDouble::PublishNoReplace(const fs::path& from, const fs::path& to) {
  if (beforePublish) beforePublish(to.string());
  if (Hit(PlatformCall::PublishNoReplace, to)) {
    for (const auto& failure : failures_) {
      if (failure.call == PlatformCall::PublishNoReplace && failure.nameTaken &&
          to.string().find(failure.pathPart) != std::string::npos) {
        return platform::PublishResult::NameTaken;
      }
    }
    return platform::PublishResult::Failed;
  }
  return native_.PublishNoReplace(from, to);
}
std::unique_ptr<platform::FileLock> PlatformDouble::CreateLockFile(const fs::path& path) {
  if (Hit(PlatformCall::CreateLockFile, path)) return nullptr;
  auto lock = native_.CreateLockFile(path);
  if (!lock) return nullptr;
  return std::make_unique<DoubleFileLock>(*this, std::move(lock), path);
}
std::unique_ptr<platform::FileLock> PlatformDouble::TryLockFile(const fs::path& path) {
  if (Hit(PlatformCall::TryLockFile, path)) return nullptr;
  auto lock = native_.TryLockFile(path);
  if (!lock) return nullptr;
  return std::make_unique<DoubleFileLock>(*this, std::move(lock), path);
}
