#include "cli/batch_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "app/message_catalog.h"
#include "cli/console_text.h"
#include "cli/progress_line.h"
#include "platform/platform.h"
#include "platform/stop_request.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often the progress line's clock moves while no job ends.
constexpr std::chrono::seconds kProgressTick{1};
constexpr std::chrono::milliseconds kProgressRedraw{100};

// What the workers and the printing thread share, under one lock.
struct SharedProgress {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::optional<JobResult>> results;
  std::vector<bool> finished;
  std::vector<std::size_t> after;  // the input whose job must finish first, or kNone
  std::size_t done = 0;
  std::size_t latestStarted = 0;
  std::size_t workersRunning = 0;
  bool news = false;
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// For each input, the last earlier input with the same turn key.
std::vector<std::size_t> Turns(const std::vector<BatchInput>& inputs, const BatchConsole& console) {
  std::vector<std::size_t> after(inputs.size(), kNone);
  if (!console.turnKey) return after;
  std::map<std::string, std::size_t> last;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const auto [at, inserted] = last.try_emplace(console.turnKey(inputs[i]), i);
    if (!inserted) after[i] = std::exchange(at->second, i);
  }
  return after;
}

JobResult RunGuarded(const BatchJob& job, const BatchInput& input) {
  try {
    return job(input);
  } catch (const platform::Stopped&) {
    return {Verdict::Stopped, {}, {}};
  } catch (...) {
    // The job reports its own failures; this is the last resort, so that one project's fault
    // never ends the batch.
    JobResult result;
    result.standardError = "tqconv: " + input.path + ": " + LookupMessage("MsgUnexpectedError") + "\n";
    return result;
  }
}

void Work(const std::vector<BatchInput>& inputs, const BatchJob& job, const BatchConsole& console,
          std::atomic<std::size_t>& next, SharedProgress& shared, platform::Platform& platform) {
  const platform::ScopedPlatform samePlatform(platform);
  for (;;) {
    if (console.stopRequested && console.stopRequested()) break;
    const std::size_t index = next.fetch_add(1);
    if (index >= inputs.size()) break;
    {
      // Inputs are taken in order, so the one waited for has been taken already: no cycle.
      std::unique_lock<std::mutex> guard(shared.lock);
      const std::size_t before = shared.after[index];
      shared.changed.wait(guard, [&] { return before == kNone || shared.finished[before]; });
      shared.latestStarted = index;
      shared.news = true;
    }
    shared.changed.notify_all();
    JobResult result = RunGuarded(job, inputs[index]);
    {
      const std::lock_guard<std::mutex> guard(shared.lock);
      shared.finished[index] = true;
      shared.results[index] = std::move(result);
      ++shared.done;
      shared.news = true;
    }
    shared.changed.notify_all();
  }
  {
    const std::lock_guard<std::mutex> guard(shared.lock);
    --shared.workersRunning;
    shared.news = true;
  }
  shared.changed.notify_all();
}

void Print(std::FILE* stream, const std::string& text) {
  WriteText(stream, text);
}

void Tally(BatchOutcome& outcome, const JobResult& result, const std::string& path) {
  switch (result.verdict) {
    case Verdict::Succeeded:
      ++outcome.succeeded;
      return;
    case Verdict::Stopped:
      ++outcome.notRun;
      return;
    case Verdict::Refused:
      ++outcome.refused;
      break;
    case Verdict::Failed:
      ++outcome.failed;
      break;
  }
  outcome.unsuccessful.emplace_back(result.verdict, path);
}

}  // namespace

unsigned DefaultJobCount() { return std::max(1u, std::thread::hardware_concurrency()); }

BatchOutcome RunBatch(const std::vector<BatchInput>& inputs, unsigned jobs, const BatchJob& job,
                      const BatchConsole& console) {
  const Clock::time_point start = Clock::now();
  BatchOutcome outcome;
  SharedProgress shared;
  shared.results.resize(inputs.size());
  shared.finished.resize(inputs.size());
  shared.after = Turns(inputs, console);
  const std::size_t threads = std::min<std::size_t>(std::max(1u, jobs), inputs.size());
  shared.workersRunning = threads;
  std::atomic<std::size_t> next{0};
  platform::Platform& platform = platform::CurrentPlatform();
  // A lone worker allocates from the main heap, which gives back more of what a conversion frees
  // than a heap of the worker's own; workers side by side keep heaps of their own, which they
  // would otherwise take turns at (a parallel batch of small projects ran 5% slower).
  if (threads == 1) platform::AllocateFromOneHeap();
  std::vector<std::thread> workers;
  workers.reserve(threads);
  for (std::size_t i = 0; i < threads; ++i) {
    workers.emplace_back(Work, std::cref(inputs), std::cref(job), std::cref(console), std::ref(next), std::ref(shared),
                         std::ref(platform));
  }

  std::optional<ProgressLine> progress;
  if (console.progress) progress.emplace(console.standardError);
  std::size_t printed = 0;
  Clock::time_point lastDrawn{};
  while (printed < inputs.size()) {
    std::vector<JobResult> ready;
    std::size_t done = 0;
    std::size_t latest = 0;
    bool finished = false;
    {
      std::unique_lock<std::mutex> guard(shared.lock);
      shared.changed.wait_for(guard, kProgressTick, [&] { return shared.news; });
      shared.news = false;
      for (std::size_t i = printed + ready.size(); i < inputs.size() && shared.results[i]; ++i) {
        ready.push_back(std::move(*shared.results[i]));
        shared.results[i].reset();
      }
      done = shared.done;
      latest = shared.latestStarted;
      finished = shared.workersRunning == 0;
    }
    for (JobResult& result : ready) {
      if (progress) progress->Clear();
      Print(console.standardOutput, result.standardOutput);
      Print(console.standardError, result.standardError);
      Tally(outcome, result, inputs[printed].path);
      ++printed;
    }
    // Every worker has ended and the next result is not there: the batch was stopped.
    if (finished && printed < inputs.size() && ready.empty()) {
      std::lock_guard<std::mutex> guard(shared.lock);
      if (!shared.results[printed]) break;
    }
    // Drawn again when a result cleared it, and otherwise at most every kProgressRedraw, so a
    // fast batch does not flood a slow terminal.
    const Clock::time_point now = Clock::now();
    if (progress && printed < inputs.size() && (!ready.empty() || now - lastDrawn >= kProgressRedraw)) {
      const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - start);
      progress->Show(FormatProgressLine(done, inputs.size(), elapsed, inputs[latest].path, console.columns));
      lastDrawn = now;
    }
  }
  for (std::thread& worker : workers) worker.join();
  if (progress) progress->Clear();
  outcome.notRun += inputs.size() - printed;
  outcome.elapsed = Clock::now() - start;
  return outcome;
}
