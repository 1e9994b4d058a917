// RunTool on Windows: the program's .exe with pipes for stdout and stderr and no standard input. Its
// streams are in text mode, as a Windows program's are, so "\r\n" comes back as "\n" here and
// the tests compare the same text on both platforms.
#include <stdexcept>
#include <thread>

#include "platform/platform.h"
#include "test_files.h"
#include "tool_process.h"

#include <windows.h>  // after the platform's header, whose names it would take as macros

namespace {

// The command line as CommandLineToArgvW (and the runtime's wmain) reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::string WithoutCarriageReturns(std::string text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  return plain;
}

struct Pipe {
  HANDLE ours = nullptr;
  HANDLE child = nullptr;
};

Pipe MakeOutputPipe() {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Pipe pipe;
  if (!CreatePipe(&pipe.ours, &pipe.child, &inherit, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(pipe.ours, HANDLE_FLAG_INHERIT, 0);
  return pipe;
}

void ReadAll(HANDLE from, std::string& into) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) into.append(buffer, got);
  CloseHandle(from);
}

}  // namespace

ToolRun RunTool(const std::string& name, const std::vector<std::string>& arguments, const ToolSetting& setting) {
  // A locale or a terminal means nothing to a Windows program: the tests that need them are POSIX only.
  if (setting.onTerminal || setting.whileRunning || !setting.environment.empty()) {
    throw std::logic_error("no locale, terminal or watching on Windows");
  }
  std::wstring command = Quoted((testfiles::BinaryFolder() / (name + ".exe")).wstring());
  for (const std::string& argument : arguments) command += L" " + Quoted(platform::PathFromUtf8(argument).wstring());

  Pipe out = MakeOutputPipe();
  Pipe err = MakeOutputPipe();
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE nothing = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing;
  startup.hStdOutput = out.child;
  startup.hStdError = err.child;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(nothing);
  CloseHandle(out.child);
  CloseHandle(err.child);
  ToolRun run;
  if (!started) {
    CloseHandle(out.ours);
    CloseHandle(err.ours);
    throw std::runtime_error("cannot start " + name + ".exe");
  }
  std::thread errors(ReadAll, err.ours, std::ref(run.err));
  ReadAll(out.ours, run.out);
  errors.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.status = static_cast<int>(status);
  run.out = WithoutCarriageReturns(run.out);
  run.err = WithoutCarriageReturns(run.err);
  return run;
}
