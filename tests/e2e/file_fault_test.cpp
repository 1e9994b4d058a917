// Every file call of a whole conversion failed in turn. The platform double counts the calls of
// each kind that a fault-free Convert command makes on a text and on a packed sample; then each
// call N of each kind fails once (round 1), fails from N on as a full disk would (round 2), and
// is preceded by a stop request as SIGINT would make it (round 3). A third configuration has a
// killed run's working directory in the temporary folder, so that the sweep's calls are failed
// too (the sweep may then leave that directory; it never fails the conversion). After every run
// the input is
// as it was, the output is whole or absent, nothing of the conversion is left beside the input or
// in the temporary folder (unless deleting was what failed), and no exception escaped.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pipeline/convert_command.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

enum class Round { FailOnce, FailFromThenOn, StopBefore };
const char* RoundName(Round round) {
  switch (round) {
    case Round::FailOnce: return "once";
    case Round::FailFromThenOn: return "from then on";
    case Round::StopBefore: return "stop before";
  }
  return "";
}

struct Totals {
  int runs = 0;
  int recovered = 0;  // succeeded in spite of the fault, with the fault-free output
  int refused = 0;    // failed with a message
  int stopped = 0;    // round 3: ended by the stop, with nothing left
  int leftOvers = 0;  // working directories left because deleting or listing failed
  std::vector<std::string> unsafe;
};

// A deleted, unlisted or unremoved entry is the one thing that may leave a working directory. On
// Windows a read-only file is deleted only once its bit is cleared (DeleteFileW refuses it), so
// reading and clearing the bit are part of deleting there.
bool MayLeaveAWorkingDirectory(PlatformCall call) {
#ifdef _WIN32
  if (call == PlatformCall::GetFileAttributes || call == PlatformCall::SetReadOnly) return true;
#endif
  return call == PlatformCall::DeleteFile || call == PlatformCall::RemoveDirectory ||
         call == PlatformCall::ListDirectory;
}

struct FileState {
  std::string bytes;
  fs::file_type type = fs::file_type::none;
  fs::perms mode = fs::perms::none;  // on Windows: the read-only attribute
  fs::file_time_type modified;
  bool operator==(const FileState&) const = default;
};

FileState StateOf(const fs::path& path) {
  const fs::file_status status = fs::symlink_status(path);
  return {testfiles::Read(path), status.type(), status.permissions(), fs::last_write_time(path)};
}

// The directory a killed run leaves: its staged project and its lock file, which no one holds.
constexpr const char* kKilledRun = "_HexXmlConv_Cache_7";
void LeaveAKilledRun() {
  const fs::path folder = testfiles::TempFolder() / kKilledRun;
  fs::remove_all(folder);
  fs::create_directory(folder);
  testfiles::Write(folder / "temp_project.lqt", "staged");
  testfiles::Write(folder / "conversion.lock", "");
}

class FaultedConversion {
 public:
  FaultedConversion(const std::string& sample, bool killedRunBeside) : killedRunBeside_(killedRunBeside) {
    folder_ = testfiles::MakeFolder("input folder " + sample + (killedRunBeside ? " beside a killed run" : ""));
    input_ = folder_ / sample;
    fs::copy_file(testfiles::Source("samples/" + sample), input_);
    fs::permissions(input_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);  // read-only
    before_ = StateOf(input_);
    const auto dot = sample.rfind('.');
    expectedName_ = sample.substr(0, dot) + "_converted" + sample.substr(dot);
  }

  // One whole Convert command with the double set up by configure; counts has the calls made.
  struct Run {
    ConversionOutcome outcome;
    std::vector<std::string> messages;
    std::array<int, kPlatformCallKinds> counts{};
    bool threw = false;
    bool stateReleased = false;
  };
  template <typename Configure>
  Run Convert(Configure configure) {
    Run run;
    if (killedRunBeside_) LeaveAKilledRun();
    {
      PlatformDouble platform;
      platform.tickCount = 20260301;
      platform.today = platform::LocalDate{2026, 3, 1};
      platform.syncToDevice = false;  // each sync is counted and failed in turn, but not waited for
      configure(platform);
      RecordingUserInterface recorder;
      ConversionState state;
      try {
        run.outcome = OnConvert(input_.string(), state);
      } catch (...) {
        run.threw = true;
      }
      run.messages = recorder.MessageKeys();
      for (int kind = 0; kind < kPlatformCallKinds; ++kind) run.counts[kind] = platform.Calls(static_cast<PlatformCall>(kind));
      run.stateReleased = state.m_workDir.empty() && !state.UnitSetupSlot && !state.m_workDirLock;
    }
    platform::ClearStopRequest();
    return run;
  }

  // The checks after one run; what is left is removed so that the next run starts the same.
  void Check(const Run& run, PlatformCall call, int n, Round round, Totals& totals) {
    ++totals.runs;
    std::vector<std::string> problems;
    if (run.threw) problems.push_back("an exception escaped OnConvert");
    if (!run.stateReleased) problems.push_back("the conversion state was not released");
    if (!(StateOf(input_) == before_)) problems.push_back("the input changed");

    const fs::path output = folder_ / expectedName_;
    if (run.outcome.succeeded) {
      if (run.outcome.outputPath != output.string()) {
        problems.push_back("output under another name: " + run.outcome.outputPath);
      } else if (!fs::exists(output) || testfiles::Read(output) != expected_) {
        problems.push_back("the output differs from the fault-free one");
      }
    } else if (round != Round::StopBefore && run.messages.empty()) {
      problems.push_back("failed without a message");
    }
    if (round == Round::StopBefore) {
      if (!run.outcome.stopped) problems.push_back("not reported as stopped");
      for (const std::string& key : run.messages) problems.push_back("a stopped conversion showed " + key);
    }
    for (const std::string& name : testfiles::List(folder_)) {
      if (name != input_.filename().string() && !(run.outcome.succeeded && name == expectedName_)) {
        problems.push_back("left beside the input: " + name);
        testfiles::RemoveTree(folder_ / name);
      }
    }
    for (const std::string& name : testfiles::List(testfiles::TempFolder())) {
      if (name.rfind("input folder ", 0) == 0) continue;
      if (killedRunBeside_ && name == kKilledRun) continue;  // a failed sweep may leave it
      if (round != Round::StopBefore && MayLeaveAWorkingDirectory(call) && name.rfind("_HexXmlConv_Cache_", 0) == 0) {
        ++totals.leftOvers;
      } else {
        problems.push_back("left in the temporary folder: " + name);
      }
      testfiles::RemoveTree(testfiles::TempFolder() / name);
    }

    if (!problems.empty()) {
      std::string line = std::string(PlatformCallName(call)) + " #" + std::to_string(n) + " (" + RoundName(round) + "):";
      for (const auto& problem : problems) line += " " + problem + ";";
      line += " messages:";
      for (const auto& key : run.messages) line += " " + key;
      totals.unsafe.push_back(input_.filename().string() + (killedRunBeside_ ? " beside a killed run: " : ": ") + line);
    } else if (round == Round::StopBefore) {
      ++totals.stopped;
    } else if (run.outcome.succeeded) {
      ++totals.recovered;
    } else {
      ++totals.refused;
    }
    if (fs::exists(output)) fs::remove(output);
  }

  void SetExpected(const std::string& bytes) { expected_ = bytes; }
  fs::path output() const { return folder_ / expectedName_; }

 private:
  bool killedRunBeside_;
  fs::path folder_;
  fs::path input_;
  FileState before_;
  std::string expectedName_;
  std::string expected_;
};

// Kinds that are no file call, or whose failure the conversion answers with a changed but
// successful output (an unknown date leaves the template's placeholders, with MsgLocalTimeFail).
bool Exercised(PlatformCall call) { return call != PlatformCall::Today && call != PlatformCall::CopyFile; }

void FaultEveryCall(const std::string& sample, bool killedRunBeside, Totals& totals) {
  FaultedConversion conversion(sample, killedRunBeside);
  const FaultedConversion::Run clean = conversion.Convert([](PlatformDouble&) {});
  ASSERT_TRUE(clean.outcome.succeeded) << sample;
  ASSERT_FALSE(fs::exists(testfiles::TempFolder() / kKilledRun)) << "the fault-free sweep left the killed run's directory";
  conversion.SetExpected(testfiles::Read(conversion.output()));
  fs::remove(conversion.output());

  std::string counts;
  for (int kind = 0; kind < kPlatformCallKinds; ++kind) {
    if (clean.counts[kind] != 0) counts += " " + std::string(PlatformCallName(static_cast<PlatformCall>(kind))) + "=" + std::to_string(clean.counts[kind]);
  }
  std::printf("%s%s, fault-free calls:%s\n", sample.c_str(), killedRunBeside ? " beside a killed run" : "",
              counts.c_str());

  for (int kind = 0; kind < kPlatformCallKinds; ++kind) {
    const auto call = static_cast<PlatformCall>(kind);
    if (!Exercised(call)) continue;
    for (int n = 1; n <= clean.counts[kind]; ++n) {
      for (const Round round : {Round::FailOnce, Round::FailFromThenOn, Round::StopBefore}) {
        const FaultedConversion::Run run = conversion.Convert([&](PlatformDouble& platform) {
          if (round == Round::StopBefore) {
            platform.StopAtNth(call, n);
          } else {
            platform.FailNth(call, n, round == Round::FailFromThenOn);
          }
        });
        conversion.Check(run, call, n, round, totals);
      }
    }
  }
}

TEST(EveryFileFault, EveryCallOfEveryKindFailsOnceFromThenOnAndStops) {
  Totals totals;
  for (const auto& [sample, killedRunBeside] : {std::pair{"plant.lqt", false}, {"press.lqp", false}, {"plant.lqt", true}}) {
    FaultEveryCall(sample, killedRunBeside, totals);
    if (HasFatalFailure()) return;
  }
  std::printf("fault runs: %d, recovered: %d, refused: %d, stopped: %d, left-overs after failed deletes: %d, unsafe: %zu\n",
              totals.runs, totals.recovered, totals.refused, totals.stopped, totals.leftOvers, totals.unsafe.size());
  for (std::size_t i = 0; i < totals.unsafe.size() && i < 60; ++i) ADD_FAILURE() << totals.unsafe[i];
  EXPECT_TRUE(totals.unsafe.empty());
}

}  // namespace
