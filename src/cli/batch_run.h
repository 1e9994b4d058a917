// Running one job per project on several threads at once, with the results printed whole and in
// the order of the inputs, whichever finishes first.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/batch_inputs.h"

// Stopped: a stop was asked for while it ran; it cleaned up and said nothing.
enum class Verdict { Succeeded, Refused, Failed, Stopped };

// What one job leaves for the console: whole lines for stdout and for stderr.
struct JobResult {
  Verdict verdict = Verdict::Failed;
  std::string standardOutput;
  std::string standardError;
};

// Runs on a worker thread with the platform of the thread that started the batch. It installs
// whatever else it needs (its UserInterface) for its own thread.
using BatchJob = std::function<JobResult(const BatchInput& input)>;

struct BatchOutcome {
  std::size_t succeeded = 0;
  std::size_t refused = 0;
  std::size_t failed = 0;
  std::size_t notRun = 0;                                     // not begun or not finished when a stop was asked for
  std::vector<std::pair<Verdict, std::string>> unsuccessful;  // refused and failed paths, in input order
  std::chrono::steady_clock::duration elapsed{};
};

struct BatchConsole {
  std::FILE* standardOutput = stdout;
  std::FILE* standardError = stderr;
  bool progress = false;     // draw the progress line on standardError
  std::size_t columns = 80;  // the terminal's width, for the progress line
  // Asked before each job starts; true ends the batch once the running jobs are done.
  std::function<bool()> stopRequested;
  // Inputs with the same key run one after another in input order (those whose outputs would
  // compete for one name, so that each gets the name a run of one job at a time gives it).
  std::function<std::string(const BatchInput&)> turnKey;
};

// Runs the job for every input, jobs at a time (at least one; never more threads than inputs).
BatchOutcome RunBatch(const std::vector<BatchInput>& inputs, unsigned jobs, const BatchJob& job,
                      const BatchConsole& console);

// The number of jobs when none is asked for: the processors this machine has, at least one.
unsigned DefaultJobCount();
