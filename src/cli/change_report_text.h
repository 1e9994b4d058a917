// What a conversion changed, as tqconv shows it: lines of text in the chosen language, the
// "changes" object of the JSON line, and a Markdown report.
#pragma once

#include <string>
#include <vector>

#include "app/change_report.h"

// One line per change, without indentation, in the chosen language.
std::vector<std::string> ChangeReportLines(const ChangeReport& report);

// The "changes" object: {"config":..., "blocks":[...], "unitSetup":{...}, ...}.
std::string ChangeReportJson(const ChangeReport& report);

// A whole Markdown document about one conversion, in the chosen language.
std::string ChangeReportMarkdown(const ChangeReport& report, const std::string& input, const std::string& output);
