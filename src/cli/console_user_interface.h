// tqconv's UserInterface: message boxes become lines for stderr (or entries of the JSON line),
// the result dialog becomes the output path on stdout. Nothing ever waits for input. The lines
// are kept, not printed, so that a batch can print each project's lines whole and in order.
#pragma once

#include <string>
#include <vector>

#include "app/user_interface.h"

struct ShownMessage {
  std::string key;
  std::string text;
  MessageIcon icon;
};

class ConsoleUserInterface : public UserInterface {
 public:
  // prefix is "tqconv: FILE: "; with collectOnly the messages are only collected, no line is kept.
  ConsoleUserInterface(std::string prefix, bool collectOnly);

  void ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) override;
  void ShowConversionResult(const std::string& outputPath, const std::string& text) override;
  void SetBusy(bool) override {}

  // Keeps the text as lines for stderr, every line prefixed, unless collecting.
  void Report(const std::string& text);

  const std::vector<ShownMessage>& messages() const { return messages_; }
  // The lines kept for stderr, each ending in a line feed.
  const std::string& errorLines() const { return errorLines_; }

 private:
  std::string prefix_;
  bool collectOnly_;
  std::vector<ShownMessage> messages_;
  std::string errorLines_;
};
