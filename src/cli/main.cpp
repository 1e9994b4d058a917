// tqconv: the command-line companion of the converter, for batch work and scripts. Windows hands
// the arguments over as UTF-16 (wmain), so no name passes through the ANSI code page.
#include <string>
#include <vector>

#include "cli/console_text.h"
#include "cli/tqconv_entry.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Utf8FromWide(argv[i]));
  return RunTqconv(arguments);
}
#else
int main(int argc, char** argv) { return RunTqconv(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
