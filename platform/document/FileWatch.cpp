#include "platform/document/FileWatch.h"
#include "platform/FileNames.h"

#include <QFileInfo>

namespace penwick::platform {

FileWatch::FileWatch(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& changedPath) {
        if (changedPath != m_path)
            return;
        rewatch();
        emit changed();
    });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString&) {
        // A rename into the folder, or a removal: only of interest when it touched our file.
        const bool wasWatched = m_watcher.files().contains(m_path);
        rewatch();
        if (!wasWatched || !pathExists(m_path))
            emit changed();
    });
}

void FileWatch::watch(const QString& path)
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path = path;
    if (path.isEmpty())
        return;
    m_watcher.addPath(QFileInfo(path).absolutePath());
    rewatch();
}

bool FileWatch::isWatchingFile() const
{
    return !m_path.isEmpty() && m_watcher.files().contains(m_path);
}

void FileWatch::rewatch()
{
    if (m_path.isEmpty())
        return;
    // A replaced file is a new file: the old watch went with the old one.
    if (pathExists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}

} // namespace penwick::platform
