// The toolkit's own texts (the file dialog, standard buttons) in the language the dialog chose,
// from the translations installed with Qt (on Debian, qt6-translations-l10n).
#pragma once

#include <memory>
#include <string>

class QTranslator;

class ToolkitTranslation {
 public:
  ToolkitTranslation();
  // Takes the texts out of the application again.
  ~ToolkitTranslation();
  ToolkitTranslation(const ToolkitTranslation&) = delete;
  ToolkitTranslation& operator=(const ToolkitTranslation&) = delete;

  // Installs the texts for the language ("JP": Japanese; the toolkit's own are English). False
  // when the translations are not installed; the toolkit then stays in English.
  bool Install(const std::string& language);

 private:
  std::unique_ptr<QTranslator> translator_;
  bool installed_ = false;
};
