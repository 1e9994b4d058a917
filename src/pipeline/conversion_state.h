// What the owner of conversions (the dialog, or tqconv per file) keeps between commands.
#pragma once

#include <memory>
#include <string>

#include "app/change_report.h"
#include "project/property_data.h"

struct ConversionState {
  std::string m_workDir;                           // empty: no working directory belongs to us
  std::unique_ptr<CTQPropertyData> UnitSetupSlot;  // null between commands
  ChangeReport* report = nullptr;                  // filled by the steps when given, see change_report.h
};

// Removes the working directory (ignoring failure) and the unit-setup data.
void CleanUpConversion(ConversionState& state);
