// The Convert command as check runs it, and the report its steps fill in.
#include <gtest/gtest.h>

#include <filesystem>

#include "pipeline/convert_command.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

class DryRun : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = testfiles::MakeFolder("plant");
    fs::copy_file(testfiles::Source("samples/plant.lqt"), folder_ / "plant.lqt");
    fs::copy_file(testfiles::Source("samples/press.lqp"), folder_ / "press.lqp");
  }
  fs::path folder_;
};

TEST_F(DryRun, RunsEveryStepAndLeavesNothingAnywhere) {
  for (const char* name : {"plant.lqt", "press.lqp"}) {
    RecordingUserInterface recorder;
    ConversionState state;
    ChangeReport report;
    state.report = &report;
    const ConversionOutcome outcome = OnConvert((folder_ / name).string(), state, DryRunConversionSteps());
    EXPECT_TRUE(outcome.succeeded) << name;
    EXPECT_EQ(recorder.Trace(), (std::vector<std::string>{"busy+", "result", "busy-"}));
    EXPECT_EQ(fs::path(outcome.outputPath).filename().string().find("_converted"),
              fs::path(name).stem().string().size());
    EXPECT_EQ(report.blocks.size(), 3u);
    EXPECT_TRUE(report.unitSetup.networkUnitReplaced);
    EXPECT_EQ(CurrentChangeReport(), nullptr);  // installed only while the command ran
  }
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt", "press.lqp"}));
  EXPECT_FALSE(WorkDirectoryExists());
}

TEST_F(DryRun, AnOutputFolderThatRefusesIsFoundAsConvertWouldFindIt) {
  PlatformDouble platform;
  platform.Fail(PlatformCall::CreateExclusive, folder_.filename().string());
  for (const auto& [name, key] : {std::pair{"plant.lqt", "MsgSaveFail"}, std::pair{"press.lqp", "MsgZipFail"}}) {
    RecordingUserInterface recorder;
    ConversionState state;
    EXPECT_FALSE(OnConvert((folder_ / name).string(), state, DryRunConversionSteps()).succeeded);
    EXPECT_EQ(recorder.MessageKeys(), std::vector<std::string>{key});
  }
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt", "press.lqp"}));
  EXPECT_FALSE(WorkDirectoryExists());
}

TEST_F(DryRun, WithoutAReportTheStepsRecordNothing) {
  ChangeReport outside;
  const ScopedChangeReport installed(&outside);
  RecordingUserInterface recorder;
  ConversionState state;  // no report of its own: none while it runs
  ASSERT_TRUE(OnConvert((folder_ / "plant.lqt").string(), state).succeeded);
  EXPECT_TRUE(outside.blocks.empty());
  EXPECT_EQ(outside.configBefore, "");
  EXPECT_EQ(CurrentChangeReport(), &outside);  // the earlier one is back
}

}  // namespace
