// The Convert command: one whole conversion from the selected path to the result.
#pragma once

#include <string>

#include "pipeline/conversion_state.h"
#include "pipeline/conversion_steps.h"

struct ConversionOutcome {
  bool succeeded = false;
  std::string outputPath;   // the path actually written, when succeeded
  bool incomplete = false;  // a step of the chain is not part of this build
  // A stop was asked for (platform/stop_request.h): the conversion ended at its next file
  // operation, cleaned up and showed nothing. The front end ends with StopExitStatus().
  bool stopped = false;
};

// Runs the command on the path with the busy state held throughout; every message goes through
// the installed UserInterface, the result dialog included. Never throws. While it runs, a stop
// signal ends the conversion (outcome.stopped) instead of the program.
ConversionOutcome OnConvert(const std::string& inputPath, ConversionState& state,
                            const ConversionSteps& steps = DefaultConversionSteps());

// Shows the result dialog with the output path and the success text.
void ShowConversionResult(const std::string& outputPath);

// True when the path takes the packed route: its last four characters are ".lqp" in any case.
bool IsPackedProjectPath(const std::string& path);
