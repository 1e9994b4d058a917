// Writing the finished project beside the input: whole or not at all, never over a file.
#pragma once

#include <string>

#include "pipeline/conversion_steps.h"

// Writes the merged project through a temporary file in the output folder and moves it to
// outputPath without replacing anything; when the name was taken meanwhile, outputPath becomes
// the next free name. On failure the temporary file is removed.
bool PublishOutput(const std::string& mergedPath, bool packed, const std::string& inputPath,
                   std::string& outputPath, const ConversionSteps& steps,
                   const implode::LooseEncoding* packedTail = nullptr);

// Creates an empty file of our own beside the target, hidden by a leading dot
// (".NAME.N.tmp"), and returns its path; empty when the folder refuses it.
std::string CreateTemporaryBeside(const std::string& targetPath);

// The owner of such a file: removed when it goes out of scope, on every path (a failed write, an
// exception, a stop), unless it was published under its final name.
class TemporaryBeside {
 public:
  explicit TemporaryBeside(const std::string& targetPath) : path_(CreateTemporaryBeside(targetPath)) {}
  ~TemporaryBeside();
  TemporaryBeside(const TemporaryBeside&) = delete;
  TemporaryBeside& operator=(const TemporaryBeside&) = delete;

  // Empty when it could not be created.
  const std::string& path() const { return path_; }
  // It has its final name now: nothing to remove.
  void Published() { path_.clear(); }

 private:
  std::string path_;
};

// Copies a file's bytes into a target (created or emptied), synced and checked to the end.
bool CopyFileSynced(const std::string& from, const std::string& to);

// The merged project (synced when it was written) becomes the temporary beside the output: moved
// over it where both lie on one file system, else copied and synced.
bool MoveOrCopySynced(const std::string& merged, const std::string& temporary);
