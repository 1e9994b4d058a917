// Putting a text on the system clipboard, with the two ways it can fail that Qt lets us see.
#pragma once

#include <functional>
#include <memory>

#include <QString>

class QClipboard;
class QMimeData;

enum class ClipboardWrite {
  Written,
  Unavailable,  // the clipboard did not take the text: none exists, or another program holds it
  OutOfMemory,  // the copy for the clipboard could not be made; the clipboard is left empty
};

using ClipboardWriter = std::function<ClipboardWrite(const QString& text)>;
using MimeDataFactory = std::function<std::unique_ptr<QMimeData>()>;

// Hands the text to the clipboard and reads it back: Written only when the clipboard then
// holds exactly the text. makeData allocates the clipboard's copy (a test may make it fail).
ClipboardWrite WriteClipboard(QClipboard* clipboard, const QString& text, const MimeDataFactory& makeData);

// WriteClipboard on the application's clipboard.
ClipboardWrite WriteSystemClipboard(const QString& text);
