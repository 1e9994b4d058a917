#include "recording_user_interface.h"

#include <filesystem>

#include "platform/platform.h"

bool WorkDirectoryExists() {
  const auto folder = platform::NativePlatform().TemporaryFolder();
  if (!folder) return false;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(*folder, error)) {
    if (entry.path().filename().string().rfind("_HexXmlConv_Cache_", 0) == 0) return true;
  }
  return false;
}

RecordingUserInterface::RecordingUserInterface() : scope_(*this) {}
RecordingUserInterface::~RecordingUserInterface() = default;

void RecordingUserInterface::ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) {
  log_.push_back({RecordedEntry::Kind::Message, key, text, icon, {}, WorkDirectoryExists()});
  if (onMessage) onMessage(key);
}

void RecordingUserInterface::ShowConversionResult(const std::string& outputPath, const std::string& text) {
  log_.push_back({RecordedEntry::Kind::Result, "Result", text, MessageIcon::None, outputPath,
                  WorkDirectoryExists()});
}

void RecordingUserInterface::SetBusy(bool busy) {
  log_.push_back({busy ? RecordedEntry::Kind::BusyOn : RecordedEntry::Kind::BusyOff, {}, {},
                  MessageIcon::None, {}, WorkDirectoryExists()});
}

std::vector<std::string> RecordingUserInterface::MessageKeys() const {
  std::vector<std::string> keys;
  for (const auto& entry : log_) {
    if (entry.kind == RecordedEntry::Kind::Message) keys.push_back(entry.key);
  }
  return keys;
}

std::vector<std::string> RecordingUserInterface::Trace() const {
  std::vector<std::string> trace;
  for (const auto& entry : log_) {
    switch (entry.kind) {
      case RecordedEntry::Kind::BusyOn: trace.push_back("busy+"); break;
      case RecordedEntry::Kind::BusyOff: trace.push_back("busy-"); break;
      case RecordedEntry::Kind::Message: trace.push_back(entry.key); break;
      case RecordedEntry::Kind::Result: trace.push_back("result"); break;
    }
  }
  return trace;
}
