// The rules that turn a source-model unit-setup document into a target-model one, in the order
// Transform applies them: later rules see what the earlier ones wrote.
#include <algorithm>
#include <limits>
#include <unordered_set>

#include "app/change_report.h"
#include "app/user_interface.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

constexpr std::string_view kSourceModel = "TQ5A";
constexpr std::string_view kTargetModel = "TQ6A";
constexpr std::string_view kTargetCpuPrefix = "TQ6A-CPU";
// The communication interface the target model no longer has; the element before it takes
// over its MAC number.
constexpr std::string_view kRetiredInterface = "Z_000009";
constexpr const char* kRetiredInterfaceMacNumber = "252";
constexpr std::string_view kPort1Parameter = "P_Port1";

bool Contains(std::string_view value, std::string_view part) { return value.find(part) != std::string_view::npos; }

// Every source model name becomes the target's, scanning on after each replacement; replaced
// counts them.
std::string WithTargetModel(std::string_view value, std::size_t& replaced) {
  std::string result(value);
  for (std::size_t at = result.find(kSourceModel); at != std::string::npos;
       at = result.find(kSourceModel, at + kTargetModel.size())) {
    result.replace(at, kSourceModel.size(), kTargetModel);
    ++replaced;
  }
  return result;
}

// "S" + the number in decimal. Built by appending: g++ 12 takes an insertion in front of a
// temporary string for an overlapping copy (-Wrestrict).
std::string Identifier(std::int64_t number) {
  std::string identifier = "S";
  identifier += std::to_string(number);
  return identifier;
}

UnitSetupChanges* Recording() {
  ChangeReport* const report = CurrentChangeReport();
  return report != nullptr ? &report->unitSetup : nullptr;
}

}  // namespace

std::optional<std::int32_t> ReadIdentifierNumber(std::string_view value) {
  const std::size_t first = value.find_first_of("0123456789");
  if (first == std::string_view::npos) return std::nullopt;
  std::int64_t number = 0;
  for (std::size_t i = first; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 + (value[i] - '0');
    if (number > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(number);
}

bool UnitXmlTransformer::Transform() {
  if (!document || !eqptNode) {
    ShowCatalogMessage("MsgXmlTransformNull");
    return false;
  }
  std::int64_t counter = IdStartNumber(eqptNode);  // read before any rule changes the element
  RemoveRetiredInterfaces(eqptNode);
  for (const pugi::xml_node child : eqptNode.children()) {
    if (IsElementNamed(child, "Param")) {
      RemovePort1Parameters(child);
      break;
    }
  }
  const pugi::xml_node root = document->document_element();
  ReplaceModelNames(root);
  UpdateCpuComponents(root);
  if (!ReplaceNetworkUnit(eqptNode)) return false;
  // Empty when the equipment element was itself the replaced component: nothing below it is
  // left in the document to renumber.
  if (eqptNode) RenumberDuplicateIds(eqptNode, counter);
  // In 64 bits: one more than S2147483647 is still a number.
  RaiseNextId(root, std::int64_t{HighestIdNumber(root)} + 1);
  return true;
}

void UnitXmlTransformer::RemoveRetiredInterfaces(pugi::xml_node eqpt) {
  std::vector<pugi::xml_node> retired;
  pugi::xml_node previous;
  for (const pugi::xml_node child : eqpt.children()) {
    if (!IsElement(child)) continue;  // comments and text do not count as the element before
    if (AttributeValue(child, "IFNumber") == kRetiredInterface) {
      retired.push_back(child);
      if (UnitSetupChanges* const changes = Recording()) changes->interfacesRemoved.emplace_back(kRetiredInterface);
      if (previous) SetAttributeValue(previous, "MacNum", kRetiredInterfaceMacNumber);
    } else {
      previous = child;
    }
  }
  for (const pugi::xml_node child : retired) eqpt.remove_child(child);
}

void UnitXmlTransformer::RemovePort1Parameters(pugi::xml_node param) {
  for (pugi::xml_node child = param.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    const std::optional<std::string_view> name = AttributeValue(child, "Name");
    if (IsElement(child) && name && Contains(*name, kPort1Parameter)) {
      if (UnitSetupChanges* const changes = Recording()) changes->parametersRemoved.emplace_back(*name);
      param.remove_child(child);
    }
    child = next;
  }
}

void UnitXmlTransformer::ReplaceModelNames(pugi::xml_node node) {
  std::size_t replaced = 0;
  // Values without the source model stay as they are: looked at where they lie, not copied.
  for (pugi::xml_node at = node; at; at = NextInPreorder(at, node)) {
    if (IsElement(at)) {
      for (pugi::xml_attribute attribute : at.attributes()) {
        const std::string_view value = attribute.value();
        if (Contains(value, kSourceModel)) SetValue(attribute, WithTargetModel(value, replaced));
      }
    } else if (IsText(at)) {
      const std::string_view data = at.value();
      if (Contains(data, kSourceModel)) SetValue(at, WithTargetModel(data, replaced));
    }
  }
  if (UnitSetupChanges* const changes = Recording()) changes->modelNamesReplaced += replaced;
}

void UnitXmlTransformer::UpdateCpuComponents(pugi::xml_node node) {
  for (pugi::xml_node at = node; at; at = NextInPreorder(at, node)) {
    if (!IsElementNamed(at, "Comp")) continue;
    const std::optional<std::string_view> model = AttributeValue(at, "MdlNm");
    if (!model || !Contains(*model, kTargetCpuPrefix)) continue;
    // The definition file is named after the whole model name, CPU type included.
    const std::string fileName = "KPD_" + std::string(*model) + "_Ver1_0.xml";
    SetAttributeValue(at, "FlNm", fileName);
    SetAttributeValue(at, "MajorVer", "1");
    SetAttributeValue(at, "MinorVer", "0");
    if (UnitSetupChanges* const changes = Recording()) ++changes->cpuComponentsUpdated;
  }
}

std::int64_t UnitXmlTransformer::IdStartNumber(pugi::xml_node eqpt) {
  return AttributeValue(eqpt, "PLCIdentify") == "Yes" ? 28 : 6;
}

std::vector<pugi::xml_node> UnitXmlTransformer::CollectIdElements(pugi::xml_node eqpt) {
  std::vector<pugi::xml_node> elements;
  for (pugi::xml_node at = eqpt.first_child(); at; at = NextInPreorder(at, eqpt)) {
    if (IsElement(at) && AttributeValue(at, "ID")) elements.push_back(at);
  }
  return elements;
}

void UnitXmlTransformer::RenumberDuplicateIds(pugi::xml_node eqpt, std::int64_t& counter) {
  const std::vector<pugi::xml_node> elements = CollectIdElements(eqpt);
  std::unordered_set<std::string_view> seen;
  const bool repeated = std::any_of(elements.begin(), elements.end(), [&seen](const pugi::xml_node element) {
    return !seen.insert(element.attribute("ID").value()).second;
  });
  if (!repeated) return;
  const std::int64_t first = counter;
  for (const pugi::xml_node element : elements) {
    SetAttributeValue(element, "ID", Identifier(counter));
    ++counter;
  }
  if (UnitSetupChanges* const changes = Recording(); changes && !elements.empty()) {
    changes->identifiersRenumbered += elements.size();
    changes->firstIdentifier = first;
    changes->lastIdentifier = counter - 1;
  }
}

std::int32_t UnitXmlTransformer::HighestIdNumber(pugi::xml_node node) {
  std::int32_t highest = 0;
  for (pugi::xml_node at = node; at; at = NextInPreorder(at, node)) {
    if (!IsElement(at)) continue;
    const std::optional<std::string_view> id = AttributeValue(at, "ID");
    if (!id) continue;
    // Unreadable numbers count as 0.
    highest = std::max(highest, ReadIdentifierNumber(*id).value_or(0));
  }
  return highest;
}

bool UnitXmlTransformer::RaiseNextId(pugi::xml_node root, std::int64_t n) {
  if (!root) {
    ShowCatalogMessage("MsgPrjNextIDNull");
    return false;
  }
  const std::optional<std::string_view> before = AttributeValue(root, "NextID");
  UnitSetupChanges* const changes = Recording();
  if (changes) {
    changes->nextIdBefore = before ? std::optional<std::string>(*before) : std::nullopt;
    changes->nextIdAfter = changes->nextIdBefore;
  }
  const std::optional<std::int32_t> next = ReadIdentifierNumber(before.value_or(""));
  if (next && *next >= n) return true;  // never lowered
  const std::string raised = Identifier(n);
  SetAttributeValue(root, "NextID", raised);
  if (changes) changes->nextIdAfter = raised;
  return true;
}
