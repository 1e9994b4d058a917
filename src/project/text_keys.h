// The keys and markers the project steps look for. All ASCII, found by exact, case-sensitive
// substring search.
#pragma once

#include <string_view>

namespace keys {

inline constexpr std::string_view kResourceCount = "ResourceCount";
inline constexpr std::string_view kSinglePlc = "ResourceCount:=1;";
inline constexpr std::string_view kSourceSupportVersion = "TQ5ASupportVersion";
inline constexpr std::string_view kTargetSupportVersion = "TQ6ASupportVersion";
inline constexpr std::string_view kPlc = "PLC:=";
inline constexpr std::string_view kBegin = "BEGIN";
inline constexpr std::string_view kEndSemicolon = "END;";
inline constexpr std::string_view kEnd = "END";
inline constexpr std::string_view kConfig = "Config:=";
inline constexpr std::string_view kConfigOpen = "Config:=\"";
inline constexpr std::string_view kConfigClose = "\";";
inline constexpr std::string_view kDeviceSection = "[DEV]";
inline constexpr std::string_view kDevice = "DEV:";
inline constexpr std::string_view kCpu = "CPU:";
inline constexpr std::string_view kSourceDevice = "DEV:TQ5A";
inline constexpr std::string_view kTargetDevice = "DEV:TQ6A";
inline constexpr std::string_view kSourceDeviceEntry = "DEV:TQ5A;";
inline constexpr std::string_view kTargetDeviceEntry = "DEV:TQ6A;";
inline constexpr std::string_view kIoTable = "IOTable:=";
inline constexpr std::string_view kSettings = "Settings:=";
inline constexpr std::string_view kUnitSetup = "UnitSetup:=";
inline constexpr std::string_view kData = "Data:=";
inline constexpr std::string_view kMarkerStem = "$?St$Bk?_#";
inline constexpr std::string_view kMarkerOpen = "$?St$Bk?_#[";
// "Resource[%d]" with 1: the line that ends the search for section and entry keys.
inline constexpr std::string_view kFirstResourceStop = "Resource[1]";

}  // namespace keys
