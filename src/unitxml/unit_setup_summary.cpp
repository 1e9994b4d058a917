#include "unitxml/unit_setup_summary.h"

#include <algorithm>

#include "unitxml/dom.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

std::string Attribute(pugi::xml_node element, const char* name) {
  return std::string(AttributeValue(element, name).value_or(""));
}

}  // namespace

std::optional<UnitSetupSummary> SummarizeUnitSetup(std::string_view document) {
  const std::optional<ParsedXml> parsed = ParseXml(document);
  if (!parsed) return std::nullopt;
  const pugi::xml_node eqpt = UnitXmlTransformer::FindEqptNode(*parsed->document);
  if (!eqpt) return std::nullopt;
  UnitSetupSummary summary;
  summary.equipmentName = Attribute(eqpt, "Name");
  summary.equipmentModel = Attribute(eqpt, "MdlNm");
  summary.plcIdentify = Attribute(eqpt, "PLCIdentify");
  for (const pugi::xml_node child : eqpt.children()) {
    if (!IsElement(child)) continue;
    if (const auto number = AttributeValue(child, "IFNumber")) {
      summary.interfaces.push_back({std::string(*number), Attribute(child, "MacNum")});
    } else if (IsElementNamed(child, "Comp")) {
      summary.units.push_back({Attribute(child, "Name"), Attribute(child, "MdlNm")});
    }
  }
  const pugi::xml_node root = parsed->document->document_element();
  for (pugi::xml_node at = root; at; at = NextInPreorder(at, root)) {
    if (!IsElement(at)) continue;
    const auto id = AttributeValue(at, "ID");
    const std::optional<std::int32_t> number = id ? ReadIdentifierNumber(*id) : std::nullopt;
    if (!number) continue;
    summary.lowestIdentifier = summary.identifiers == 0 ? *number : std::min(summary.lowestIdentifier, *number);
    summary.highestIdentifier = std::max(summary.highestIdentifier, *number);
    ++summary.identifiers;
  }
  if (const auto next = AttributeValue(root, "NextID")) summary.nextId = std::string(*next);
  return summary;
}
