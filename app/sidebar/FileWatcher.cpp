#include "sidebar/FileWatcher.h"

#include "Extensions/StringAdditions.h"
#include "shell/AppLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QPointer>
#include <QThreadPool>

#include <cerrno>
#include <optional>

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>

namespace penwick {

using platform::FileWatchEngine;
using platform::FileWatchEvent;

namespace {

struct Listing {
    QSet<QString> names;
    std::vector<QString> folders; // full paths of the sub-folders (links not followed)
};

std::optional<Listing> listFolder(const QString& folderPath)
{
    const QByteArray folder = QFile::encodeName(folderPath);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return std::nullopt;
    Listing listing;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        const QString decoded = QFile::decodeName(QByteArray(name));
        listing.names.insert(decoded);
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info;
            isDir = ::lstat((folder + '/' + name).constData(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (isDir)
            listing.folders.push_back(folderPath + QLatin1Char('/') + decoded);
    }
    ::closedir(dir);
    return listing;
}

QString standardized(const QString& path)
{
    QString clean = QDir::cleanPath(stringByExpandingTildeInPath(path));
    return clean;
}

} // namespace

// The first walk, shared between the watcher and the worker that does it.
struct FileWatcher::Walk {
    struct Found {
        int watch;
        QString path;
        QSet<QString> names;
    };
    QMutex mutex;
    bool cancelled = false;
    bool published = false;
    std::vector<Found> found;
    int failure = 0;
    QString failedPath;

    void releaseAll()
    {
        for (const Found& folder : found)
            FileWatchEngine::shared().releaseWatch(folder.watch);
        found.clear();
    }
};

FileWatcher::FileWatcher(const QString& path, Callback callback, double latencySeconds, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_root(standardized(path))
    , m_callback(std::move(callback))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(int(latencySeconds * 1000));
    connect(&m_timer, &QTimer::timeout, this, &FileWatcher::deliver);

    FileWatchEngine& engine = FileWatchEngine::shared(); // made here, on this thread
    engine.addClient(this);

    auto walk = std::make_shared<Walk>();
    m_walk = walk;
    QPointer<FileWatcher> self(this);
    const QString root = m_root;
    QThreadPool::globalInstance()->start([walk, root, self] {
        std::vector<Walk::Found> found;
        int failure = 0;
        QString failedPath;
        std::vector<QString> pending { root };
        while (!pending.empty()) {
            {
                QMutexLocker lock(&walk->mutex);
                if (walk->cancelled)
                    break;
            }
            const QString folder = pending.back();
            pending.pop_back();
            // Watch first, then list, so that nothing made in between is missed.
            const int watch = FileWatchEngine::shared().addWatch(folder);
            if (watch < 0) {
                if (!failure) {
                    failure = -watch;
                    failedPath = folder;
                }
                continue;
            }
            std::optional<Listing> listing = listFolder(folder);
            Walk::Found entry { watch, folder, {} };
            if (listing) {
                entry.names = std::move(listing->names);
                for (QString& sub : listing->folders)
                    pending.push_back(std::move(sub));
            }
            found.push_back(std::move(entry));
        }
        {
            QMutexLocker lock(&walk->mutex);
            walk->found = std::move(found);
            walk->failure = failure;
            walk->failedPath = failedPath;
            if (walk->cancelled) {
                walk->releaseAll();
                return;
            }
            walk->published = true;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self)
                    self->finishWalk();
            },
            Qt::QueuedConnection);
    });
}

FileWatcher::~FileWatcher()
{
    close();
}

void FileWatcher::close()
{
    if (m_closed)
        return;
    m_closed = true;
    *m_alive = false;
    m_timer.stop();
    m_batch.clear();
    m_early.clear();
    FileWatchEngine& engine = FileWatchEngine::shared();
    engine.removeClient(this);
    if (m_walk) {
        QMutexLocker lock(&m_walk->mutex);
        m_walk->cancelled = true;
        if (m_walk->published)
            m_walk->releaseAll();
    }
    for (const auto& [watch, folder] : m_dirs)
        engine.releaseWatch(watch);
    m_dirs.clear();
    m_watchOfPath.clear();
}

int FileWatcher::watchOfFolder(const QString& folderPath) const
{
    auto it = m_watchOfPath.find(folderPath);
    return it == m_watchOfPath.end() ? -1 : it->second;
}

void FileWatcher::finishWalk()
{
    if (m_closed || !m_walk)
        return;
    std::vector<Walk::Found> found;
    int failure = 0;
    QString failedPath;
    {
        QMutexLocker lock(&m_walk->mutex);
        found = std::move(m_walk->found);
        m_walk->found.clear();
        m_walk->published = false;
        failure = m_walk->failure;
        failedPath = m_walk->failedPath;
    }
    m_walk.reset();
    for (Walk::Found& folder : found) {
        if (m_dirs.count(folder.watch)) {
            FileWatchEngine::shared().releaseWatch(folder.watch);
            continue;
        }
        m_watchOfPath[folder.path] = folder.watch;
        m_dirs[folder.watch] = Folder { folder.path, std::move(folder.names) };
    }
    if (failure)
        noteWatchFailure(failedPath, failure);
    m_ready = true;
    std::vector<FileWatchEvent> early = std::move(m_early);
    m_early.clear();
    if (!early.empty())
        process(early);
    emit ready();
}

void FileWatcher::noteWatchFailure(const QString& folderPath, int error)
{
    if (error == ENOSPC) {
        if (m_limitReported)
            return;
        m_limitReported = true;
        appLog().error(QStringLiteral("Cannot watch \"%1\" for changes: the system's limit of %2 folder watches "
                                      "(fs.inotify.max_user_watches) is reached; changes below it will not show")
                           .arg(folderPath)
                           .arg(FileWatchEngine::maxUserWatches()));
        return;
    }
    // A folder that vanished while it was being watched is no failure worth a word.
    if (error != ENOENT && error != ENOTDIR)
        appLog().warning(QStringLiteral("Cannot watch \"%1\": %2").arg(folderPath, QString::fromLocal8Bit(strerror(error))));
}

void FileWatcher::fileWatchEvents(const std::vector<FileWatchEvent>& events)
{
    if (m_closed)
        return;
    if (!m_ready) {
        m_early.insert(m_early.end(), events.begin(), events.end());
        return;
    }
    process(events);
}

bool FileWatcher::isInside(const QString& path, const QString& folder)
{
    return path.size() > folder.size() && path.startsWith(folder) && path.at(folder.size()) == QLatin1Char('/');
}

void FileWatcher::process(const std::vector<FileWatchEvent>& events)
{
    std::unordered_map<quint32, QString> movedAway; // cookie -> old folder path
    bool overflowed = false;
    for (const FileWatchEvent& event : events) {
        if (m_closed)
            return;
        if (event.mask & IN_Q_OVERFLOW) {
            overflowed = true;
            continue;
        }
        auto it = m_dirs.find(event.watch);
        if (it == m_dirs.end())
            continue;
        if (event.mask & IN_IGNORED) {
            m_watchOfPath.erase(it->second.path);
            m_dirs.erase(it);
            continue;
        }
        Folder& folder = it->second;
        const bool isDir = event.mask & IN_ISDIR;
        const quint32 dirFlag = isDir ? quint32(ItemIsDirectory) : 0u;
        if (event.name.isEmpty()) {
            // About the watched folder itself: its parent reports it, except for the root.
            if (folder.path != m_root)
                continue;
            if (event.mask & IN_DELETE_SELF)
                report(m_root, RootChanged | ItemRemoved | ItemIsDirectory);
            else if (event.mask & IN_MOVE_SELF)
                report(m_root, RootChanged | ItemRenamed | ItemIsDirectory);
            else if (event.mask & IN_ATTRIB)
                report(m_root, ItemAttributesChanged | ItemIsDirectory);
            continue;
        }
        const QString path = folder.path + QLatin1Char('/') + event.name;
        if (event.mask & IN_CREATE) {
            const bool known = folder.names.contains(event.name);
            folder.names.insert(event.name);
            if (!known)
                report(path, ItemCreated | dirFlag);
            if (isDir && watchOfFolder(path) < 0)
                watchSubtree(path, true);
        } else if (event.mask & IN_MOVED_FROM) {
            folder.names.remove(event.name);
            report(path, ItemRenamed | dirFlag);
            if (isDir)
                movedAway[event.cookie] = path;
        } else if (event.mask & IN_MOVED_TO) {
            folder.names.insert(event.name);
            report(path, ItemRenamed | dirFlag);
            if (isDir) {
                auto from = movedAway.find(event.cookie);
                if (from != movedAway.end()) {
                    remapSubtree(from->second, path);
                    movedAway.erase(from);
                } else if (watchOfFolder(path) < 0) {
                    watchSubtree(path, true);
                }
            }
        } else if (event.mask & IN_DELETE) {
            folder.names.remove(event.name);
            report(path, ItemRemoved | dirFlag);
        } else if (event.mask & IN_CLOSE_WRITE) {
            report(path, ItemModified);
        } else if (event.mask & IN_ATTRIB) {
            report(path, ItemAttributesChanged | dirFlag);
        }
    }
    // Folders moved out of the tree (their other half never came) go silent.
    for (const auto& [cookie, path] : movedAway)
        unwatchSubtree(path);
    if (overflowed && !m_closed)
        recoverFromOverflow();
}

void FileWatcher::watchSubtree(const QString& folderPath, bool reportContents)
{
    std::vector<QString> pending { folderPath };
    FileWatchEngine& engine = FileWatchEngine::shared();
    while (!pending.empty()) {
        const QString folder = pending.back();
        pending.pop_back();
        const int watch = engine.addWatch(folder);
        if (watch < 0) {
            noteWatchFailure(folder, -watch);
            continue;
        }
        if (m_dirs.count(watch)) {
            // Already watched under this or another name (a move we saw in two halves).
            engine.releaseWatch(watch);
            continue;
        }
        std::optional<Listing> listing = listFolder(folder);
        Folder entry { folder, {} };
        if (listing) {
            entry.names = listing->names;
            if (reportContents) {
                for (const QString& name : listing->names) {
                    const QString child = folder + QLatin1Char('/') + name;
                    const bool isDir = std::find(listing->folders.begin(), listing->folders.end(), child) != listing->folders.end();
                    report(child, ItemCreated | (isDir ? quint32(ItemIsDirectory) : 0u));
                }
            }
            for (const QString& sub : listing->folders)
                pending.push_back(sub);
        }
        m_watchOfPath[folder] = watch;
        m_dirs[watch] = std::move(entry);
    }
}

void FileWatcher::unwatchSubtree(const QString& folderPath)
{
    FileWatchEngine& engine = FileWatchEngine::shared();
    for (auto it = m_dirs.begin(); it != m_dirs.end();) {
        if (it->second.path == folderPath || isInside(it->second.path, folderPath)) {
            engine.releaseWatch(it->first);
            m_watchOfPath.erase(it->second.path);
            it = m_dirs.erase(it);
        } else {
            ++it;
        }
    }
}

void FileWatcher::remapSubtree(const QString& from, const QString& to)
{
    for (auto& [watch, folder] : m_dirs) {
        if (folder.path == from || isInside(folder.path, from)) {
            m_watchOfPath.erase(folder.path);
            folder.path = to + folder.path.mid(from.size());
            m_watchOfPath[folder.path] = watch;
        }
    }
}

void FileWatcher::recoverFromOverflow()
{
    appLog().error(QStringLiteral("File events below \"%1\" were lost (the system's event queue overflowed); re-reading the folders").arg(m_root));
    std::vector<int> watches;
    watches.reserve(m_dirs.size());
    for (const auto& [watch, folder] : m_dirs)
        watches.push_back(watch);
    for (int watch : watches) {
        auto it = m_dirs.find(watch);
        if (it == m_dirs.end())
            continue;
        const QString folderPath = it->second.path;
        std::optional<Listing> listing = listFolder(folderPath);
        if (!listing)
            continue; // its parent reports it gone
        const QSet<QString> before = it->second.names;
        it->second.names = listing->names;
        for (const QString& name : before) {
            if (!listing->names.contains(name)) {
                const QString child = folderPath + QLatin1Char('/') + name;
                const bool wasDir = watchOfFolder(child) >= 0;
                report(child, ItemRemoved | FoundAfterOverflow | (wasDir ? quint32(ItemIsDirectory) : 0u));
                if (wasDir)
                    unwatchSubtree(child);
            }
        }
        for (const QString& name : listing->names) {
            if (before.contains(name))
                continue;
            const QString child = folderPath + QLatin1Char('/') + name;
            const bool isDir = std::find(listing->folders.begin(), listing->folders.end(), child) != listing->folders.end();
            report(child, ItemCreated | FoundAfterOverflow | (isDir ? quint32(ItemIsDirectory) : 0u));
            if (isDir && watchOfFolder(child) < 0)
                watchSubtree(child, true);
        }
    }
}

void FileWatcher::report(const QString& path, quint32 flags)
{
    if (m_closed)
        return;
    m_batch.emplace_back(path, flags);
    if (!m_timer.isActive())
        m_timer.start();
}

void FileWatcher::deliver()
{
    std::vector<std::pair<QString, quint32>> batch = std::move(m_batch);
    m_batch.clear();
    // The callback may close (or schedule the end of) this watcher.
    const std::shared_ptr<bool> alive = m_alive;
    const Callback callback = m_callback;
    const std::function<void()> batchEnd = m_batchEnd;
    for (const auto& [path, flags] : batch) {
        if (!*alive)
            return;
        if (callback)
            callback(path, flags);
    }
    if (*alive && batchEnd)
        batchEnd();
}

} // namespace penwick
