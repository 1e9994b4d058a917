#include "conversion_checks.h"

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "implode/codec_memory.h"

namespace e2e {

namespace {

std::string Marker(int number) { return "$?St$Bk?_#[" + std::to_string(number) + "]"; }

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  for (std::string token; in >> token;) tokens.push_back(token);
  return tokens;
}

std::string Wrapped(const std::vector<std::string>& tokens) {
  std::string out;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i > 0) out += (i % 32 == 0) ? "\r\n" : " ";
    out += tokens[i];
  }
  return out;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Replaces the content between a block's markers.
std::string WithBlock(const std::string& text, int number, const std::string& content) {
  const std::string marker = Marker(number);
  const auto open = text.find(marker);
  const auto close = text.find(marker, open + marker.size());
  if (open == std::string::npos || close == std::string::npos) throw std::runtime_error("no block " + marker);
  return text.substr(0, open + marker.size()) + content + text.substr(close);
}

int IdNumber(const char* id) { return (id && id[0] == 'S') ? std::atoi(id + 1) : 0; }

}  // namespace

std::string BlockContent(const std::string& text, int number) {
  const std::string marker = Marker(number);
  const auto open = text.find(marker);
  const auto close = text.find(marker, open + marker.size());
  if (open == std::string::npos || close == std::string::npos) throw std::runtime_error("no block " + marker);
  const auto start = text.find('\n', open) + 1;
  return text.substr(start, close - start);
}

std::string DecodeHex(const std::string& hex) {
  std::string bytes;
  for (const std::string& token : Tokens(hex)) bytes += static_cast<char>(std::stoi(token, nullptr, 16));
  return bytes;
}

std::string ConfigValue(const std::string& text) {
  const std::string key = "Config:=\"";
  const auto start = text.find(key) + key.size();
  return text.substr(start, text.find('"', start) - start);
}

std::string ExpectedOutput(const std::string& input, const std::string& newConfigValue,
                           const std::string& actualOutput) {
  std::string expected = ReplaceAll(input, "TQ5ASupportVersion", "TQ6ASupportVersion");
  expected = ReplaceAll(expected, "DEV:TQ5A;", "DEV:TQ6A;");
  const std::string oldValue = ConfigValue(input);
  expected = ReplaceAll(expected, "Config:=\"" + ReplaceAll(oldValue, "DEV:TQ5A;", "DEV:TQ6A;") + "\";",
                        "Config:=\"" + newConfigValue + "\";");
  for (const int block : {2, 3}) {
    std::string joined;
    for (const std::string& token : Tokens(BlockContent(input, block))) joined += token + " ";
    const std::string patched = ReplaceAll(joined, "54 51 35 41", "54 51 36 41");
    expected = WithBlock(expected, block, "\r\n" + Wrapped(Tokens(patched)) + "\r\n");
  }
  return WithBlock(expected, 1, "\r\n" + Wrapped(Tokens(BlockContent(actualOutput, 1))) + "\r\n");
}

std::string UnitSetupDocument(const std::string& convertedText) {
  const CodecResult expanded = ExplodeBytes(DecodeHex(BlockContent(convertedText, 1)));
  if (expanded.code != 0) throw std::runtime_error("unit setup does not expand: " + std::to_string(expanded.code));
  return expanded.bytes;
}

std::vector<std::string> CheckTransformedTree(const pugi::xml_document& before, const pugi::xml_document& after,
                                              const std::string& expectedDate) {
  std::vector<std::string> failures;
  const auto check = [&](bool holds, const std::string& what) {
    if (!holds) failures.push_back(what);
  };
  const pugi::xml_node root = after.document_element();
  check(std::string(root.name()) == "Prj", "root is Prj");
  const pugi::xml_node eqpt = after.find_node([](pugi::xml_node n) { return std::string(n.attribute("ID").value()) == "S5"; });
  check(eqpt && std::string(eqpt.attribute("MdlNm").value()) == "TQ6A", "equipment is TQ6A");

  // No value anywhere still names the source model.
  std::size_t source = 0;
  for (const auto& hit : after.select_nodes("//@*")) {
    if (std::string(hit.attribute().value()).find("TQ5A") != std::string::npos) ++source;
  }
  check(source == 0, "no attribute holds TQ5A");

  // The retired interface is gone and its predecessor marked.
  const pugi::xml_node before_eqpt = before.find_node([](pugi::xml_node n) { return std::string(n.attribute("ID").value()) == "S5"; });
  pugi::xml_node previous;
  for (pugi::xml_node child : before_eqpt.children()) {
    if (std::string(child.attribute("IFNumber").value()) == "Z_000009") break;
    if (child.type() == pugi::node_element) previous = child;
  }
  check(!eqpt.find_child_by_attribute("IFNumber", "Z_000009"), "Z_000009 removed");
  const pugi::xml_node marked = eqpt.find_child_by_attribute("IFNumber", previous.attribute("IFNumber").value());
  check(std::string(marked.attribute("MacNum").value()) == "252", "interface before Z_000009 has MacNum 252");

  // Port 1 parameters leave the first Param; the others stay.
  const pugi::xml_node param = eqpt.child("Param");
  std::size_t port1 = 0, kept = 0;
  for (pugi::xml_node item : param.children("ParamItem")) {
    (std::string(item.attribute("Name").value()).find("P_Port1") != std::string::npos ? port1 : kept)++;
  }
  std::size_t keptBefore = 0;
  for (pugi::xml_node item : before_eqpt.child("Param").children("ParamItem")) {
    if (std::string(item.attribute("Name").value()).find("P_Port1") == std::string::npos) ++keptBefore;
  }
  check(port1 == 0 && kept == keptBefore, "only the P_Port1 items removed");

  // CPU components carry the target's definition file.
  std::size_t cpus = 0;
  for (const auto& hit : after.select_nodes("//Comp[contains(@MdlNm,'TQ6A-CPU')]")) {
    const pugi::xml_node comp = hit.node();
    ++cpus;
    check(std::string(comp.attribute("FlNm").value()) ==
              "KPD_" + std::string(comp.attribute("MdlNm").value()) + "_Ver1_0.xml",
          "CPU FlNm");
    check(std::string(comp.attribute("MajorVer").value()) == "1" && std::string(comp.attribute("MinorVer").value()) == "0",
          "CPU version 1.0");
  }
  check(cpus == 1, "one CPU component");

  // The network unit is the template, in the old unit's place, dated today.
  check(after.select_nodes("//Comp[@MdlNm='TQ6A-NTX40']").empty(), "old network unit gone");
  const auto templates = after.select_nodes("//Comp[@MdlNm='TQ6A-NTX40S']");
  check(templates.size() == 1, "one template component");
  if (!templates.empty()) {
    const pugi::xml_node unit = templates.first().node();
    check(unit.parent() == eqpt, "template below the equipment");
    check(std::distance(unit.child("Param").children("ParamItem").begin(), unit.child("Param").children("ParamItem").end()) == 148,
          "148 parameter items");
    for (const auto& dated : {unit, unit.child("CommIFs").child("CommIF"), unit.child("Param")}) {
      check(std::string(dated.attribute("CtDt").value()) == expectedDate &&
                std::string(dated.attribute("ModDt").value()) == expectedDate,
            "dates stamped " + expectedDate);
    }
    const auto oldUnits = before.select_nodes("//Comp[@MdlNm='TQ5A-NTX40']");
    const pugi::xml_node oldPrevious = oldUnits.first().node().previous_sibling("Comp");
    check(std::string(unit.previous_sibling("Comp").attribute("Name").value()) == oldPrevious.attribute("Name").value(),
          "template in the old unit's place");
  }

  // Identifiers below the equipment are unique and "NextID" lies beyond all of them.
  std::set<std::string> seen;
  bool unique = true;
  int highest = 0;
  for (const auto& hit : after.select_nodes("//*[@ID]")) {
    const char* id = hit.node().attribute("ID").value();
    highest = std::max(highest, IdNumber(id));
    if (hit.node() != eqpt && eqpt.find_node([&](pugi::xml_node n) { return n == hit.node(); })) {
      unique = seen.insert(id).second && unique;
    }
  }
  check(unique, "identifiers below the equipment are unique");
  check(IdNumber(root.attribute("NextID").value()) > highest, "NextID beyond every identifier");
  return failures;
}

}  // namespace e2e
