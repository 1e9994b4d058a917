// Whole files through the stream codec: packed projects and the unit-setup binary. The file side
// of the codec, kept out of implode/ so that the codec touches no file: every open, read, write,
// sync and close here goes through the platform layer, where a test double can fail it.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "platform/platform.h"

namespace implode {
struct LooseEncoding;
}

enum class UnpackResult { Expanded, Failed, TooLarge };

// Why an expansion did not succeed, for callers that tell the user more than that it failed.
enum class UnpackFailure {
  None,              // expanded
  SourceUnreadable,  // the source cannot be opened
  NotAStream,        // the source does not begin like a stream, or holds bytes no stream has
  Truncated,         // the source ends before the stream's end-of-stream code
  TargetUnwritable,  // the target cannot be created or written
  TooLarge,          // the expansion passed the limit
};

// Compresses the source into one stream (literal mode 0, 4096-byte dictionary) in the target,
// which is created or emptied, flushed and synced. True when the target holds the whole stream.
// A failed read of the source leaves as platform::FileError.
// With more than one thread the source, a file of our own working directory that no one else
// writes, is mapped and compressed on up to that many threads: the same stream, sooner.
// `tail` (with more than one thread): the source's last stretch encoded ahead, from another file
// that may end alike (implode/loose_encoding.h); what of it the source ends with is taken over.
bool PackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target,
                     unsigned threads = 1, const implode::LooseEncoding* tail = nullptr);

// PackProjectFile on one thread into a file of our own working directory, which is only read
// again and then deleted: it is closed without waiting for the device (a failed close still fails).
bool PackWorkingFile(const std::filesystem::path& source, const std::filesystem::path& target);

// Expands the stream in the source into the target (created or emptied). Writes at most limit
// bytes: past it the expansion stops and the result is TooLarge. A failed read of the source
// leaves as platform::FileError.
UnpackResult UnpackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target,
                               std::uint64_t limit);

// UnpackProjectFile, saying why it failed.
UnpackFailure UnpackFileExplained(const std::filesystem::path& source, const std::filesystem::path& target,
                                  std::uint64_t limit);

// PackProjectFile with a chosen literal mode (0 or 1) and dictionary size (1024, 2048, 4096);
// false also for parameters the compressor refuses (nothing is then written).
bool PackFile(const std::filesystem::path& source, const std::filesystem::path& target,
              std::uint32_t literalMode, std::uint32_t dictionarySize);

// What both file operations hand their stream callbacks. Past the limit the write callback
// writes no more and the read callback delivers no more, so the expansion stops soon after.
// With a read buffer the source is read in pieces of its size and the codec's small requests
// are served from it; without one, each request reads the source. An expansion on two threads
// reads on one and writes on the other: only `tooLarge` is seen by both while it runs.
struct PackFileContext {
  platform::InputFile* source = nullptr;
  platform::OutputFile* target = nullptr;
  char* readBuffer = nullptr;  // the operation's, readBufferSize bytes
  std::size_t readBufferSize = 0;
  std::size_t readAt = 0;   // the next byte of the buffer to deliver
  std::size_t readEnd = 0;  // the end of what the last read put in it
  bool writeFailed = false;
  std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t written = 0;
  std::atomic<bool> tooLarge = false;
  bool sourceExhausted = false;  // a read found the end of the source
};

// Read callback: up to size bytes from the source at its position, fewer only at its end; 0 at
// the end. A failed read is not a stream the codec can judge: platform::FileError leaves the
// operation (the open files are closed on the way out), and so does platform::Stopped.
std::uint32_t ReadFromSource(char* buffer, std::uint32_t& size, void* context);
// Write callback: all size bytes to the target at its position. A failure sets writeFailed and
// is not passed on.
void WriteToTarget(const char* buffer, std::uint32_t& size, void* context);
