// Validation of the staged project: every refusal's message in its order, the support-version key,
// the rewrite with CR LF line ends and what the file holds afterwards.
#include "project/validation.h"

#include <gtest/gtest.h>

#include "platform_double.h"
#include "project_text.h"
#include "recording_user_interface.h"

namespace {

using projecttext::BuildProject;
using projecttext::ProjectParts;
using projecttext::WriteProject;
using Keys = std::vector<std::string>;

std::string WithConfig(std::string config) {
  ProjectParts parts;
  parts.config = std::move(config);
  return BuildProject(parts);
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

TEST(project_Validation, RefusalsAndTheirMessages) {
  struct Case {
    const char* name;
    std::string text;
    Keys messages;
  };
  const std::string valid = BuildProject({});
  const Case cases[] = {
      {"valid", valid, {}},
      {"ResourceCount:=2;", Replaced(valid, "ResourceCount:=1;", "ResourceCount:=2;"), {"MsgOnePLC"}},
      {"ResourceCount := 1;", Replaced(valid, "ResourceCount:=1;", "ResourceCount := 1;"), {"MsgOnePLC"}},
      {"lower-case key", Replaced(valid, "ResourceCount:=1;", "resourcecount:=1;"), {"MsgOpenProjectFail"}},
      {"no UnitSetup:=", Replaced(valid, "UnitSetup:=", "Unit:="), {"MsgOpenProjectFail"}},
      {"no PLC:=", Replaced(valid, "PLC:=", "PLC="), {"MsgOpenProjectFail"}},
      {"no IOTable:=", Replaced(valid, "IOTable:=", "IOTable="), {"MsgOpenProjectFail"}},
      {"missing key wins over two PLCs",
       Replaced(Replaced(valid, "ResourceCount:=1;", "ResourceCount:=2;"), "UnitSetup:=", "U:="),
       {"MsgOpenProjectFail"}},
      {"DEV:tq5a; accepted", WithConfig("Config:=\"[DEV]DEV:tq5a;CPU:CPU63;\";"), {}},
      {"DEV: TQ5A ; with spaces accepted", WithConfig("Config:=\"[DEV]DEV: TQ5A ;CPU: CPU63 ;\";"), {}},
      {"target model refused", WithConfig("Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;\";"), {"MsgOnlyTQ5A"}},
      {"empty CPU entry refused", WithConfig("Config:=\"[DEV]DEV:TQ5A;CPU:;\";"), {"MsgOnlyTQ5A"}},
      {"empty device entry refused", WithConfig("Config:=\"[DEV]DEV:;CPU:CPU63;\";"), {"MsgOnlyTQ5A"}},
      {"no [DEV] refused", WithConfig("Config:=\"DEV:TQ5A;CPU:CPU63;\";"), {"MsgOnlyTQ5A"}},
      {"empty configuration refused", WithConfig("Config:=\"\";"), {"MsgOnlyTQ5A"}},
      {"no configuration refused", WithConfig("Comment:=none;"), {"MsgOnlyTQ5A"}},
      {"readers disagree: empty PLC value, later value",
       WithConfig("Config:=\"\";\r\n  Config:=\"[DEV]DEV:TQ5A;CPU:CPU63;\";"), {"MsgParseFail"}},
      {"readers disagree: configuration before the PLC",
       "Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;\";\r\n" + valid, {"MsgParseFail"}},
  };
  for (const Case& c : cases) {
    RecordingUserInterface recorder;
    EXPECT_EQ(ValidateAndPrepareProject(WriteProject(c.text)), c.messages.empty()) << c.name;
    EXPECT_EQ(recorder.MessageKeys(), c.messages) << c.name;
  }
}

TEST(project_Validation, RewritesWithCrLfKeepingEveryOtherByte) {
  const std::string project = std::string("// \x83v\x83\x8D\x83W\x83" "F\x83N\x83g TQ5ASupportVersion\n") +
                              "ResourceCount:=1;\nTQ5ASupportVersionTQ5ASupportVersion:=1;\r\n"
                              "PLC:=\nBEGIN\n Config:=\"[DEV]DEV:TQ5A;CPU:CPU61;\";\n IOTable:=\nBEGIN\n"
                              "UnitSetup:=\nData:=\nEND;\nEND;\n\xA0\xFF\x1A" + std::string(1, '\0') + "end";
  const std::string path = WriteProject(project);
  RecordingUserInterface recorder;
  ASSERT_TRUE(ValidateAndPrepareProject(path));
  const std::string expected = std::string("// \x83v\x83\x8D\x83W\x83" "F\x83N\x83g TQ6ASupportVersion\r\n") +
                               "ResourceCount:=1;\r\nTQ6ASupportVersionTQ6ASupportVersion:=1;\r\n"
                               "PLC:=\r\nBEGIN\r\n Config:=\"[DEV]DEV:TQ5A;CPU:CPU61;\";\r\n IOTable:=\r\n"
                               "BEGIN\r\nUnitSetup:=\r\nData:=\r\nEND;\r\nEND;\r\n\xA0\xFF\x1A" +
                               std::string(1, '\0') + "end\r\n";
  EXPECT_EQ(testfiles::Read(path), expected);
  EXPECT_TRUE(recorder.MessageKeys().empty());
}

TEST(project_Validation, RewriteLongerThanOneWriteChunk) {
  std::string comment(150000, 'c');
  comment[70000] = '\n';
  const std::string path = WriteProject(comment + "\n" + BuildProject({}));
  RecordingUserInterface recorder;
  ASSERT_TRUE(ValidateAndPrepareProject(path));
  std::string expectedComment = comment;
  expectedComment.replace(70000, 1, "\r\n");
  EXPECT_EQ(testfiles::Read(path), expectedComment + "\r\n" +
                                       Replaced(BuildProject({}), "TQ5ASupportVersion", "TQ6ASupportVersion"));
}

TEST(project_Validation, TheModelCheckRunsOnTheRewrittenFile) {
  const std::string path = WriteProject(WithConfig("Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;\";"));
  RecordingUserInterface recorder;
  EXPECT_FALSE(ValidateAndPrepareProject(path));
  EXPECT_EQ(testfiles::Read(path).find("TQ5ASupportVersion"), std::string::npos);
  EXPECT_NE(testfiles::Read(path).find("TQ6ASupportVersion"), std::string::npos);
}

TEST(project_Validation, AStructuralRefusalLeavesTheFileAsItWas) {
  const std::string text = Replaced(BuildProject({}), "ResourceCount:=1;", "ResourceCount:=2;") + "no end";
  const std::string path = WriteProject(text);
  RecordingUserInterface recorder;
  EXPECT_FALSE(ValidateAndPrepareProject(path));
  EXPECT_EQ(testfiles::Read(path), text);
}

TEST(project_Validation, PlatformFailuresAndTheirMessages) {
  struct Case {
    const char* name;
    PlatformCall call;
    Keys messages;
  };
  const Case cases[] = {
      {"staged file cannot be read", PlatformCall::OpenForReading, {"MsgReadFail"}},
      {"rewrite cannot be created", PlatformCall::CreateForWriting, {"MsgOpenTempFail"}},
      {"rewrite write fails", PlatformCall::Write, {"MsgOpenTempFail"}},
      {"rewrite close fails", PlatformCall::Close, {"MsgOpenTempFail"}},
  };
  for (const Case& c : cases) {
    const std::string path = WriteProject(BuildProject({}));
    PlatformDouble platform;
    platform.Fail(c.call, "temp_project");
    RecordingUserInterface recorder;
    EXPECT_FALSE(ValidateAndPrepareProject(path)) << c.name;
    EXPECT_EQ(recorder.MessageKeys(), c.messages) << c.name;
  }
}

TEST(project_Validation, AReadErrorAfterOpeningIsTheFileLayersException) {
  const std::string path = WriteProject(BuildProject({}));
  PlatformDouble platform;
  platform.Fail(PlatformCall::Read, "temp_project");
  RecordingUserInterface recorder;
  EXPECT_THROW(ValidateAndPrepareProject(path), platform::FileError);
  EXPECT_TRUE(recorder.MessageKeys().empty());
}

TEST(project_ModelDescriptor, ReadsThePlcsConfiguration) {
  std::string descriptor = "stale";
  ASSERT_TRUE(ReadModelDescriptor(WriteProject(BuildProject({})), descriptor));
  EXPECT_EQ(descriptor, "TQ5A CPU63");
  ASSERT_TRUE(ReadModelDescriptor(WriteProject(WithConfig("Config:=\"\";")), descriptor));
  EXPECT_EQ(descriptor, "");

  RecordingUserInterface recorder;
  EXPECT_FALSE(ReadModelDescriptor((testfiles::TempFolder() / "absent.lqt").string(), descriptor));
  EXPECT_EQ(recorder.MessageKeys(), Keys{"MsgParseFail"});
}

TEST(project_CheckSourceModel, DeviceModelBeforeTheFirstSpace) {
  const std::pair<std::string_view, bool> cases[] = {
      {"TQ5A CPU63", true}, {"tq5a CPU63", true}, {"Tq5A x", true},    {"TQ5A CPU 63", true},
      {"TQ6A CPU63", false}, {"", false},         {"TQ5A", false},     {" CPU63", false},
      {"TQ5A ", false},     {"TQ5AX CPU63", false}, {"\tTQ5A\t CPU63", true},
  };
  for (const auto& [descriptor, accepted] : cases) {
    RecordingUserInterface recorder;
    EXPECT_EQ(CheckSourceModel(descriptor), accepted) << descriptor;
    EXPECT_EQ(recorder.MessageKeys(), accepted ? Keys{} : Keys{"MsgOnlyTQ5A"}) << descriptor;
  }
}

}  // namespace
