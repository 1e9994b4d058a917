// The source model's built-in network unit replaced by the target model's, taken from the
// template the library carries, dated with the conversion day.
#include <cstdio>
#include <new>

#include "app/change_report.h"
#include "app/user_interface.h"
#include "platform/platform.h"
#include "unitxml/network_unit_template.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

// The network unit as it reads once the model names are replaced; the template's own
// "TQ6A-NTX40S" never matches, so an inserted copy is not taken for the one to replace.
constexpr std::string_view kNetworkUnitModel = "TQ6A-NTX40";
constexpr std::string_view kDatePlaceholder = "XXXX-XX-XX";

}  // namespace

bool UnitXmlTransformer::ReplaceNetworkUnit(pugi::xml_node eqpt) {
  if (!eqpt) {
    ShowCatalogMessage("MsgEqptNull");
    return false;
  }
  const pugi::xml_node target = FindNetworkUnit(eqpt);
  if (!target) return true;  // nothing to replace: the components stay as they are
  const std::string text = LoadUnitTemplate();
  if (text.empty()) return false;
  const std::unique_ptr<pugi::xml_document> unitTemplate = ParseUnitTemplate(StampTemplateDates(text));
  if (!unitTemplate) return false;
  const pugi::xml_node component = unitTemplate->document_element();
  if (!IsElement(component)) {
    ShowCatalogMessage("MsgCastFinalCompFail");
    return false;
  }
  pugi::xml_node parent = target.parent();
  if (!parent) {
    ShowCatalogMessage("MsgReplaceNoParent");
    return false;
  }
  // The deep copy into the unit-setup document takes the target's place among its siblings.
  const pugi::xml_node copy = parent.insert_copy_before(component, target);
  if (!copy || !SameTree(copy, component)) {
    if (copy) parent.remove_child(copy);  // torn for want of memory: no half template
    ShowCatalogMessage("MsgReplaceNodeFail");
    return false;
  }
  if (!parent.remove_child(target)) {
    parent.remove_child(copy);
    ShowCatalogMessage("MsgReplaceNodeFail");
    return false;
  }
  if (target == eqptNode) eqptNode = pugi::xml_node();  // it left the document with the target
  if (ChangeReport* const report = CurrentChangeReport()) report->unitSetup.networkUnitReplaced = true;
  return true;
}

pugi::xml_node UnitXmlTransformer::FindNetworkUnit(pugi::xml_node node) {
  for (pugi::xml_node at = node; at; at = NextInPreorder(at, node)) {
    if (IsElementNamed(at, "Comp") && AttributeValue(at, "Name") == "Component" &&
        AttributeValue(at, "MdlNm") == kNetworkUnitModel) {
      return at;
    }
  }
  return {};
}

std::string UnitXmlTransformer::LoadUnitTemplate() {
  const std::string_view bytes = NetworkUnitTemplate();
  if (bytes.empty()) {
    ShowCatalogMessage("MsgResourceEmpty");
    return {};
  }
  try {
    return std::string(bytes);
  } catch (const std::bad_alloc&) {
    ShowCatalogMessage("MsgResourceCopyFail");
    return {};
  }
}

std::string UnitXmlTransformer::StampTemplateDates(std::string text) {
  const std::optional<platform::LocalDate> today = platform::Today();
  if (!today) {
    // The conversion goes on; the placeholders reach the output as they are.
    ShowCatalogMessage("MsgLocalTimeFail");
    return text;
  }
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", today->year, today->month, today->day);
  const std::string_view stamp(date);
  for (std::size_t at = text.find(kDatePlaceholder); at != std::string::npos;
       at = text.find(kDatePlaceholder, at + stamp.size())) {
    text.replace(at, kDatePlaceholder.size(), stamp);
  }
  return text;
}

std::unique_ptr<pugi::xml_document> UnitXmlTransformer::ParseUnitTemplate(std::string_view text) const {
  std::optional<ParsedXml> parsed = ParseXml(text);
  if (!parsed) {
    ShowCatalogMessage("MsgReplaceXmlParseFail");
    return nullptr;
  }
  if (!IsElementNamed(parsed->document->document_element(), "Comp")) {
    ShowCatalogMessage("MsgReplaceRootNotComp");
    return nullptr;
  }
  if (!document) {
    ShowCatalogMessage("MsgReplaceNodeFail");  // there is nothing to copy it into
    return nullptr;
  }
  return std::move(parsed->document);
}
