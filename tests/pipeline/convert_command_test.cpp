// The Convert command through the recorder: messages, clean-up and what is left on disk, with the
// project steps replaced by small stand-ins so each path can be reached.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <stdexcept>

#include "pipeline/convert_command.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;
using Trace = std::vector<std::string>;

constexpr const char* kProject = "ResourceCount:=1;\r\nTQ5A project\r\n";

// The later steps as stand-ins: the merged project is the staged text with a mark in front.
ConversionSteps StandInChain() {
  ConversionSteps steps = DefaultConversionSteps();
  steps.unpackInput = [](const std::string& input, const std::string& staged, std::uint64_t) {
    const auto bytes = testfiles::Read(input);
    if (bytes.rfind("packed:", 0) != 0) return UnpackResult::Failed;
    testfiles::Write(staged, bytes.substr(7));
    return UnpackResult::Expanded;
  };
  steps.validateAndPrepareProject = [](const std::string&) { return true; };
  steps.extractPlcSections = [](ConversionSteps::Slot& slot, const std::string&, std::string& config,
                                std::string& io, std::string& settings) {
    slot = std::make_unique<CTQPropertyData>();
    config = "Config:=\"\";";
    io = "54 51 35 41";
    settings = "";
    return true;
  };
  steps.replaceModelInHexText = [](const std::string& hex, std::size_t*) { return hex; };
  steps.convertUnitSetup = [](ConversionSteps::Slot& slot, const std::string& staged, const std::string&,
                              const std::string&, const std::string&, bool, std::string&, std::string& merged) {
    if (!slot) return false;
    merged = staged + ".merged.lqt";
    testfiles::Write(merged, "converted:" + testfiles::Read(staged));
    return true;
  };
  steps.packOutput = [](const std::string& merged, const std::string& target, const implode::LooseEncoding*) {
    testfiles::Write(target, "packed:" + testfiles::Read(merged));
    return true;
  };
  return steps;
}

class ConvertCommand : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = testfiles::MakeFolder("plant data");
    input_ = (folder_ / "plant.lqt").string();
    testfiles::Write(input_, kProject);
  }
  // Nothing of the command stays behind, and the input is as it was.
  void ExpectNothingLeft() {
    EXPECT_FALSE(WorkDirectoryExists());
    EXPECT_EQ(testfiles::Read(input_), kProject);
    EXPECT_TRUE(state_.m_workDir.empty());
    EXPECT_EQ(state_.UnitSetupSlot, nullptr);
    EXPECT_EQ(state_.m_workDirLock, nullptr);
    for (const auto& name : testfiles::List(folder_)) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
  const RecordedEntry& Message(const std::string& key) {
    for (const auto& entry : recorder_.log()) {
      if (entry.key == key) return entry;
    }
    throw std::logic_error("no message " + key);
  }

  RecordingUserInterface recorder_;
  ConversionState state_;
  ConversionSteps steps_ = StandInChain();
  fs::path folder_;
  std::string input_;
};

TEST_F(ConvertCommand, WritesTheOutputBesideTheInputAndShowsTheResult) {
  const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_EQ(outcome.outputPath, (folder_ / "plant_converted.lqt").string());
  EXPECT_EQ(testfiles::Read(outcome.outputPath), std::string("converted:") + kProject);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "result", "busy-"}));
  const RecordedEntry& result = recorder_.log()[1];
  EXPECT_EQ(result.outputPath, outcome.outputPath);
  EXPECT_EQ(result.text, "Conversion succeeded.");
  EXPECT_FALSE(result.workDirectoryExisted);  // cleaned up before the result appears
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt", "plant_converted.lqt"}));
  ExpectNothingLeft();
}

// The merged project becomes the output by a move where it can, else by a copy: the same bytes
// either way, and nothing left behind.
TEST_F(ConvertCommand, TheMergedProjectIsMovedOutOrCopiedWhereItCannotBe) {
  for (const bool movable : {true, false}) {
    PlatformDouble platform;
    if (!movable) platform.Fail(PlatformCall::MoveOverOwnFile);
    const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
    ASSERT_TRUE(outcome.succeeded) << movable;
    EXPECT_EQ(testfiles::Read(outcome.outputPath), std::string("converted:") + kProject) << movable;
    EXPECT_EQ(platform.Calls(PlatformCall::MoveOverOwnFile), 1) << movable;
    EXPECT_EQ(platform.Calls(PlatformCall::Sync), movable ? 0 : 1) << movable;  // the copy is synced
    fs::remove(outcome.outputPath);
    EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt"})) << movable;
    ExpectNothingLeft();
  }
}

TEST_F(ConvertCommand, AnEmptyPathAsksForAFileAndCreatesNothing) {
  EXPECT_FALSE(OnConvert("", state_, steps_).succeeded);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "MsgSelectFile", "busy-"}));
  EXPECT_FALSE(Message("MsgSelectFile").workDirectoryExisted);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AReadOnlyInputIsConvertedAndStaysReadOnly) {
  fs::permissions(input_, fs::perms::owner_read | fs::perms::group_read);
  bool stagedWritable = false;
  steps_.validateAndPrepareProject = [&](const std::string& staged) {
    stagedWritable = !platform::GetFileAttributes(staged)->readOnly;
    return true;
  };
  EXPECT_TRUE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_TRUE(stagedWritable);
  EXPECT_TRUE(platform::GetFileAttributes(input_)->readOnly);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, ATakenNameGetsTheNextNumberAndIsNotTouched) {
  testfiles::Write(folder_ / "plant_converted.lqt", "earlier");
  const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
  EXPECT_EQ(outcome.outputPath, (folder_ / "plant_converted 1.lqt").string());
  EXPECT_EQ(testfiles::Read(folder_ / "plant_converted.lqt"), "earlier");
  // Converting again finds both names taken.
  EXPECT_EQ(OnConvert(input_, state_, steps_).outputPath, (folder_ / "plant_converted 2.lqt").string());
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, ANameTakenBeforePublishingMovesToTheNextFreeName) {
  PlatformDouble platform;
  bool raced = false;
  platform.beforePublish = [&](const std::string& to) {
    if (!raced) testfiles::Write(to, "someone else's");
    raced = true;
  };
  const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_EQ(outcome.outputPath, (folder_ / "plant_converted 1.lqt").string());
  EXPECT_EQ(recorder_.log()[1].outputPath, outcome.outputPath);  // the name reported is the one written
  EXPECT_EQ(testfiles::Read(folder_ / "plant_converted.lqt"), "someone else's");
  EXPECT_EQ(testfiles::Read(outcome.outputPath), std::string("converted:") + kProject);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AFailedPublishLeavesNoFileBesideTheInput) {
  for (const bool packed : {false, true}) {
    PlatformDouble platform;
    platform.Fail(PlatformCall::PublishNoReplace);
    recorder_.Clear();
    if (packed) {
      input_ = (folder_ / "plant.LQP").string();
      testfiles::Write(input_, std::string("packed:") + kProject);
    }
    EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
    const std::string failure = packed ? "MsgZipFail" : "MsgSaveFail";
    EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", failure, "busy-"}));
    EXPECT_FALSE(Message(failure).workDirectoryExisted);
    EXPECT_EQ(testfiles::List(folder_).size(), packed ? 2u : 1u);  // the inputs only
  }
}

TEST_F(ConvertCommand, AnOutputFolderThatRefusesFilesIsASaveFailure) {
  PlatformDouble platform;
  platform.Fail(PlatformCall::CreateExclusive, folder_.string());
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.MessageKeys(), (Trace{"MsgSaveFail"}));
  platform.Heal();
  platform.Fail(PlatformCall::Write, folder_.string());  // the output's write fails half-way
  // The merged project cannot be moved there, so it is copied.
  platform.Fail(PlatformCall::MoveOverOwnFile, folder_.string());
  steps_.copyOutput = DefaultConversionSteps().copyOutput;
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt"}));
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, TooLongPathsAreRefusedBeforeAnythingIsWritten) {
  // folder + "/" + name = 231 characters, so the output name has 241.
  const std::string base = testfiles::TempFolder().string() + "/";
  const std::string name(231 - base.size() - 4, 'p');
  input_ = base + name + ".lqt";
  ASSERT_EQ(input_.size(), 231u);
  testfiles::Write(input_, kProject);
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "MsgPathTooLong", "busy-"}));
  EXPECT_TRUE(Message("MsgPathTooLong").workDirectoryExisted);  // removed after the message
  EXPECT_EQ(Message("MsgPathTooLong").icon, MessageIcon::Warning);
  EXPECT_FALSE(fs::exists(base + name + "_converted.lqt"));
  EXPECT_FALSE(WorkDirectoryExists());
}

TEST_F(ConvertCommand, AMissingInputIsACopyFailure) {
  EXPECT_FALSE(OnConvert((folder_ / "absent.lqt").string(), state_, steps_).succeeded);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "MsgTempCopyFail", "busy-"}));
  EXPECT_TRUE(Message("MsgTempCopyFail").workDirectoryExisted);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, PackedInputsStageByExpansion) {
  const std::string packed = (folder_ / "plant.LQP").string();
  testfiles::Write(packed, "not a stream");
  EXPECT_FALSE(OnConvert(packed, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.MessageKeys(), (Trace{"MsgOpenProjectFail"}));
  EXPECT_TRUE(Message("MsgOpenProjectFail").workDirectoryExisted);

  testfiles::Write(packed, std::string("packed:") + kProject);
  const ConversionOutcome outcome = OnConvert(packed, state_, steps_);
  EXPECT_EQ(outcome.outputPath, (folder_ / "plant_converted.LQP").string());
  EXPECT_EQ(testfiles::Read(outcome.outputPath), std::string("packed:converted:") + kProject);

  recorder_.Clear();
  steps_.unpackInput = [](const std::string&, const std::string&, std::uint64_t) { return UnpackResult::TooLarge; };
  EXPECT_FALSE(OnConvert(packed, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.MessageKeys(), (Trace{"MsgFileTooLarge"}));
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AStagedProjectOverTheLimitIsRefusedRightAfterStaging) {
  bool validated = false;
  steps_.validateAndPrepareProject = [&](const std::string&) { return validated = true; };
  steps_.projectSizeLimit = std::string(kProject).size();
  EXPECT_TRUE(OnConvert(input_, state_, steps_).succeeded);  // exactly the limit passes
  steps_.projectSizeLimit -= 1;
  validated = false;
  recorder_.Clear();
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_FALSE(validated);
  EXPECT_EQ(recorder_.MessageKeys(), (Trace{"MsgFileTooLarge"}));
}

TEST_F(ConvertCommand, AStepsOwnMessageComesBeforeTheCleanUp) {
  steps_.extractPlcSections = [](ConversionSteps::Slot& slot, const std::string&, std::string&, std::string&,
                                 std::string&) {
    slot = std::make_unique<CTQPropertyData>();
    ShowCatalogMessage("MsgIOTableEmpty");
    return false;
  };
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "MsgIOTableEmpty", "busy-"}));
  EXPECT_TRUE(Message("MsgIOTableEmpty").workDirectoryExisted);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, ATooLongMergedPathStopsTheCommand) {
  steps_.convertUnitSetup = [](ConversionSteps::Slot&, const std::string&, const std::string&, const std::string&,
                               const std::string&, bool, std::string&, std::string& merged) {
    merged = std::string(241, 'm');
    return true;
  };
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.MessageKeys(), (Trace{"MsgPathTooLong"}));
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt"}));
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AnExceptionInAnyStepCleansUpThenSaysSo) {
  steps_.validateAndPrepareProject = [](const std::string&) -> bool { throw platform::FileError("read failed"); };
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  steps_ = StandInChain();
  steps_.convertUnitSetup = [](ConversionSteps::Slot&, const std::string&, const std::string&, const std::string&,
                               const std::string&, bool, std::string&, std::string&) -> bool { throw 42; };
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "MsgUnexpectedError", "busy-", "busy+", "MsgUnexpectedError", "busy-"}));
  for (const auto& entry : recorder_.log()) EXPECT_FALSE(entry.workDirectoryExisted);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AStopEndsTheCommandWithItsCleanUpAndNoMessage) {
  for (const bool packed : {false, true}) {
    recorder_.Clear();
    if (packed) {
      input_ = (folder_ / "plant.lqp").string();
      testfiles::Write(input_, std::string("packed:") + kProject);
    }
    // As SIGTERM would ask, half-way: the next file operation ends the conversion.
    steps_.convertUnitSetup = [](ConversionSteps::Slot&, const std::string& staged, const std::string&,
                                 const std::string&, const std::string&, bool, std::string&, std::string& merged) {
      merged = staged + ".merged.lqt";
      testfiles::Write(merged, "converted");
      platform::RequestStop(SIGTERM);
      return true;
    };
    const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
    platform::ClearStopRequest();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "busy-"}));  // a stop is no error: nothing is shown
    EXPECT_EQ(testfiles::List(folder_).size(), packed ? 2u : 1u);  // the inputs only
    EXPECT_FALSE(WorkDirectoryExists());
    EXPECT_TRUE(state_.m_workDir.empty());
    EXPECT_EQ(state_.m_workDirLock, nullptr);
  }
}

TEST_F(ConvertCommand, AStopAfterTheLastFileOperationKeepsTheOutputAndShowsNothing) {
  PlatformDouble platform;
  platform.beforePublish = [](const std::string&) {};
  int removed = 0;
  platform.onCall = [&](PlatformCall call, const fs::path&) {
    if (call == PlatformCall::RemoveDirectory && ++removed == 1) platform::RequestStop(SIGINT);  // in the clean-up
  };
  const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
  platform::ClearStopRequest();
  EXPECT_TRUE(outcome.stopped);
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_EQ(testfiles::Read(outcome.outputPath), std::string("converted:") + kProject);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "busy-"}));
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AWorkingDirectoryThatCannotBeMadeStopsAtOnce) {
  PlatformDouble platform;
  platform.Fail(PlatformCall::CreateDirectory);
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "MsgCacheCreateFail", "busy-"}));
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AReadOnlyStagedCopyDoesNotStopTheCleanUp) {
  steps_.validateAndPrepareProject = [](const std::string& staged) {
    fs::permissions(staged, fs::perms::owner_read);
    return false;
  };
  EXPECT_FALSE(OnConvert(input_, state_, steps_).succeeded);
  ExpectNothingLeft();
}

TEST_F(ConvertCommand, AMissingStepIsReportedAsIncompleteNotAsConverted) {
  steps_.convertUnitSetup = nullptr;
  const ConversionOutcome outcome = OnConvert(input_, state_, steps_);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_TRUE(outcome.incomplete);
  EXPECT_EQ(recorder_.Trace(), (Trace{"busy+", "busy-"}));
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"plant.lqt"}));
  ExpectNothingLeft();
}

}  // namespace
