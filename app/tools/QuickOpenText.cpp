#include "tools/QuickOpenText.h"

#include "Extensions/StringAdditions.h"

namespace penwick {

QList<QuickOpenTextRange> quickOpenHighlightRanges(const QString& name, const QString& typedText)
{
    QList<QuickOpenTextRange> ranges;
    const QList<qsizetype> bounds = characterBoundaries(typedText);
    qsizetype searchStart = 0;
    for (qsizetype i = 0; i + 1 < bounds.size(); ++i) {
        const QString character = typedText.mid(bounds[i], bounds[i + 1] - bounds[i]);
        if (searchStart > name.size())
            break;
        const qsizetype found = name.indexOf(character, searchStart, Qt::CaseInsensitive);
        if (found < 0)
            continue;
        ranges.append({ int(found), int(character.size()) });
        searchStart = found + character.size();
    }
    return ranges;
}

namespace {

// Components of a folder path without the marker of a trailing separator.
QStringList folderComponents(const QString& path)
{
    QStringList components = pathComponents(path);
    if (components.size() > 1 && components.last() == QLatin1String("/"))
        components.removeLast();
    return components;
}

} // namespace

QString quickOpenPathText(const QString& path, const QStringList& rootUrls)
{
    const QStringList own = pathComponents(path);
    for (const QString& root : rootUrls) {
        if (root.isEmpty())
            continue;
        const QStringList rootComponents = folderComponents(root);
        if (own.size() <= rootComponents.size())
            continue;
        if (!std::equal(rootComponents.begin(), rootComponents.end(), own.begin()))
            continue;
        QStringList shown { lastPathComponent(root) };
        shown.append(own.mid(rootComponents.size()));
        return pathWithComponents(shown);
    }
    return QString();
}

} // namespace penwick
