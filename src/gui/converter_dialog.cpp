#include "gui/converter_dialog.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMimeData>
#include <QPushButton>

#include "app/message_catalog.h"
#include "gui/dialog_units.h"
#include "project/validation.h"

namespace {

// Traces for a developer; silent unless enabled with QT_LOGGING_RULES="tqconverter.dialog.debug=true".
Q_LOGGING_CATEGORY(lcDialog, "tqconverter.dialog", QtInfoMsg)

QString CatalogText(const char* key) { return QString::fromStdString(LookupMessage(key)); }

void Place(QWidget& widget, const DialogUnits& units, int left, int top, int width, int height) {
  widget.setGeometry(units.ToPixels(left, top, width, height));
}

QLabel* MakeStaticText(QWidget* parent, const char* objectName) {
  auto* const label = new QLabel(parent);
  label->setObjectName(QLatin1String(objectName));
  label->setTextFormat(Qt::PlainText);  // no markup and no mnemonic prefix
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

CTQConverterDlg::CTQConverterDlg(ConversionSteps steps, QWidget* parent)
    // An application window rather than a dialog window, so that it has its own task-bar entry.
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_staticTop(MakeStaticText(this, "staticTop")),
      m_staticFile(MakeStaticText(this, "staticFile")),
      m_pathEdit(new QLineEdit(this)),
      m_browseButton(new QPushButton(this)),
      m_convertButton(new QPushButton(this)),
      m_closeButton(new QPushButton(this)),
      m_steps(std::move(steps)),
      m_ui(*this),
      m_uiScope(m_ui) {
  setFont(DialogFont());
  const DialogUnits units(font());
  // The template's size; the window has no sizing border.
  setFixedSize(units.ToPixels(240, 160));
  setAcceptDrops(true);

  Place(*m_staticTop, units, 15, 15, 210, 50);
  Place(*m_staticFile, units, 15, 60, 210, 10);

  m_pathEdit->setObjectName(QStringLiteral("pathEdit"));
  m_pathEdit->setReadOnly(true);
  m_pathEdit->setAcceptDrops(false);  // a drop on the field is a drop on the window
  Place(*m_pathEdit, units, 15, 80, 145, 18);

  m_browseButton->setObjectName(QStringLiteral("browseButton"));
  Place(*m_browseButton, units, 160, 80, 50, 18);
  m_convertButton->setObjectName(QStringLiteral("convertButton"));
  m_convertButton->setDefault(true);
  Place(*m_convertButton, units, 80, 120, 50, 22);
  m_closeButton->setObjectName(QStringLiteral("closeButton"));
  Place(*m_closeButton, units, 160, 120, 50, 22);

  setTabOrder(m_pathEdit, m_browseButton);
  setTabOrder(m_browseButton, m_convertButton);
  setTabOrder(m_convertButton, m_closeButton);

  connect(m_browseButton, &QPushButton::clicked, this, [this] { OnBrowse(); });
  connect(m_convertButton, &QPushButton::clicked, this, [this] { OnConvert(); });
  connect(m_closeButton, &QPushButton::clicked, this, [this] { OnCancel(); });
  OnInitDialog();
}

CTQConverterDlg::~CTQConverterDlg() { CleanUpConversion(m_conversion); }

void CTQConverterDlg::OnInitDialog() {
  SelectLanguage();
  m_toolkitTexts.Install(CurrentLanguage());
  ApplyUiTexts();
  // Qt gives the first tab stop, the path field, the focus when the window appears.
}

void CTQConverterDlg::ApplyUiTexts() {
  setWindowTitle(CatalogText("DialogTitle"));
  m_staticTop->setText(CatalogText("StaticTop"));
  m_staticFile->setText(CatalogText("StaticFile"));
  m_browseButton->setText(CatalogText("BtnBrowse"));
  m_convertButton->setText(CatalogText("BtnConvert"));
  m_closeButton->setText(CatalogText("BtnCancel"));
}

bool CTQConverterDlg::SetPathIfAdmitted(const QString& path) {
  const bool admitted = CheckProjectExtension(path.toStdString());
  if (admitted) {
    m_pathEdit->setText(path);
  } else {
    m_pathEdit->clear();  // a refused file also discards the earlier choice
  }
  return admitted;
}

void CTQConverterDlg::OnDropFiles(const QList<QUrl>& files) {
  if (files.isEmpty()) return;
  // The path is taken whole: the Convert command refuses one that is too long with its message.
  const QString path = QDir::toNativeSeparators(files.first().toLocalFile());
  if (path.isEmpty()) return;  // not a file of this machine
  if (SetPathIfAdmitted(path)) qCDebug(lcDialog) << ">>> File drag-and-drop processed successfully";
}

void CTQConverterDlg::OnBrowse() {
  const std::optional<QString> chosen = m_fileChooser.ChooseProject(this);
  if (!chosen) return;
  SetPathIfAdmitted(*chosen);
}

void CTQConverterDlg::OnConvert() {
  m_lastOutcome = ::OnConvert(m_pathEdit->text().toStdString(), m_conversion, m_steps);
  // Stopped by SIGINT or SIGTERM: the conversion has cleaned up; the program ends.
  if (m_lastOutcome.stopped) OnCancel();
}

void CTQConverterDlg::OnCancel() {
  CleanUpConversion(m_conversion);
  QDialog::reject();
}

void CTQConverterDlg::reject() {
  // While a conversion runs the window is disabled; nothing may end it then.
  if (!isEnabled()) return;
  OnCancel();
}

void CTQConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CTQConverterDlg::dropEvent(QDropEvent* event) {
  OnDropFiles(event->mimeData()->urls());
  event->acceptProposedAction();
}
