#include "cli/command_line.h"

#include <cstdio>

#include "cli/console_text.h"

#include "app/message_catalog.h"

namespace {

constexpr OptionSpec kCommonOptions[] = {{"lang", 0, true}};

// The language code for a --lang value; nothing for a value we do not have.
std::optional<std::string> LanguageFor(std::string_view value) {
  if (value == "en") return "EN";
  if (value == "ja") return "JP";
  return std::nullopt;
}

const OptionSpec* FindLong(std::span<const OptionSpec> options, std::string_view name) {
  for (const OptionSpec& option : options) {
    if (option.longName == name) return &option;
  }
  for (const OptionSpec& option : kCommonOptions) {
    if (option.longName == name) return &option;
  }
  return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> options, char name) {
  for (const OptionSpec& option : options) {
    if (option.shortName != 0 && option.shortName == name) return &option;
  }
  return nullptr;
}

}  // namespace

std::string CommandHelp(const std::string& command) {
  static constexpr std::pair<std::string_view, std::string_view> kHelp[] = {
      {"convert", "CliHelpConvert"},      {"check", "CliHelpCheck"}, {"inspect", "CliHelpInspect"},
      {"unit-setup", "CliHelpUnitSetup"}, {"pack", "CliHelpPack"},   {"unpack", "CliHelpUnpack"},
  };
  for (const auto& [name, key] : kHelp) {
    if (command == name) return LookupMessage(key);
  }
  return LookupMessage("CliHelp");
}

std::string CommandArguments::Value(std::string_view name) const {
  const auto found = options.find(name);
  return found == options.end() ? std::string() : found->second;
}

int UsageError(std::string_view command, const std::string& text) {
  const std::string help = command.empty() ? "tqconv --help" : "tqconv " + std::string(command) + " --help";
  WriteText(stderr, "tqconv: " + text + "\n" + FormatCatalogValues(LookupMessage("CliUsageHint"), {help}) + "\n");
  return kExitUsage;
}

int FileError(const std::string& name, const std::string& text) {
  WriteText(stderr, "tqconv: " + name + ": " + text + "\n");
  return kExitFailure;
}

void SelectCommandLanguage(const std::vector<std::string>& arguments) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") break;
    std::optional<std::string> language;
    if (argument == "--lang" && i + 1 < arguments.size()) {
      language = LanguageFor(arguments[i + 1]);
    } else if (argument.rfind("--lang=", 0) == 0) {
      language = LanguageFor(std::string_view(argument).substr(7));
    }
    if (language) {
      CurrentLanguage() = *language;
      return;
    }
  }
  SelectLanguage();
}

std::optional<CommandArguments> ParseCommandArguments(std::string_view command,
                                                      const std::vector<std::string>& arguments,
                                                      std::span<const OptionSpec> options) {
  const std::string name(command);
  CommandArguments parsed;
  const auto unknown = [&](const std::string& argument) {
    UsageError(command, FormatCatalogValues(LookupMessage("CliUsageUnknownOption"), {argument, name}));
    return std::nullopt;
  };
  bool onlyOperands = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyOperands || argument.size() < 2 || argument[0] != '-') {
      parsed.operands.push_back(argument);  // "-" alone is an operand too
      continue;
    }
    if (argument == "--") {
      onlyOperands = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
      return parsed;
    }
    const OptionSpec* option = nullptr;
    std::optional<std::string> value;
    std::string shown = argument;  // how the option is named in a message
    if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      option = FindLong(
          options, std::string_view(argument).substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
      if (equals != std::string::npos) {
        shown = argument.substr(0, equals);
        value = argument.substr(equals + 1);
      }
    } else {
      option = FindShort(options, argument[1]);
      shown = argument.substr(0, 2);
      if (argument.size() > 2) value = argument.substr(2);
    }
    if (option == nullptr) return unknown(shown);
    if (!option->takesValue) {
      if (value) return unknown(argument);
      parsed.options[std::string(option->longName)] = "";
      continue;
    }
    if (!value) {
      if (i + 1 == arguments.size()) {
        UsageError(command, FormatCatalogValues(LookupMessage("CliUsageNeedsValue"), {shown}));
        return std::nullopt;
      }
      value = arguments[++i];
    }
    parsed.options[std::string(option->longName)] = *value;
  }
  if (parsed.Has("lang") && !LanguageFor(parsed.Value("lang"))) {
    UsageError(command,
               FormatCatalogValues(LookupMessage("CliUsageBadValue"), {"--lang", parsed.Value("lang"), "en, ja"}));
    return std::nullopt;
  }
  return parsed;
}
