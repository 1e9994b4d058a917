#include "gui/clipboard_write.h"

#include <new>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

ClipboardWrite WriteClipboard(QClipboard* clipboard, const QString& text, const MimeDataFactory& makeData) {
  if (!clipboard) return ClipboardWrite::Unavailable;
  std::unique_ptr<QMimeData> data;
  try {
    data = makeData();
    data->setText(text);
  } catch (const std::bad_alloc&) {
    // The earlier contents are given up before the copy is made, as when the clipboard is
    // emptied first; a failed copy leaves it empty, never holding something stale.
    clipboard->clear();
    return ClipboardWrite::OutOfMemory;
  }
  clipboard->setMimeData(data.release());  // the clipboard owns it from here
  // The platform reports no failure of its own; a clipboard that another program kept does
  // not give our text back.
  return clipboard->text() == text ? ClipboardWrite::Written : ClipboardWrite::Unavailable;
}

ClipboardWrite WriteSystemClipboard(const QString& text) {
  return WriteClipboard(QGuiApplication::clipboard(), text, [] { return std::make_unique<QMimeData>(); });
}
