#include "sidebar/FileWatcher.h"

#include "Extensions/StringAdditions.h"
#include "platform/FileNames.h"
#include "common/AppLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <deque>
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
    QSet<QString> folders; // the names of the sub-folders (links not followed)
};

std::optional<Listing> listFolder(const QString& folderPath)
{
    const QByteArray folder = platform::encodeFileName(folderPath);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return std::nullopt;
    Listing listing;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        const QString decoded = platform::decodeFileName(QByteArray(name));
        listing.names.insert(decoded);
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info;
            isDir = ::lstat((folder + '/' + name).constData(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (isDir)
            listing.folders.insert(decoded);
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

// A walk of a folder tree on a worker thread: the first one of the root, and one for each
// folder that comes in later. Shared between the watcher and the worker.
struct FileWatcher::Walk {
    struct Found {
        int watch;
        QString path;
        QSet<QString> names;
    };
    QString top;
    bool isRoot = false;
    bool reportContents = false;
    QMutex mutex;
    bool cancelled = false;
    bool published = false;
    std::vector<Found> found;
    std::vector<std::pair<QString, quint32>> contents; // what the walk found, to report as made
    dev_t device = 0;
    ino_t inode = 0;
    int failure = 0;
    QString failedPath;

    void releaseAll()
    {
        for (const Found& folder : found)
            FileWatchEngine::shared().releaseWatch(folder.watch);
        found.clear();
    }
    void run();
};

void FileWatcher::Walk::run()
{
    std::vector<Found> results;
    std::vector<std::pair<QString, quint32>> made;
    int firstFailure = 0;
    QString firstFailedPath;
    struct stat topInfo;
    if (::stat(platform::encodeFileName(top).constData(), &topInfo) == 0) {
        device = topInfo.st_dev;
        inode = topInfo.st_ino;
    }
    // Level by level, so that at the limit of watches the top levels are the ones watched.
    std::deque<QString> pending { top };
    while (!pending.empty()) {
        {
            QMutexLocker lock(&mutex);
            if (cancelled)
                break;
        }
        const QString folder = std::move(pending.front());
        pending.pop_front();
        // Watch first, then list, so that nothing made in between is missed. The root is
        // followed when it is a link; links inside it are not.
        const int watch = FileWatchEngine::shared().addWatch(folder, isRoot && folder == top);
        if (watch < 0) {
            if (!firstFailure) {
                firstFailure = -watch;
                firstFailedPath = folder;
            }
            continue;
        }
        std::optional<Listing> listing = listFolder(folder);
        Found entry { watch, folder, {} };
        if (listing) {
            for (const QString& name : listing->folders)
                pending.push_back(folder + QLatin1Char('/') + name);
            if (reportContents) {
                for (const QString& name : listing->names)
                    made.emplace_back(folder + QLatin1Char('/') + name, ItemCreated | (listing->folders.contains(name) ? quint32(ItemIsDirectory) : 0u));
            }
            entry.names = std::move(listing->names);
        }
        results.push_back(std::move(entry));
    }
    QMutexLocker lock(&mutex);
    found = std::move(results);
    contents = std::move(made);
    failure = firstFailure;
    failedPath = firstFailedPath;
    if (cancelled) {
        releaseAll();
        return;
    }
    published = true;
}

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

    startWalk(m_root, true, false);
}

void FileWatcher::startWalk(const QString& top, bool isRoot, bool reportContents)
{
    auto walk = std::make_shared<Walk>();
    walk->top = top;
    walk->isRoot = isRoot;
    walk->reportContents = reportContents;
    m_walks.push_back(walk);
    QPointer<FileWatcher> self(this);
    QThreadPool::globalInstance()->start([walk, self] {
        walk->run();
        {
            QMutexLocker lock(&walk->mutex);
            if (!walk->published)
                return;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, walk] {
                if (self)
                    self->finishWalk(walk);
                else {
                    QMutexLocker lock(&walk->mutex);
                    walk->releaseAll();
                }
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
    for (const std::shared_ptr<Walk>& walk : m_walks) {
        QMutexLocker lock(&walk->mutex);
        walk->cancelled = true;
        if (walk->published)
            walk->releaseAll();
    }
    m_walks.clear();
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

void FileWatcher::finishWalk(const std::shared_ptr<Walk>& walk)
{
    auto it = std::find(m_walks.begin(), m_walks.end(), walk);
    if (m_closed || it == m_walks.end()) {
        QMutexLocker lock(&walk->mutex);
        walk->releaseAll();
        return;
    }
    m_walks.erase(it);
    std::vector<Walk::Found> found;
    std::vector<std::pair<QString, quint32>> contents;
    {
        QMutexLocker lock(&walk->mutex);
        found = std::move(walk->found);
        walk->found.clear();
        contents = std::move(walk->contents);
        walk->published = false;
    }
    bool current = true;
    if (!walk->isRoot) {
        // A folder moved away or replaced while it was walked is not this tree's any more.
        struct stat info;
        current = ::lstat(platform::encodeFileName(walk->top).constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && info.st_dev == walk->device && info.st_ino == walk->inode;
    }
    for (Walk::Found& folder : found) {
        if (!current || m_dirs.count(folder.watch)) {
            // Gone, or already watched under this or another name (a move seen in two halves).
            FileWatchEngine::shared().releaseWatch(folder.watch);
            continue;
        }
        m_watchOfPath[folder.path] = folder.watch;
        m_dirs[folder.watch] = Folder { folder.path, std::move(folder.names) };
    }
    if (current) {
        for (const auto& [path, flags] : contents)
            report(path, flags);
    }
    if (walk->failure)
        noteWatchFailure(walk->failedPath, walk->failure, walk->isRoot && walk->failedPath == walk->top);
    if (walk->isRoot)
        m_ready = true;
    if (m_walks.empty()) {
        std::vector<FileWatchEvent> early = std::move(m_early);
        m_early.clear();
        if (!early.empty())
            process(early);
    }
    if (walk->isRoot && !m_closed)
        emit ready();
}

void FileWatcher::noteWatchFailure(const QString& folderPath, int error, bool isRoot)
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
    // A folder that vanished while it was being watched is no failure worth a word; the
    // root that cannot be watched is.
    if (isRoot)
        appLog().error(QStringLiteral("Cannot watch \"%1\" for changes: %2").arg(folderPath, QString::fromLocal8Bit(strerror(error))));
    else if (error != ENOENT && error != ENOTDIR)
        appLog().warning(QStringLiteral("Cannot watch \"%1\": %2").arg(folderPath, QString::fromLocal8Bit(strerror(error))));
}

void FileWatcher::fileWatchEvents(const std::vector<FileWatchEvent>& events)
{
    if (m_closed)
        return;
    // While a walk runs, its folders' events could not be told apart: they wait for it.
    if (!m_walks.empty()) {
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
    if (!movedAway.empty()) {
        QSet<QString> gone;
        for (const auto& [cookie, path] : movedAway)
            gone.insert(path);
        unwatchSubtrees(gone);
    }
    if (overflowed && !m_closed)
        recoverFromOverflow();
}

void FileWatcher::watchSubtree(const QString& folderPath, bool reportContents)
{
    startWalk(folderPath, false, reportContents);
}

void FileWatcher::unwatchSubtrees(const QSet<QString>& folderPaths)
{
    // One pass over the watched folders, each checked against the gone ones by its ancestors.
    FileWatchEngine& engine = FileWatchEngine::shared();
    for (auto it = m_dirs.begin(); it != m_dirs.end();) {
        bool inside = false;
        for (QString path = it->second.path; !path.isEmpty() && path.size() > m_root.size();) {
            if (folderPaths.contains(path)) {
                inside = true;
                break;
            }
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            if (slash <= 0)
                break;
            path.truncate(slash);
        }
        if (inside) {
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
    QSet<QString> goneFolders;
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
                    goneFolders.insert(child);
            }
        }
        for (const QString& name : listing->names) {
            if (before.contains(name))
                continue;
            const QString child = folderPath + QLatin1Char('/') + name;
            const bool isDir = listing->folders.contains(name);
            report(child, ItemCreated | FoundAfterOverflow | (isDir ? quint32(ItemIsDirectory) : 0u));
            if (isDir && watchOfFolder(child) < 0)
                watchSubtree(child, true);
        }
    }
    if (!goneFolders.isEmpty())
        unwatchSubtrees(goneFolders);
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
