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

std::string LfOnly(std::string text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
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

// With CR LF throughout, the rewrite changes nothing but the keys, which are written where they
// stand; keys and line ends across the scan's pieces (1 MiB) are seen like any others.
TEST(project_Validation, CrLfThroughoutIsPatchedInPlace) {
  const std::size_t piece = 1 << 20;
  std::string filler = "// ";
  while (filler.size() < piece - 9) filler += filler.size() % 70 == 0 ? "\r\n" : "c";
  const std::string project = BuildProject({});
  // TQ5ASupportVersion straddles the first piece's end.
  const std::string text = filler + "TQ5ASupportVersion\r\n" + project;
  ASSERT_LT(filler.size(), piece);
  ASSERT_GT(filler.size() + 18, piece);
  const std::string path = WriteProject(text);
  {
    PlatformDouble platform;
    RecordingUserInterface recorder;
    ASSERT_TRUE(ValidateAndPrepareProject(path));
    EXPECT_EQ(recorder.MessageKeys(), Keys{});
    EXPECT_EQ(platform.Calls(PlatformCall::PatchFile), 1);
    EXPECT_EQ(platform.Calls(PlatformCall::CreateForWriting), 0);
  }
  std::string expected = text;
  for (std::size_t at = expected.find("TQ5ASupportVersion"); at != std::string::npos;
       at = expected.find("TQ5ASupportVersion", at)) {
    expected.replace(at, 18, "TQ6ASupportVersion");
  }
  EXPECT_EQ(testfiles::Read(path), expected);

  // An LF without its CR right after the first piece, or a last line without line end: rewritten.
  std::string lone = filler;
  lone.resize(piece, 'c');
  const std::string converted = Replaced(project, "TQ5ASupportVersion", "TQ6ASupportVersion");
  const std::pair<std::string, std::string> rewrites[] = {
      {lone + "\n" + project, lone + "\r\n" + converted},
      {project + "tail", converted + "tail\r\n"},
  };
  for (const auto& [before, after] : rewrites) {
    const std::string otherPath = WriteProject(before);
    PlatformDouble platform;
    RecordingUserInterface recorder;
    ASSERT_TRUE(ValidateAndPrepareProject(otherPath));
    EXPECT_EQ(platform.Calls(PlatformCall::PatchFile), 0);
    EXPECT_EQ(testfiles::Read(otherPath), after);
  }
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
    bool lfLineEnds;  // rewritten whole; with CR LF throughout only the keys are patched
  };
  const Case cases[] = {
      {"staged file cannot be read", PlatformCall::OpenForReading, {"MsgReadFail"}, false},
      {"rewrite cannot be created", PlatformCall::CreateForWriting, {"MsgOpenTempFail"}, true},
      {"rewrite write fails", PlatformCall::Write, {"MsgOpenTempFail"}, true},
      {"rewrite close fails", PlatformCall::Close, {"MsgOpenTempFail"}, true},
      {"patch in place fails", PlatformCall::PatchFile, {"MsgOpenTempFail"}, false},
  };
  for (const Case& c : cases) {
    std::string text = BuildProject({});
    if (c.lfLineEnds) text = LfOnly(text);
    const std::string path = WriteProject(text);
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
