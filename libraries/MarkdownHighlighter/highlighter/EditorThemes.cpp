#include "highlighter/EditorThemes.h"

#include "platform/StandardLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace penwick {

namespace {

void collect(const QString& folder, bool user, QList<EditorTheme>& into)
{
    const QDir dir(folder);
    const QFileInfoList files
        = dir.entryInfoList({ QStringLiteral("*.txt") }, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files)
        into.append({ file.completeBaseName(), file.absoluteFilePath(), user });
}

} // namespace

QString bundledEditorThemesDirectory()
{
    return QDir(platform::resourcesDirectory()).filePath(QStringLiteral("Themes"));
}

QString userEditorThemesDirectory() { return QDir::homePath() + QStringLiteral("/.penwick/Themes/"); }

QList<EditorTheme> availableEditorThemes()
{
    QList<EditorTheme> themes;
    collect(bundledEditorThemesDirectory(), false, themes);
    collect(userEditorThemesDirectory(), true, themes);
    return themes;
}

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
