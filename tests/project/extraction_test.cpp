// Extraction of the configuration line and the three blocks, the model name in hex text, and
// decoding the unit-setup hex.
#include "project/extraction.h"

#include <gtest/gtest.h>

#include "platform_double.h"
#include "project_text.h"
#include "recording_user_interface.h"

namespace {

using projecttext::BuildProject;
using projecttext::Crlf;
using projecttext::ProjectParts;
using projecttext::WriteProject;
using Keys = std::vector<std::string>;

struct Extracted {
  bool ok = false;
  Keys messages;
  std::unique_ptr<CTQPropertyData> slot;
  std::string configLine, ioDataHex, settingsDataHex;
};

Extracted Extract(std::string_view text) {
  Extracted result;
  RecordingUserInterface recorder;
  result.ok = ExtractPlcSections(result.slot, WriteProject(text), result.configLine, result.ioDataHex,
                                 result.settingsDataHex);
  result.messages = recorder.MessageKeys();
  return result;
}

TEST(project_ExtractPlcSections, FillsTheLineTheBlocksAndTheSlot) {
  const Extracted e = Extract(BuildProject({}));
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.messages, Keys{});
  EXPECT_EQ(e.configLine,
            "Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;EM:E,0,32768,WORD,RW,1,X;UM:UM,0,124928,Y;\";");
  ASSERT_TRUE(e.slot);
  EXPECT_EQ(e.slot->hexText, "0A 0B 0C ");
  EXPECT_TRUE(e.slot->bytes.empty());
  EXPECT_EQ(e.ioDataHex, "54 51 35 41 01 ");
  EXPECT_EQ(e.settingsDataHex, "FF EE ");
}

TEST(project_ExtractPlcSections, ReplacesTheObjectInTheSlot) {
  std::unique_ptr<CTQPropertyData> slot = std::make_unique<CTQPropertyData>();
  slot->hexText = "old";
  slot->bytes = {1, 2};
  std::string config, io, settings;
  RecordingUserInterface recorder;
  ASSERT_TRUE(ExtractPlcSections(slot, WriteProject(BuildProject({})), config, io, settings));
  EXPECT_EQ(slot->hexText, "0A 0B 0C ");
  EXPECT_TRUE(slot->bytes.empty());
}

TEST(project_ExtractPlcSections, BlocksThatAreMissingOrEmpty) {
  ProjectParts noIoData;
  noIoData.ioData = "";
  ProjectParts noUnitSetup;
  noUnitSetup.unitSetup = "";
  ProjectParts noSettings;
  noSettings.settingsData = "";
  const std::string unclosedIoData =
      Crlf({"PLC:=", "Config:=\"[DEV]DEV:TQ5A;CPU:CPU61;\";", "IOTable:=", "UnitSetup:=", "$?St$Bk?_#[1]", "0A",
            "$?St$Bk?_#[1]", "Data:=", "$?St$Bk?_#[2]", "54 51"});

  const Extracted io = Extract(BuildProject(noIoData));
  EXPECT_FALSE(io.ok);
  EXPECT_EQ(io.messages, Keys{"MsgIOTableEmpty"});
  const Extracted unclosed = Extract(unclosedIoData);
  EXPECT_FALSE(unclosed.ok);
  EXPECT_EQ(unclosed.messages, Keys{"MsgIOTableEmpty"});

  const Extracted unit = Extract(BuildProject(noUnitSetup));
  EXPECT_TRUE(unit.ok);
  ASSERT_TRUE(unit.slot);
  EXPECT_EQ(unit.slot->hexText, "");
  RecordingUserInterface recorder;
  EXPECT_FALSE(unit.slot->DecodeHexText());
  EXPECT_EQ(recorder.MessageKeys(), Keys{"MsgIOTableEmpty"});

  const Extracted settings = Extract(BuildProject(noSettings));
  EXPECT_TRUE(settings.ok);
  EXPECT_EQ(settings.settingsDataHex, "");
}

TEST(project_ExtractPlcSections, TheFirstConfigurationOfTheTextIsRewritten) {
  const Extracted e = Extract(Crlf({"Config:=\"\";"}) + BuildProject({}));
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.configLine, "Config:=\"\";");
}

TEST(project_ExtractPlcSections, StagedFileThatCannotBeOpened) {
  const std::string path = WriteProject(BuildProject({}));
  PlatformDouble platform;
  platform.Fail(PlatformCall::OpenForReading);
  RecordingUserInterface recorder;
  std::unique_ptr<CTQPropertyData> slot;
  std::string config, io, settings;
  EXPECT_FALSE(ExtractPlcSections(slot, path, config, io, settings));
  EXPECT_EQ(recorder.MessageKeys(), Keys{"MsgOpenTempFail"});
}

TEST(project_ReplaceModelInHexText, OnlyTheSingleSpacedName) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {" 01 54 51 35 41 02 \r\n", "01 54 51 36 41 02"},
      {"54 51 35 41 54 51 35 41", "54 51 36 41 54 51 36 41"},
      {"54 51  35 41", "54 51  35 41"},
      {"54  51 35 41", "54  51 35 41"},
      {"54 51 35 4154 51 35 41", "54 51 36 4154 51 36 41"},
      {"54 51 35 41 ", "54 51 36 41"},
      {"54 51 35\r\n41", "54 51 35\r\n41"},
      {"54 51 35 41 joined by the reader: 54 51 35 41", "54 51 36 41 joined by the reader: 54 51 36 41"},
      {"\t0A 0B\t", "0A 0B"},
      {"54 51 35 61", "54 51 35 61"},
      {"", ""},
  };
  for (const auto& [text, replaced] : cases) EXPECT_EQ(ReplaceModelInHexText(text), replaced) << text;
}

TEST(project_DecodeHexText, PairsOfDigits) {
  struct Case {
    std::string_view text;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"0A 1b\r\nFf\tc0", {0x0A, 0x1B, 0xFF, 0xC0}},
      {"0a0B", {0x0A, 0x0B}},
      {"7", {}},
      {"4 1", {}},
      {"G1 23", {0x23}},
      {"123", {0x12}},
      {"1 23 4", {0x23}},
      {"   \r\n\t ", {}},
      {"zz xy", {}},
  };
  for (const Case& c : cases) {
    CTQPropertyData data;
    data.hexText = c.text;
    data.bytes = {9, 9, 9};
    RecordingUserInterface recorder;
    EXPECT_EQ(data.DecodeHexText(), !c.bytes.empty()) << c.text;
    EXPECT_EQ(data.bytes, c.bytes) << c.text;
    EXPECT_EQ(recorder.MessageKeys(), c.bytes.empty() ? Keys{"MsgIOTableEmpty"} : Keys{}) << c.text;
  }
}

TEST(project_DecodeHexText, EmptyTextShowsIoTableEmpty) {
  CTQPropertyData data;
  RecordingUserInterface recorder;
  EXPECT_FALSE(data.DecodeHexText());
  EXPECT_EQ(recorder.MessageKeys(), Keys{"MsgIOTableEmpty"});
}

}  // namespace
