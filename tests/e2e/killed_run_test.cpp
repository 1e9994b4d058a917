// tqconv as a real child process, stopped half-way: by SIGKILL (the next conversion sweeps what it
// left), by SIGINT and SIGTERM (it cleans up itself and exits with 130 or 143), and side by side
// with another tqconv that must not touch its working directory. The child converts a project of
// about 60 MB, which takes a few seconds: the test polls for the moment it waits for (the
// working directory, the hidden temporary file beside the input) and signals it then.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "test_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The bundled plant sample with its program grown to about 60 MB of rungs.
fs::path LargeProject(const fs::path& folder) {
  std::string text = testfiles::Read(testfiles::Source("samples/plant.lqt"));
  const std::string line = "      LD X0; AND X1; OUT Y2;\r\n";
  std::string rungs;
  rungs.reserve(60u << 20);
  while (rungs.size() < (60u << 20)) rungs += line;
  text.insert(text.find("      (* rung 0 *)"), rungs);
  const fs::path path = folder / "large.lqt";
  testfiles::Write(path, text);
  return path;
}

class Child {
 public:
  explicit Child(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {(testfiles::BinaryFolder() / "tqconv").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = (testfiles::TempFolder() / "child.out").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child starts with the default actions whatever this process ignores.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    EXPECT_EQ(posix_spawn(&pid_, pointers[0], &actions, &attributes, pointers.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  ~Child() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  void Signal(int signal) const { ::kill(pid_, signal); }
  bool Running() {
    if (status_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    return !status_;
  }
  int Wait() {
    if (!status_) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
      status_ = status;
    }
    return *status_;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// The first entry of the folder whose name starts so, polled until it appears or the child ends.
std::optional<fs::path> AwaitEntry(Child& child, const fs::path& folder, const std::string& start,
                                   const std::string& inside = {}) {
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (Clock::now() < deadline && child.Running()) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(start, 0) != 0) continue;
      if (inside.empty() || fs::exists(entry.path() / inside)) return entry.path();
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return std::nullopt;
}

std::vector<std::string> WorkDirectories() {
  std::vector<std::string> found;
  for (const std::string& name : testfiles::List(testfiles::TempFolder())) {
    if (name.rfind("_HexXmlConv_Cache_", 0) == 0) found.push_back(name);
  }
  return found;
}

int RunToTheEnd(const std::vector<std::string>& arguments) { return Child(arguments).Wait(); }

class KilledRun : public testing::Test {
 protected:
  void SetUp() override { UseFolder(testfiles::MakeFolder("projects")); }
  void TearDown() override {
    if (!otherFileSystem_.empty()) fs::remove_all(otherFileSystem_);
  }
  void UseFolder(const fs::path& folder) {
    folder_ = folder;
    large_ = LargeProject(folder_);
    small_ = folder_ / "plant.lqt";
    fs::copy_file(testfiles::Source("samples/plant.lqt"), small_);
  }
  // The projects on another file system than the working folder's, where the merged project is
  // copied beside the input rather than moved there: the final copy lasts long enough to be seen.
  bool UseAnotherFileSystem() {
    char name[] = "/dev/shm/killed-run-XXXXXX";
    if (!fs::is_directory("/dev/shm") || ::mkdtemp(name) == nullptr) return false;
    otherFileSystem_ = name;
    UseFolder(otherFileSystem_);
    return true;
  }
  fs::path folder_, large_, small_;
  fs::path otherFileSystem_;
};

TEST_F(KilledRun, ASigkilledRunsWorkingDirectoryIsSweptByTheNextConversion) {
  {
    Child child({"convert", "--quiet", large_.string()});
    const auto workDir = AwaitEntry(child, testfiles::TempFolder(), "_HexXmlConv_Cache_", "temp_project.lqt");
    ASSERT_TRUE(workDir) << "the conversion ended before its working directory was seen";
    child.Signal(SIGKILL);
    const int status = child.Wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    // What a killed run leaves: its directory, with the lock file no one holds any more.
    EXPECT_TRUE(fs::exists(*workDir / "conversion.lock"));
    EXPECT_EQ(WorkDirectories().size(), 1u);
  }
  const int status = RunToTheEnd({"convert", "--quiet", small_.string()});
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(WorkDirectories(), std::vector<std::string>{});
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"large.lqt", "plant.lqt", "plant_converted.lqt"}));
}

TEST_F(KilledRun, ASigkillDuringTheFinalCopyLeavesOnlyTheHiddenTemporary) {
  if (!UseAnotherFileSystem()) GTEST_SKIP() << "no second file system at /dev/shm";
  {
    Child child({"convert", "--quiet", large_.string()});
    const auto temporary = AwaitEntry(child, folder_, ".large_converted.lqt.");
    ASSERT_TRUE(temporary) << "the conversion ended before its temporary file was seen";
    child.Signal(SIGKILL);
    child.Wait();
  }
  // The next conversion sweeps the working directory; the temporary beside the input is in the
  // user's folder, and stays (the README says so).
  EXPECT_EQ(WIFEXITED(RunToTheEnd({"convert", "--quiet", small_.string()})), true);
  EXPECT_EQ(WorkDirectories(), std::vector<std::string>{});
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{".large_converted.lqt.1.tmp", "large.lqt", "plant.lqt",
                                                                 "plant_converted.lqt"}));
}

TEST_F(KilledRun, SigintAndSigtermStopTheConversionWhichLeavesNothing) {
  if (!UseAnotherFileSystem()) GTEST_SKIP() << "no second file system at /dev/shm";
  for (const int signal : {SIGINT, SIGTERM}) {
    // Half-way through, and during the final copy; a later FILE is not converted (one job at a
    // time: with more, a later FILE may be under way or done already).
    for (const std::string waitFor : {"working directory", "temporary"}) {
      SCOPED_TRACE(std::to_string(signal) + " at the " + waitFor);
      Child child({"convert", "-j", "1", large_.string(), small_.string()});
      const auto seen = waitFor == "temporary"
                            ? AwaitEntry(child, folder_, ".large_converted.lqt.")
                            : AwaitEntry(child, testfiles::TempFolder(), "_HexXmlConv_Cache_", "temp_project.lqt");
      ASSERT_TRUE(seen) << "the conversion ended before the moment was seen";
      child.Signal(signal);
      const int status = child.Wait();
      EXPECT_TRUE(WIFEXITED(status)) << status;
      EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
      EXPECT_EQ(WorkDirectories(), std::vector<std::string>{});
      EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"large.lqt", "plant.lqt"}));
      EXPECT_EQ(testfiles::Read(testfiles::TempFolder() / "child.out"), "");
    }
  }
}

TEST_F(KilledRun, TwoProcessesAtOnceLeaveEachOthersDirectoryAlone) {
  Child first({"convert", "--quiet", large_.string()});
  const auto workDir = AwaitEntry(first, testfiles::TempFolder(), "_HexXmlConv_Cache_", "temp_project.lqt");
  ASSERT_TRUE(workDir);
  const int second = RunToTheEnd({"convert", "--quiet", small_.string()});  // it sweeps: the first is live
  EXPECT_TRUE(WIFEXITED(second) && WEXITSTATUS(second) == 0);
  ASSERT_TRUE(first.Running()) << "the first conversion ended too soon to tell";
  EXPECT_TRUE(fs::exists(*workDir / "temp_project.lqt"));
  const int status = first.Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(WorkDirectories(), std::vector<std::string>{});
  EXPECT_EQ(testfiles::List(folder_),
            (std::vector<std::string>{"large.lqt", "large_converted.lqt", "plant.lqt", "plant_converted.lqt"}));
  EXPECT_GT(fs::file_size(folder_ / "large_converted.lqt"), 60u << 20);
}

}  // namespace
