#include "highlighter/EditorThemes.h"

#include <QFile>

namespace penwick {

std::optional<QString> readEditorTheme(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read the theme \"%1\": %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace penwick
