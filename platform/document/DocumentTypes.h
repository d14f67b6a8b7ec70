#pragma once

#include <QString>
#include <QStringList>

namespace penwick::platform {

// Document types are MIME type names (QMimeDatabase). Rules about kinds of content
// ("is this text?", "is this an image?") are asked with the kind identifiers below,
// which map onto MIME types and their parents through one table.
class DocumentTypes {
public:
    static inline const QString PlainText = QStringLiteral("public.plain-text");
    static inline const QString Text = QStringLiteral("public.text");
    static inline const QString HTML = QStringLiteral("public.html");
    static inline const QString XML = QStringLiteral("public.xml");
    static inline const QString Data = QStringLiteral("public.data");
    static inline const QString Image = QStringLiteral("public.image");
    static inline const QString AudiovisualContent = QStringLiteral("public.audiovisual-content");
    static inline const QString Directory = QStringLiteral("public.directory");
    static inline const QString Application = QStringLiteral("com.apple.application");

    // The type of the item at `path`: by its name, then by its content; a folder is "inode/directory".
    static QString typeOfFile(const QString& path);
    // The type a file of that name would have, by its name alone ("application/octet-stream"
    // when the name tells nothing).
    static QString typeForFileName(const QString& fileName);
    // Whether the MIME type `type` is of the kind `identifier` (one of the constants above).
    // An unknown MIME type counts as plain data.
    static bool conformsTo(const QString& type, const QString& identifier);
    // Every kind identifier the type conforms to, in the order of the constants above.
    static QStringList kindsOf(const QString& type);
};

} // namespace penwick::platform
