#include "stand_in_steps.h"

#include <memory>

#include "platform/platform.h"
#include "project/property_data.h"
#include "test_files.h"

ConversionSteps StandInSteps(std::function<void()> beforeValidation) {
  ConversionSteps steps = DefaultConversionSteps();
  steps.validateAndPrepareProject = [beforeValidation](const std::string&) {
    if (beforeValidation) beforeValidation();
    return true;
  };
  steps.extractPlcSections = [](ConversionSteps::Slot& slot, const std::string&, std::string& configLine,
                                std::string& ioDataHex, std::string& settingsDataHex) {
    slot = std::make_unique<CTQPropertyData>();
    configLine = "TQ6A";
    ioDataHex = "00";
    settingsDataHex = "01";
    return true;
  };
  steps.replaceModelInHexText = [](const std::string& hex, std::size_t*) { return hex; };
  steps.convertUnitSetup = [](ConversionSteps::Slot&, const std::string& staged, const std::string&,
                              const std::string&, const std::string&, bool, std::string& unitHexAfter,
                              std::string& mergedPath) {
    unitHexAfter = "02";
    mergedPath = staged + ".merged.lqt";
    testfiles::Write(platform::PathFromUtf8(mergedPath),
                     testfiles::Read(platform::PathFromUtf8(staged)) + kConvertedTail);
    return true;
  };
  return steps;
}
