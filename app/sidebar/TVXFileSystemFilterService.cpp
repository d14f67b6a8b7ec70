#include "sidebar/TVXFileSystemFilterService.h"

#include "platform/FileNames.h"
#include "common/AppLogger.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

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
    const QByteArray folder = platform::encodeFileName(path);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return std::nullopt;
    QByteArray prefix = folder;
    if (!prefix.endsWith('/'))
        prefix += '/';

    // Names go into one buffer and are sorted through small keys: a folder of 100,000
    // entries is listed without an allocation per name before its paths are made.
    struct Raw {
        // The name's first sixteen bytes, big-endian and padded with zeros, so that keys
        // order as the bytes do (a name holds no zero byte).
        quint64 key[2];
        quint32 offset;
        quint16 length; // a name has at most 255 bytes
        bool isDirectory;
    };
    std::string names;
    std::vector<Raw> raw;
    // The folder's size on disk hints at its number of entries (at least about 24 bytes each).
    struct stat folderInfo;
    if (::fstat(::dirfd(dir), &folderInfo) == 0 && folderInfo.st_size > 0) {
        const std::size_t guess = std::min<std::size_t>(std::size_t(folderInfo.st_size) / 24, 1 << 22);
        raw.reserve(guess);
        names.reserve(guess * 16);
    }
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
        const std::size_t length = std::strlen(name);
        quint64 key[2] = { 0, 0 };
        for (std::size_t i = 0; i < 16; ++i)
            key[i / 8] = (key[i / 8] << 8) | (i < length ? quint64(quint8(name[i])) : 0);
        raw.push_back({ { key[0], key[1] }, quint32(names.size()), quint16(length), isDirectory });
        names.append(name, length);
    }
    ::closedir(dir);

    // Folders first, then by name; UTF-8 bytes sort in code-point order.
    const char* text = names.data();
    const auto byName = [text](const Raw& a, const Raw& b) {
        if (a.key[0] != b.key[0])
            return a.key[0] < b.key[0];
        if (a.key[1] != b.key[1])
            return a.key[1] < b.key[1];
        if (a.length <= 16 || b.length <= 16)
            return a.length < b.length;
        return std::string_view(text + a.offset, a.length) < std::string_view(text + b.offset, b.length);
    };
    const auto files = std::partition(raw.begin(), raw.end(), [](const Raw& item) { return item.isDirectory; });
    std::sort(raw.begin(), files, byName);
    std::sort(files, raw.end(), byName);
    std::vector<FolderEntry> entries;
    entries.reserve(raw.size());
    const QString base = platform::decodeFileName(prefix);
    const bool filtered = !m_pattern.isEmpty();
    for (const Raw& item : raw) {
        const char* name = text + item.offset;
        const qsizetype length = qsizetype(item.length);
        QString path;
        // Plain ASCII needs no decoding; anything else is UTF-8, as file names are decoded here.
        if (std::all_of(name, name + length, [](char c) { return quint8(c) < 0x80; })) {
            path = QString(base.size() + length, Qt::Uninitialized);
            QChar* out = std::copy(base.cbegin(), base.cend(), path.data());
            for (qsizetype i = 0; i < length; ++i)
                out[i] = QLatin1Char(name[i]);
        } else {
            path = base + platform::decodeFileName(QByteArray(name, length));
        }
        if (filtered && m_pattern.matches(path.sliced(base.size())))
            continue;
        entries.push_back({ std::move(path), item.isDirectory });
    }
    return entries;
}

} // namespace penwick
