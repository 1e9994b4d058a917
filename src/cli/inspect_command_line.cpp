// tqconv inspect and unit-setup: looking into a project without converting it.
#include <cstdio>
#include <string>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "cli/console_text.h"
#include "cli/console_user_interface.h"
#include "cli/json_line.h"
#include "cli/new_file.h"
#include "pipeline/project_inspection.h"
#include "platform/platform.h"
#include "project/validation.h"

namespace {

constexpr OptionSpec kUnitSetupOptions[] = {{"converted", 0, false}};

std::string Text(const char* key, std::initializer_list<std::string_view> values = {}) {
  return FormatCatalogValues(LookupMessage(key), values);
}

std::string OrNone(const std::string& value) { return value.empty() ? LookupMessage("ReportNone") : ValidUtf8(value); }

void AppendSections(std::string& out, const std::vector<OutlineNode>& nodes, const std::string& indent) {
  for (const OutlineNode& node : nodes) {
    out += indent + ValidUtf8(node.name);
    if (node.block) {
      out += ' ';
      out += Text("InspectBlock", {std::to_string(*node.block), std::to_string(node.blockBytes)});
    }
    out += "\n";
    AppendSections(out, node.children, indent + "  ");
  }
}

std::string Identifier(std::int32_t number) { return std::string("S").append(std::to_string(number)); }

std::string InspectionText(const ProjectInspection& inspection) {
  const ConfigurationFigures& configuration = inspection.configuration;
  std::string out;
  out += Text("InspectModel", {OrNone(configuration.model)}) + "\n";
  out += Text("InspectCpu", {OrNone(configuration.cpu)}) + "\n";
  out += Text("InspectMemoryLayout") + " " +
         Text("InspectMemoryFigures", {OrNone(configuration.emBankCount), OrNone(configuration.umSize)}) + "\n";
  for (const std::string& entry : configuration.memoryEntries) out += "  " + ValidUtf8(entry) + "\n";
  out += Text("InspectSections") + "\n";
  AppendSections(out, inspection.sections, "  ");
  out += Text("InspectUnitSetup") + "\n";
  if (!inspection.unitSetup) return out + "  " + Text("InspectUnitSetupUnreadable") + "\n";
  const UnitSetupSummary& unitSetup = *inspection.unitSetup;
  std::string equipment = OrNone(unitSetup.equipmentName) + " " + OrNone(unitSetup.equipmentModel);
  if (!unitSetup.plcIdentify.empty()) equipment += " (PLCIdentify " + ValidUtf8(unitSetup.plcIdentify) + ")";
  out += "  " + Text("InspectEquipment", {equipment}) + "\n";
  out += "  " + Text("InspectInterfaces", {std::to_string(unitSetup.interfaces.size())}) + "\n";
  for (const auto& interface : unitSetup.interfaces) {
    out += "    " + ValidUtf8(interface.number) + " MacNum " + OrNone(interface.macNumber) + "\n";
  }
  out += "  " + Text("InspectUnits", {std::to_string(unitSetup.units.size())}) + "\n";
  for (const auto& unit : unitSetup.units) out += "    " + OrNone(unit.name) + " " + OrNone(unit.model) + "\n";
  out += "  " +
         Text("InspectIdentifiers", {std::to_string(unitSetup.identifiers), Identifier(unitSetup.lowestIdentifier),
                                     Identifier(unitSetup.highestIdentifier),
                                     unitSetup.nextId ? ValidUtf8(*unitSetup.nextId) : LookupMessage("ReportNone")}) +
         "\n";
  return out;
}

// Reads the arguments of a command over one project; nothing when it should not go on (help
// was printed, or a usage error, status says which).
std::optional<CommandArguments> Parse(const char* command, const std::vector<std::string>& raw,
                                      std::span<const OptionSpec> options, std::size_t operands, const char* shape,
                                      int& status) {
  std::optional<CommandArguments> arguments = ParseCommandArguments(command, raw, options);
  status = kExitUsage;
  if (!arguments) return std::nullopt;
  if (arguments->help) {
    WriteText(stdout, CommandHelp(command));
    status = kExitSuccess;
    return std::nullopt;
  }
  if (arguments->operands.size() != operands) {
    UsageError(command, Text("CliUsageArguments", {command, shape}));
    return std::nullopt;
  }
  return arguments;
}

// Runs the reading with the console installed; prints its messages, and a line of its own when
// it failed without one. An unexpected exception fails the command, it does not end it.
template <typename Reading>
bool WithConsole(const std::string& file, Reading reading) {
  ConsoleUserInterface console("tqconv: " + file + ": ", false);
  bool ok = false;
  {
    const ScopedUserInterface installed(console);
    try {
      ok = CheckProjectExtension(file) && reading();
    } catch (const platform::Stopped&) {
      throw;  // no failure: the command ends with its clean-up
    } catch (...) {
      ShowCatalogMessage("MsgUnexpectedError");
    }
  }
  if (!ok && console.messages().empty()) console.Report(LookupMessage("CliConversionFailed"));
  WriteText(stderr, console.errorLines());
  return ok;
}

}  // namespace

int RunInspectCommand(const std::vector<std::string>& raw) {
  int status = kExitUsage;
  const std::optional<CommandArguments> arguments = Parse("inspect", raw, {}, 1, "FILE", status);
  if (!arguments) return status;
  const std::string& file = arguments->operands[0];
  return RunStoppable([&] {
    ProjectInspection inspection;
    if (!WithConsole(file, [&] { return InspectProject(file, inspection); })) return kExitFailure;
    WriteText(stdout, InspectionText(inspection));
    return kExitSuccess;
  });
}

int RunUnitSetupCommand(const std::vector<std::string>& raw) {
  int status = kExitUsage;
  const std::optional<CommandArguments> arguments =
      Parse("unit-setup", raw, kUnitSetupOptions, 2, "FILE OUT.xml", status);
  if (!arguments) return status;
  const std::string& file = arguments->operands[0];
  const std::string& out = arguments->operands[1];
  if (platform::GetFileAttributes(platform::PathFromUtf8(out))) return FileError(out, LookupMessage("CliOutputExists"));
  const bool converted = arguments->Has("converted");
  return RunStoppable([&] {
    std::string document;
    if (!WithConsole(file, [&] {
          return converted ? ReadConvertedUnitSetup(file, document) : ReadStoredUnitSetup(file, document);
        })) {
      return kExitFailure;
    }
    if (const auto problem = WriteNewFile(out, WithBytes(std::move(document), out))) {
      return FileError(problem->file, problem->text);
    }
    return kExitSuccess;
  });
}
