// Whole files through the stream codec: packed projects and the unit-setup binary.
#pragma once

#include <cstdint>
#include <filesystem>

enum class UnpackResult { Expanded, Failed, TooLarge };

// Compresses the source into one stream (literal mode 0, 4096-byte dictionary) in the target,
// which is created or emptied, flushed and synced. True when the target holds the whole stream.
bool PackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target);

// Expands the stream in the source into the target (created or emptied). Writes at most limit
// bytes: past it the expansion stops and the result is TooLarge.
UnpackResult UnpackProjectFile(const std::filesystem::path& source, const std::filesystem::path& target,
                               std::uint64_t limit);

// PackProjectFile with a chosen literal mode (0 or 1) and dictionary size (1024, 2048, 4096);
// false also for parameters the compressor refuses (nothing is then written).
bool PackFile(const std::filesystem::path& source, const std::filesystem::path& target,
              std::uint32_t literalMode, std::uint32_t dictionarySize);
