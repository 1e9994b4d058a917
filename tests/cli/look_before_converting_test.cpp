// check, inspect and unit-setup: what a conversion would do and what a project holds, with
// nothing published and nothing left behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/json_line.h"
#include "conversion_checks.h"
#include "implode/codec_memory.h"
#include "test_files.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

std::string Sample(const char* name) { return testfiles::Read(testfiles::Source(std::string("samples/") + name)); }

bool WorkingDirectoryLeft() {
  for (const auto& entry : fs::directory_iterator(testfiles::TempFolder())) {
    if (entry.path().filename().string().rfind("_HexXmlConv_Cache_", 0) == 0) return true;
  }
  return false;
}

class LookBeforeConverting : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = testfiles::MakeFolder("plant");
    testfiles::Write(folder_ / "plant.lqt", Sample("plant.lqt"));
    testfiles::Write(folder_ / "press.lqp", Sample("press.lqp"));
    std::string newer = Sample("plant.lqt");
    newer.replace(newer.find("DEV:TQ5A;"), 9, "DEV:TQ6A;");
    testfiles::Write(folder_ / "new.lqt", newer);
  }
  std::string Path(const char* name) const { return (folder_ / name).string(); }
  fs::path folder_;
};

TEST_F(LookBeforeConverting, CheckRunsEveryStepAndPublishesNothing) {
  const std::vector<std::string> before = testfiles::List(folder_);
  const ToolRun text = RunTqconv({"check", "--lang", "en", "-j", "2", folder_.string()});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, Path("plant.lqt") + ": would convert to " + Path("plant_converted.lqt") + "\n" +
                          Path("press.lqp") + ": would convert to " + Path("press_converted.lqp") + "\n");
  EXPECT_EQ(text.err, "tqconv: " + Path("new.lqt") + ": This converter only supports TQ5A for conversion.\n");
  const ToolRun json = RunTqconv({"check", "--json", "--lang", "ja", Path("press.lqp"), Path("new.lqt")});
  EXPECT_EQ(json.err, "");
  EXPECT_EQ(json.out,
            "{\"input\":" + JsonString(Path("press.lqp")) + ",\"ok\":true,\"output\":" +
                JsonString(Path("press_converted.lqp")) + ",\"messages\":[]}\n{\"input\":" + JsonString(Path("new.lqt")) +
                ",\"ok\":false,\"output\":null,\"messages\":[{\"key\":\"MsgOnlyTQ5A\",\"text\":\"本コンバータは "
                "TQ5A のみが変換の対象です。\",\"icon\":\"information\"}]}\n");
  EXPECT_EQ(RunTqconv({"check", "--quiet", Path("plant.lqt")}).out, "");
  EXPECT_EQ(testfiles::List(folder_), before);
  EXPECT_FALSE(WorkingDirectoryLeft());
  // What check said would convert does.
  EXPECT_EQ(RunTqconv({"convert", Path("press.lqp")}).out, Path("press_converted.lqp") + "\n");
}

TEST_F(LookBeforeConverting, InspectShowsWhatTheProjectHolds) {
  const ToolRun run = RunTqconv({"inspect", "--lang", "en", Path("press.lqp")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string head =
      "Model: TQ5A\nCPU: CPU85\nMemory layout: memory banks 1, user memory 94208\n"
      "  IO:X,0,1024,BIT,RW,\n  EM:E,0,32768,WORD,RW,1,\n  DM:D,0,32768,WORD,RW,\n  UM:UM,0,94208,\n"
      "Sections:\n  Project:=Press3\n    PLC:=PLC1\n      IOTable:=\n        UnitSetup:= block 1, ";
  ASSERT_EQ(run.out.substr(0, head.size()), head);
  const std::string input = ExplodeBytes(Sample("press.lqp")).bytes;
  const std::string unitSetup = e2e::DecodeHex(e2e::BlockContent(input, 1));
  const std::string tail =
      std::to_string(unitSetup.size()) +
      " bytes\n        Data:= block 2, 60 bytes\n      Settings:=\n"
      "        Data:= block 3, 768 bytes\n    Resource[1]:=PLC1\n      Program:=Main\n"
      "Unit setup:\n  Equipment: PLC1 TQ5A (PLCIdentify No)\n  Interfaces: 3\n    Z_000001 MacNum 0\n"
      "    Z_000004 MacNum 16\n    Z_000009 MacNum 1\n  Units: 5\n    CPU Unit TQ5A-CPU85\n"
      "    Component TQ5A-NTX40\n    Input Unit 1 TQ-ID32\n    Output Unit 2 TQ-OD32\n    Input Unit 3 TQ-ID32\n"
      "  Identifiers: 206 (S1 to S209), NextID S210\n";
  EXPECT_EQ(run.out.substr(head.size()), tail);
  const ToolRun japanese = RunTqconv({"inspect", "--lang", "ja", Path("plant.lqt")});
  EXPECT_EQ(japanese.out.rfind("機種: TQ5A\nCPU: CPU63\nメモリ配置: メモリバンク 1、ユーザーメモリ 94208\n", 0), 0u);
  const ToolRun refused = RunTqconv({"inspect", "--lang", "en", Path("notes.txt")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "tqconv: " + Path("notes.txt") + ": Unsupported file type.\ntqconv: " + Path("notes.txt") +
                             ": Supported: .lqt, .lqp\n");
  EXPECT_FALSE(WorkingDirectoryLeft());
}

TEST_F(LookBeforeConverting, UnitSetupWritesTheDocumentAsStoredOrAsConverted) {
  ASSERT_EQ(RunTqconv({"unit-setup", Path("plant.lqt"), Path("stored.xml")}).status, 0);
  EXPECT_EQ(testfiles::Read(folder_ / "stored.xml"), e2e::UnitSetupDocument(Sample("plant.lqt")));
  const ToolRun converted = RunTqconv({"unit-setup", "--converted", Path("plant.lqt"), Path("converted.xml")});
  ASSERT_EQ(converted.status, 0) << converted.err;
  ASSERT_EQ(RunTqconv({"convert", "--quiet", Path("plant.lqt")}).status, 0);
  const std::string output = testfiles::Read(folder_ / "plant_converted.lqt");
  EXPECT_EQ(testfiles::Read(folder_ / "converted.xml"), e2e::UnitSetupDocument(output));
  // A converted project's document as stored is the one the conversion left.
  ASSERT_EQ(RunTqconv({"unit-setup", Path("plant_converted.lqt"), Path("again.xml")}).status, 0);
  EXPECT_EQ(testfiles::Read(folder_ / "again.xml"), testfiles::Read(folder_ / "converted.xml"));

  // OUT.xml is never replaced, and a refused project writes none.
  const ToolRun taken = RunTqconv({"unit-setup", "--lang", "en", Path("press.lqp"), Path("stored.xml")});
  EXPECT_EQ(taken.status, 1);
  EXPECT_EQ(taken.err, "tqconv: " + Path("stored.xml") + ": Exists already; not replaced.\n");
  EXPECT_EQ(testfiles::Read(folder_ / "stored.xml"), e2e::UnitSetupDocument(Sample("plant.lqt")));
  const ToolRun refused = RunTqconv({"unit-setup", "--lang", "en", "--converted", Path("new.lqt"), Path("new.xml")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "tqconv: " + Path("new.lqt") + ": This converter only supports TQ5A for conversion.\n");
  EXPECT_FALSE(fs::exists(folder_ / "new.xml"));
  EXPECT_EQ(RunTqconv({"unit-setup", "--lang", "en", Path("plant.lqt")}).status, 2);
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"again.xml", "converted.xml", "new.lqt", "plant.lqt",
                                                                "plant_converted.lqt", "press.lqp", "stored.xml"}));
  EXPECT_FALSE(WorkingDirectoryLeft());
}

}  // namespace
