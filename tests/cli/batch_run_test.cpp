// Jobs on several threads, results in the order of the inputs, a stop, a throwing job.
#include "cli/batch_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <regex>
#include <thread>

#include "app/message_catalog.h"
#include "platform_double.h"

namespace {

// A FILE of our own that reads back what was written to it.
class CapturedStream {
 public:
  CapturedStream() : file_(std::tmpfile()) {}
  ~CapturedStream() { std::fclose(file_); }
  std::FILE* get() const { return file_; }
  std::string Text() const {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) text.append(buffer, got);
    return text;
  }

 private:
  std::FILE* file_;
};

std::vector<BatchInput> Inputs(int count) {
  std::vector<BatchInput> inputs;
  for (int i = 0; i < count; ++i) inputs.push_back({"p" + std::to_string(i), {}});
  return inputs;
}

TEST(BatchRun, ResultsComeOutWholeInInputOrderWhateverFinishesFirst) {
  const std::vector<BatchInput> inputs = Inputs(8);
  CapturedStream out, err;
  BatchConsole console;
  console.standardOutput = out.get();
  console.standardError = err.get();
  std::atomic<int> running{0};
  std::atomic<int> mostAtOnce{0};
  const BatchOutcome outcome = RunBatch(
      inputs, 4,
      [&](const BatchInput& input) {
        const int now = ++running;
        for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {
        }
        const int index = std::stoi(input.path.substr(1));
        // The first inputs take longest, so later ones finish first.
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * (8 - index)));
        --running;
        JobResult result;
        result.verdict = index % 3 == 0 ? Verdict::Refused : index % 3 == 1 ? Verdict::Succeeded : Verdict::Failed;
        result.standardOutput = input.path + " out 1\n" + input.path + " out 2\n";
        result.standardError = input.path + " err\n";
        return result;
      },
      console);
  std::string expectedOut, expectedErr;
  for (const BatchInput& input : inputs) {
    expectedOut += input.path + " out 1\n" + input.path + " out 2\n";
    expectedErr += input.path + " err\n";
  }
  EXPECT_EQ(out.Text(), expectedOut);
  EXPECT_EQ(err.Text(), expectedErr);
  EXPECT_GT(mostAtOnce.load(), 1);
  EXPECT_LE(mostAtOnce.load(), 4);
  EXPECT_EQ(outcome.succeeded, 3u);
  EXPECT_EQ(outcome.refused, 3u);
  EXPECT_EQ(outcome.failed, 2u);
  EXPECT_EQ(outcome.notRun, 0u);
  EXPECT_EQ(outcome.unsuccessful, (std::vector<std::pair<Verdict, std::string>>{{Verdict::Refused, "p0"},
                                                                                {Verdict::Failed, "p2"},
                                                                                {Verdict::Refused, "p3"},
                                                                                {Verdict::Failed, "p5"},
                                                                                {Verdict::Refused, "p6"}}));
}

TEST(BatchRun, InputsWithTheSameTurnKeyRunOneAfterAnotherInOrder) {
  const std::vector<BatchInput> inputs = {{"a1", {}}, {"b1", {}}, {"a2", {}}, {"a3", {}}, {"b2", {}}, {"c1", {}}};
  CapturedStream out, err;
  BatchConsole console;
  console.standardOutput = out.get();
  console.standardError = err.get();
  console.turnKey = [](const BatchInput& input) { return input.path.substr(0, 1); };
  std::mutex lock;
  std::vector<std::string> events;
  const auto note = [&](const std::string& event) {
    const std::lock_guard<std::mutex> guard(lock);
    events.push_back(event);
  };
  RunBatch(
      inputs, 4,
      [&](const BatchInput& input) {
        note("start " + input.path);
        // The first of each key takes longest: without turns, later ones would overtake it.
        std::this_thread::sleep_for(std::chrono::milliseconds(input.path.back() == '1' ? 60 : 5));
        note("end " + input.path);
        return JobResult{Verdict::Succeeded, input.path + "\n", {}};
      },
      console);
  const auto at = [&](const std::string& event) { return std::find(events.begin(), events.end(), event) - events.begin(); };
  EXPECT_LT(at("end a1"), at("start a2"));
  EXPECT_LT(at("end a2"), at("start a3"));
  EXPECT_LT(at("end b1"), at("start b2"));
  EXPECT_LT(at("start b1"), at("end a1"));  // other keys do not wait
  EXPECT_EQ(out.Text(), "a1\nb1\na2\na3\nb2\nc1\n");
}

TEST(BatchRun, AStopLetsTheRunningJobsEndAndStartsNoMore) {
  const std::vector<BatchInput> inputs = Inputs(10);
  CapturedStream out, err;
  BatchConsole console;
  console.standardOutput = out.get();
  console.standardError = err.get();
  std::atomic<int> started{0};
  console.stopRequested = [&] { return started >= 3; };
  const BatchOutcome outcome = RunBatch(
      inputs, 1,
      [&](const BatchInput& input) {
        ++started;
        JobResult result;
        result.verdict = Verdict::Succeeded;
        result.standardOutput = input.path + "\n";
        return result;
      },
      console);
  EXPECT_EQ(out.Text(), "p0\np1\np2\n");
  EXPECT_EQ(outcome.succeeded, 3u);
  EXPECT_EQ(outcome.notRun, 7u);
}

TEST(BatchRun, AThrowingJobFailsAloneOnThePlatformOfTheCaller) {
  PlatformDouble platform;
  platform.nationCode = "XX";
  const std::vector<BatchInput> inputs = Inputs(3);
  CapturedStream out, err;
  BatchConsole console;
  console.standardOutput = out.get();
  console.standardError = err.get();
  const BatchOutcome outcome = RunBatch(
      inputs, 2,
      [&](const BatchInput& input) -> JobResult {
        if (input.path == "p1") throw std::runtime_error("broken");
        JobResult result;
        result.verdict = Verdict::Succeeded;
        result.standardOutput = input.path + " " + platform::UserNationCode() + "\n";
        return result;
      },
      console);
  EXPECT_EQ(out.Text(), "p0 XX\np2 XX\n");
  EXPECT_EQ(err.Text(), "tqconv: p1: An unexpected error occurred.\n");
  EXPECT_EQ(outcome.failed, 1u);
  EXPECT_EQ(outcome.succeeded, 2u);
}

TEST(BatchRun, TheProgressLineIsClearedBeforeEveryResultAndAtTheEnd) {
  const std::vector<BatchInput> inputs = Inputs(3);
  CapturedStream out, err;
  BatchConsole console;
  console.standardOutput = out.get();
  console.standardError = err.get();
  console.progress = true;
  RunBatch(
      inputs, 1,
      [&](const BatchInput& input) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        JobResult result;
        result.verdict = Verdict::Refused;
        result.standardError = "tqconv: " + input.path + ": refused\n";
        return result;
      },
      console);
  const std::string text = err.Text();
  EXPECT_NE(text.find("\rtqconv: 0/3 0:00 p0\x1b[K"), std::string::npos) << text;
  // Without the drawings and their erasures, the results stand whole, each on its own line.
  EXPECT_EQ(std::regex_replace(text, std::regex("\r[^\r\n\x1b]*\x1b\\[K"), ""),
            "tqconv: p0: refused\ntqconv: p1: refused\ntqconv: p2: refused\n");
}

}  // namespace
