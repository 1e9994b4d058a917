// Whole conversions of the bundled samples, through tqconv as a user runs it and in-process with
// a fixed date: the output text against its input byte for byte, and the unit setup as a tree.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "app/message_catalog.h"
#include "cli/json_line.h"
#include "conversion_checks.h"
#include "implode/codec_memory.h"
#include "pipeline/convert_command.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

std::string Today() {
  const auto today = platform::Today();
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", today->year, today->month, today->day);
  return text;
}

// The sample's project text: packed samples are expanded first.
std::string ProjectText(const fs::path& path) {
  const std::string bytes = testfiles::Read(path);
  if (path.extension() != ".lqp") return bytes;
  const CodecResult text = ExplodeBytes(bytes);
  EXPECT_EQ(text.code, 0u) << path;
  return text.bytes;
}

std::string ExpectedConfig(const std::string& input) {
  std::string value = e2e::ConfigValue(input);
  const auto replace = [&](const std::string& from, const std::string& to) {
    value.replace(value.find(from), from.size(), to);
  };
  replace("DEV:TQ5A;", "DEV:TQ6A;");
  const std::string cpu = value.substr(value.find("CPU:") + 4, 5);
  const bool large = cpu.back() >= '4';  // rows 4 and 5 of each CPU family have ten EM banks
  const std::map<char, std::string> um = {{'1', "94208"}, {'2', "104448"}, {'3', "124928"}, {'4', "186368"}, {'5', "288768"}};
  replace("EM:E,0,32768,WORD,RW,1,", std::string("EM:E,0,32768,WORD,RW,") + (large ? "10" : "1") + ",");
  replace("UM:UM,0,94208,", "UM:UM,0," + um.at(cpu.back()) + ",");
  return value;
}

void ExpectConverted(const fs::path& input, const std::string& inputText, const fs::path& output,
                     const std::vector<std::string>& dates) {
  const std::string outputText = ProjectText(output);
  EXPECT_EQ(outputText, e2e::ExpectedOutput(inputText, ExpectedConfig(inputText), outputText)) << input;
  pugi::xml_document before, after;
  ASSERT_TRUE(before.load_string(e2e::UnitSetupDocument(inputText).c_str()));
  ASSERT_TRUE(after.load_string(e2e::UnitSetupDocument(outputText).c_str()));
  std::vector<std::string> failures;
  for (const std::string& date : dates) {
    failures = e2e::CheckTransformedTree(before, after, date);
    if (failures.empty()) break;
  }
  for (const std::string& failure : failures) ADD_FAILURE() << input.filename() << ": " << failure;
}

const char* const kSamples[] = {"plant.lqt", "kojo_sjis.lqt", "press.lqp", "large_line.lqt"};

TEST(WholeConversion, EverySampleThroughTqconv) {
  const fs::path folder = testfiles::MakeFolder("samples");
  for (const char* sample : kSamples) {
    fs::copy_file(testfiles::Source(std::string("samples/") + sample), folder / sample);
  }
  const std::string before = Today();
  std::vector<std::string> arguments = {"convert", "--lang", "en", "--quiet"};
  for (const char* sample : kSamples) arguments.push_back((folder / sample).string());
  const ToolRun run = RunTqconv(arguments);
  const std::string after = Today();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  for (const char* sample : kSamples) {
    const fs::path input = folder / sample;
    const std::string stem = input.stem().string();
    const fs::path output = folder / (stem + "_converted" + input.extension().string());
    ASSERT_TRUE(fs::exists(output)) << output;
    EXPECT_EQ(testfiles::Read(input), testfiles::Read(testfiles::Source(std::string("samples/") + sample)));
    ExpectConverted(input, ProjectText(input), output, {before, after});
  }
  EXPECT_EQ(testfiles::List(folder).size(), 2 * std::size(kSamples));
}

TEST(WholeConversion, PackedAndTextRoutesGiveTheSameProject) {
  const fs::path folder = testfiles::MakeFolder("routes");
  fs::copy_file(testfiles::Source("samples/press.lqp"), folder / "press.lqp");
  testfiles::Write(folder / "press.lqt", ProjectText(folder / "press.lqp"));
  const ToolRun run = RunTqconv({"convert", "--lang", "en", (folder / "press.lqp").string(), (folder / "press.lqt").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, (folder / "press_converted.lqp").string() + "\n" + (folder / "press_converted.lqt").string() + "\n");
  const std::string packed = testfiles::Read(folder / "press_converted.lqp");
  EXPECT_EQ(packed.substr(0, 2), std::string("\x00\x06", 2));
  EXPECT_EQ(ExplodeBytes(packed).bytes, testfiles::Read(folder / "press_converted.lqt"));
}

TEST(WholeConversion, InProcessWithAFixedDate) {
  const fs::path folder = testfiles::MakeFolder("fixed");
  fs::copy_file(testfiles::Source("samples/plant.lqt"), folder / "plant.lqt");
  PlatformDouble platform;
  platform.today = platform::LocalDate{2026, 3, 1};
  RecordingUserInterface recorder;
  ConversionState state;
  const ConversionOutcome outcome = OnConvert((folder / "plant.lqt").string(), state);
  ASSERT_TRUE(outcome.succeeded);
  EXPECT_EQ(recorder.Trace(), (std::vector<std::string>{"busy+", "result", "busy-"}));
  ExpectConverted(folder / "plant.lqt", testfiles::Read(folder / "plant.lqt"), outcome.outputPath, {"2026-03-01"});
  EXPECT_FALSE(WorkDirectoryExists());
}

TEST(TqconvContract, JsonLinesAndExitStatus) {
  const fs::path folder = testfiles::MakeFolder("json");
  fs::copy_file(testfiles::Source("samples/plant.lqt"), folder / "plant.lqt");
  std::string target = testfiles::Read(folder / "plant.lqt");
  target.replace(target.find("DEV:TQ5A;"), 9, "DEV:TQ6A;");
  testfiles::Write(folder / "new.lqt", target);
  const std::string good = (folder / "plant.lqt").string();
  const std::string refused = (folder / "new.lqt").string();

  const ToolRun run = RunTqconv({"convert", "--json", "--lang", "en", good, refused, "notes.txt"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "{\"input\":" + JsonString(good) + ",\"ok\":true,\"output\":" +
                JsonString((folder / "plant_converted.lqt").string()) +
                ",\"messages\":[]}\n"
                "{\"input\":" + JsonString(refused) + ",\"ok\":false,\"output\":null,\"messages\":[{\"key\":\"MsgOnlyTQ5A\","
                "\"text\":\"This converter only supports TQ5A for conversion.\",\"icon\":\"information\"}]}\n"
                "{\"input\":\"notes.txt\",\"ok\":false,\"output\":null,\"messages\":[{\"key\":\"MsgUnsupportedExt\","
                "\"text\":\"Unsupported file type.\\nSupported: .lqt, .lqp\",\"icon\":\"information\"}]}\n");

  const ToolRun japanese = RunTqconv({"convert", "--lang", "ja", refused});
  EXPECT_EQ(japanese.status, 1);
  EXPECT_EQ(japanese.err, "tqconv: " + refused + ": 本コンバータは TQ5A のみが変換の対象です。\n");
}

TEST(TqconvContract, UsageErrorsExitWithTwoAndConvertNothing) {
  const std::vector<std::vector<std::string>> usageErrors = {{},
                                                             {"convert"},
                                                             {"convert", "--lang", "fr", "a.lqt"},
                                                             {"convert", "--frobnicate", "a.lqt"},
                                                             {"explode", "a", "b"},
                                                             {"pack", "a"},
                                                             {"pack", "--dictionary", "3000", "a", "b"},
                                                             {"unpack", "a"}};
  for (const std::vector<std::string>& arguments : usageErrors) {
    const ToolRun run = RunTqconv(arguments);
    EXPECT_EQ(run.status, 2) << testing::PrintToString(arguments);
    EXPECT_EQ(run.out, "") << testing::PrintToString(arguments);
  }
  EXPECT_EQ(RunTqconv({"--version"}).status, 0);
}

TEST(TqconvContract, PackAndUnpackNeverReplaceAFile) {
  const fs::path folder = testfiles::MakeFolder("codec");
  testfiles::Write(folder / "in.txt", "abcabcabc");
  const auto path = [&](const char* name) { return (folder / name).string(); };
  EXPECT_EQ(RunTqconv({"pack", path("in.txt"), path("in.bin")}).status, 0);
  EXPECT_EQ(testfiles::Read(folder / "in.bin"), std::string("\x00\x06\xC2\x88\x19\xAB\x0B\x01\xFF", 9));
  EXPECT_EQ(RunTqconv({"pack", "--literal-mode", "1", path("in.txt"), path("in.bin")}).status, 1);
  EXPECT_EQ(RunTqconv({"unpack", path("in.bin"), path("out.txt")}).status, 0);
  EXPECT_EQ(testfiles::Read(folder / "out.txt"), "abcabcabc");
  EXPECT_EQ(RunTqconv({"unpack", path("in.txt"), path("bad.txt")}).status, 1);
  EXPECT_FALSE(fs::exists(folder / "bad.txt"));
  EXPECT_EQ(testfiles::List(folder), (std::vector<std::string>{"in.bin", "in.txt", "out.txt"}));
}

// A directory, and on Linux a file whose reads fail (/proc/self/mem reads EIO at its start):
// each is refused with exit 1 and leaves nothing, neither OUT nor the temporary file beside it.
TEST(TqconvContract, PackAndUnpackOfAnUnreadableInputLeaveNothing) {
  const fs::path folder = testfiles::MakeFolder("unreadable");
  fs::create_directory(folder / "dir");
  std::vector<std::string> inputs = {(folder / "dir").string()};
#ifndef _WIN32
  if (fs::exists("/proc/self/mem")) inputs.push_back("/proc/self/mem");
#endif
  for (const std::string& in : inputs) {
    for (const char* command : {"pack", "unpack"}) {
      const ToolRun run = RunTqconv({command, in, (folder / "out").string()});
      EXPECT_EQ(run.status, 1) << command << " " << in << ": " << run.err;
      EXPECT_NE(run.err, "") << command << " " << in;
      EXPECT_EQ(testfiles::List(folder), std::vector<std::string>{"dir"}) << command << " " << in;
    }
  }
}

}  // namespace

namespace {

TEST(BundledSamples, AreWhatTheGeneratorWrites) {
  const fs::path folder = testfiles::MakeFolder("generated");
  const ToolRun run = RunTool("make_samples", {folder.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* sample : kSamples) {
    EXPECT_EQ(testfiles::Read(folder / sample), testfiles::Read(testfiles::Source(std::string("samples/") + sample)))
        << sample << " differs from tools/make_samples' output: run it again";
  }
}

}  // namespace
