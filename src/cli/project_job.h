// One project of a convert or check batch: the conversion (or the dry run) with its own working
// directory, state and console, and the lines it leaves for stdout and stderr.
#pragma once

#include <optional>
#include <string>

#include "cli/batch_inputs.h"
#include "cli/batch_run.h"
#include "pipeline/conversion_steps.h"

struct ProjectJobOptions {
  bool json = false;
  bool quiet = false;
  bool check = false;                       // a dry run: nothing is published
  bool report = false;                      // what the conversion changed, under its output line or in "changes"
  std::optional<std::string> reportFolder;  // one Markdown report per project there
};

// Safe to run on several threads at once: everything it changes is its own.
JobResult RunProjectJob(const BatchInput& input, const ProjectJobOptions& options, const ConversionSteps& steps);

// True when a message with this key refuses the project for what it holds or is named (the
// user can act on the project); other messages say that the conversion itself failed.
bool IsRefusal(const std::string& key);

// The path made absolute, as the conversion takes it.
std::string AbsoluteInputPath(const std::string& path);

// Makes the report folder when it does not exist yet; false after saying why on stderr.
bool PrepareReportFolder(const std::string& folder);
