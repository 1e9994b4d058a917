// The seam between the conversion and whoever shows its messages: the dialog, the console of
// tqconv, or a test's recorder. Every message of every step goes through the one installed.
#pragma once

#include <string>
#include <string_view>

enum class MessageIcon { Information, Warning, None };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Modal: returns when the user has dismissed the message. The key travels with the text.
  virtual void ShowMessage(const std::string& key, const std::string& text, MessageIcon icon) = 0;
  // The result dialog: the output path and the success text.
  virtual void ShowConversionResult(const std::string& outputPath, const std::string& text) = 0;
  // Busy on: the window takes no input and shows the wait cursor; off: the window is back.
  virtual void SetBusy(bool busy) = 0;
};

// The one installed for this thread; without one, messages go to stderr.
UserInterface& CurrentUserInterface();

// Installs a user interface for the thread while in scope; scopes nest.
class ScopedUserInterface {
 public:
  explicit ScopedUserInterface(UserInterface& ui);
  ~ScopedUserInterface();
  ScopedUserInterface(const ScopedUserInterface&) = delete;
  ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

 private:
  UserInterface* previous_;
};

// Looks the key up and shows the text, with "%s" replaced by a non-empty detail, in a modal
// message box with the information icon.
void ShowCatalogMessage(std::string_view key, std::string_view detail = {});

// Looks the key up and shows the text unchanged with the given icon.
void ShowMessageBox(std::string_view key, MessageIcon icon);
