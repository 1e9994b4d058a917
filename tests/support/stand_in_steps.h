// Conversion steps for the dialog tests: the real steps up to staging, then small stand-ins whose
// merged project is the staged text with kConvertedTail appended.
#pragma once

#include <functional>
#include <string>

#include "pipeline/conversion_steps.h"

inline const std::string kProjectText = "[Project]\r\nName=plant\r\n";
inline const std::string kConvertedTail = "[Converted]\r\n";

// beforeValidation runs first inside the validation step.
ConversionSteps StandInSteps(std::function<void()> beforeValidation = {});
