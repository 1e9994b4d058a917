// The merge: byte patches in one buffer, the blocks it must find, the size limit and what reaches
// the output.
#include "project/merge.h"

#include <gtest/gtest.h>

#include <limits>

#include "project_text.h"
#include "recording_user_interface.h"

namespace {

using projecttext::Crlf;
using projecttext::MemoryInputFile;
using projecttext::MemoryOutputFile;
using Keys = std::vector<std::string>;

struct Merged {
  bool ok = false;
  std::string output;
  int writes = 0;
  Keys messages;
  int reads = 0;  // of the input: none where the merge worked on the project where it lies
};

struct Inputs {
  std::string ioData;
  std::string unitSetup;
  std::string settingsData;
  std::string configLine;
};

Merged MergeOnce(std::string project, const Inputs& in, std::uint64_t limit, std::uint64_t claimedSize,
                 bool mappable) {
  MemoryInputFile input(std::move(project), claimedSize, mappable);
  MemoryOutputFile output;
  RecordingUserInterface recorder;
  Merged merged;
  merged.ok = MergeProject(input, output, in.ioData, in.unitSetup, in.settingsData, in.configLine, limit);
  merged.output = output.bytes;
  merged.writes = output.writes;
  merged.messages = recorder.MessageKeys();
  merged.reads = input.reads;
  return merged;
}

// The merge of a project that can be mapped, as a staged file can; the same project read into a
// buffer (a file that cannot be mapped) must come out the same, byte for byte.
Merged Merge(const std::string& project, const Inputs& in, std::uint64_t limit = kMergeSizeLimit,
             std::uint64_t claimedSize = 0) {
  const Merged mapped = MergeOnce(project, in, limit, claimedSize, true);
  const Merged read = MergeOnce(project, in, limit, claimedSize, false);
  EXPECT_EQ(mapped.ok, read.ok) << project;
  EXPECT_EQ(mapped.output, read.output) << project;
  EXPECT_EQ(mapped.messages, read.messages) << project;
  return mapped;
}

// A PLC with the two sections; the I/O table data block's content lines are given.
std::string Plc(std::string_view ioContent, std::string_view marker = "$?St$Bk?_#[2]",
                std::string_view closing = "$?St$Bk?_#[2]") {
  std::string text = Crlf({"PLC:=", "BEGIN", "  Config:=\"[DEV]DEV:X;CPU:CPU64;\";", "  IOTable:=", "  BEGIN",
                           "    UnitSetup:=", "$?St$Bk?_#[1]", "0A 0B", "$?St$Bk?_#[1]", "    Data:="});
  text.append(marker).append("\r\n").append(ioContent).append(closing).append("\r\n");
  text += Crlf({"  END;", "  Settings:=", "  BEGIN", "    Data:=", "$?St$Bk?_#[3]", "EE", "$?St$Bk?_#[3]", "  END;",
                "END;"});
  return text;
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

TEST(project_FormatHexLines, ThirtyTwoTokensALine) {
  std::string seventy;
  std::string expected;
  for (int i = 0; i < 70; ++i) {
    char value[3];
    std::snprintf(value, sizeof value, "%02X", i);
    seventy.append(i % 16 == 0 ? "\r\n    " : " ").append(value);
    if (i > 0) expected.append(i % 32 == 0 ? "\r\n" : " ");
    expected.append(value);
  }
  EXPECT_EQ(FormatHexLines(seventy), expected);
  const std::size_t firstEnd = expected.find("\r\n");
  const std::size_t secondEnd = expected.find("\r\n", firstEnd + 2);
  EXPECT_EQ(firstEnd, 32u * 3 - 1);
  EXPECT_EQ(expected.substr(secondEnd + 2), "40 41 42 43 44 45");

  EXPECT_EQ(FormatHexLines(""), "");
  EXPECT_EQ(FormatHexLines(" \t\r\n"), "");
  EXPECT_EQ(FormatHexLines("\tab  zz\r\n\r\n1\n"), "ab zz 1");  // tokens are not checked
}

TEST(project_FindMatchingEnd, Nesting) {
  struct Case {
    const char* name;
    std::string_view text;
    std::optional<std::size_t> end;
  };
  const Case cases[] = {
      {"plain", "BEGIN x END;", 8},
      {"nested", "BEGIN BEGIN END; END;", 17},
      {"bare END closes when no END; follows", "BEGIN x END", 8},
      {"END; further on wins over a bare END before it", "BEGIN END x END;", 12},
      {"keys inside words count", "BEGIN BEGINNER END; ENDING END;", 27},
      {"no end", "BEGIN BEGIN END;", std::nullopt},
      {"nothing after", "BEGIN", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FindMatchingEnd(c.text, 0), c.end) << c.name;
}

TEST(project_ReplaceConfigSpan, Spans) {
  struct Case {
    const char* name;
    std::string buffer;
    bool ok;
    std::string after;
  };
  const Case cases[] = {
      {"one line", "a\r\nConfig:=\"old\";\r\nb", true, "a\r\nNEW\r\nb"},
      {"three lines become one", "Config:=\"x\r\ny\r\nz\";tail", true, "NEWtail"},
      {"no Config", "Conf:=\"x\";", true, "Conf:=\"x\";"},
      {"value never closes", "Config:=\"x\r\ny", true, "Config:=\"x\r\ny"},
      {"closing quote without semicolon", "Config:=\"x\"\r\nOther:=\"y\";", false,
       "Config:=\"x\"\r\nOther:=\"y\";"},
      {"closing quote at the very end", "Config:=\"x\"", false, "Config:=\"x\""},
      {"empty value", "Config:=\"\";", true, "NEW"},
  };
  for (const Case& c : cases) {
    std::string buffer = c.buffer;
    EXPECT_EQ(ReplaceConfigSpan(buffer, "NEW"), c.ok) << c.name;
    EXPECT_EQ(buffer, c.after) << c.name;
  }
}

TEST(project_ReplaceHexBlock, ReportsWhetherItReplaced) {
  const std::string project = Plc("01 02\r\n");
  std::string buffer = project;
  EXPECT_FALSE(ReplaceHexBlock(buffer, "IOTable:", "", "Data:="));
  EXPECT_EQ(buffer, project);
  EXPECT_TRUE(ReplaceHexBlock(buffer, "IOTable:", " ", "Data:="));  // non-empty before formatting
  EXPECT_EQ(buffer, Replaced(project, "$?St$Bk?_#[2]\r\n01 02\r\n", "$?St$Bk?_#[2]\r\n\r\n"));
  buffer = project;
  EXPECT_FALSE(ReplaceHexBlock(buffer, "Absent:", "01", "Data:="));
  EXPECT_EQ(buffer, project);
}

TEST(project_MergeProject, PatchesDeviceConfigurationAndBlocks) {
  const std::string project = "// DEV:TQ5A; in a comment, DEV:TQ5A without semicolon\r\n" +
                              Plc("    01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\r\n"
                                  "    11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20\r\n"
                                  "    21\r\n");
  const std::string newIo =
      "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21";
  const Merged m = Merge(project, {newIo, "C1 C2", "D1", "Config:=\"NEW\";"});
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.messages, Keys{});
  const std::string expected =
      "// DEV:TQ6A; in a comment, DEV:TQ5A without semicolon\r\n" +
      Crlf({"PLC:=", "BEGIN", "  Config:=\"NEW\";", "  IOTable:=", "  BEGIN", "    UnitSetup:=", "$?St$Bk?_#[1]",
            "C1 C2", "$?St$Bk?_#[1]", "    Data:=", "$?St$Bk?_#[2]",
            "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20",
            "21", "$?St$Bk?_#[2]", "  END;", "  Settings:=", "  BEGIN", "    Data:=", "$?St$Bk?_#[3]", "D1",
            "$?St$Bk?_#[3]", "  END;", "END;"});
  EXPECT_EQ(m.output, expected);
  EXPECT_GE(m.writes, 1);  // the blocks' new lines are written as they are wrapped
}

// Device entries, a configuration line of another length and the blocks, all in one write of
// the project where it lies: nothing of it is read into memory.
TEST(project_MergeProject, EveryPatchIsMadeAsTheProjectIsWrittenWhereItLies) {
  const std::string project =
      "(* DEV:TQ5A; *)\r\n" +
      Replaced(Plc("01 02\r\n03\r\n"), "Config:=\"[DEV]DEV:X;CPU:CPU64;\";", "Config:=\"[DEV]DEV:TQ5A;\r\n\";") +
      "DEV:TQ5A;";
  const struct {
    const char* name;
    std::string configLine;
  } lines[] = {{"longer", "Config:=\"[DEV]DEV:TQ6A;CPU:CPU64;UM:UM,0,186368,;\";"}, {"shorter", "Config:=\"\";"}};
  for (const auto& line : lines) {
    const Merged m = Merge(project, {"AA BB", "C1", "D1 D2", line.configLine});
    ASSERT_TRUE(m.ok) << line.name;
    EXPECT_EQ(m.reads, 0) << line.name;
    const std::string expected =
        "(* DEV:TQ6A; *)\r\n" +
        Crlf({"PLC:=", "BEGIN"}) + "  " + line.configLine + "\r\n" +
        Crlf({"  IOTable:=", "  BEGIN", "    UnitSetup:=", "$?St$Bk?_#[1]", "C1", "$?St$Bk?_#[1]", "    Data:=",
              "$?St$Bk?_#[2]", "AA BB", "$?St$Bk?_#[2]", "  END;", "  Settings:=", "  BEGIN", "    Data:=",
              "$?St$Bk?_#[3]", "D1 D2", "$?St$Bk?_#[3]", "  END;", "END;"}) +
        "DEV:TQ6A;";
    EXPECT_EQ(m.output, expected) << line.name;
  }
}

// Patches that could change what a block's location or check finds, planned over the unpatched
// text, would part from the merge in one buffer: these are made there, with its outcome.
TEST(project_MergeProject, PatchesThatCouldMoveWhatTheBlocksFindAreMadeInABuffer) {
  const std::string plain = Plc("01\r\n");
  const std::string config = "Config:=\"[DEV]DEV:X;CPU:CPU64;\";";
  const struct {
    const char* name;
    std::string project;
    Inputs inputs;
    bool ok;
  } cases[] = {
      {"a new configuration line that ends the PLC", plain, {"AA", "BB", "", "Config:=\"END;\";"}, false},
      {"a new configuration line that opens a body", plain, {"AA", "BB", "", "Config:=\"BEGIN\";"}, false},
      {"an old configuration value that opens a body", Replaced(plain, config, "Config:=\"BEGIN\";"),
       {"AA", "BB", "", "Config:=\"\";"}, true},
      {"an old configuration value holding a section key", Replaced(plain, config, "Config:=\"IOTable:\";"),
       {"AA", "BB", "", "Config:=\"\";"}, true},
      {"a new configuration line holding a marker", plain, {"AA", "BB", "", "Config:=\"$?St$Bk?_#[2]\";"}, true},
      // The patched entry is no longer what the extraction read there.
      {"a device entry inside a block", Plc("01 DEV:TQ5A;\r\n"), {"AA", "BB", "", ""}, false},
      {"a device entry inside the settings block", Replaced(plain, "\r\nEE\r\n", "\r\nEE DEV:TQ5A;\r\n"),
       {"AA", "BB", "CC", ""}, false},
      {"a device entry after a marker's number", Replaced(plain, "$?St$Bk?_#[3]\r\nEE", "$?St$Bk?_#[3DEV:TQ5A;\r\nEE"),
       {"AA", "BB", "CC", ""}, true},
      {"a configuration line inside a block", Plc("01 Config:=\"x\";\r\n"), {"AA", "BB", "", "Config:=\"y\";"},
       true},
  };
  for (const auto& c : cases) {
    const Merged m = Merge(c.project, c.inputs);  // the same as in a buffer, which it checks
    EXPECT_EQ(m.ok, c.ok) << c.name;
    EXPECT_GT(m.reads, 0) << c.name;
  }
}

// A key inside a block's old or new content moves what the blocks after it find: then each block
// is replaced before the next one is located, as if the merge had patched one buffer throughout.
TEST(project_MergeProject, KeysInsideBlocksAreSeenByTheBlocksAfterThem) {
  const std::string plain = Plc("01\r\n");
  // The new I/O data holds an END; that closes the PLC before the settings section.
  const Merged endInNewData = Merge(plain, {"AA END;", "BB", "CC", ""});
  ASSERT_TRUE(endInNewData.ok);
  EXPECT_EQ(endInNewData.output, Replaced(Replaced(plain, "\r\n01\r\n", "\r\nAA END;\r\n"), "0A 0B", "BB"));
  // Old content with a key's byte and no key: the same result either way.
  const std::string colon = Plc("01 a:b\r\n");
  const Merged colonInOldData = Merge(colon, {"AA", "BB", "CC", ""});
  ASSERT_TRUE(colonInOldData.ok);
  EXPECT_EQ(colonInOldData.output,
            Replaced(Replaced(Replaced(colon, "\r\n01 a:b\r\n", "\r\nAA\r\n"), "0A 0B", "BB"), "\r\nEE\r\n",
                     "\r\nCC\r\n"));
  EXPECT_EQ(colonInOldData.writes, 1);  // the one buffer, patched
}

// Lines of the project editor's make (sixteen values, indented) and every other break of them:
// the tokens, 32 to a line, whichever way they are taken.
TEST(project_FormatHexLines, EditorLinesAndOthersGiveTheTokens32ToALine) {
  std::string text;
  std::vector<std::string> tokens;
  for (int line = 0; line < 400; ++line) {
    const int count = line % 5 == 0 ? 16 + line % 3 : line % 7 == 0 ? 15 : 16;
    text += line % 2 ? "\r\n      " : "\n\t";
    for (int k = 0; k < count; ++k) {
      char value[4];
      std::snprintf(value, sizeof value, "%02X", (line * 31 + k) & 0xFF);
      tokens.emplace_back(line % 9 == 0 && k == 3 ? std::string(value) + "Z" : value);
      text += (k > 0 ? (line % 11 == 0 && k == 8 ? "  " : " ") : "") + tokens.back();
    }
  }
  std::string expected;
  for (std::size_t i = 0; i < tokens.size(); ++i) expected += (i == 0 ? "" : i % 32 == 0 ? "\r\n" : " ") + tokens[i];
  EXPECT_EQ(FormatHexLines(text), expected);
  EXPECT_EQ(FormatHexLines(text.substr(0, 50)), FormatHexLines(std::string(text.substr(0, 50)) + " "));
}

// Sixteen values with each of their bytes and the one after them changed to every separator and
// to a digit in turn: the tokens come out the same as a plain split gives them.
TEST(project_FormatHexLines, EveryByteOfARunChanged) {
  std::string run;
  for (int k = 0; k < 16; ++k) run.append(k > 0 ? " " : "").append({"0123456789ABCDEF"[k], 'F'});
  run += " 01 02";
  for (std::size_t at = 0; at <= 47; ++at) {
    for (const char c : {' ', '\t', '\r', '\n', '7'}) {
      std::string text = run;
      text[at] = c;
      std::vector<std::string> tokens;
      for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = text.find_first_not_of(" \t\r\n", i);
        if (start == std::string::npos) break;
        const std::size_t stop = std::min(text.find_first_of(" \t\r\n", start), text.size());
        tokens.push_back(text.substr(start, stop - start));
        i = stop;
      }
      std::string expected;
      for (const std::string& token : tokens) expected.append(expected.empty() ? "" : " ").append(token);
      ASSERT_EQ(FormatHexLines(text), expected) << at << " " << static_cast<int>(c);
    }
  }
}

TEST(project_FormatHexLines, InPiecesAsWhole) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += (i % 7 == 0 ? "\t" : " ") + std::to_string(i % 256);
  text += " " + std::string(70000, 'x') + " 0A";  // a token longer than a piece
  std::string pieces;
  int count = 0;
  FormatHexLines(text, [&](std::string_view piece) {
    pieces.append(piece);
    ++count;
    return true;
  });
  EXPECT_EQ(pieces, FormatHexLines(text));
  EXPECT_GT(count, 2);
  // Lines of 32 values throughout.
  const std::string lines = FormatHexLines(text);
  EXPECT_EQ(lines.substr(0, lines.find("\r\n")), "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31");
  int stopped = 0;
  FormatHexLines(text, [&](std::string_view) { return ++stopped < 2; });
  EXPECT_EQ(stopped, 2);  // nothing more after put said no
}

TEST(project_MergeProject, WhatIsLeftUnchangedAndWhatFails) {
  struct Case {
    const char* name;
    std::string project;
    Inputs inputs;
    bool ok;
    std::string output;  // when ok
  };
  const std::string plain = Plc("01\r\n");
  const std::string noSettings = Replaced(plain, "  Settings:=", "  Other:=");
  const std::string unitOutsideSection = Replaced(
      Replaced(plain, "    UnitSetup:=\r\n$?St$Bk?_#[1]\r\n0A 0B\r\n$?St$Bk?_#[1]\r\n", ""), "END;\r\n",
      "END;\r\n    UnitSetup:=\r\n$?St$Bk?_#[1]\r\n0A 0B\r\n$?St$Bk?_#[1]\r\n");
  const std::string leadingZeros = Plc("01\r\n", "$?St$Bk?_#[007]", "$?St$Bk?_#[007]");
  const std::string settingsZeros = Replaced(Replaced(plain, "$?St$Bk?_#[3]", "$?St$Bk?_#[03]"),
                                             "$?St$Bk?_#[3]", "$?St$Bk?_#[03]");
  const std::string unclosedConfig = Replaced(plain, "\";\r\n  IOTable", "\"\r\n  IOTable");
  const std::string earlierPlc = "// PLC:= in a comment\r\n" +
                                 Crlf({"Header:=", "BEGIN", " IOTable:=", " BEGIN", " Data:=", "$?St$Bk?_#[9]", "x",
                                       "$?St$Bk?_#[9]", " END;", "END;"}) +
                                 plain;
  const Case cases[] = {
      {"empty settings hex leaves the settings block exactly", plain, {"AA", "BB", "", ""}, true,
       Replaced(Replaced(plain, "\r\n01\r\n", "\r\nAA\r\n"), "0A 0B", "BB")},
      {"settings block missing is left as it was", noSettings, {"AA", "BB", "CC", ""}, true,
       Replaced(Replaced(noSettings, "\r\n01\r\n", "\r\nAA\r\n"), "0A 0B", "BB")},
      {"empty I/O data and unit setup are kept", plain, {"", "", "", ""}, true, plain},
      {"unit-setup block outside its section fails", unitOutsideSection, {"AA", "BB", "", ""}, false, ""},
      {"[007] on the I/O data block fails", leadingZeros, {"AA", "BB", "", ""}, false, ""},
      {"[007] on the I/O data block without new I/O data is kept", leadingZeros, {"", "BB", "", ""}, true,
       Replaced(leadingZeros, "0A 0B", "BB")},
      {"[03] on the settings block leaves it unchanged", settingsZeros, {"AA", "BB", "CC", ""}, true,
       Replaced(Replaced(settingsZeros, "\r\n01\r\n", "\r\nAA\r\n"), "0A 0B", "BB")},
      {"closing quote not followed by semicolon fails", unclosedConfig, {"AA", "BB", "", "Config:=\"N\";"}, false,
       ""},
      {"empty configuration line leaves the configuration", unclosedConfig, {"AA", "BB", "", ""}, true,
       Replaced(Replaced(unclosedConfig, "\r\n01\r\n", "\r\nAA\r\n"), "0A 0B", "BB")},
      {"an earlier PLC:= is the one used", earlierPlc, {"AA", "", "", ""}, true,
       Replaced(earlierPlc, "x\r\n", "AA\r\n")},
      {"empty project writes nothing", "", {"AA", "BB", "CC", "Config:=\"N\";"}, true, ""},
  };
  for (const Case& c : cases) {
    const Merged m = Merge(c.project, c.inputs);
    EXPECT_EQ(m.ok, c.ok) << c.name;
    EXPECT_EQ(m.messages, Keys{}) << c.name;
    EXPECT_EQ(m.output, c.output) << c.name;
    if (!c.ok || c.project.empty()) {
      EXPECT_EQ(m.writes, 0) << c.name;
    }
  }
}

// Found by fuzzing: the extraction reads a block up to the next marker of any number, from the
// first keys of the text; the merge replaces it up to the marker of its own number, inside the
// first PLC. Where the two part, the merge put the values of one block in another's place, or
// dropped what stood between the two markers, and the conversion reported success.
TEST(project_MergeProject, ABlockTheExtractionReadsOtherwiseIsRefusedNotCut) {
  const std::string plain = Plc("01\r\n");
  const struct {
    const char* name;
    std::string project;
    Inputs inputs;
  } cases[] = {
      {"another block's marker inside the settings block",
       Replaced(plain, "$?St$Bk?_#[3]\r\nEE\r\n", "$?St$Bk?_#[3]\r\nEE IOTable:=\r\n$?St$Bk?_#[1]\r\n0C\r\n"),
       {"AA", "BB", "EE IOTable:=", ""}},
      {"another block's marker inside the I/O data block", Plc("01\r\n$?St$Bk?_#[5]\r\n02\r\n"), {"AA", "", "", ""}},
      {"the I/O table keys before the PLC",
       Crlf({"(* IOTable:=", "Data:=", "$?St$Bk?_#[9]", "77", "$?St$Bk?_#[9] *)"}) + plain, {"AA", "", "", ""}},
      {"values after the opening marker", Replaced(plain, "$?St$Bk?_#[1]\r\n0A", "$?St$Bk?_#[1] 09\r\n0A"),
       {"", "BB", "", ""}},
  };
  for (const auto& c : cases) {
    const Merged m = Merge(c.project, c.inputs);
    EXPECT_FALSE(m.ok) << c.name;
    EXPECT_EQ(m.messages, Keys{}) << c.name;
    EXPECT_EQ(m.writes, 0) << c.name;
  }
  // Blocks that both read alike are patched, however their lines are indented and broken.
  const std::string reflowed = Replaced(Plc("  01\r\n\t02  03\r\n"), "0A 0B", "  0A\r\n 0B ");
  const Merged m = Merge(reflowed, {"AA", "BB", "CC", ""});
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.output, Replaced(Replaced(Replaced(reflowed, "\r\n  01\r\n\t02  03\r\n", "\r\nAA\r\n"),
                                        "\r\n  0A\r\n 0B \r\n", "\r\nBB\r\n"),
                               "\r\nEE\r\n", "\r\nCC\r\n"));
}

// Found by fuzzing: with the unit-setup entry and the I/O data entry before one marker, both
// blocks are located at the same place; the two patches overlapped, the text after the block was
// written twice and the merge reported success. Replaced one after the other, the second no
// longer holds what the extraction read there.
TEST(project_MergeProject, TwoEntriesBeforeOneMarkerAreNotPatchedTwice) {
  const std::string project =
      Crlf({"PLC:=", "BEGIN", "  IOTable:=", "  BEGIN", "    UnitSetup:=", "    Data:=", "$?St$Bk?_#[2]", "01",
            "$?St$Bk?_#[2]", "  END;", "END;"});
  const Merged different = Merge(project, {"AA", "BB", "", ""});
  EXPECT_FALSE(different.ok);
  EXPECT_EQ(different.writes, 0);
  const Merged same = Merge(project, {"01", "01", "", ""});
  ASSERT_TRUE(same.ok);
  EXPECT_EQ(same.output, project);
}

TEST(project_MergeProject, ClosingMarkerAfterTheSectionEnd) {
  const std::string project =
      Crlf({"PLC:=", "BEGIN", "IOTable:=", "BEGIN", "Data:=", "$?St$Bk?_#[2]", "01", "END;", "$?St$Bk?_#[2]",
            "Settings:=", "BEGIN", "Data:=", "$?St$Bk?_#[3]", "EE", "$?St$Bk?_#[3]", "END;", "END;"});
  EXPECT_FALSE(Merge(project, {"AA", "", "", ""}).ok);
  const Merged settingsOnly = Merge(project, {"", "", "CC", ""});
  ASSERT_TRUE(settingsOnly.ok);
  EXPECT_EQ(settingsOnly.output, Replaced(project, "\r\nEE\r\n", "\r\nCC\r\n"));
}

TEST(project_MergeProject, SizeLimit) {
  const std::string project = Plc("01\r\n");
  const std::uint64_t limit = project.size();
  EXPECT_TRUE(Merge(project, {"AA", "", "", ""}, limit).ok);
  const Merged over = Merge(project + " ", {"AA", "", "", ""}, limit);
  EXPECT_FALSE(over.ok);
  EXPECT_EQ(over.messages, Keys{"MsgFileTooLarge"});
  EXPECT_EQ(over.writes, 0);
  EXPECT_EQ(kMergeSizeLimit, 209715200u);
}

TEST(project_MergeProject, TheDefaultLimitOnAClaimedSize) {
  // The size is checked before any memory is taken, so a claimed size stands in for a real file.
  const Merged over = Merge("x", {}, kMergeSizeLimit, kMergeSizeLimit + 1);
  EXPECT_FALSE(over.ok);
  EXPECT_EQ(over.messages, Keys{"MsgFileTooLarge"});
}

TEST(project_MergeProject, ABufferThatCannotBeHadShowsMemFail) {
  const std::uint64_t impossible = std::numeric_limits<std::uint64_t>::max() / 2;
  const Merged m = Merge("x", {}, impossible, impossible);
  EXPECT_FALSE(m.ok);
  EXPECT_EQ(m.messages, Keys{"MsgMemFail"});
  EXPECT_EQ(m.writes, 0);
}

TEST(project_MergeProject, ShortReadAndRefusedWrite) {
  const Merged shortRead = Merge("abc", {}, kMergeSizeLimit, 10);
  EXPECT_FALSE(shortRead.ok);
  EXPECT_EQ(shortRead.messages, Keys{"MsgReadFail"});
  EXPECT_EQ(shortRead.writes, 0);

  MemoryInputFile input(Plc("01\r\n"));
  MemoryOutputFile refusing(true);
  RecordingUserInterface recorder;
  EXPECT_FALSE(MergeProject(input, refusing, "AA", "", "", ""));
  EXPECT_EQ(recorder.MessageKeys(), Keys{});
}

TEST(project_MergeProject, EveryByteNoStepTouchesIsKept) {
  std::string comment = "// ";
  for (int b = 0; b < 256; ++b) comment += static_cast<char>(b);
  const std::string project = comment + "\r\n" + Plc("01\r\n") + comment;
  const Merged m = Merge(project, {"AA", "", "", ""});
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.output, Replaced(project, "\r\n01\r\n", "\r\nAA\r\n"));
}

}  // namespace
