#include "platform/DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QStandardPaths>

namespace penwick::platform {

namespace {

// Calls `visit(path, id)` for every desktop file, the first of each id only, until it returns true.
template <typename Visit>
void forEachDesktopFile(Visit visit)
{
    QSet<QString> seen;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        QDirIterator it(folder, { QStringLiteral("*.desktop") }, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = QDir(folder).relativeFilePath(path);
            id.chop(int(qstrlen(".desktop")));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (visit(path, id))
                return;
        }
    }
}

} // namespace

std::optional<DesktopEntry> DesktopEntries::read(const QString& path, const QString& id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    DesktopEntry entry;
    entry.id = id;
    entry.path = path;
    bool inGroup = false;
    bool found = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            found = found || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("StartupWMClass"))
            entry.startupWMClass = value;
    }
    if (!found)
        return std::nullopt;
    return entry;
}

std::optional<DesktopEntry> DesktopEntries::entryForId(const QString& id)
{
    if (id.isEmpty())
        return std::nullopt;
    std::optional<DesktopEntry> result;
    forEachDesktopFile([&](const QString& path, const QString& fileId) {
        if (fileId != id)
            return false;
        result = read(path, fileId);
        return true;
    });
    return result;
}

std::optional<DesktopEntry> DesktopEntries::entryForWMClass(const QString& wmClass)
{
    if (wmClass.isEmpty())
        return std::nullopt;
    std::optional<DesktopEntry> result;
    forEachDesktopFile([&](const QString& path, const QString& id) {
        auto entry = read(path, id);
        if (!entry || entry->startupWMClass.compare(wmClass, Qt::CaseInsensitive) != 0)
            return false;
        result = std::move(entry);
        return true;
    });
    return result;
}

} // namespace penwick::platform
