#include "cli/new_file.h"

#include "app/message_catalog.h"
#include "pipeline/output_publish.h"
#include "pipeline/work_directory.h"
#include "platform/platform.h"

namespace {

constexpr int kNameAttempts = 1000;

bool Exists(const std::string& path) { return platform::GetFileAttributes(platform::PathFromUtf8(path)).has_value(); }

FileProblem Problem(const std::string& file, const char* key) { return {file, LookupMessage(key)}; }

// "folder/name.md" with " N" before the extension.
std::string Numbered(const std::string& path, int n) {
  if (n == 0) return path;
  const std::size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && dot > FileNameStart(path);
  const std::size_t at = hasExtension ? dot : path.size();
  return path.substr(0, at) + " " + std::to_string(n) + path.substr(at);
}

std::optional<FileProblem> Write(const std::string& path, const FillFile& fill, bool numbered, std::string& chosen) {
  int n = 0;
  if (numbered) {
    while (n < kNameAttempts && Exists(Numbered(path, n))) ++n;
  } else if (Exists(path)) {
    return Problem(path, "CliOutputExists");
  }
  // Removed on every path but publication: a problem, an exception, a stop.
  TemporaryBeside temporary(Numbered(path, n));
  if (temporary.path().empty()) return Problem(path, "CliOutputUnwritable");
  if (std::optional<FileProblem> problem = fill(temporary.path())) return problem;
  const auto temporaryPath = platform::PathFromUtf8(temporary.path());
  for (; n < kNameAttempts; ++n) {
    const std::string candidate = Numbered(path, n);
    switch (platform::PublishNoReplace(temporaryPath, platform::PathFromUtf8(candidate))) {
      case platform::PublishResult::Published:
        temporary.Published();
        chosen = candidate;
        return std::nullopt;
      case platform::PublishResult::NameTaken:
        if (numbered) continue;
        return Problem(path, "CliOutputExists");
      case platform::PublishResult::Failed:
        break;
    }
    break;
  }
  return Problem(path, "CliOutputUnwritable");
}

}  // namespace

std::optional<FileProblem> WriteNewFile(const std::string& path, const FillFile& fill) {
  std::string chosen;
  return Write(path, fill, false, chosen);
}

std::optional<FileProblem> WriteNewFileNumbered(const std::string& path, const FillFile& fill, std::string& chosen) {
  return Write(path, fill, true, chosen);
}

FillFile WithBytes(std::string bytes, std::string shownName) {
  return [bytes = std::move(bytes),
          shownName = std::move(shownName)](const std::string& temporary) -> std::optional<FileProblem> {
    auto file = platform::CreateForWriting(platform::PathFromUtf8(temporary));
    const bool written = file && file->Write(bytes);
    if (file && file->Finish() && written) return std::nullopt;
    return FileProblem{shownName, LookupMessage("CliOutputUnwritable")};
  };
}
