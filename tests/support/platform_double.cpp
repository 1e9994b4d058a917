#include "platform_double.h"

namespace {

class FailingOutputFile final : public platform::OutputFile {
 public:
  FailingOutputFile(std::unique_ptr<platform::OutputFile> inner, bool failWrite, bool failClose)
      : inner_(std::move(inner)), failWrite_(failWrite), failClose_(failClose) {}
  bool Write(const void* data, std::size_t size) override {
    if (failWrite_) {
      failed_ = true;
      return false;
    }
    return inner_->Write(data, size);
  }
  bool Close() override { return End(inner_->Close()); }
  bool Finish() override { return End(inner_->Finish()); }

 private:
  bool End(bool ok) { return ok && !failClose_ && !failed_; }
  std::unique_ptr<platform::OutputFile> inner_;
  bool failWrite_, failClose_, failed_ = false;
};

class FailingInputFile final : public platform::InputFile {
 public:
  explicit FailingInputFile(std::unique_ptr<platform::InputFile> inner) : inner_(std::move(inner)) {}
  std::size_t Read(void*, std::size_t) override { throw platform::FileError("injected read failure"); }
  std::uint64_t Size() override { return inner_->Size(); }
  void Rewind() override { inner_->Rewind(); }

 private:
  std::unique_ptr<platform::InputFile> inner_;
};

}  // namespace

PlatformDouble::PlatformDouble() : native_(platform::NativePlatform()), scope_(*this) {}
PlatformDouble::~PlatformDouble() = default;

void PlatformDouble::Fail(PlatformCall call, std::string pathPart, bool nameTaken) {
  failures_.push_back({call, std::move(pathPart), nameTaken});
}

bool PlatformDouble::Fails(PlatformCall call, const std::filesystem::path& path) const {
  const std::string text = path.string();
  for (const auto& failure : failures_) {
    if (failure.call == call && text.find(failure.pathPart) != std::string::npos) return true;
  }
  return false;
}

std::string PlatformDouble::UserNationCode() { return nationCode ? *nationCode : native_.UserNationCode(); }

std::optional<std::string> PlatformDouble::TemporaryFolder() {
  if (Fails(PlatformCall::TemporaryFolder, {})) return std::nullopt;
  return temporaryFolder ? temporaryFolder : native_.TemporaryFolder();
}

std::uint32_t PlatformDouble::TickCount() { return tickCount ? *tickCount : native_.TickCount(); }

std::optional<platform::LocalDate> PlatformDouble::Today() {
  if (Fails(PlatformCall::Today, {})) return std::nullopt;
  return today ? today : native_.Today();
}

bool PlatformDouble::CreateDirectory(const std::filesystem::path& path) {
  return !Fails(PlatformCall::CreateDirectory, path) && native_.CreateDirectory(path);
}
bool PlatformDouble::RemoveDirectory(const std::filesystem::path& path) {
  return !Fails(PlatformCall::RemoveDirectory, path) && native_.RemoveDirectory(path);
}
bool PlatformDouble::DeleteFile(const std::filesystem::path& path) {
  return !Fails(PlatformCall::DeleteFile, path) && native_.DeleteFile(path);
}
bool PlatformDouble::ListDirectory(const std::filesystem::path& path, std::vector<platform::DirectoryEntry>& entries) {
  return !Fails(PlatformCall::ListDirectory, path) && native_.ListDirectory(path, entries);
}
std::optional<platform::FileAttributes> PlatformDouble::GetFileAttributes(const std::filesystem::path& path) {
  if (Fails(PlatformCall::GetFileAttributes, path)) return std::nullopt;
  return native_.GetFileAttributes(path);
}
bool PlatformDouble::SetReadOnly(const std::filesystem::path& path, bool readOnly) {
  return !Fails(PlatformCall::SetReadOnly, path) && native_.SetReadOnly(path, readOnly);
}
bool PlatformDouble::CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  return !Fails(PlatformCall::CopyFile, from) && !Fails(PlatformCall::CopyFile, to) &&
         native_.CopyFile(from, to);
}
std::unique_ptr<platform::InputFile> PlatformDouble::OpenForReading(const std::filesystem::path& path) {
  if (Fails(PlatformCall::OpenForReading, path)) return nullptr;
  auto file = native_.OpenForReading(path);
  if (file && Fails(PlatformCall::Read, path)) return std::make_unique<FailingInputFile>(std::move(file));
  return file;
}
std::unique_ptr<platform::OutputFile> PlatformDouble::Wrap(std::unique_ptr<platform::OutputFile> file,
                                                           const std::filesystem::path& path) {
  const bool failWrite = Fails(PlatformCall::Write, path);
  const bool failClose = Fails(PlatformCall::Close, path);
  if (!file || (!failWrite && !failClose)) return file;
  return std::make_unique<FailingOutputFile>(std::move(file), failWrite, failClose);
}
std::unique_ptr<platform::OutputFile> PlatformDouble::CreateForWriting(const std::filesystem::path& path) {
  if (Fails(PlatformCall::CreateForWriting, path)) return nullptr;
  return Wrap(native_.CreateForWriting(path), path);
}
std::unique_ptr<platform::OutputFile> PlatformDouble::CreateExclusive(const std::filesystem::path& path) {
  if (Fails(PlatformCall::CreateExclusive, path)) return nullptr;
  return Wrap(native_.CreateExclusive(path), path);
}
platform::PublishResult PlatformDouble::PublishNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (beforePublish) beforePublish(to.string());
  for (const auto& failure : failures_) {
    if (failure.call == PlatformCall::PublishNoReplace && to.string().find(failure.pathPart) != std::string::npos) {
      return failure.nameTaken ? platform::PublishResult::NameTaken : platform::PublishResult::Failed;
    }
  }
  return native_.PublishNoReplace(from, to);
}
