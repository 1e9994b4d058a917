#include "cli/console_user_interface.h"

ConsoleUserInterface::ConsoleUserInterface(std::string prefix, bool collectOnly)
    : prefix_(std::move(prefix)), collectOnly_(collectOnly) {}

void ConsoleUserInterface::ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) {
  messages_.push_back({key, text, icon});
  Report(text);
}

// The result dialog's place is taken by the output path, which the caller prints.
void ConsoleUserInterface::ShowConversionResult(const std::string&, const std::string&) {}

void ConsoleUserInterface::Report(const std::string& text) {
  if (collectOnly_) return;
  // A two-line text stays readable: every line carries the prefix.
  std::string::size_type start = 0;
  for (;;) {
    const auto end = text.find('\n', start);
    errorLines_ += prefix_;
    errorLines_.append(text, start, end == std::string::npos ? std::string::npos : end - start);
    errorLines_ += '\n';
    if (end == std::string::npos) break;
    start = end + 1;
  }
}
