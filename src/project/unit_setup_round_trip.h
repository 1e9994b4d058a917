// The unit-setup data through its round trip, then the merge into the converted project.
#pragma once

#include <memory>
#include <string>

#include "project/property_data.h"

// True with mergedPath naming the converted project text beside the staged one.
bool ConvertUnitSetup(std::unique_ptr<CTQPropertyData>& slot, const std::string& path,
                      const std::string& ioDataHex, const std::string& settingsDataHex,
                      const std::string& configLine, std::string& unitHexAfter,
                      std::string& mergedPath);

// The working file in which the round trip leaves the transformed unit-setup document of the
// staged project at path.
std::string TransformedUnitSetupPath(const std::string& path);
