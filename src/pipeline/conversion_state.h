// What the owner of conversions (the dialog, or tqconv per file) keeps between commands.
#pragma once

#include <memory>
#include <string>

#include "project/property_data.h"

struct ConversionState {
  std::string m_workDir;                           // empty: no working directory belongs to us
  std::unique_ptr<CTQPropertyData> UnitSetupSlot;  // null between commands
};

// Removes the working directory (ignoring failure) and the unit-setup data.
void CleanUpConversion(ConversionState& state);
