// A stop asked for from outside: SIGINT or SIGTERM on POSIX, Ctrl+C, Ctrl+Break or closing the
// console on Windows. This unit holds the one process-wide flag; the handler only sets it, the
// native file operations look at it and throw Stopped, and the Convert command's outer handler
// ends the conversion with its clean-up. While no conversion runs there is nothing to clean up,
// and the handler ends the program at once with the same status.
#pragma once

namespace platform {

// Thrown by the file operations that create or carry data (open, create, read, write, make a
// folder, publish, create a lock) once a stop was asked for. It is no error, so it derives from
// no standard exception: handlers that report errors let it pass, and only the Convert command
// (and the front ends' own file commands) catch it. Deleting, listing and attribute calls never
// throw it, so clean-up always runs to its end.
class Stopped {};

// Installs the handlers: the first signal asks the running conversion to stop (or ends an idle
// program with 128 + signal); a second one ends the program by the signal's default action, so
// a stuck program can still be killed.
void InstallStopHandlers();

// The signal that asked for a stop (SIGINT 2 or SIGTERM 15), or 0.
int StopSignal();
// 128 + StopSignal(): 130 for SIGINT, 143 for SIGTERM.
int StopExitStatus();
// Asks for a stop as the signal would (the handler's own step; tests use it too).
void RequestStop(int signal);
// Forgets an earlier request; for tests that run several stopped conversions in one process.
void ClearStopRequest();
// Throws Stopped when a stop was asked for.
void ThrowIfStopRequested();

// Marks a conversion as running while in scope: a signal then asks it to stop instead of ending
// the program. Scopes may nest and run on several threads at once.
class StoppableWork {
 public:
  StoppableWork();
  ~StoppableWork();
  StoppableWork(const StoppableWork&) = delete;
  StoppableWork& operator=(const StoppableWork&) = delete;
};

}  // namespace platform
