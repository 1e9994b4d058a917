// The unit-setup document of one run and the steps over it: load, root check, the model
// transformation (with the network-unit replacement) and save.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "unitxml/dom.h"

class UnitXmlTransformer {
 public:
  // Load, root check, transformation and save, stopping at the first that fails. Exceptions of
  // the steps end here as MsgStdException (with their text) or MsgUnknownException.
  bool Run(const std::filesystem::path& inputPath, const std::filesystem::path& outputPath);

  // Document service. Each shows its own message before returning false.
  bool LoadDocument(const std::filesystem::path& path);
  bool CheckRoot();
  bool SaveDocument(const std::filesystem::path& path);
  // The first element in document order, node itself included, whose "ID" is "S5".
  static pugi::xml_node FindEqptNode(pugi::xml_node node);

  // The rules that make a source-model document a target-model one, in their order.
  bool Transform();
  static void RemoveRetiredInterfaces(pugi::xml_node eqpt);
  static void RemovePort1Parameters(pugi::xml_node param);
  static void ReplaceModelNames(pugi::xml_node node);
  static void UpdateCpuComponents(pugi::xml_node node);
  // 28 when the equipment element's "PLCIdentify" is "Yes", otherwise 6.
  static std::int64_t IdStartNumber(pugi::xml_node eqpt);
  static std::vector<pugi::xml_node> CollectIdElements(pugi::xml_node eqpt);
  // Renumbers every identifier below eqpt from counter on, but only when one of them repeats.
  static void RenumberDuplicateIds(pugi::xml_node eqpt, std::int64_t& counter);
  static std::int32_t HighestIdNumber(pugi::xml_node node);
  // "NextID" of the root becomes "S" + n unless it already holds a number of n or more.
  static bool RaiseNextId(pugi::xml_node root, std::int64_t n);

  // The network unit: the source model's component replaced by a dated copy of the template.
  bool ReplaceNetworkUnit(pugi::xml_node eqpt);
  static pugi::xml_node FindNetworkUnit(pugi::xml_node node);
  static std::string LoadUnitTemplate();
  static std::string StampTemplateDates(std::string text);
  // The parsed template, whose root "Comp" is then copied into the unit-setup document in the
  // replaced component's place. Needs the unit-setup document.
  std::unique_ptr<pugi::xml_document> ParseUnitTemplate(std::string_view text) const;

  // Releases eqptNode, then document.
  void Release();

  std::unique_ptr<std::string> documentBytes;    // what document was parsed in; outlives it
  std::unique_ptr<pugi::xml_document> document;  // empty while nothing is loaded
  pugi::xml_node eqptNode;                       // an element of document, or empty
  XmlEncoding encoding = XmlEncoding::Utf8;      // how document came in, and how it is saved
};

// Reads the number of an identifier: the run of decimal digits from the first digit anywhere
// in the value ("S0012X3" gives 12). Nothing without a digit or above 2147483647.
std::optional<std::int32_t> ReadIdentifierNumber(std::string_view value);
