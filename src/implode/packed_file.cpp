#include "implode/packed_file.h"

#include <cerrno>
#include <memory>
#include <new>

#include "implode/explode.h"
#include "implode/implode.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Binary, and on Windows without sharing: while we work, no other program has the file open.
File OpenFile(const std::filesystem::path& path, const bool forWriting) {
#ifdef _WIN32
  return File(_wfsopen(path.c_str(), forWriting ? L"wb" : L"rb", _SH_DENYRW));
#else
  return File(std::fopen(path.c_str(), forWriting ? "wb" : "rb"));
#endif
}

bool SyncToDevice(std::FILE* file) {
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  if (fsync(fileno(file)) == 0) return true;
  // A pipe or character device has nothing to sync; that loses no data.
  return errno == EINVAL || errno == ENOTSUP;
#endif
}

// Flushes, syncs when asked, and closes; false when any of that fails. A full device often
// reports only here, because the writes before were buffered.
bool CloseTarget(File& target, const bool sync) {
  std::FILE* const file = target.release();
  bool ok = std::fflush(file) == 0;
  if (ok && sync) ok = SyncToDevice(file);
  return std::fclose(file) == 0 && ok;
}

bool ImplodeAccepts(const std::uint32_t literalMode, const std::uint32_t dictionarySize) {
  return literalMode <= 1 && (dictionarySize == 1024 || dictionarySize == 2048 || dictionarySize == 4096);
}

}  // namespace

std::uint32_t ReadFromSource(char* buffer, std::uint32_t& size, void* context) {
  auto& files = *static_cast<PackFileContext*>(context);
  if (files.tooLarge) return 0;
  const std::size_t got = std::fread(buffer, 1, size, files.source);
  if (got < size && std::ferror(files.source)) throw PackedFileReadError("cannot read the source file");
  if (got < size) files.sourceExhausted = true;
  return static_cast<std::uint32_t>(got);
}

void WriteToTarget(const char* buffer, std::uint32_t& size, void* context) {
  auto& files = *static_cast<PackFileContext*>(context);
  if (files.tooLarge) return;
  std::uint64_t count = size;
  if (count > files.limit - files.written) {
    count = files.limit - files.written;
    files.tooLarge = true;
  }
  if (count != 0 && std::fwrite(buffer, 1, static_cast<std::size_t>(count), files.target) != count) {
    files.writeFailed = true;
  }
  files.written += count;
}

bool PackFile(const std::filesystem::path& source, const std::filesystem::path& target,
              const std::uint32_t literalMode, const std::uint32_t dictionarySize) {
  if (!ImplodeAccepts(literalMode, dictionarySize)) return false;
  const std::unique_ptr<ImplodeWorkArea> work(new (std::nothrow) ImplodeWorkArea());
  if (!work) return false;
  File sourceFile = OpenFile(source, false);
  if (!sourceFile) return false;
  File targetFile = OpenFile(target, true);
  if (!targetFile) return false;
  PackFileContext files;
  files.source = sourceFile.get();
  files.target = targetFile.get();
  ImplodeStream(ReadFromSource, WriteToTarget, *work, &files, literalMode, dictionarySize);
  sourceFile.reset();
  const bool closed = CloseTarget(targetFile, true);
  return closed && !files.writeFailed;
}

bool PackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  return PackFile(source, target, 0, 4096);
}

UnpackFailure UnpackFileExplained(const std::filesystem::path& source, const std::filesystem::path& target,
                                  const std::uint64_t limit) {
  const std::unique_ptr<ExplodeWorkArea> work(new (std::nothrow) ExplodeWorkArea());
  if (!work) return UnpackFailure::TargetUnwritable;
  File sourceFile = OpenFile(source, false);
  if (!sourceFile) return UnpackFailure::SourceUnreadable;
  File targetFile = OpenFile(target, true);
  if (!targetFile) return UnpackFailure::TargetUnwritable;
  PackFileContext files;
  files.source = sourceFile.get();
  files.target = targetFile.get();
  files.limit = limit;
  const unsigned code = ExplodeStream(ReadFromSource, WriteToTarget, *work, &files);
  const bool closed = CloseTarget(targetFile, false);
  sourceFile.reset();
  if (files.tooLarge) return UnpackFailure::TooLarge;
  if (code == kStreamBadData) return files.sourceExhausted ? UnpackFailure::Truncated : UnpackFailure::NotAStream;
  if (code != kStreamOk) return UnpackFailure::NotAStream;
  return closed && !files.writeFailed ? UnpackFailure::None : UnpackFailure::TargetUnwritable;
}

UnpackResult UnpackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target,
                               const std::uint64_t limit) {
  switch (UnpackFileExplained(source, target, limit)) {
    case UnpackFailure::None: return UnpackResult::Expanded;
    case UnpackFailure::TooLarge: return UnpackResult::TooLarge;
    case UnpackFailure::SourceUnreadable:
    case UnpackFailure::NotAStream:
    case UnpackFailure::Truncated:
    case UnpackFailure::TargetUnwritable: break;
  }
  return UnpackResult::Failed;
}
