#include "tool_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "test_files.h"

namespace {

// Reads what arrives on both descriptors until both are closed (a terminal's side reports EIO).
void Drain(int outFd, int errFd, ToolRun& run, const ToolSetting& setting, pid_t child) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, 30000) <= 0) throw std::runtime_error("the program produced nothing for 30 s");
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
        if (i == 0 && setting.whileRunning) setting.whileRunning(child, run.out);
      } else if (got == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

ToolRun RunTool(const std::string& name, const std::vector<std::string>& arguments, const ToolSetting& setting) {
  const std::string program = (testfiles::BinaryFolder() / name).string();
  int outPipe[2];
  int errFds[2];  // [0] ours, [1] the child's
  if (::pipe(outPipe) != 0) throw std::runtime_error("pipe");
  if (setting.onTerminal) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    if (::openpty(&errFds[0], &errFds[1], nullptr, nullptr, &size) != 0) throw std::runtime_error("openpty");
  } else if (::pipe(errFds) != 0) {
    throw std::runtime_error("pipe");
  }
  const pid_t child = ::fork();
  if (child == 0) {
    if (setting.onTerminal) ::setsid();
    const int nothing = ::open("/dev/null", O_RDONLY);
    ::dup2(nothing, 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errFds[1], 2);
    for (const int fd : {nothing, outPipe[0], outPipe[1], errFds[0], errFds[1]}) ::close(fd);
    for (const auto& [name, value] : setting.environment) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errFds[1]);
  ToolRun run;
  Drain(outPipe[0], errFds[0], run, setting, child);
  int status = 0;
  ::waitpid(child, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}
