// Batches over a plant folder with every kind of project in it: sequential and four at a time
// they give what single conversions give, byte for byte, message for message; a project that
// vanishes after the folder was searched fails alone; the progress line is drawn on a terminal
// only.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "app/message_catalog.h"
#include "cli/batch_inputs.h"
#include "cli/batch_run.h"
#include "cli/json_line.h"
#include "cli/project_job.h"
#include "implode/codec_memory.h"
#include "test_files.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

std::string Sample(const char* name) { return testfiles::Read(testfiles::Source(std::string("samples/") + name)); }

// The plant as a tree: good text and packed projects, refusals of three kinds, an earlier
// output, files that are no projects, a subfolder without any.
void MakePlant(const fs::path& root) {
  const std::string plant = Sample("plant.lqt");
  std::string newer = plant;
  newer.replace(newer.find("DEV:TQ5A;"), 9, "DEV:TQ6A;");
  std::string twoPlcs = plant;
  twoPlcs.replace(twoPlcs.find("ResourceCount:=1;"), 17, "ResourceCount:=2;");
  for (const char* folder : {"hall1", "hall2", "hall2/empty"}) fs::create_directories(root / folder);
  testfiles::Write(root / "hall1/line1.lqt", plant);
  testfiles::Write(root / "hall1/line1_converted.lqt", newer);  // an earlier output
  testfiles::Write(root / "hall1/press.LQP", Sample("press.lqp"));
  testfiles::Write(root / "hall1/readme.txt", "not a project");
  testfiles::Write(root / "hall2/kojo.lqt", Sample("kojo_sjis.lqt"));
  testfiles::Write(root / "hall2/new.lqt", newer);
  testfiles::Write(root / "hall2/two_plcs.lqt", twoPlcs);
  testfiles::Write(root / "hall2/broken.lqp", "this is no stream");
  testfiles::Write(root / "hall2/packed_twice.lqp", ImplodeBytes(Sample("press.lqp")).bytes);
}

// The projects of the plant in the order a recursive search finds them.
const char* const kProjects[] = {"hall1/line1.lqt", "hall1/press.LQP",        "hall2/broken.lqp",  "hall2/kojo.lqt",
                                 "hall2/new.lqt",   "hall2/packed_twice.lqp", "hall2/two_plcs.lqt"};

// Every file below root with its bytes; packed outputs expanded, since only their text is compared.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = testfiles::Read(entry.path());
  }
  return files;
}

// The text with the root's path taken out of every path in it. On Windows every backslash becomes
// '/' first (a JSON line's escaped ones too), in the text and the root alike.
std::string Relative(std::string text, const fs::path& root) {
  std::string prefix = root.string() + "/";
#ifdef _WIN32
  for (auto at = text.find("\\\\"); at != std::string::npos; at = text.find("\\\\", at)) text.replace(at, 2, "/");
  std::replace(text.begin(), text.end(), '\\', '/');
  std::replace(prefix.begin(), prefix.end(), '\\', '/');
#endif
  for (auto at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at)) text.erase(at, prefix.size());
  return text;
}

class PlantBatch : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* copy : {"single", "sequential", "parallel"}) MakePlant(testfiles::MakeFolder(copy));
  }
  fs::path Copy(const char* name) const { return testfiles::TempFolder() / name; }
};

TEST_F(PlantBatch, SequentialAndParallelBatchesGiveWhatSingleConversionsGive) {
  for (const char* mode : {"text", "json"}) {
    SCOPED_TRACE(mode);
    const bool json = std::string(mode) == "json";
    for (const char* copy : {"single", "sequential", "parallel"}) {
      fs::remove_all(Copy(copy));
      MakePlant(testfiles::MakeFolder(copy));
    }
    std::string singleOut, singleErr;
    for (const char* project : kProjects) {
      std::vector<std::string> arguments{"convert", "--lang", "en", (Copy("single") / project).string()};
      if (json) arguments.insert(arguments.begin() + 1, "--json");
      const ToolRun run = RunTqconv(arguments);
      singleOut += Relative(run.out, Copy("single"));
      singleErr += Relative(run.err, Copy("single"));
    }
    for (const auto& [copy, jobs] : {std::pair{"sequential", "1"}, std::pair{"parallel", "4"}}) {
      std::vector<std::string> arguments{"convert", "--lang", "en", "-r", "-j", jobs, Copy(copy).string()};
      if (json) arguments.insert(arguments.begin() + 1, "--json");
      const ToolRun run = RunTqconv(arguments);
      EXPECT_EQ(run.status, 1) << copy;
      EXPECT_EQ(Relative(run.out, Copy(copy)), singleOut) << copy;
      EXPECT_EQ(Relative(run.err, Copy(copy)), singleErr) << copy;
      EXPECT_EQ(Tree(Copy(copy)), Tree(Copy("single"))) << copy;
    }
    if (json) {
      EXPECT_EQ(singleErr, "");
      EXPECT_EQ(std::count(singleOut.begin(), singleOut.end(), '\n'), 7);
      continue;
    }
    EXPECT_EQ(singleOut, "hall1/line1_converted 1.lqt\nhall1/press_converted.LQP\nhall2/kojo_converted.lqt\n");
    EXPECT_EQ(singleErr,
              "tqconv: hall2/broken.lqp: Failed to open project file.\n"
              "tqconv: hall2/new.lqt: This converter only supports TQ5A for conversion.\n"
              "tqconv: hall2/packed_twice.lqp: Failed to open project file.\n"
              "tqconv: hall2/two_plcs.lqt: Please prepare a project configured for a single PLC in advance.\n");
  }
  // The outputs are those of the converter: the single run's tree holds each once.
  const auto tree = Tree(Copy("single"));
  EXPECT_EQ(tree.size(), 12u);
  EXPECT_TRUE(tree.count("hall1/line1_converted 1.lqt") && tree.count("hall2/kojo_converted.lqt"));
}

TEST_F(PlantBatch, AnEarlierOutputNamedExplicitlyIsConvertedLikeAnyFile) {
  const fs::path earlier = Copy("single") / "hall1/line1_converted.lqt";
  const ToolRun run =
      RunTqconv({"convert", "--lang", "en", earlier.string(), (Copy("single") / "hall2/empty").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "tqconv: " + earlier.string() +
                         ": This converter only supports TQ5A for conversion.\n"
                         "tqconv: " +
                         (Copy("single") / "hall2/empty").string() + ": The folder holds no project (.lqt, .lqp).\n");
  const ToolRun japanese = RunTqconv({"convert", "--lang", "ja", "--json", (Copy("single") / "hall2/empty").string()});
  EXPECT_EQ(japanese.out,
            "{\"input\":" + JsonString((Copy("single") / "hall2/empty").string()) +
                ",\"ok\":false,\"output\":null,\"messages\":[{\"key\":\"CliFolderHoldsNoProject\","
                "\"text\":\"フォルダにプロジェクト（.lqt、.lqp）がありません。\",\"icon\":\"information\"}]}\n");
}

TEST_F(PlantBatch, AProjectThatVanishesAfterTheSearchFailsAloneAndTheOthersConvert) {
  const fs::path root = Copy("parallel");
  const std::vector<BatchInput> inputs = GatherBatchInputs({root.string()}, true);
  ASSERT_EQ(inputs.size(), std::size(kProjects));
  fs::remove(root / "hall1/line1.lqt");
  fs::remove(root / "hall1/press.LQP");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  BatchConsole console;
  console.standardOutput = out;
  console.standardError = err;
  ProjectJobOptions options;
  const ConversionSteps steps = DefaultConversionSteps();
  const BatchOutcome outcome = RunBatch(
      inputs, 4, [&](const BatchInput& input) { return RunProjectJob(input, options, steps); }, console);
  const auto text = [](std::FILE* file) {
    std::rewind(file);
    std::string all;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) all.append(buffer, got);
    std::fclose(file);
    return all;
  };
  EXPECT_EQ(Relative(text(out), root), "hall2/kojo_converted.lqt\n");
  const std::string errors = Relative(text(err), root);
  EXPECT_EQ(errors.substr(0, errors.find("tqconv: hall2/")),
            "tqconv: hall1/line1.lqt: Failed to copy temporary file.\n"
            "tqconv: hall1/press.LQP: Failed to open project file.\n");
  EXPECT_EQ(outcome.succeeded, 1u);
  EXPECT_EQ(outcome.failed, 1u);  // the text project: its copy failed
  EXPECT_EQ(outcome.refused, 5u);
  EXPECT_EQ(outcome.unsuccessful.front(), (std::pair{Verdict::Failed, (root / "hall1" / "line1.lqt").string()}));
}

TEST_F(PlantBatch, AProgressLineAndASummaryOnATerminalOnly) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a pseudo-terminal; a Windows console cannot be given to a child under test";
#else
  const fs::path hall = Copy("parallel") / "hall1";
  const ToolRun onTerminal = RunTqconv({"convert", "--lang", "en", "-j", "1", hall.string()}, OnTerminal());
  EXPECT_EQ(onTerminal.status, 0);
  // stdout is no terminal: the paths alone.
  EXPECT_EQ(onTerminal.out,
            (hall / "line1_converted 1.lqt").string() + "\n" + (hall / "press_converted.LQP").string() + "\n");
  const std::string& screen = onTerminal.err;
  // The path may lose its start to the 80 columns, never its name.
  EXPECT_TRUE(std::regex_search(screen, std::regex("\rtqconv: 0/2 0:00 [^\r\n]*line1\\.lqt\x1b\\[K"))) << screen;
  // The terminal writes its line ends as CR LF.
  EXPECT_TRUE(std::regex_search(
      screen, std::regex("\r\x1b\\[Ktqconv: 2 converted, 0 refused, 0 failed \\([0-9]+\\.[0-9] s\\)\r\n$")))
      << screen;

  const ToolRun refusals =
      RunTqconv({"convert", "--lang", "ja", "--quiet", (Copy("parallel") / "hall2").string()}, OnTerminal());
  EXPECT_EQ(refusals.out, "");
  EXPECT_EQ(refusals.err.find("/5 "), std::string::npos) << "no progress line with --quiet";
  EXPECT_NE(refusals.err.find("tqconv: 変換 1 件、拒否 4 件、失敗 0 件（"), std::string::npos) << refusals.err;
  EXPECT_NE(refusals.err.find("tqconv:   拒否: " + (Copy("parallel") / "hall2/new.lqt").string() + "\r\n"),
            std::string::npos);

  const ToolRun json = RunTqconv({"convert", "--json", Copy("sequential").string()}, OnTerminal());
  EXPECT_EQ(json.err, "");
  const ToolRun piped = RunTqconv({"convert", "--lang", "en", (Copy("sequential") / "hall1").string()});
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.status, 0);
#endif
}

}  // namespace

namespace {

// A stop in the middle of a batch: the conversions under way end with their clean-up, no further
// one begins, every output reported is there whole and no other is, and the status says why.
TEST(BatchStop, ASignalEndsTheBatchCleanlyWithItsStatus) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals sent to the child; tqconv.exe is stopped by console events";
#else
  const fs::path plant = testfiles::MakeFolder("plant");
  const std::string project = testfiles::Read(testfiles::Source("samples/plant.lqt"));
  for (int n = 0; n < 40; ++n) testfiles::Write(plant / ("line" + std::to_string(100 + n) + ".lqt"), project);
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    bool sent = false;
    ToolSetting setting;
    setting.whileRunning = [&](int pid, const std::string& out) {
      if (!sent && std::count(out.begin(), out.end(), '\n') >= 3) {
        ::kill(pid, signal);
        sent = true;
      }
    };
    const ToolRun run = RunTqconv({"convert", "--lang", "en", "-j", "2", plant.string()}, setting);
    ASSERT_TRUE(sent);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.err, "");
    // What was reported is exactly what exists beside the inputs, and each is a whole project.
    std::set<std::string> reported;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) reported.insert(fs::path(line).filename().string());
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(plant)) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
      if (name.find("_converted") == std::string::npos) continue;
      written.insert(name);
      EXPECT_EQ(testfiles::Read(entry.path()).substr(0, 26), project.substr(0, 26)) << name;
    }
    EXPECT_EQ(written, reported);
    EXPECT_LT(written.size(), 40u);
    for (const auto& entry : fs::directory_iterator(testfiles::TempFolder())) {
      EXPECT_NE(entry.path().filename().string().rfind("_HexXmlConv_Cache_", 0), 0u) << entry.path();
    }
    for (const std::string& name : written) fs::remove(plant / name);
  }
#endif
}

}  // namespace
