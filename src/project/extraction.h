// Extraction of the configuration line and the three data blocks from the staged project.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "project/property_data.h"

// Fills the target configuration line and the I/O table and settings data hex texts, and puts
// the unit-setup data into a new object in the slot. False after MsgOpenTempFail or
// MsgIOTableEmpty.
bool ExtractPlcSections(std::unique_ptr<CTQPropertyData>& slot, const std::string& path,
                        std::string& configLine, std::string& ioDataHex, std::string& settingsDataHex);

// The hex text trimmed, with every "54 51 35 41" (TQ5A) replaced by "54 51 36 41" (TQ6A);
// replaced, when given, receives how many were.
std::string ReplaceModelInHexText(std::string_view text, std::size_t* replaced = nullptr);
// The same on the text where it lies.
void ReplaceModelInHexTextInPlace(std::string& text, std::size_t* replaced = nullptr);
