// Conversions running at once in one process, each thread with its own ConversionState (as the
// batch front end will run them): names taken in the same millisecond give way to the next, and
// no conversion's sweep touches another's live working directory.
#include <gtest/gtest.h>

#include <barrier>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "pipeline/convert_command.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  ConversionOutcome outcome;
  std::vector<std::string> messages;
  std::string workDir;  // the working directory it had, seen from inside
};

// One conversion on this thread, with the tick count and date fixed.
Result ConvertOnThisThread(const fs::path& input, ConversionSteps steps) {
  PlatformDouble platform;
  platform.tickCount = 123456;
  platform.today = platform::LocalDate{2026, 3, 1};
  RecordingUserInterface recorder;
  ConversionState state;
  Result result;
  const auto validate = steps.validateAndPrepareProject;
  steps.validateAndPrepareProject = [&, validate](const std::string& staged) {
    result.workDir = state.m_workDir;
    return validate(staged);
  };
  result.outcome = OnConvert(input.string(), state, steps);
  result.messages = recorder.MessageKeys();
  return result;
}

fs::path CopyOfPlant(const std::string& folder) {
  const fs::path path = testfiles::MakeFolder(folder) / "plant.lqt";
  fs::copy_file(testfiles::Source("samples/plant.lqt"), path);
  return path;
}

// Holds each arriving thread until all have arrived, or for at most a minute, so that one that
// fails early shows as a failure rather than a hang.
class Gathering {
 public:
  explicit Gathering(int expected) : expected_(expected) {}
  void ArriveAndWait() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    everyone_.notify_all();
    everyone_.wait_for(lock, std::chrono::minutes(1), [this] { return arrived_ >= expected_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable everyone_;
  int expected_;
  int arrived_ = 0;
};

bool NoWorkDirectoryLeft() {
  for (const std::string& name : testfiles::List(testfiles::TempFolder())) {
    if (name.rfind("_HexXmlConv_Cache_", 0) == 0) return false;
  }
  return true;
}

TEST(ConcurrentConversions, ManyStartedInTheSameMillisecondAllSucceed) {
  constexpr int kConversions = 12;
  std::vector<fs::path> inputs;
  for (int i = 0; i < kConversions; ++i) inputs.push_back(CopyOfPlant("job " + std::to_string(i)));
  std::barrier start(kConversions);
  // A conversion that ended before another took its name would free the name for it: all are
  // held once their working directories exist, so the twelve are live at once.
  Gathering allLive(kConversions);
  std::vector<std::future<Result>> running;
  for (int i = 0; i < kConversions; ++i) {
    running.push_back(std::async(std::launch::async, [&, i] {
      ConversionSteps steps = DefaultConversionSteps();
      const auto create = steps.createWorkDirectory;
      steps.createWorkDirectory = [&, create](std::string& workDir, std::unique_ptr<platform::FileLock>& lock) {
        start.arrive_and_wait();  // every one reads the same tick count, at the same moment
        return create(workDir, lock);
      };
      const auto validate = steps.validateAndPrepareProject;
      steps.validateAndPrepareProject = [&, validate](const std::string& staged) {
        allLive.ArriveAndWait();
        return validate(staged);
      };
      return ConvertOnThisThread(inputs[i], steps);
    }));
  }
  std::set<std::string> workDirs;
  std::string firstOutput;
  for (int i = 0; i < kConversions; ++i) {
    const Result result = running[i].get();
    EXPECT_TRUE(result.outcome.succeeded) << i;
    EXPECT_EQ(result.messages, std::vector<std::string>{}) << i;
    workDirs.insert(fs::path(result.workDir).filename().string());
    const std::string output = testfiles::Read(result.outcome.outputPath);
    if (i == 0) firstOutput = output;
    EXPECT_EQ(output, firstOutput) << i;
  }
  std::set<std::string> expected;
  for (int i = 0; i < kConversions; ++i) expected.insert("_HexXmlConv_Cache_" + std::to_string(123456 + i));
  EXPECT_EQ(workDirs, expected);
  EXPECT_TRUE(NoWorkDirectoryLeft());
}

TEST(ConcurrentConversions, NoneTouchesAnothersLiveDirectory) {
  const fs::path first = CopyOfPlant("first");
  const fs::path second = CopyOfPlant("second");
  std::promise<void> secondDone;
  std::shared_future<void> secondDoneSeen = secondDone.get_future().share();
  std::promise<std::string> firstWorking;
  std::vector<std::string> firstFiles;

  // The first conversion stops half-way until the second has run from start to end, sweep and
  // clean-up included, with the same tick count.
  std::future<Result> firstRun = std::async(std::launch::async, [&] {
    ConversionSteps steps = DefaultConversionSteps();
    const auto extract = steps.extractPlcSections;
    steps.extractPlcSections = [&, extract](ConversionSteps::Slot& slot, const std::string& staged, std::string& config,
                                            std::string& io, std::string& settings) {
      firstWorking.set_value(fs::path(staged).parent_path().string());
      secondDoneSeen.wait();
      firstFiles = testfiles::List(fs::path(staged).parent_path());
      return extract(slot, staged, config, io, settings);
    };
    return ConvertOnThisThread(first, steps);
  });
  const std::string firstWorkDir = firstWorking.get_future().get();
  const Result secondResult = ConvertOnThisThread(second, DefaultConversionSteps());
  EXPECT_TRUE(fs::exists(firstWorkDir));
  secondDone.set_value();
  const Result firstResult = firstRun.get();

  EXPECT_TRUE(secondResult.outcome.succeeded);
  EXPECT_TRUE(firstResult.outcome.succeeded);
  EXPECT_NE(firstResult.workDir, secondResult.workDir);
  EXPECT_EQ(firstFiles, (std::vector<std::string>{"conversion.lock", "temp_project.lqt"}));
  EXPECT_EQ(testfiles::Read(firstResult.outcome.outputPath), testfiles::Read(secondResult.outcome.outputPath));
  EXPECT_TRUE(NoWorkDirectoryLeft());
}

}  // namespace
