#include "pipeline/output_publish.h"

#include <vector>

#include "pipeline/work_directory.h"
#include "platform/platform.h"

namespace {

// Names taken one after another this often mean something keeps taking them; give up.
constexpr int kPublishAttempts = 100;

}  // namespace

std::string CreateTemporaryBeside(const std::string& outputPath) {
  const std::size_t nameStart = FileNameStart(outputPath);
  const std::string folder = outputPath.substr(0, nameStart);
  const std::string name = outputPath.substr(nameStart);
  for (int n = 1; n <= kPublishAttempts; ++n) {
    const std::string candidate = folder + "." + name + "." + std::to_string(n) + ".tmp";
    if (auto file = platform::CreateExclusive(platform::PathFromUtf8(candidate))) {
      if (file->Close()) return candidate;
      platform::DeleteFile(platform::PathFromUtf8(candidate));
      return {};
    }
    if (!platform::GetFileAttributes(platform::PathFromUtf8(candidate))) return {};  // folder refuses
  }
  return {};
}

TemporaryBeside::~TemporaryBeside() {
  if (!path_.empty()) platform::DeleteFile(platform::PathFromUtf8(path_));
}

bool CopyFileSynced(const std::string& from, const std::string& to) {
  auto in = platform::OpenForReading(platform::PathFromUtf8(from));
  if (!in) return false;
  auto out = platform::CreateForWriting(platform::PathFromUtf8(to));
  if (!out) return false;
  std::vector<char> buffer(1 << 16);
  bool ok = true;
  for (std::size_t got; ok && (got = in->Read(buffer.data(), buffer.size())) != 0;) {
    ok = out->Write(buffer.data(), got);
  }
  return out->Finish() && ok;
}

bool MoveOrCopySynced(const std::string& merged, const std::string& temporary) {
  return platform::MoveOverOwnFile(platform::PathFromUtf8(merged), platform::PathFromUtf8(temporary)) ||
         CopyFileSynced(merged, temporary);
}

bool PublishOutput(const std::string& mergedPath, bool packed, const std::string& inputPath,
                   std::string& outputPath, const ConversionSteps& steps, const implode::LooseEncoding* packedTail) {
  TemporaryBeside temporary(outputPath);
  if (temporary.path().empty()) return false;
  bool ok = packed ? steps.packOutput(mergedPath, temporary.path(), packedTail) : steps.copyOutput(mergedPath, temporary.path());
  for (int attempt = 0; ok && attempt < kPublishAttempts; ++attempt) {
    switch (platform::PublishNoReplace(platform::PathFromUtf8(temporary.path()), platform::PathFromUtf8(outputPath))) {
      case platform::PublishResult::Published:
        temporary.Published();
        return true;
      case platform::PublishResult::Failed:
        ok = false;
        break;
      case platform::PublishResult::NameTaken:
        outputPath = steps.makeOutputPath(inputPath);
        ok = steps.checkPathLength(outputPath);
        break;
    }
  }
  return false;
}
