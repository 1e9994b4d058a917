// tqconverter_screenshots OUTDIR: renders the windows of tqconverter, in the language that the
// user's nation selects, to PNG files in OUTDIR: main-idle-LANG.png, main-path-LANG.png,
// message-LANG.png and result-LANG.png, LANG being "en" or "ja".
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

#include "app/message_catalog.h"
#include "gui/converter_dialog.h"
#include "gui/qt_user_interface.h"
#include "gui/result_dialog.h"

namespace {

// The caption the real program's message boxes carry.
const QString kProgramName = QStringLiteral("tqconverter");

// The window's content under a plain caption bar carrying its title; offscreen windows have no
// frame of their own to show it.
QPixmap WithCaption(QWidget& window) {
  const QPixmap content = window.grab();
  const QFontMetrics metrics(window.font());
  const int bar = metrics.height() * 2;
  QPixmap framed(content.width() + 2, content.height() + bar + 1);
  framed.fill(QColor(0x80, 0x80, 0x80));
  QPainter painter(&framed);
  painter.fillRect(1, 1, content.width(), bar - 1, QColor(0xe8, 0xe8, 0xe8));
  painter.setFont(window.font());
  painter.setPen(Qt::black);
  const int margin = metrics.averageCharWidth() * 2;
  const QRect titleArea(1 + margin, 1, content.width() - 2 * margin, bar - 1);
  painter.drawText(titleArea, Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
  painter.drawText(titleArea, Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("\u2715"));
  painter.drawPixmap(1, bar, content);
  return framed;
}

bool Save(QWidget& window, const QDir& folder, const QString& name) {
  window.show();
  QApplication::processEvents();
  const QString path = folder.filePath(name);
  if (!WithCaption(window).save(path, "PNG")) {
    std::fprintf(stderr, "tqconverter_screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

QString SamplePath(const QString& name) {
#ifdef _WIN32
  return QStringLiteral("C:\\Users\\engineer\\Projects\\") + name;
#else
  return QStringLiteral("/home/engineer/projects/") + name;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tqconverter_screenshots OUTDIR\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) {
    std::fprintf(stderr, "tqconverter_screenshots: cannot create %s\n", argv[1]);
    return 1;
  }

  CTQConverterDlg dialog;  // chooses the language as the program does
  const QString language = CurrentLanguage() == "JP" ? QStringLiteral("ja") : QStringLiteral("en");
  bool saved = Save(dialog, folder, QStringLiteral("main-idle-%1.png").arg(language));

  dialog.fileChooser().SetNextAnswer(SamplePath(QStringLiteral("plant.lqt")));
  dialog.OnBrowse();
  saved = Save(dialog, folder, QStringLiteral("main-path-%1.png").arg(language)) && saved;

  const auto box = MakeMessageBox(&dialog, kProgramName,
                                  QString::fromStdString(LookupMessage("MsgUnsupportedExt")),
                                  MessageIcon::Information);
  saved = Save(*box, folder, QStringLiteral("message-%1.png").arg(language)) && saved;
  box->hide();

  ConversionResultDialog result(SamplePath(QStringLiteral("plant_converted.lqt")).toStdString(),
                                LookupMessage("MsgResult"), &dialog);
  saved = Save(result, folder, QStringLiteral("result-%1.png").arg(language)) && saved;
  return saved ? 0 : 1;
}
