#include "platform/stop_request.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {
namespace {

// The only global state of the stop: which signal asked for it, and how many conversions run.
// Both are lock-free atomics, which a signal handler may read and write.
std::atomic<int> stopSignal{0};
std::atomic<int> runningWork{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

#ifdef _WIN32

constexpr int kInterrupt = 2;   // SIGINT
constexpr int kTerminate = 15;  // SIGTERM

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const int signal = (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) ? kInterrupt : kTerminate;
  if (runningWork.load() == 0) ::ExitProcess(static_cast<UINT>(128 + signal));
  int expected = 0;
  // A second event: the default handler ends the process.
  if (!stopSignal.compare_exchange_strong(expected, signal)) return FALSE;
  if (signal == kTerminate) {
    // Closing the console ends the process when this handler returns (and at the latest after
    // five seconds): wait for the conversion's clean-up, then end with its status ourselves.
    for (int waited = 0; runningWork.load() != 0 && waited < 4500; waited += 20) ::Sleep(20);
    ::ExitProcess(static_cast<UINT>(128 + signal));
  }
  return TRUE;  // Ctrl+C: the main thread stops the conversion and exits with 130
}

#else

void OnStopSignal(int signal) {
  if (runningWork.load() == 0) ::_exit(128 + signal);  // idle: nothing to clean up
  int expected = 0;
  if (!stopSignal.compare_exchange_strong(expected, signal)) {
    // Asked twice: the default action, so that a program stuck in its clean-up still ends.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
  }
}

#endif

}  // namespace

void InstallStopHandlers() {
#ifdef _WIN32
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  ::sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking call returns EINTR, and the retry looks at the flag.
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction inherited {};
    // A signal ignored from the start (a job started with nohup or in the background) stays so.
    if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
#endif
}

int StopSignal() { return stopSignal.load(); }

int StopExitStatus() { return 128 + StopSignal(); }

void RequestStop(int signal) {
  int expected = 0;
  stopSignal.compare_exchange_strong(expected, signal);
}

void ClearStopRequest() { stopSignal.store(0); }

void ThrowIfStopRequested() {
  if (stopSignal.load(std::memory_order_relaxed) != 0) throw Stopped();
}

StoppableWork::StoppableWork() { runningWork.fetch_add(1); }
StoppableWork::~StoppableWork() { runningWork.fetch_sub(1); }

}  // namespace platform
