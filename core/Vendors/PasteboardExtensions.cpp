#include "Vendors/PasteboardExtensions.h"

#include <QGuiApplication>
#include <QMimeData>

namespace penwick {

PasteboardContents savePasteboardContents(QClipboard::Mode mode)
{
    PasteboardContents contents;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return contents;
    const QMimeData* data = clipboard->mimeData(mode);
    if (!data)
        return contents;
    const QStringList formats = data->formats();
    for (const QString& format : formats) {
        const QByteArray bytes = data->data(format);
        if (!bytes.isNull())
            contents.append({ format, bytes });
    }
    return contents;
}

void restorePasteboardContents(const PasteboardContents& contents, QClipboard::Mode mode)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    if (contents.isEmpty()) {
        clipboard->clear(mode);
        return;
    }
    auto* data = new QMimeData;
    for (const auto& [format, bytes] : contents)
        data->setData(format, bytes);
    clipboard->setMimeData(data, mode); // the clipboard takes ownership
}

} // namespace penwick
