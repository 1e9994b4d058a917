#include "pipeline/conversion_steps.h"

#include "pipeline/output_publish.h"
#include "pipeline/work_directory.h"
#include "platform/platform.h"
#include "project/extraction.h"
#include "project/validation.h"

ConversionSteps DefaultConversionSteps() {
  ConversionSteps steps;
  steps.createWorkDirectory = CreateWorkDirectory;
  steps.makeOutputPath = [](const std::string& input) { return MakeOutputPath(input); };
  steps.checkPathLength = [](const std::string& path) { return CheckPathLength(path); };
  steps.copyInput = [](const std::string& input, const std::string& staged) {
    return platform::CopyFile(platform::PathFromUtf8(input), platform::PathFromUtf8(staged));
  };
  steps.validateAndPrepareProject = ValidateAndPrepareProject;
  steps.extractPlcSections = ExtractPlcSections;
  steps.replaceModelInHexText = [](const std::string& hex) { return ReplaceModelInHexText(hex); };
  steps.copyOutput = CopyFileSynced;
  return steps;
}
