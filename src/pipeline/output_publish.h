// Writing the finished project beside the input: whole or not at all, never over a file.
#pragma once

#include <string>

#include "pipeline/conversion_steps.h"

// Writes the merged project through a temporary file in the output folder and moves it to
// outputPath without replacing anything; when the name was taken meanwhile, outputPath becomes
// the next free name. On failure the temporary file is removed.
bool PublishOutput(const std::string& mergedPath, bool packed, const std::string& inputPath,
                   std::string& outputPath, const ConversionSteps& steps);

// Creates an empty file of our own beside the target, hidden by a leading dot, and returns its
// path; empty when the folder refuses it.
std::string CreateTemporaryBeside(const std::string& targetPath);

// Copies a file's bytes into a target (created or emptied), synced and checked to the end.
bool CopyFileSynced(const std::string& from, const std::string& to);
