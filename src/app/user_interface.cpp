#include "app/user_interface.h"

#include <cstdio>

#include "app/message_catalog.h"

namespace {

// Used when nothing is installed, so that no message is ever lost.
class StandardErrorInterface final : public UserInterface {
 public:
  void ShowMessage(const std::string& key, const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\n", key.c_str(), text.c_str());
  }
  void ShowConversionResult(const std::string& outputPath, const std::string& text) override {
    std::fprintf(stderr, "%s %s\n", text.c_str(), outputPath.c_str());
  }
  void SetBusy(bool) override {}
};

thread_local UserInterface* installed = nullptr;

}  // namespace

UserInterface& CurrentUserInterface() {
  static StandardErrorInterface fallback;
  return installed ? *installed : fallback;
}

ScopedUserInterface::ScopedUserInterface(UserInterface& ui) : previous_(installed) {
  installed = &ui;
}
ScopedUserInterface::~ScopedUserInterface() { installed = previous_; }

void ShowCatalogMessage(std::string_view key, std::string_view detail) {
  CurrentUserInterface().ShowMessage(std::string(key), FormatCatalogText(LookupMessage(key), detail),
                                     MessageIcon::Information);
}

void ShowMessageBox(std::string_view key, MessageIcon icon) {
  CurrentUserInterface().ShowMessage(std::string(key), LookupMessage(key), icon);
}
