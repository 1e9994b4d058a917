// What a converted sample must look like, derived from its input: the text outside the changed
// places byte for byte, and the unit-setup document as a tree.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace e2e {

// The content of the block framed by "$?St$Bk?_#[number]", without the markers' lines.
std::string BlockContent(const std::string& text, int number);

// The hex values of a block's content as bytes.
std::string DecodeHex(const std::string& hex);

// The value of the first Config:="...";
std::string ConfigValue(const std::string& text);

// The converted text expected from an input project: support key, configuration line, DEV
// entries and blocks 2 and 3 as the conversion must change them; block 1 (the unit setup) is
// taken from the actual output, whose content the tree checks judge.
std::string ExpectedOutput(const std::string& input, const std::string& newConfigValue,
                           const std::string& actualOutput);

// Expands the unit-setup block of a converted project into its document.
std::string UnitSetupDocument(const std::string& convertedText);

// Every check of the transformed tree; empty when all hold, else one line per failed check.
std::vector<std::string> CheckTransformedTree(const pugi::xml_document& before, const pugi::xml_document& after,
                                              const std::string& expectedDate);

}  // namespace e2e
