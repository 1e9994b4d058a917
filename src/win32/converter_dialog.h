// The main window: one project path, chosen by browsing or by dropping a file, and the Convert
// command over it. Every rule lives in the conversion; this window only shows and asks.
#pragma once

#include <optional>
#include <string>

#include "win32/windows_api.h"

#include "app/user_interface.h"
#include "pipeline/conversion_state.h"
#include "pipeline/conversion_steps.h"
#include "pipeline/convert_command.h"
#include "win32/dialog_window.h"
#include "win32/file_chooser.h"
#include "win32/win32_user_interface.h"

class CTQConverterDlg : public DialogWindow {
 public:
  // steps: the Convert command's steps (a test passes its own).
  explicit CTQConverterDlg(ConversionSteps steps = DefaultConversionSteps());
  // Removes what a conversion left.
  ~CTQConverterDlg() override;

  Win32UserInterface& userInterface() { return m_ui; }
  FileChooser& fileChooser() { return m_fileChooser; }
  ConversionState& conversionState() { return m_conversion; }
  const ConversionOutcome& lastOutcome() const { return m_lastOutcome; }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // Sets the caption and the five control texts from the catalog.
  void ApplyUiTexts();
  // Takes the first of the dropped files, if its extension is admitted; a refused one empties
  // the path field. Releases the drop handle.
  void OnDropFiles(HDROP drop);
  void OnBrowse();
  void OnConvert();
  // Removes what a conversion left and ends the dialog; Close, Escape and the close box end here.
  void OnCancel();
  void OnGetMinMaxInfo(MINMAXINFO& limits) const;
  // Shows the path if its extension is admitted, else empties the field (after the message).
  bool SetPathIfAdmitted(const std::wstring& path);

  HWND m_pathEdit = nullptr;
  std::optional<SIZE> m_windowSize;  // as the template made it; the window keeps it
  ConversionState m_conversion;      // m_workDir and UnitSetupSlot of the conversion under way
  const ConversionSteps m_steps;
  Win32UserInterface m_ui;
  const ScopedUserInterface m_uiScope;
  FileChooser m_fileChooser;
  ConversionOutcome m_lastOutcome;
};
