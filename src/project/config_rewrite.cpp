#include "project/config_rewrite.h"

#include <algorithm>

#include "project/project_reader.h"
#include "project/text_keys.h"

namespace {

constexpr std::string_view kEmPrefix = "EM:E,0,32768,WORD,RW,";
constexpr std::string_view kUmPrefix = "UM:UM,0,";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

void SetField(std::string& value, std::string_view prefix, std::int32_t number) {
  const std::size_t at = value.find(prefix);
  if (at == std::string::npos) return;
  const std::size_t field = at + prefix.size();
  if (field >= value.size()) return;
  const std::size_t comma = value.find(',', field);
  if (comma == std::string::npos) return;
  value.replace(field, comma - field, std::to_string(number));
}

// The text after the first prefix up to the terminator, trimmed; empty without prefix or end.
std::string EntryField(std::string_view value, std::string_view prefix, char terminator) {
  const std::size_t at = value.find(prefix);
  if (at == std::string_view::npos) return {};
  const std::size_t field = at + prefix.size();
  const std::size_t end = value.find(terminator, field);
  if (end == std::string_view::npos) return {};
  return std::string(TrimWhiteSpace(value.substr(field, end - field)));
}

constexpr std::string_view kMemorySection = "[MEM]";

}  // namespace

ConfigurationFigures DescribeConfiguration(std::string_view value) {
  ConfigurationFigures figures;
  figures.model = EntryField(value, keys::kDevice, ';');
  figures.cpu = EntryField(value, keys::kCpu, ';');
  figures.emBankCount = EntryField(value, kEmPrefix, ',');
  figures.umSize = EntryField(value, kUmPrefix, ',');
  if (const std::size_t memory = value.find(kMemorySection); memory != std::string_view::npos) {
    std::string_view entries = value.substr(memory + kMemorySection.size());
    entries = entries.substr(0, entries.find('['));
    while (!entries.empty()) {
      const std::size_t end = std::min(entries.find(';'), entries.size());
      const std::string_view entry = TrimWhiteSpace(entries.substr(0, end));
      if (!entry.empty()) figures.memoryEntries.emplace_back(entry);
      entries.remove_prefix(std::min(end + 1, entries.size()));
    }
  }
  return figures;
}

std::string FindCpuType(std::string_view value) {
  const std::size_t cpu = value.find(keys::kCpu);
  if (cpu == std::string_view::npos) return std::string(kDefaultCpuMemory.cpuType);
  const std::size_t end = value.find(';', cpu);
  if (end == std::string_view::npos) return std::string(kDefaultCpuMemory.cpuType);
  const std::size_t start = cpu + keys::kCpu.size();
  return std::string(TrimWhiteSpace(value.substr(start, end - start)));
}

std::string RewriteConfig(std::string_view value, std::string_view cpuType) {
  std::string line(keys::kConfigOpen);
  if (value.empty()) return line.append(keys::kConfigClose);
  std::string copy(value);
  ReplaceAll(copy, keys::kSourceDeviceEntry, keys::kTargetDeviceEntry);
  ReplaceAll(copy, keys::kSourceDevice, keys::kTargetDevice);
  const std::size_t cpu = copy.find(keys::kCpu);
  if (cpu != std::string::npos) {
    if (const std::size_t end = copy.find(';', cpu); end != std::string::npos) {
      copy.replace(cpu, end - cpu, std::string(keys::kCpu).append(cpuType));
    }
  }
  ApplyCpuMemoryLayout(copy, cpuType);
  return line.append(copy).append(keys::kConfigClose);
}

void ApplyCpuMemoryLayout(std::string& value, std::string_view cpuType) {
  CpuMemoryRecord layout = kDefaultCpuMemory;
  for (const CpuMemoryRecord& record : CpuMemoryTable) {
    if (record.cpuType == cpuType) {
      layout = record;
      break;
    }
  }
  SetEmBankCount(value, layout.emBankCount);
  SetUmSize(value, layout.umSize);
}

void SetEmBankCount(std::string& value, std::int32_t count) { SetField(value, kEmPrefix, count); }

void SetUmSize(std::string& value, std::int32_t size) { SetField(value, kUmPrefix, size); }
