#include "platform/DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
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
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("TryExec") && entry.exec.isEmpty())
            entry.exec = value;
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

std::optional<DesktopEntry> DesktopEntries::entryForExecutable(const QString& executable)
{
    if (executable.isEmpty())
        return std::nullopt;
    const QString name = QFileInfo(executable).fileName();
    std::optional<DesktopEntry> result;
    forEachDesktopFile([&](const QString& path, const QString& id) {
        auto entry = read(path, id);
        if (!entry)
            return false;
        // The program is the first word of the command line, quoted or not.
        QString program = entry->exec.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        if (program.size() >= 2 && program.startsWith(QLatin1Char('"')) && program.endsWith(QLatin1Char('"')))
            program = program.mid(1, program.size() - 2);
        if (program.isEmpty() || (program != executable && QFileInfo(program).fileName() != name))
            return false;
        result = std::move(entry);
        return true;
    });
    return result;
}

} // namespace penwick::platform
