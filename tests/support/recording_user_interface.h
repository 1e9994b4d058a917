// A UserInterface for tests: one ordered log of everything the seam sees, each entry noting
// whether a working directory existed in the temporary folder at that moment.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/user_interface.h"

struct RecordedEntry {
  enum class Kind { BusyOn, BusyOff, Message, Result };
  Kind kind;
  std::string key;   // message key; for a result, "Result"
  std::string text;  // message text; for a result, the success text
  MessageIcon icon = MessageIcon::None;
  std::string outputPath;  // for a result
  bool workDirectoryExisted = false;
};

class RecordingUserInterface : public UserInterface {
 public:
  RecordingUserInterface();
  ~RecordingUserInterface() override;

  void ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) override;
  void ShowConversionResult(const std::string& outputPath, const std::string& text) override;
  void SetBusy(bool busy) override;

  // Runs inside every ShowMessage, as if the user looked while the box was open.
  std::function<void(const std::string& key)> onMessage;

  const std::vector<RecordedEntry>& log() const { return log_; }
  // The keys of the messages, in order.
  std::vector<std::string> MessageKeys() const;
  // A compact trace: "busy+", "busy-", message keys, "result", in order.
  std::vector<std::string> Trace() const;
  void Clear() { log_.clear(); }

 private:
  std::vector<RecordedEntry> log_;
  ScopedUserInterface scope_;
};

// True when the temporary folder holds a "_HexXmlConv_Cache_" directory.
bool WorkDirectoryExists();
