// The PLC's configuration line for the target model: device model changed, CPU type kept, EM bank
// count and UM size set from the CPU's row of the memory table. Pure string work; nothing fails.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CpuMemoryRecord {
  std::string_view cpuType;
  std::int32_t emBankCount;
  std::int32_t umSize;
};

// The target model's memory layout for each CPU type, matched exactly and in this order.
inline constexpr std::array<CpuMemoryRecord, 10> CpuMemoryTable = {{
    {"CPU61", 1, 94208},    // 0x17000
    {"CPU62", 1, 104448},   // 0x19800
    {"CPU63", 1, 124928},   // 0x1E800
    {"CPU64", 10, 186368},  // 0x2D800
    {"CPU65", 10, 288768},  // 0x46800
    {"CPU81", 1, 94208},
    {"CPU82", 1, 104448},
    {"CPU83", 1, 124928},
    {"CPU84", 10, 186368},
    {"CPU85", 10, 288768},
}};

// A CPU type the table lacks gets the figures of the smallest CPU.
inline constexpr CpuMemoryRecord kDefaultCpuMemory = {"CPU61", 1, 94208};

// The text between the first "CPU:" and the ";" after it, trimmed (may be empty); "CPU61" when
// the value has no such entry.
std::string FindCpuType(std::string_view value);

// The complete new line Config:="...";, never empty: Config:=""; for an empty value.
std::string RewriteConfig(std::string_view value, std::string_view cpuType);

// Sets the EM bank count and the UM size from the CPU type's row (or the default).
void ApplyCpuMemoryLayout(std::string& value, std::string_view cpuType);

// Replace the field after the first "EM:E,0,32768,WORD,RW," / "UM:UM,0," up to the next comma by
// the number; leave the value unchanged when the prefix or that comma is missing.
void SetEmBankCount(std::string& value, std::int32_t count);
void SetUmSize(std::string& value, std::int32_t size);

// A configuration value as a reader sees it: each figure as written, empty when the value has no
// such entry.
struct ConfigurationFigures {
  std::string model;        // after "DEV:" up to ";", trimmed
  std::string cpu;          // after "CPU:" up to ";", trimmed
  std::string emBankCount;  // the field the rewrite sets from the memory table
  std::string umSize;
  std::vector<std::string> memoryEntries;  // the ";"-separated entries of "[MEM]"
};
ConfigurationFigures DescribeConfiguration(std::string_view value);
