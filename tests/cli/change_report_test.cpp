// The report of every bundled sample against what its generator planted: the names removed,
// the counts, the identifiers and NextID, in English, in Japanese and in JSON.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "cli/json_line.h"
#include "conversion_checks.h"
#include "implode/codec_memory.h"
#include "sample_projects.h"
#include "test_files.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

// The target model's memory layout the samples' CPUs get.
const std::map<std::string, std::pair<std::string, std::string>> kLayout = {
    {"CPU63", {"1", "124928"}}, {"CPU64", {"10", "186368"}}, {"CPU65", {"10", "288768"}}, {"CPU85", {"10", "288768"}}};

std::size_t TemplateIdentifiers() {
  pugi::xml_document unit;
  EXPECT_TRUE(unit.load_file(testfiles::Source("src/unitxml/network_unit_template.xml").c_str()));
  return unit.select_nodes("//*[@ID]").size();
}

std::size_t HexValues(const std::string& hex) {
  std::size_t values = 0;
  std::istringstream in(hex);
  for (std::string token; in >> token;) ++values;
  return values;
}

std::string Joined(const std::vector<std::string>& names, const std::string& separator, const std::string& quote) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : separator) + quote + name + quote;
  return joined;
}

// What the report must say of one sample: the planted facts and the output's own block size.
struct Expected {
  std::string cpu;
  std::string banks;
  std::string userMemory;
  PlantedChanges planted;
  std::size_t unitSetupAfter = 0;
  std::size_t renumbered = 0;
  std::size_t first = 0;
  std::size_t last = 0;
  std::string configBefore;
  std::string configAfter;
};

std::string English(const Expected& e) {
  const PlantedChanges& p = e.planted;
  return "  Configuration: model TQ5A -> TQ6A, CPU " + e.cpu + " -> " + e.cpu + ", memory banks 1 -> " + e.banks +
         ", user memory 94208 -> " + e.userMemory + "\n" +
         "  Block IOTable.Data (I/O table data): " + std::to_string(p.ioTableBytes) + " -> " +
         std::to_string(p.ioTableBytes) + " bytes, " + std::to_string(p.ioTableModelEntries) +
         " model entries replaced\n" + "  Block Settings.Data (settings data): " + std::to_string(p.settingsBytes) +
         " -> " + std::to_string(p.settingsBytes) + " bytes, 0 model entries replaced\n" +
         "  Block IOTable.UnitSetup (unit setup): " + std::to_string(p.unitSetupBytes) + " -> " +
         std::to_string(e.unitSetupAfter) + " bytes, 0 model entries replaced\n" +
         "  Interfaces removed: " + Joined(p.interfacesRemoved, ", ", "") + "\n" +
         "  Parameters removed: " + Joined(p.parametersRemoved, ", ", "") + "\n" +
         "  Model names replaced: " + std::to_string(p.modelNames) + "\n" +
         "  CPU components updated: " + std::to_string(p.cpuComponents) + "\n" +
         "  Network unit replaced by the template: yes\n" +
         "  Identifiers renumbered: " + std::to_string(e.renumbered) + " (S" + std::to_string(e.first) + " to S" +
         std::to_string(e.last) + ")\n" + "  NextID: " + p.nextIdBefore + " -> S" + std::to_string(e.last + 1) + "\n";
}

std::string Japanese(const Expected& e) {
  const PlantedChanges& p = e.planted;
  return "  構成: 機種 TQ5A → TQ6A、CPU " + e.cpu + " → " + e.cpu + "、メモリバンク 1 → " + e.banks +
         "、ユーザーメモリ 94208 → " + e.userMemory + "\n" +
         "  ブロック IOTable.Data（I/Oテーブルデータ）: " + std::to_string(p.ioTableBytes) + " → " +
         std::to_string(p.ioTableBytes) + " バイト、機種名の置換 " + std::to_string(p.ioTableModelEntries) + " 件\n" +
         "  ブロック Settings.Data（設定データ）: " + std::to_string(p.settingsBytes) + " → " +
         std::to_string(p.settingsBytes) + " バイト、機種名の置換 0 件\n" +
         "  ブロック IOTable.UnitSetup（ユニット設定）: " + std::to_string(p.unitSetupBytes) + " → " +
         std::to_string(e.unitSetupAfter) + " バイト、機種名の置換 0 件\n" +
         "  削除したインターフェース: " + Joined(p.interfacesRemoved, ", ", "") + "\n" +
         "  削除したパラメータ: " + Joined(p.parametersRemoved, ", ", "") + "\n" +
         "  置換した機種名: " + std::to_string(p.modelNames) + " 件\n" +
         "  更新したCPUコンポーネント: " + std::to_string(p.cpuComponents) + " 件\n" +
         "  ネットワークユニットをテンプレートに置換: はい\n" + "  振り直した識別子: " + std::to_string(e.renumbered) +
         " 件（S" + std::to_string(e.first) + "～S" + std::to_string(e.last) + "）\n" + "  NextID: " + p.nextIdBefore +
         " → S" + std::to_string(e.last + 1) + "\n";
}

std::string Json(const Expected& e) {
  const PlantedChanges& p = e.planted;
  const auto config = [&](const std::string& value, const char* model, const std::string& banks,
                          const std::string& memory) {
    return "{\"value\":\"" + value + "\",\"model\":\"" + model + "\",\"cpu\":\"" + e.cpu +
           "\",\"memoryBanks\":" + banks + ",\"userMemory\":" + memory + "}";
  };
  const auto block = [](const char* name, std::size_t before, std::size_t after, std::size_t entries) {
    return "{\"name\":\"" + std::string(name) + "\",\"bytesBefore\":" + std::to_string(before) +
           ",\"bytesAfter\":" + std::to_string(after) + ",\"modelEntriesReplaced\":" + std::to_string(entries) + "}";
  };
  return "{\"config\":{\"before\":" + config(e.configBefore, "TQ5A", "1", "94208") +
         ",\"after\":" + config(e.configAfter, "TQ6A", e.banks, e.userMemory) + "},\"blocks\":[" +
         block("IOTable.Data", p.ioTableBytes, p.ioTableBytes, p.ioTableModelEntries) + "," +
         block("Settings.Data", p.settingsBytes, p.settingsBytes, 0) + "," +
         block("IOTable.UnitSetup", p.unitSetupBytes, e.unitSetupAfter, 0) + "]," +
         "\"unitSetup\":{\"interfacesRemoved\":[" + Joined(p.interfacesRemoved, ",", "\"") + "]," +
         "\"parametersRemoved\":[" + Joined(p.parametersRemoved, ",", "\"") + "]," +
         "\"modelNamesReplaced\":" + std::to_string(p.modelNames) +
         ",\"cpuComponentsUpdated\":" + std::to_string(p.cpuComponents) +
         ",\"networkUnitReplaced\":true,\"identifiersRenumbered\":{\"count\":" + std::to_string(e.renumbered) +
         ",\"first\":\"S" + std::to_string(e.first) + "\",\"last\":\"S" + std::to_string(e.last) +
         "\"},\"nextId\":{\"before\":\"" + p.nextIdBefore + "\",\"after\":\"S" + std::to_string(e.last + 1) +
         "\"}},\"supportVersionKeysReplaced\":1,\"deviceEntriesReplaced\":1}";
}

TEST(ChangeReport, EverySampleReportsWhatItsGeneratorPlanted) {
  const std::size_t templateIds = TemplateIdentifiers();
  ASSERT_GT(templateIds, 100u);
  for (const BundledSample& sample : BundledSamples()) {
    SCOPED_TRACE(sample.fileName);
    const fs::path folder = testfiles::MakeFolder(sample.fileName + ".d");
    const fs::path input = folder / sample.fileName;
    Expected e;
    testfiles::Write(input, SampleFile(sample, e.planted));
    e.cpu = sample.recipe.cpu;
    std::tie(e.banks, e.userMemory) = kLayout.at(e.cpu);
    e.renumbered = e.planted.identifiersBelowEquipment - e.planted.identifiersRemoved + templateIds;
    e.first = static_cast<std::size_t>(e.planted.firstRenumbered);
    e.last = e.first + e.renumbered - 1;
    e.configBefore =
        "[DEV]DEV:TQ5A;CPU:" + e.cpu +
        ";[MEM]IO:X,0,1024,BIT,RW,;EM:E,0,32768,WORD,RW,1,;DM:D,0,32768,WORD,RW,;UM:UM,0,94208,;[NET]IP:192.168.0.10;";
    e.configAfter = "[DEV]DEV:TQ6A;CPU:" + e.cpu + ";[MEM]IO:X,0,1024,BIT,RW,;EM:E,0,32768,WORD,RW," + e.banks +
                    ",;DM:D,0,32768,WORD,RW,;UM:UM,0," + e.userMemory + ",;[NET]IP:192.168.0.10;";

    const ToolRun english = RunTqconv({"convert", "--lang", "en", "--report", input.string()});
    ASSERT_EQ(english.status, 0) << english.err;
    const std::string extension = input.extension().string();
    const fs::path output = folder / (input.stem().string() + "_converted" + extension);
    std::string converted = testfiles::Read(output);
    if (sample.packed) converted = ExplodeBytes(converted).bytes;
    e.unitSetupAfter = HexValues(e2e::BlockContent(converted, 1));
    EXPECT_EQ(english.out, output.string() + "\n" + English(e));
    EXPECT_EQ(english.err, "");

    const ToolRun japanese = RunTqconv({"convert", "--lang", "ja", "--report", input.string()});
    const fs::path second = folder / (input.stem().string() + "_converted 1" + extension);
    EXPECT_EQ(japanese.out, second.string() + "\n" + Japanese(e));

    const ToolRun json = RunTqconv({"convert", "--json", "--report", input.string()});
    const fs::path third = folder / (input.stem().string() + "_converted 2" + extension);
    EXPECT_EQ(json.out, "{\"input\":" + JsonString(input.string()) + ",\"ok\":true,\"output\":" +
                            JsonString(third.string()) + ",\"messages\":[],\"changes\":" + Json(e) + "}\n");
    EXPECT_EQ(json.err, "");
    // --quiet keeps stdout empty, the report included.
    EXPECT_EQ(RunTqconv({"convert", "--quiet", "--report", input.string()}).out, "");
  }
}

TEST(ChangeReport, ARefusedProjectReportsNoChangesAndTheMarkdownReportsLandInTheirFolder) {
  const fs::path folder = testfiles::MakeFolder("plant");
  std::string newer = testfiles::Read(testfiles::Source("samples/plant.lqt"));
  testfiles::Write(folder / "plant.lqt", newer);
  newer.replace(newer.find("DEV:TQ5A;"), 9, "DEV:TQ6A;");
  testfiles::Write(folder / "new.lqt", newer);
  const ToolRun json = RunTqconv({"convert", "--json", "--report", (folder / "new.lqt").string()});
  EXPECT_NE(json.out.find("\"ok\":false"), std::string::npos);
  EXPECT_EQ(json.out.substr(json.out.size() - 17), ",\"changes\":null}\n");

  const fs::path reports = testfiles::TempFolder() / "reports";
  const ToolRun run =
      RunTqconv({"convert", "--lang", "en", "--report-dir", reports.string(), (folder / "plant.lqt").string(),
                 (folder / "new.lqt").string(), (folder / "plant.lqt").string()});
  EXPECT_EQ(run.status, 1);
  // Without --report, stdout holds only the paths.
  EXPECT_EQ(run.out,
            (folder / "plant_converted.lqt").string() + "\n" + (folder / "plant_converted 1.lqt").string() + "\n");
  EXPECT_EQ(testfiles::List(reports), (std::vector<std::string>{"plant_converted 1.lqt.md", "plant_converted.lqt.md"}));
  const std::string markdown = testfiles::Read(reports / "plant_converted.lqt.md");
  EXPECT_EQ(markdown.rfind("# What the conversion changed\n\n- Input: `" + (folder / "plant.lqt").string() +
                               "`\n- Output: `" + (folder / "plant_converted.lqt").string() + "`\n\n",
                           0),
            0u)
      << markdown;
  EXPECT_NE(markdown.find("- Interfaces removed: Z\\_000009\n"), std::string::npos);
  EXPECT_NE(markdown.find("\n```\n[DEV]DEV:TQ5A;CPU:CPU63;"), std::string::npos);

  // A report folder that cannot be made stops before anything is converted.
  testfiles::Write(testfiles::TempFolder() / "taken", "a file");
  const ToolRun refused = RunTqconv({"convert", "--lang", "en", "--report-dir",
                                     (testfiles::TempFolder() / "taken").string(), (folder / "plant.lqt").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err,
            "tqconv: " + (testfiles::TempFolder() / "taken").string() + ": Exists already; not replaced.\n");
}

}  // namespace
