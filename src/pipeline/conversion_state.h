// What the owner of conversions (the dialog, or tqconv per file) keeps between commands.
#pragma once

#include <memory>
#include <string>

#include "app/change_report.h"
#include "platform/platform.h"
#include "project/property_data.h"

struct ConversionState {
  std::string m_workDir;                           // empty: no working directory belongs to us
  std::unique_ptr<CTQPropertyData> UnitSetupSlot;  // null between commands
  // The lock file in m_workDir, held while it exists, so that no other conversion's sweep takes
  // the directory for one a killed run left; null when m_workDir is empty.
  std::unique_ptr<platform::FileLock> m_workDirLock;
  ChangeReport* report = nullptr;  // filled in by the steps when given (see change_report.h)
};

// Removes the working directory (ignoring failure), then releases its lock and the unit-setup
// data.
void CleanUpConversion(ConversionState& state);
