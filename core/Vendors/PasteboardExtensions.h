#pragma once

#include <QByteArray>
#include <QClipboard>
#include <QList>
#include <QString>

#include <utility>

namespace penwick {

// Everything a clipboard holds: each MIME type with its data, in the clipboard's order.
using PasteboardContents = QList<std::pair<QString, QByteArray>>;

// A copy of every type on the clipboard that has data. Needs a QGuiApplication.
PasteboardContents savePasteboardContents(QClipboard::Mode mode = QClipboard::Clipboard);

// Puts exactly the saved types and data back; types added in between are gone.
// Saved contents without any type leave the clipboard empty.
void restorePasteboardContents(const PasteboardContents& contents, QClipboard::Mode mode = QClipboard::Clipboard);

} // namespace penwick
