// The outline a reader gets of a project: sections as they nest, entries with their blocks.
#include "project/project_outline.h"

#include <gtest/gtest.h>

#include "project/config_rewrite.h"

namespace {

std::string Shape(const std::vector<OutlineNode>& nodes, const std::string& indent = "") {
  std::string out;
  for (const OutlineNode& node : nodes) {
    out += indent + node.name;
    if (node.block) out += " [" + std::to_string(*node.block) + ":" + std::to_string(node.blockBytes) + "]";
    out += "\n" + Shape(node.children, indent + "  ");
  }
  return out;
}

TEST(ProjectOutline, SectionsNestAndEntriesCarryTheirBlocks) {
  const std::string text =
      "(* comment := not a header; *)\r\n"
      "Project:=Line1\r\nBEGIN\r\n  ResourceCount:=1;\r\n  PLC:=PLC1\r\n  BEGIN\r\n"
      "    Config:=\"[DEV]DEV:TQ5A;\";\r\n    IOTable:=\r\n    BEGIN\r\n"
      "      UnitSetup:=\r\n      $?St$Bk?_#[1]\r\n      00 06 FF\r\n      0A\r\n$?St$Bk?_#[1]\r\n"
      "      Data:=\r\n      $?St$Bk?_#[12]\r\n$?St$Bk?_#[12]\r\n"
      "    END;\r\n  END\r\n  Resource[1]:=PLC1\r\n  BEGIN\r\n    Program:=Main\r\n    BEGIN\r\n"
      "      LD X0;\r\n    END;\r\n  END;\r\nEND;\r\n";
  EXPECT_EQ(Shape(ReadProjectOutline(text)),
            "Project:=Line1\n  PLC:=PLC1\n    IOTable:=\n      UnitSetup:= [1:4]\n      Data:= [12:0]\n"
            "  Resource[1]:=PLC1\n    Program:=Main\n");
}

TEST(ProjectOutline, UnbalancedTextStillGivesWhatItHolds) {
  // An END too many is passed over; a block without its closing marker counts to the end.
  EXPECT_EQ(Shape(ReadProjectOutline("END;\nA:=\nBEGIN\nData:=\n$?St$Bk?_#[3]\n01 02 zz 0x3 04\n")),
            "A:=\n  Data:= [3:3]\n");
  EXPECT_EQ(Shape(ReadProjectOutline("$?St$Bk?_#[]\nBEGIN\nEND\n")), "\n");
  EXPECT_EQ(CountHexValues(" 0a FF\tg1 123 7 ab\r\n"), 3u);
}

TEST(ConfigurationFigures, EachFigureAsWrittenOrEmpty) {
  const ConfigurationFigures full = DescribeConfiguration(
      "[DEV]DEV: TQ5A ;CPU:CPU64;[MEM]IO:X,0,1024,BIT,RW,; EM:E,0,32768,WORD,RW,1,;UM:UM,0,94208,;[NET]IP:1;");
  EXPECT_EQ(full.model, "TQ5A");
  EXPECT_EQ(full.cpu, "CPU64");
  EXPECT_EQ(full.emBankCount, "1");
  EXPECT_EQ(full.umSize, "94208");
  EXPECT_EQ(full.memoryEntries,
            (std::vector<std::string>{"IO:X,0,1024,BIT,RW,", "EM:E,0,32768,WORD,RW,1,", "UM:UM,0,94208,"}));
  const ConfigurationFigures bare = DescribeConfiguration("[DEV]DEV:TQ5A;CPU:CPU63");
  EXPECT_EQ(bare.model, "TQ5A");
  EXPECT_EQ(bare.cpu, "");  // no ";" ends it
  EXPECT_EQ(bare.emBankCount, "");
  EXPECT_TRUE(bare.memoryEntries.empty());
}

}  // namespace
