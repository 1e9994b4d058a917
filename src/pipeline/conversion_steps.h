// The steps of the Convert command as a table, so that a test can make any of them fail, throw
// or look at the state from inside. The defaults are the real steps.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "packed/packed_file.h"
#include "pipeline/packing_head_start.h"
#include "project/property_data.h"

// A staged project larger than this is refused before any step reads it into memory; the
// merge holds the whole project in memory once and has the same bound.
inline constexpr std::uint64_t kProjectSizeLimit = 209715200;  // 200 MiB

struct ConversionSteps {
  using Slot = std::unique_ptr<CTQPropertyData>;

  std::function<bool(std::string& workDir, std::unique_ptr<platform::FileLock>& lock)> createWorkDirectory;
  // Runs right after the working directory exists; shows nothing and never fails the command.
  std::function<void(const std::string& ownWorkDir)> removeStaleWorkDirectories;
  std::function<std::string(const std::string& inputPath)> makeOutputPath;
  std::function<bool(const std::string& path)> checkPathLength;
  std::function<UnpackResult(const std::string& input, const std::string& staged, std::uint64_t limit)>
      unpackInput;
  std::function<bool(const std::string& input, const std::string& staged)> copyInput;
  std::function<bool(const std::string& staged)> validateAndPrepareProject;
  std::function<bool(Slot& slot, const std::string& staged, std::string& configLine,
                     std::string& ioDataHex, std::string& settingsDataHex)>
      extractPlcSections;
  // Also says how many model names it replaced, when asked (replaced may be null). Takes the
  // text over, so that it can be converted where it lies.
  std::function<std::string(std::string hex, std::size_t* replaced)> replaceModelInHexText;
  // syncMerged: the merged text is published by moving it (the text route), not read again.
  std::function<bool(Slot& slot, const std::string& staged, const std::string& ioDataHex,
                     const std::string& settingsDataHex, const std::string& configLine, bool syncMerged,
                     std::string& unitHexAfter, std::string& mergedPath)>
      convertUnitSetup;
  // Optional, packed route: begins compressing the end of the validated staged project (of `size`
  // bytes), to be taken over by packOutput; null for nothing begun.
  std::function<std::unique_ptr<PackingHeadStart>(const std::string& staged, std::uint64_t size)> startPacking;
  // tail: what startPacking made, or null.
  std::function<bool(const std::string& merged, const std::string& target, const implode::LooseEncoding* tail)>
      packOutput;
  std::function<bool(const std::string& merged, const std::string& target)> copyOutput;
  // Makes the merged project appear at outputPath through packOutput (given packedTail) or
  // copyOutput, or at the next free name (outputPath then names it); false when nothing was
  // published.
  std::function<bool(const std::string& merged, bool packed, const std::string& input, std::string& outputPath,
                     const ConversionSteps& steps, const implode::LooseEncoding* packedTail)>
      publishOutput;
  std::uint64_t projectSizeLimit = kProjectSizeLimit;
};

// How many threads may compress a packed output: as many as the machine runs at once, for a
// conversion that runs alone.
unsigned LonePackThreads();

// The real steps. A table with a step left empty makes the command report the conversion as
// incomplete instead of announcing it. Conversions that run side by side compress on one thread
// each.
ConversionSteps DefaultConversionSteps(unsigned packThreads = LonePackThreads());

// The real steps, except that the output is written inside the working directory, where the
// clean-up removes it, and published nowhere: a conversion that shows whether it would succeed.
ConversionSteps DryRunConversionSteps(unsigned packThreads = LonePackThreads());
