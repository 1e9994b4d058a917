// The unit-setup data through its round trip, then the merge into the converted project.
#pragma once

#include <memory>
#include <string>

#include "project/property_data.h"

// True with mergedPath naming the converted project text beside the staged one. With syncMerged
// the text is on the device before this returns, so that it can be published by moving it; a
// text that is only read again (to be packed) is not synced.
bool ConvertUnitSetup(std::unique_ptr<CTQPropertyData>& slot, const std::string& path,
                      const std::string& ioDataHex, const std::string& settingsDataHex,
                      const std::string& configLine, bool syncMerged, std::string& unitHexAfter,
                      std::string& mergedPath);

// The working file in which the round trip leaves the transformed unit-setup document of the
// staged project at path.
std::string TransformedUnitSetupPath(const std::string& path);
