// What a conversion changed, written down by the steps as they change it. Whoever wants to know
// (tqconv --report) gives the Convert command a report in its ConversionState; the command
// installs it for its thread while it runs, and every step records into CurrentChangeReport()
// when there is one. Without one the steps record nothing and cost nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One data block as the conversion rewrote it; sizes are the number of byte values it holds.
struct BlockChange {
  std::string name;  // kIoTableDataBlock, kUnitSetupBlock or kSettingsDataBlock
  std::size_t bytesBefore = 0;
  std::size_t bytesAfter = 0;
  std::size_t modelEntriesReplaced = 0;  // the source model's name spelled in hex, replaced
};

inline constexpr const char* kIoTableDataBlock = "IOTable.Data";
inline constexpr const char* kUnitSetupBlock = "IOTable.UnitSetup";
inline constexpr const char* kSettingsDataBlock = "Settings.Data";

// The rules that made the unit-setup document one of the target model.
struct UnitSetupChanges {
  std::vector<std::string> interfacesRemoved;  // the "IFNumber" of each interface removed
  std::vector<std::string> parametersRemoved;  // the "Name" of each parameter removed
  std::size_t modelNamesReplaced = 0;          // occurrences of the source model's name
  std::size_t cpuComponentsUpdated = 0;
  bool networkUnitReplaced = false;
  std::size_t identifiersRenumbered = 0;
  std::int64_t firstIdentifier = 0;  // the numbers handed out, when any were
  std::int64_t lastIdentifier = 0;
  std::optional<std::string> nextIdBefore;  // the root's "NextID"; nothing when it had none
  std::optional<std::string> nextIdAfter;
};

struct ChangeReport {
  std::string configBefore;  // the PLC's configuration value as the project held it
  std::string configAfter;   // the value the conversion put in its place
  std::size_t supportVersionKeysReplaced = 0;
  std::size_t deviceEntriesReplaced = 0;  // "DEV:TQ5A;" anywhere in the project
  std::vector<BlockChange> blocks;        // in the order they were rewritten
  UnitSetupChanges unitSetup;
};

// The report of the conversion running on this thread, or null.
ChangeReport* CurrentChangeReport();

// Installs a report (or none) for the thread while in scope; scopes nest.
class ScopedChangeReport {
 public:
  explicit ScopedChangeReport(ChangeReport* report);
  ~ScopedChangeReport();
  ScopedChangeReport(const ScopedChangeReport&) = delete;
  ScopedChangeReport& operator=(const ScopedChangeReport&) = delete;

 private:
  ChangeReport* previous_;
};
