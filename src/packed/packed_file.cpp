#include "packed/packed_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "implode/explode.h"
#include "implode/explode_parallel.h"
#include "implode/implode.h"
#include "implode/implode_parallel.h"

namespace {

bool ImplodeAccepts(const std::uint32_t literalMode, const std::uint32_t dictionarySize) {
  return literalMode <= 1 && (dictionarySize == 1024 || dictionarySize == 2048 || dictionarySize == 4096);
}

// The source is read in pieces of this size: a system call for each 4096 bytes the codec asks
// for costs a few percent of a compression.
constexpr std::size_t kReadPiece = 128 * 1024;

// Opens the source, then creates the target; null files when either cannot be had (the source
// is then closed again and the target never created). On Windows both are opened without
// sharing, a property of the platform's open: while we work no other program has them open.
struct OpenFiles {
  std::unique_ptr<platform::InputFile> source;
  std::unique_ptr<platform::OutputFile> target;
  bool ok() const { return source && target; }
};

OpenFiles Open(const std::filesystem::path& source, const std::filesystem::path& target) {
  OpenFiles files;
  files.source = platform::OpenForReading(source);
  if (files.source) files.target = platform::CreateForWriting(target);
  return files;
}

}  // namespace

std::uint32_t ReadFromSource(char* buffer, std::uint32_t& size, void* context) {
  auto& files = *static_cast<PackFileContext*>(context);
  if (files.tooLarge) return 0;
  // The codec takes a short delivery for the end of its input: fill the request while there is
  // more.
  std::uint32_t have = 0;
  while (have < size) {
    if (files.readBuffer == nullptr) {
      const std::size_t got = files.source->Read(buffer + have, size - have);
      if (got == 0) break;
      have += static_cast<std::uint32_t>(got);
      continue;
    }
    if (files.readAt == files.readEnd) {
      files.readAt = 0;
      files.readEnd = files.source->Read(files.readBuffer, files.readBufferSize);
      if (files.readEnd == 0) break;
    }
    const std::size_t n = std::min<std::size_t>(size - have, files.readEnd - files.readAt);
    std::memcpy(buffer + have, files.readBuffer + files.readAt, n);
    files.readAt += n;
    have += static_cast<std::uint32_t>(n);
  }
  if (have < size) files.sourceExhausted = true;
  return have;
}

void WriteToTarget(const char* buffer, std::uint32_t& size, void* context) {
  auto& files = *static_cast<PackFileContext*>(context);
  if (files.tooLarge) return;
  std::uint64_t count = size;
  if (count > files.limit - files.written) {
    count = files.limit - files.written;
    files.tooLarge = true;
  }
  if (count != 0 && !files.target->Write(buffer, static_cast<std::size_t>(count))) files.writeFailed = true;
  files.written += count;
}

namespace {

// Synced: the target is on the device before the result is known. Unsynced: a working file,
// read again and deleted, whose close is enough.
enum class Closing { Synced, Unsynced };

// With more than one thread the source, when it can be mapped, is compressed on that many;
// otherwise it is read through the codec's callback.
bool Pack(const std::filesystem::path& source, const std::filesystem::path& target, const std::uint32_t literalMode,
          const std::uint32_t dictionarySize, const unsigned threads, const Closing closing,
          const implode::LooseEncoding* const tail = nullptr) {
  if (!ImplodeAccepts(literalMode, dictionarySize)) return false;
  const std::unique_ptr<ImplodeWorkArea> work(new (std::nothrow) ImplodeWorkArea());
  if (!work) return false;
  OpenFiles files = Open(source, target);
  if (!files.ok()) return false;
  if (closing == Closing::Unsynced) files.target->WillCloseUnsynced();
  PackFileContext context;
  context.target = files.target.get();
  if (const std::unique_ptr<platform::FileMapping> mapping = threads > 1 ? files.source->Map() : nullptr) {
    const std::string_view bytes = mapping->Bytes();
    ImplodeSplit split;
    split.threads = threads;
    split.tail = tail;
    ImplodeInParallel(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), WriteToTarget, *work,
                      &context, literalMode, dictionarySize, split);
  } else {
    // Without room for the buffer the source is read request by request.
    const std::unique_ptr<char[]> readBuffer(new (std::nothrow) char[kReadPiece]);
    context.source = files.source.get();
    context.readBuffer = readBuffer.get();
    context.readBufferSize = readBuffer ? kReadPiece : 0;
    ImplodeStream(ReadFromSource, WriteToTarget, *work, &context, literalMode, dictionarySize);
  }
  files.source.reset();
  // A full device often reports only here, because the writes before were buffered.
  const bool finished = closing == Closing::Synced ? files.target->Finish() : files.target->Close();
  return finished && !context.writeFailed;
}

}  // namespace

bool PackFile(const std::filesystem::path& source, const std::filesystem::path& target,
              const std::uint32_t literalMode, const std::uint32_t dictionarySize) {
  return Pack(source, target, literalMode, dictionarySize, 1, Closing::Synced);
}

bool PackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target,
                     const unsigned threads, const implode::LooseEncoding* const tail) {
  return Pack(source, target, 0, 4096, threads, Closing::Synced, tail);
}

bool PackWorkingFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  return Pack(source, target, 0, 4096, 1, Closing::Unsynced);
}

UnpackFailure UnpackFileExplained(const std::filesystem::path& source, const std::filesystem::path& target,
                                  const std::uint64_t limit) {
  const std::unique_ptr<ExplodeWorkArea> work(new (std::nothrow) ExplodeWorkArea());
  if (!work) return UnpackFailure::TargetUnwritable;
  const std::unique_ptr<char[]> readBuffer(new (std::nothrow) char[kReadPiece]);
  OpenFiles files = Open(source, target);
  if (!files.source) return UnpackFailure::SourceUnreadable;
  if (!files.target) return UnpackFailure::TargetUnwritable;
  PackFileContext context;
  context.source = files.source.get();
  context.target = files.target.get();
  context.readBuffer = readBuffer.get();
  context.readBufferSize = readBuffer ? kReadPiece : 0;
  context.limit = limit;
  // An expansion is closed, never synced (a staged project is deleted with its working folder).
  files.target->WillCloseUnsynced();
  // Decoding and writing side by side: the expansion takes the longer of the two, not their sum.
  const unsigned code = ExplodeInParallel(ReadFromSource, WriteToTarget, *work, &context);
  const bool closed = files.target->Close();
  files.source.reset();
  if (context.tooLarge) return UnpackFailure::TooLarge;
  // Undecodable data with the whole source read is a stream that ends too soon.
  if (code == kStreamBadData) return context.sourceExhausted ? UnpackFailure::Truncated : UnpackFailure::NotAStream;
  if (code != kStreamOk) return UnpackFailure::NotAStream;
  return closed && !context.writeFailed ? UnpackFailure::None : UnpackFailure::TargetUnwritable;
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
