// tqconv's UserInterface: message boxes become lines on stderr (or entries of the JSON line),
// the result dialog becomes the output path on stdout. Nothing ever waits for input.
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
  // prefix is "tqconv: FILE: "; with collectOnly nothing is printed, only collected.
  ConsoleUserInterface(std::string prefix, bool collectOnly);

  void ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) override;
  void ShowConversionResult(const std::string& outputPath, const std::string& text) override;
  void SetBusy(bool) override {}

  // Prints one line on stderr, prefixed, unless collecting.
  void Report(const std::string& text) const;

  const std::vector<ShownMessage>& messages() const { return messages_; }

 private:
  std::string prefix_;
  bool collectOnly_;
  std::vector<ShownMessage> messages_;
};
