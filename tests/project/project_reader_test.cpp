// The reader: whole-text reading, buffered lines, the two configuration readers, the model
// descriptor and data blocks.
#include "project/project_reader.h"

#include <gtest/gtest.h>

#include "project_text.h"
#include "recording_user_interface.h"

namespace {

using projecttext::Crlf;
using projecttext::Lf;
using projecttext::WriteProject;
using Keys = std::vector<std::string>;

std::unique_ptr<ProjectFile> OpenText(std::string_view bytes) {
  auto file = ProjectFile::Open(WriteProject(bytes));
  EXPECT_TRUE(file);
  return file;
}

std::vector<std::string> AllLines(ProjectFile& file, LineMode mode) {
  std::vector<std::string> lines;
  for (std::string line; file.ReadLine(line, mode);) lines.push_back(line);
  return lines;
}

TEST(project_ReadProjectText, EndsEveryLineWithOneLf) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"CR LF", "a\r\nb\r\n", "a\nb\n"},
      {"LF only", "a\nb\n", "a\nb\n"},
      {"last line without line end", "a\r\nb", "a\nb\n"},
      {"empty lines", "\r\n\n\r\n", "\n\n\n"},
      {"CR not before LF stays", "a\rb\r\n", "a\rb\n"},
      {"empty file", "", ""},
      {"high bytes, NUL and 0x1A are ordinary",
       std::string("\x83v\x83\x8D\x00\x1A\xFF;\r\nEND", 13), std::string("\x83v\x83\x8D\x00\x1A\xFF;\nEND\n", 13)},
  };
  for (const Case& c : cases) {
    std::string text;
    EXPECT_TRUE(ReadProjectText(WriteProject(c.bytes), text)) << c.name;
    EXPECT_EQ(text, c.text) << c.name;
  }
}

TEST(project_ReadProjectText, AppendsToTheGivenText) {
  std::string text = "kept\n";
  ASSERT_TRUE(ReadProjectText(WriteProject("x\r\n"), text));
  EXPECT_EQ(text, "kept\nx\n");
}

TEST(project_ReadProjectText, MissingFileShowsReadFail) {
  RecordingUserInterface recorder;
  std::string text;
  EXPECT_FALSE(ReadProjectText((testfiles::TempFolder() / "absent.lqt").string(), text));
  EXPECT_EQ(recorder.MessageKeys(), Keys{"MsgReadFail"});
}

TEST(project_ProjectFile, AnsiLinesDropEveryCrAndByteTransparentLinesOnlyTheLast) {
  const std::string bytes = "a\rb\r\n\r\nc\r\r\n\rd";
  EXPECT_EQ(AllLines(*OpenText(bytes), LineMode::Ansi), (Keys{"ab", "", "c", "d"}));
  EXPECT_EQ(AllLines(*OpenText(bytes), LineMode::ByteTransparent), (Keys{"a\rb", "", "c\r", "\rd"}));
}

TEST(project_ProjectFile, LinesLongerThanTheReadChunkAndRewind) {
  const std::string longLine(200000, 'x');
  const std::string bytes = longLine + "\r\n" + std::string(70000, 'y') + "\n" + "z";
  auto file = OpenText(bytes);
  std::string line;
  ASSERT_TRUE(ReadAnsiLine(*file, line));
  EXPECT_EQ(line, longLine);
  ASSERT_TRUE(ReadAnsiLine(*file, line));
  EXPECT_EQ(line, std::string(70000, 'y'));
  ASSERT_TRUE(ReadAnsiLine(*file, line));
  EXPECT_EQ(line, "z");
  EXPECT_FALSE(ReadAnsiLine(*file, line));
  EXPECT_EQ(line, "");
  file->Rewind();
  ASSERT_TRUE(ReadAnsiLine(*file, line));
  EXPECT_EQ(line, longLine);
}

TEST(project_FindLineContaining, KeyBeforeStopKeyAndFromTheCurrentPosition) {
  auto file = OpenText(Crlf({"x", "Key here", "stop", "Key again", "Key stop"}));
  EXPECT_EQ(FindLineContaining(*file, "Key", "stop"), "Key here");
  EXPECT_EQ(FindLineContaining(*file, "Key", "stop"), "");  // "stop" comes first
  EXPECT_EQ(FindLineContaining(*file, "Key", "stop"), "Key again");
  EXPECT_EQ(FindLineContaining(*file, "Key", "stop"), "Key stop");  // the key is tested first
  EXPECT_EQ(FindLineContaining(*file, "Key", "stop"), "");          // end of file
}

struct ConfigCase {
  const char* name;
  std::string text;
  std::string first;  // ReadFirstConfigValue
  std::string plc;    // ReadPlcConfigValue
};

TEST(project_ConfigReaders, ValuesOfBothReaders) {
  const ConfigCase cases[] = {
      {"one line", Crlf({"PLC:=", "BEGIN", "Config:=\"[DEV]DEV:TQ5A;\";", "END;"}), "[DEV]DEV:TQ5A;",
       "[DEV]DEV:TQ5A;"},
      {"empty value: the PLC reader goes on",
       Crlf({"PLC:=", "BEGIN", "Config:=\"\";", "x", "Config:=\"second\";"}), "", "second"},
      {"three lines, quote in the middle of the third",
       Crlf({"PLC:=", "Config:=\"[DEV]DEV:", "TQ5A;CPU:", "CPU63;\";tail\"x"}), "[DEV]DEV:TQ5A;CPU:CPU63;",
       "[DEV]DEV:TQ5A;CPU:CPU63;"},
      {"closing quote never comes", Crlf({"PLC:=", "Config:=\"a;", "b;"}), "a;b;", "a;b;"},
      {"Config before the PLC is the first but not the PLC's",
       Crlf({"Config:=\"early\";", "PLC:=", "BEGIN", "Config:=\"late\";"}), "early", "late"},
      {"no PLC", Crlf({"Config:=\"v\";"}), "v", ""},
      {"BEGIN lines are skipped by the PLC reader",
       Crlf({"PLC:=", "BEGIN Config:=\"b\";", "Config:=\"c\";"}), "b", "c"},
      {"Config:= line without quote, value on a later Config line",
       Crlf({"PLC:=", "Config:=", "Config:=\"v\";"}), "v", "v"},
      {"a complete value ends the PLC search at the next line",
       Crlf({"PLC:=", "Config:=\"v\";", "other", "Config:=\"w\";"}), "v", "v"},
      {"first reader starts anew at a later Config line", Crlf({"Config:=\"open", "Config:=\"v\";"}), "v",
       ""},
      {"LF-only lines", Lf({"PLC:=", "Config:=\"a", "b\";"}), "ab", "ab"},
  };
  for (const ConfigCase& c : cases) {
    auto file = OpenText(c.text);
    EXPECT_EQ(ReadFirstConfigValue(*file), c.first) << c.name;
    EXPECT_EQ(ReadPlcConfigValue(*file), c.plc) << c.name;
    EXPECT_EQ(ReadFirstConfigValue(*file), c.first) << c.name << " (again, after a rewind)";
  }
}

TEST(project_ParseDeviceAndCpu, Descriptors) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"[DEV]DEV:TQ5A;CPU:CPU63;", "TQ5A CPU63"},
      {"[DEV]DEV: TQ5A ;CPU: CPU63 ;", "TQ5A CPU63"},
      {"[DEV]DEV:\tTQ5A\t;CPU:CPU63", "TQ5A CPU63"},  // CPU type up to the end of the value
      {"DEV:TQ5A;[DEV]CPU:CPU63;", ""},               // no DEV: after [DEV]
      {"DEV:TQ5A;CPU:CPU63;", ""},                    // no [DEV]
      {"[DEV]CPU:CPU63;DEV:TQ5A;", ""},               // no CPU: after the device model
      {"[DEV]DEV:TQ5A;CPU:;", "TQ5A "},
      {"[DEV]DEV:;CPU:CPU63;", " CPU63"},
      {"[DEV]DEV:TQ5A", ""},
  };
  for (const auto& [value, descriptor] : cases) EXPECT_EQ(ParseDeviceAndCpu(value), descriptor) << value;
}

TEST(project_ExtractHexBlock, FindsTheEntrysBlock) {
  struct Case {
    const char* name;
    std::string text;
    std::string block;
  };
  const Case cases[] = {
      {"two content lines keep their spacing",
       Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "  0A 0B", "0C", "$?St$Bk?_#[2]"}), "  0A 0B 0C "},
      {"marker on the entry key's line is not seen",
       Crlf({"IOTable:=", "Data:= $?St$Bk?_#[2]", "x", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}), "0A "},
      {"closing marker number is not checked",
       Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[9]"}), "0A "},
      {"no closing marker", Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "0A", "0B"}), ""},
      {"no opening marker", Crlf({"IOTable:=", "Data:=", "0A"}), ""},
      {"section only after Resource[1]", Crlf({"Resource[1]:=", "IOTable:=", "Data:=", "$?St$Bk?_#[2]", "0A",
                                               "$?St$Bk?_#[2]"}),
       ""},
      {"entry only after Resource[1]",
       Crlf({"IOTable:=", "Resource[1]", "Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}), ""},
      {"entry on the section key's line is not seen",
       Crlf({"IOTable:= Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}), ""},
      {"empty block", Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "$?St$Bk?_#[2]"}), ""},
      {"CR inside a content line stays",
       std::string("IOTable:=\r\nData:=\r\n$?St$Bk?_#[2]\r\n0A\r0B\r\n$?St$Bk?_#[2]\r\n"), "0A\r0B "},
      {"high bytes in content", Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "\x82\xA0", "$?St$Bk?_#[2]"}),
       "\x82\xA0 "},
  };
  for (const Case& c : cases) {
    auto file = OpenText(c.text);
    EXPECT_EQ(ExtractHexBlock(*file, "IOTable:=", "Data:="), c.block) << c.name;
  }
}

TEST(project_ExtractHexBlock, RepositionsToTheStartForEachBlock) {
  auto file = OpenText(projecttext::BuildProject({}));
  EXPECT_EQ(ExtractHexBlock(*file, "Settings:=", "Data:="), "FF EE ");
  EXPECT_EQ(ExtractHexBlock(*file, "IOTable:=", "UnitSetup:="), "0A 0B 0C ");
  EXPECT_EQ(ExtractHexBlock(*file, "IOTable:=", "Data:="), "54 51 35 41 01 ");
}

}  // namespace
