#include "sidebar/TVXFileSystemFilterService.h"

#include "shell/AppLogger.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QFile>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace penwick {

TVXFileSystemFilterService::TVXFileSystemFilterService()
    : TVXFileSystemFilterService(TVXNavigatorPreferencesFactory::regexCompatibleIgnoredFilesAndFoldersString(),
        TVXNavigatorPreferencesFactory::shouldIgnoreHiddenFilesAndFolders())
{
}

TVXFileSystemFilterService::TVXFileSystemFilterService(std::optional<QString> expression, bool ignoreHidden)
    : m_ignoreHidden(ignoreHidden)
{
    if (expression)
        setImmutableRegex(*expression);
}

void TVXFileSystemFilterService::setImmutableRegex(const QString& expression)
{
    if (m_expression) {
        appLog().warning(QStringLiteral("Attempted to reset Filter Regex"));
        return;
    }
    m_expression = expression;
    m_pattern = IgnorePattern(expression);
}

bool TVXFileSystemFilterService::shouldSkipName(const QString& name) const
{
    if (m_ignoreHidden && name.startsWith(QLatin1Char('.')))
        return true;
    return m_pattern.matches(name);
}

std::optional<std::vector<FolderEntry>> TVXFileSystemFilterService::getFilteredContentsForDirectoryAtPath(const QString& path) const
{
    if (path.isEmpty())
        return std::nullopt;
    const QByteArray folder = QFile::encodeName(path);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return std::nullopt;
    QByteArray prefix = folder;
    if (!prefix.endsWith('/'))
        prefix += '/';

    struct Raw {
        QByteArray name;
        bool isDirectory;
    };
    std::vector<Raw> raw;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (m_ignoreHidden && name[0] == '.')
            continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Links count as what they point at; a dangling one as a file.
            struct stat info;
            isDirectory = ::stat((prefix + name).constData(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        raw.push_back({ QByteArray(name), isDirectory });
    }
    ::closedir(dir);

    // Folders first, then by name; UTF-8 bytes sort in code-point order.
    std::sort(raw.begin(), raw.end(), [](const Raw& a, const Raw& b) {
        if (a.isDirectory != b.isDirectory)
            return a.isDirectory;
        return a.name < b.name;
    });

    std::vector<FolderEntry> entries;
    entries.reserve(raw.size());
    const QString base = QFile::decodeName(prefix);
    for (const Raw& item : raw) {
        const QString name = QFile::decodeName(item.name);
        if (m_pattern.matches(name))
            continue;
        entries.push_back({ base + name, item.isDirectory });
    }
    return entries;
}

} // namespace penwick
