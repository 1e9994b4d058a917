// The main window: one project path, chosen by browsing or by dropping a file, and the Convert
// command over it. Every rule lives in the conversion; this window only shows and asks.
#pragma once

#include <QDialog>
#include <QList>
#include <QUrl>

#include "app/user_interface.h"
#include "gui/file_chooser.h"
#include "gui/qt_user_interface.h"
#include "gui/toolkit_translation.h"
#include "pipeline/conversion_state.h"
#include "pipeline/conversion_steps.h"
#include "pipeline/convert_command.h"

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QPushButton;

class CTQConverterDlg : public QDialog {
  Q_OBJECT

 public:
  // steps: the Convert command's steps (a test passes its own).
  explicit CTQConverterDlg(ConversionSteps steps = DefaultConversionSteps(), QWidget* parent = nullptr);
  // Removes what a conversion left.
  ~CTQConverterDlg() override;

  // Sets the caption and the five control texts from the catalog.
  void ApplyUiTexts();
  // Takes the first of the dropped files, if its extension is admitted; a refused one empties the
  // path field.
  void OnDropFiles(const QList<QUrl>& files);
  void OnBrowse();
  void OnConvert();
  // Removes what a conversion left and ends the dialog; Close, Escape and the close box end here.
  void OnCancel();
  void reject() override;

  QtUserInterface& userInterface() { return m_ui; }
  FileChooser& fileChooser() { return m_fileChooser; }
  ConversionState& conversionState() { return m_conversion; }
  const ConversionOutcome& lastOutcome() const { return m_lastOutcome; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void OnInitDialog();
  // Shows the path if its extension is admitted, else empties the field (after the message).
  bool SetPathIfAdmitted(const QString& path);

  QLabel* const m_staticTop;
  QLabel* const m_staticFile;
  QLineEdit* const m_pathEdit;
  QPushButton* const m_browseButton;
  QPushButton* const m_convertButton;
  QPushButton* const m_closeButton;
  ConversionState m_conversion;  // m_workDir and UnitSetupSlot of the conversion under way
  const ConversionSteps m_steps;
  QtUserInterface m_ui;
  const ScopedUserInterface m_uiScope;
  FileChooser m_fileChooser;
  ConversionOutcome m_lastOutcome;
  ToolkitTranslation m_toolkitTexts;  // the file dialog and standard buttons in the chosen language
};
