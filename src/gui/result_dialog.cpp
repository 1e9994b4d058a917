#include "gui/result_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/message_catalog.h"
#include "app/user_interface.h"
#include "gui/dialog_units.h"

namespace {

QString CatalogText(const char* key) { return QString::fromStdString(LookupMessage(key)); }

void Place(QWidget& widget, const DialogUnits& units, int left, int top, int width, int height) {
  widget.setGeometry(units.ToPixels(left, top, width, height));
}

}  // namespace

ConversionResultDialog::ConversionResultDialog(std::string outputPath, std::string message, QWidget* parent,
                                               ClipboardWriter writeClipboard)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_outputPath(std::move(outputPath)),
      m_message(std::move(message)),
      m_writeClipboard(std::move(writeClipboard)),
      m_messageText(new QLabel(QStringLiteral("Conversion succeeded!"), this)),
      m_pathLabel(new QLabel(QStringLiteral("File Path:"), this)),
      m_pathEdit(new QLineEdit(this)),
      m_copyButton(new QPushButton(QStringLiteral("Copy"), this)),
      m_okButton(new QPushButton(QStringLiteral("Close"), this)) {
  setWindowTitle(QStringLiteral("Result"));
  setFont(DialogFont());
  const DialogUnits units(font());
  setFixedSize(units.ToPixels(200, 120));

  m_messageText->setObjectName(QStringLiteral("messageText"));
  m_messageText->setTextFormat(Qt::PlainText);
  m_messageText->setWordWrap(true);
  m_messageText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The template's 260 units would run 80 units past the window's edge; the text wraps within
  // the window instead, with the same margin on the right as on the left.
  Place(*m_messageText, units, 20, 15, 160, 16);

  m_pathLabel->setObjectName(QStringLiteral("pathLabel"));
  m_pathLabel->setTextFormat(Qt::PlainText);
  m_pathLabel->setWordWrap(true);
  m_pathLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(*m_pathLabel, units, 20, 40, 100, 10);

  m_pathEdit->setObjectName(QStringLiteral("pathEdit"));
  m_pathEdit->setReadOnly(true);
  Place(*m_pathEdit, units, 20, 55, 115, 18);

  m_copyButton->setObjectName(QStringLiteral("copyPathButton"));
  Place(*m_copyButton, units, 135, 55, 50, 18);

  m_okButton->setObjectName(QStringLiteral("okButton"));
  m_okButton->setDefault(true);
  Place(*m_okButton, units, 75, 85, 50, 22);

  setTabOrder(m_pathEdit, m_copyButton);
  setTabOrder(m_copyButton, m_okButton);

  connect(m_copyButton, &QPushButton::clicked, this, [this] { CopyPathToClipboard(); });
  connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
  OnInitDialog();
}

ConversionResultDialog::~ConversionResultDialog() = default;

void ConversionResultDialog::OnInitDialog() {
  m_pathLabel->setText(CatalogText("StaticPath"));
  m_copyButton->setText(CatalogText("BtnCopyPath"));
  m_okButton->setText(CatalogText("BtnOk"));
  if (!m_message.empty()) m_messageText->setText(QString::fromStdString(m_message));
  const QString path = QString::fromStdString(m_outputPath);
  m_pathEdit->setText(path);
  // Shown from its start, as the platform's read-only edit boxes show a long text, and whole
  // in the tooltip.
  m_pathEdit->setCursorPosition(0);
  m_pathEdit->setToolTip(path);
}

void ConversionResultDialog::CopyPathToClipboard() {
  if (m_outputPath.empty()) return;
  switch (m_writeClipboard(QString::fromStdString(m_outputPath))) {
    case ClipboardWrite::Unavailable:
      ShowMessageBox("MsgClipOpenFail", MessageIcon::None);
      return;
    case ClipboardWrite::OutOfMemory:
      ShowMessageBox("MsgMemFail", MessageIcon::None);
      return;
    case ClipboardWrite::Written:
      ShowMessageBox("MsgClipSuccess", MessageIcon::None);
      return;
  }
}
