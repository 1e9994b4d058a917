// What a unit-setup document describes, for a reader: the equipment, its interfaces and units,
// and the range of the identifiers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct UnitSetupSummary {
  struct Interface {
    std::string number;     // "IFNumber"
    std::string macNumber;  // "MacNum"
  };
  struct Unit {
    std::string name;   // "Name"
    std::string model;  // "MdlNm"
  };
  std::string equipmentName;  // of the equipment element ("ID" "S5")
  std::string equipmentModel;
  std::string plcIdentify;
  std::vector<Interface> interfaces;  // the equipment's children with an "IFNumber"
  std::vector<Unit> units;            // the equipment's "Comp" children
  std::size_t identifiers = 0;        // elements with a readable "ID" number
  std::int32_t lowestIdentifier = 0;
  std::int32_t highestIdentifier = 0;
  std::optional<std::string> nextId;  // the root's "NextID"
};

// Nothing when the bytes are not a document this program reads, or it has no equipment element.
std::optional<UnitSetupSummary> SummarizeUnitSetup(std::string_view document);
