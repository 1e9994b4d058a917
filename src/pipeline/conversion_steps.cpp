#include "pipeline/conversion_steps.h"

#include <algorithm>
#include <thread>

#include "pipeline/output_publish.h"
#include "pipeline/work_directory.h"
#include "pipeline/work_directory_sweep.h"
#include "packed/packed_file.h"
#include "platform/platform.h"
#include "project/extraction.h"
#include "project/unit_setup_round_trip.h"
#include "project/validation.h"

unsigned LonePackThreads() {
  // More threads than this gain little: the merge before and the sync after do not shrink.
  constexpr unsigned kMostPackThreads = 8;
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMostPackThreads);
}

ConversionSteps DefaultConversionSteps(const unsigned packThreads) {
  ConversionSteps steps;
  steps.createWorkDirectory = CreateWorkDirectory;
  steps.removeStaleWorkDirectories = RemoveStaleWorkDirectories;
  steps.makeOutputPath = [](const std::string& input) { return MakeOutputPath(input); };
  steps.checkPathLength = [](const std::string& path) { return CheckPathLength(path); };
  steps.copyInput = [](const std::string& input, const std::string& staged) {
    return platform::CopyFile(platform::PathFromUtf8(input), platform::PathFromUtf8(staged));
  };
  steps.validateAndPrepareProject = ValidateAndPrepareProject;
  steps.extractPlcSections = ExtractPlcSections;
  steps.replaceModelInHexText = [](std::string hex, std::size_t* replaced) {
    ReplaceModelInHexTextInPlace(hex, replaced);
    return hex;
  };
  steps.unpackInput = [](const std::string& input, const std::string& staged, std::uint64_t limit) {
    return UnpackProjectFile(platform::PathFromUtf8(input), platform::PathFromUtf8(staged), limit);
  };
  steps.convertUnitSetup = ConvertUnitSetup;
  // A thread of its own only where the output is compressed on several: when conversions run
  // side by side, the cores are theirs.
  if (packThreads > 1) steps.startPacking = PackingHeadStart::Begin;
  steps.packOutput = [packThreads](const std::string& merged, const std::string& target,
                                   const implode::LooseEncoding* tail) {
    return PackProjectFile(platform::PathFromUtf8(merged), platform::PathFromUtf8(target), packThreads, tail);
  };
  steps.copyOutput = MoveOrCopySynced;
  steps.publishOutput = PublishOutput;
  return steps;
}

ConversionSteps DryRunConversionSteps(const unsigned packThreads) {
  ConversionSteps steps = DefaultConversionSteps(packThreads);
  steps.publishOutput = [](const std::string& merged, bool packed, const std::string&, std::string& outputPath,
                           const ConversionSteps& table, const implode::LooseEncoding* packedTail) {
    // Written for real, so that a failing write is found, but where nobody looks for it; and the
    // output folder asked whether it takes a new file, with a temporary removed at once.
    const std::string target = merged + (packed ? ".output.lqp" : ".output.lqt");
    if (!(packed ? table.packOutput(merged, target, packedTail) : table.copyOutput(merged, target))) return false;
    const TemporaryBeside probe(outputPath);
    return !probe.path().empty();
  };
  return steps;
}
