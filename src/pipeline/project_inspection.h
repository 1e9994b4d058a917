// Looking into a project without converting it: what it holds, and its unit-setup document as
// stored or as the conversion would leave it. Messages go through the installed UserInterface.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "project/config_rewrite.h"
#include "project/project_outline.h"
#include "unitxml/unit_setup_summary.h"

struct ProjectInspection {
  ConfigurationFigures configuration;  // of the PLC's configuration value
  std::vector<OutlineNode> sections;
  std::optional<UnitSetupSummary> unitSetup;  // nothing when its block does not decode, expand or parse
};

// Reads the project; a packed one is expanded in a working directory of its own, removed
// afterwards. False after the message of what went wrong (MsgReadFail, MsgOpenProjectFail,
// MsgFileTooLarge, MsgCacheCreateFail, MsgPathTooLong).
bool InspectProject(const std::string& inputPath, ProjectInspection& inspection);

// The unit-setup document as the project stores it, expanded, whatever model the project is
// for. False after the message: those of InspectProject, MsgIOTableEmpty (no unit-setup block,
// or no byte in it) or MsgZipExtractFail (it does not expand).
bool ReadStoredUnitSetup(const std::string& inputPath, std::string& document);

// The unit-setup document as the conversion would leave it: every step runs in the working
// directory and nothing is published. False after the conversion's own messages.
bool ReadConvertedUnitSetup(const std::string& inputPath, std::string& document);
