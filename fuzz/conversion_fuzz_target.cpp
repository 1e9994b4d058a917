// Arbitrary bytes as a project, converted in-process by the Convert command with a fixed date and
// a temporary folder of the fuzzer's own. Whatever the bytes, the command ends without a crash,
// a hang or a leak; the input is left as it was; a failure shows at least one message; a success
// shows none and gives a project for the target model that validates as a project, names the
// target model and carries a unit-setup block that expands into a document that parses; and
// nothing is left behind but the input and that output.
// The first byte chooses the route: 0 a text project, 1 a packed project as given, 2 a packed
// project made by compressing the rest, 3 a text project made around the rest as its unit-setup
// document (so that mutations reach the document's round trip and the merge).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/user_interface.h"
#include "implode/codec_memory.h"
#include "pipeline/convert_command.h"
#include "platform_double.h"
#include "project/extraction.h"
#include "project/validation.h"
#include "unitxml/dom.h"

namespace {

namespace fs = std::filesystem;

// Each execution stays small and fast: the input is capped, and a packed project may expand to
// no more than this (the command refuses more with MsgFileTooLarge, as it refuses 200 MiB).
constexpr std::size_t kMaxInput = 64 * 1024;
constexpr std::uint64_t kProjectLimit = 1 << 20;
// The output adds the network unit's template to the project; these bound only the checks.
constexpr std::uint64_t kOutputLimit = 4 * kProjectLimit;
constexpr std::uint64_t kUnitSetupLimit = 64 << 20;

// The fuzzer's folder for the whole process (set once it exists), so that a finding, which ends
// the process at once, removes it too.
fs::path* privateFolder = nullptr;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "conversion fuzz target: %s\n", what);
  if (privateFolder) {
    std::error_code ignored;
    fs::remove_all(*privateFolder, ignored);
  }
  std::abort();
}

class MessageLog final : public UserInterface {
 public:
  void ShowMessage(const std::string& key, const std::string&, MessageIcon) override { keys.push_back(key); }
  void ShowConversionResult(const std::string& outputPath, const std::string&) override {
    results.push_back(outputPath);
  }
  void SetBusy(bool) override {}

  std::vector<std::string> keys;
  std::vector<std::string> results;
};

// The fuzzer's own folder for the whole process, in memory where the machine has a memory file
// system (the conversion syncs what it publishes), removed when the process ends.
class PrivateFolder {
 public:
  PrivateFolder() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    // A new folder of a random name (create_directory refuses one that exists), on every platform.
    std::random_device random;
    for (int attempt = 0; path.empty() && attempt < 100; ++attempt) {
      const fs::path candidate = base / ("tq-conversion-fuzz-" + std::to_string(random()));
      if (fs::create_directory(candidate)) path = candidate;
    }
    Require(!path.empty(), "cannot create a private folder");
    privateFolder = &path;
  }
  ~PrivateFolder() {
    privateFolder = nullptr;
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

const fs::path& Root() {
  static PrivateFolder folder;
  return folder.path;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Require(static_cast<bool>(out.flush()), "cannot write the input");
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

// The bytes as a project's hex block: 16 values to a line.
std::string HexLines(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
    text += (i % 16 == 15 || i + 1 == bytes.size()) ? "\r\n" : " ";
  }
  return text;
}

// A small source-model project whose unit setup is the document.
std::string ProjectAround(std::string_view unitSetupDocument) {
  return "Project:=Fuzz\r\nBEGIN\r\n  TQ5ASupportVersion:=\"1.08\";\r\n  ResourceCount:=1;\r\n"
         "  PLC:=PLC1\r\n  BEGIN\r\n    Config:=\"[DEV]DEV:TQ5A;CPU:CPU63;[MEM]EM:E,0,32768,WORD,RW,1,;\";\r\n"
         "    IOTable:=\r\n    BEGIN\r\n      UnitSetup:=\r\n$?St$Bk?_#[1]\r\n" +
         HexLines(ImplodeBytes(unitSetupDocument).bytes) +
         "$?St$Bk?_#[1]\r\n      Data:=\r\n$?St$Bk?_#[2]\r\n54 51 35 41 01\r\n$?St$Bk?_#[2]\r\n    END;\r\n"
         "    Settings:=\r\n    BEGIN\r\n      Data:=\r\n$?St$Bk?_#[3]\r\nFF EE\r\n$?St$Bk?_#[3]\r\n    END;\r\n"
         "  END;\r\n  Resource[1]:=PLC1\r\n  BEGIN\r\n  END;\r\nEND;\r\n";
}

std::string InputOfRoute(unsigned route, std::string_view rest) {
  switch (route) {
    case 2: return ImplodeBytes(rest).bytes;
    case 3: return ProjectAround(rest);
    default: return std::string(rest);
  }
}

// The converted project, judged by the project steps themselves, in the check folder.
void CheckConvertedProject(const fs::path& output, bool packed, const fs::path& checkFolder) {
  std::string text = ReadFile(output);
  if (packed) {
    const CodecResult expanded = ExplodeBytes(text, kOutputLimit);
    Require(expanded.code == 0 && !expanded.tooLarge, "the packed output does not expand");
    text = expanded.bytes;
  }
  fs::create_directory(checkFolder);
  const std::string staged = (checkFolder / "converted.lqt").string();
  WriteFile(staged, text);

  MessageLog log;
  const ScopedUserInterface scope(log);
  // Every check of a project passes but the last: the output is for the target model.
  Require(!ValidateAndPrepareProject(staged) && log.keys == std::vector<std::string>{"MsgOnlyTQ5A"},
          "the output does not validate as a project");
  std::string descriptor;
  Require(ReadModelDescriptor(staged, descriptor), "the output cannot be reopened");
  Require(descriptor.rfind("TQ6A ", 0) == 0 && descriptor.size() > 5, "the output does not name the target model");

  std::unique_ptr<CTQPropertyData> unitSetup;
  std::string configLine, ioDataHex, settingsDataHex;
  Require(ExtractPlcSections(unitSetup, staged, configLine, ioDataHex, settingsDataHex),
          "the output's sections cannot be extracted");
  Require(unitSetup && unitSetup->DecodeHexText(), "the output's unit-setup block does not decode");
  const std::string_view stream(reinterpret_cast<const char*>(unitSetup->bytes.data()), unitSetup->bytes.size());
  const CodecResult document = ExplodeBytes(stream, kUnitSetupLimit);
  Require(document.code == 0 && !document.tooLarge, "the output's unit setup does not expand");
  const std::optional<ParsedXml> parsed = ParseXml(document.bytes);
  Require(parsed.has_value(), "the output's unit-setup document does not parse");
  Require(std::string_view(parsed->document->document_element().name()) == "Prj",
          "the output's unit-setup document lost its root");
  Require(log.keys.size() == 1, "checking the output showed more messages");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxInput) return 0;
  const unsigned route = data[0] % 4;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool packed = route == 1 || route == 2;
  const std::string input = InputOfRoute(route, rest);

  const fs::path run = Root() / "run";
  const fs::path inputFolder = run / "in";
  const fs::path temporaryFolder = run / "tmp";
  fs::create_directories(inputFolder);
  fs::create_directories(temporaryFolder);
  const fs::path inputPath = inputFolder / (packed ? "project.lqp" : "project.lqt");
  WriteFile(inputPath, input);
  {
    PlatformDouble platform;
    platform.temporaryFolder = temporaryFolder.string() + "/";
    platform.today = platform::LocalDate{2024, 6, 1};
    MessageLog log;
    const ScopedUserInterface scope(log);
    ConversionState state;
    ConversionSteps steps = DefaultConversionSteps();
    steps.projectSizeLimit = kProjectLimit;

    const ConversionOutcome outcome = OnConvert(inputPath.string(), state, steps);

    Require(state.m_workDir.empty() && !state.UnitSetupSlot, "the command kept its working state");
    Require(!outcome.incomplete, "the command's chain is incomplete");
    Require(ReadFile(inputPath) == input, "the input changed");
    Require(fs::is_empty(temporaryFolder), "something is left in the temporary folder");
    const std::vector<std::string> names = Names(inputFolder);
    if (outcome.succeeded) {
      Require(log.keys.empty(), "a success showed a message");
      Require(log.results == std::vector<std::string>{outcome.outputPath}, "the result shows another path");
      Require(fs::path(outcome.outputPath).parent_path() == inputFolder, "the output is not beside the input");
      Require(names.size() == 2, "something else is left beside the input");
      CheckConvertedProject(outcome.outputPath, packed, run / "check");
    } else {
      Require(!log.keys.empty(), "a failure without a message");
      Require(log.results.empty(), "a failure showed a result");
      Require(names.size() == 1, "a failure left something beside the input");
    }
  }
  fs::remove_all(run);
  return 0;
}
