#include "cli/change_report_text.h"

#include <algorithm>

#include "app/message_catalog.h"
#include "cli/json_line.h"
#include "project/config_rewrite.h"

namespace {

std::string Text(const char* key, std::initializer_list<std::string_view> values = {}) {
  return FormatCatalogValues(LookupMessage(key), values);
}

std::string OrNone(const std::string& value) { return value.empty() ? LookupMessage("ReportNone") : ValidUtf8(value); }

std::string List(const std::vector<std::string>& names) {
  if (names.empty()) return LookupMessage("ReportNone");
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + ValidUtf8(name);
  return list;
}

const char* BlockNameKey(const std::string& name) {
  if (name == kIoTableDataBlock) return "ReportBlockIoTableData";
  if (name == kUnitSetupBlock) return "ReportBlockUnitSetup";
  return "ReportBlockSettingsData";
}

std::string Identifier(std::int64_t number) { return std::string("S").append(std::to_string(number)); }

// A figure of the configuration: a number when it is one, a string otherwise, null when absent.
std::string JsonFigure(const std::string& figure) {
  if (figure.empty()) return "null";
  if (figure.size() <= 9 && figure.find_first_not_of("0123456789") == std::string::npos) {
    return std::to_string(std::stol(figure));
  }
  return JsonString(figure);
}

std::string JsonConfiguration(const std::string& value) {
  const ConfigurationFigures figures = DescribeConfiguration(value);
  return "{\"value\":" + JsonString(value) +
         ",\"model\":" + (figures.model.empty() ? "null" : JsonString(figures.model)) +
         ",\"cpu\":" + (figures.cpu.empty() ? "null" : JsonString(figures.cpu)) +
         ",\"memoryBanks\":" + JsonFigure(figures.emBankCount) + ",\"userMemory\":" + JsonFigure(figures.umSize) + "}";
}

std::string JsonList(const std::vector<std::string>& names) {
  std::string list = "[";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) list += ',';
    list += JsonString(names[i]);
  }
  return list + "]";
}

std::string JsonOptional(const std::optional<std::string>& text) { return text ? JsonString(*text) : "null"; }

// Markdown takes these characters as markup; the report's values are plain text.
std::string MarkdownText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (std::string_view("\\`*_[]<>#|").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// A path as Markdown code, shown as it is: a run of backticks longer than any in it around it.
std::string CodeSpan(const std::string& text) {
  std::size_t longest = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = text.find('`', at);
    if (start == std::string::npos) break;
    const std::size_t end = std::min(text.find_first_not_of('`', start), text.size());
    longest = std::max(longest, end - start);
    at = end;
  }
  const std::string fence(longest + 1, '`');
  const bool pad = !text.empty() && (text.front() == '`' || text.back() == '`');
  return fence + (pad ? " " : "") + text + (pad ? " " : "") + fence;
}

}  // namespace

std::vector<std::string> ChangeReportLines(const ChangeReport& report) {
  std::vector<std::string> lines;
  const ConfigurationFigures before = DescribeConfiguration(report.configBefore);
  const ConfigurationFigures after = DescribeConfiguration(report.configAfter);
  lines.push_back(Text("ReportConfig", {OrNone(before.model), OrNone(after.model), OrNone(before.cpu),
                                        OrNone(after.cpu), OrNone(before.emBankCount), OrNone(after.emBankCount),
                                        OrNone(before.umSize), OrNone(after.umSize)}));
  for (const BlockChange& block : report.blocks) {
    lines.push_back(
        Text("ReportBlock", {block.name, LookupMessage(BlockNameKey(block.name)), std::to_string(block.bytesBefore),
                             std::to_string(block.bytesAfter), std::to_string(block.modelEntriesReplaced)}));
  }
  const UnitSetupChanges& unitSetup = report.unitSetup;
  lines.push_back(Text("ReportInterfacesRemoved", {List(unitSetup.interfacesRemoved)}));
  lines.push_back(Text("ReportParametersRemoved", {List(unitSetup.parametersRemoved)}));
  lines.push_back(Text("ReportModelNamesReplaced", {std::to_string(unitSetup.modelNamesReplaced)}));
  lines.push_back(Text("ReportCpuComponentsUpdated", {std::to_string(unitSetup.cpuComponentsUpdated)}));
  lines.push_back(
      Text("ReportNetworkUnitReplaced", {LookupMessage(unitSetup.networkUnitReplaced ? "ReportYes" : "ReportNo")}));
  if (unitSetup.identifiersRenumbered == 0) {
    lines.push_back(Text("ReportNoIdentifiersRenumbered"));
  } else {
    lines.push_back(Text("ReportIdentifiersRenumbered",
                         {std::to_string(unitSetup.identifiersRenumbered), Identifier(unitSetup.firstIdentifier),
                          Identifier(unitSetup.lastIdentifier)}));
  }
  const std::string none = LookupMessage("ReportNone");
  lines.push_back(Text("ReportNextId", {unitSetup.nextIdBefore ? ValidUtf8(*unitSetup.nextIdBefore) : none,
                                        unitSetup.nextIdAfter ? ValidUtf8(*unitSetup.nextIdAfter) : none}));
  return lines;
}

std::string ChangeReportJson(const ChangeReport& report) {
  std::string json = "{\"config\":{\"before\":" + JsonConfiguration(report.configBefore) +
                     ",\"after\":" + JsonConfiguration(report.configAfter) + "},\"blocks\":[";
  for (std::size_t i = 0; i < report.blocks.size(); ++i) {
    const BlockChange& block = report.blocks[i];
    json += std::string(i ? "," : "") + "{\"name\":" + JsonString(block.name) +
            ",\"bytesBefore\":" + std::to_string(block.bytesBefore) +
            ",\"bytesAfter\":" + std::to_string(block.bytesAfter) +
            ",\"modelEntriesReplaced\":" + std::to_string(block.modelEntriesReplaced) + "}";
  }
  const UnitSetupChanges& unitSetup = report.unitSetup;
  const bool renumbered = unitSetup.identifiersRenumbered > 0;
  json += "],\"unitSetup\":{\"interfacesRemoved\":" + JsonList(unitSetup.interfacesRemoved) +
          ",\"parametersRemoved\":" + JsonList(unitSetup.parametersRemoved) +
          ",\"modelNamesReplaced\":" + std::to_string(unitSetup.modelNamesReplaced) +
          ",\"cpuComponentsUpdated\":" + std::to_string(unitSetup.cpuComponentsUpdated) +
          ",\"networkUnitReplaced\":" + (unitSetup.networkUnitReplaced ? "true" : "false") +
          ",\"identifiersRenumbered\":{\"count\":" + std::to_string(unitSetup.identifiersRenumbered) +
          ",\"first\":" + (renumbered ? JsonString(Identifier(unitSetup.firstIdentifier)) : "null") +
          ",\"last\":" + (renumbered ? JsonString(Identifier(unitSetup.lastIdentifier)) : "null") +
          "},\"nextId\":{\"before\":" + JsonOptional(unitSetup.nextIdBefore) +
          ",\"after\":" + JsonOptional(unitSetup.nextIdAfter) + "}}";
  json += ",\"supportVersionKeysReplaced\":" + std::to_string(report.supportVersionKeysReplaced) +
          ",\"deviceEntriesReplaced\":" + std::to_string(report.deviceEntriesReplaced) + "}";
  return json;
}

std::string ChangeReportMarkdown(const ChangeReport& report, const std::string& input, const std::string& output) {
  std::string markdown = "# " + LookupMessage("ReportTitle") + "\n\n";
  markdown += "- " + Text("ReportInput", {CodeSpan(ValidUtf8(input))}) + "\n";
  markdown += "- " + Text("ReportOutput", {CodeSpan(ValidUtf8(output))}) + "\n\n";
  for (const std::string& line : ChangeReportLines(report)) markdown += "- " + MarkdownText(line) + "\n";
  // The configuration values whole, as the project holds them; a fence longer than any run of
  // backticks in them keeps them literal.
  std::string fence = "```";
  while (report.configBefore.find(fence) != std::string::npos || report.configAfter.find(fence) != std::string::npos) {
    fence += '`';
  }
  markdown +=
      "\n" + fence + "\n" + ValidUtf8(report.configBefore) + "\n" + ValidUtf8(report.configAfter) + "\n" + fence + "\n";
  return markdown;
}
