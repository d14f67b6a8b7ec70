#include "sidebar/FileWatcher.h"

#include "sidebar/WatchShare.h"

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
    QStringList tops;
    QString root; // followed when it is a link
    bool isRoot = false;
    bool regrow = false;
    bool reportContents = false;
    int budget = -1;
    QMutex mutex;
    bool cancelled = false;
    bool published = false;
    std::vector<Found> found;
    std::vector<std::pair<QString, quint32>> contents; // what the walk found, to report as made
    dev_t device = 0;
    ino_t inode = 0;
    int failure = 0;
    QString failedPath;
    QStringList leftOut; // not watched: no watch left, or the budget spent
    bool hitLimit = false;
    int added = 0;
    // Taken over by the watcher, which registers `found` a slice per turn from `next` on.
    bool taken = false;
    bool current = true;
    std::size_t next = 0;

    void releaseAll()
    {
        std::vector<int> watches;
        for (std::size_t i = next; i < found.size(); ++i)
            watches.push_back(found[i].watch);
        FileWatchEngine::shared().releaseWatches(std::move(watches));
        found.clear();
        next = 0;
    }
    void run();
};

void FileWatcher::Walk::run()
{
    std::vector<Found> results;
    std::vector<std::pair<QString, quint32>> made;
    int firstFailure = 0;
    QString firstFailedPath;
    QStringList notWatched;
    bool limit = false;
    int count = 0;
    struct stat topInfo;
    if (::stat(platform::encodeFileName(top).constData(), &topInfo) == 0) {
        device = topInfo.st_dev;
        inode = topInfo.st_ino;
    }
    // Level by level, so that at the limit of watches the top levels are the ones watched.
    std::deque<QString> pending(tops.begin(), tops.end());
    while (!pending.empty()) {
        {
            QMutexLocker lock(&mutex);
            if (cancelled)
                break;
        }
        if (budget >= 0 && count >= budget) {
            notWatched.append(QStringList(pending.begin(), pending.end()));
            break;
        }
        const QString folder = std::move(pending.front());
        pending.pop_front();
        // Watch first, then list, so that nothing made in between is missed. The root is
        // followed when it is a link; links inside it are not.
        const int watch = FileWatchEngine::shared().addWatch(folder, folder == root);
        if (watch == -ENOSPC) {
            // This folder and every one still queued (and so all below them) stay unwatched.
            limit = true;
            notWatched.append(folder);
            notWatched.append(QStringList(pending.begin(), pending.end()));
            break;
        }
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
        ++count;
    }
    QMutexLocker lock(&mutex);
    found = std::move(results);
    contents = std::move(made);
    failure = firstFailure;
    failedPath = firstFailedPath;
    leftOut = std::move(notWatched);
    hitLimit = limit;
    added = count;
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
    WatchShare::shared().add(this);

    startWalk({ m_root }, true, false);
}

void FileWatcher::startWalk(const QStringList& tops, bool isRoot, bool reportContents, int budget, bool regrow)
{
    auto walk = std::make_shared<Walk>();
    walk->top = tops.value(0);
    walk->tops = tops;
    walk->root = m_root;
    walk->isRoot = isRoot;
    walk->regrow = regrow;
    walk->budget = budget;
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
    m_unwatched.clear();
    m_growing.clear();
    FileWatchEngine& engine = FileWatchEngine::shared();
    engine.removeClient(this);
    for (const std::shared_ptr<Walk>& walk : m_walks) {
        QMutexLocker lock(&walk->mutex);
        walk->cancelled = true;
        if (walk->published || walk->taken)
            walk->releaseAll();
    }
    m_walks.clear();
    std::vector<int> watches;
    watches.reserve(m_dirs.size());
    for (const auto& [watch, folder] : m_dirs)
        watches.push_back(watch);
    engine.releaseWatches(std::move(watches), [] { WatchShare::shared().watchesFreed(); });
    m_dirs.clear();
    m_watchOfPath.clear();
    WatchShare::shared().remove(this);
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
    if (!walk->taken) {
        {
            QMutexLocker lock(&walk->mutex);
            walk->taken = true;
            walk->published = false;
        }
        if (!walk->isRoot && !walk->regrow) {
            // A folder moved away or replaced while it was walked is not this tree's any more.
            struct stat info;
            walk->current = ::lstat(platform::encodeFileName(walk->top).constData(), &info) == 0 && S_ISDIR(info.st_mode)
                && info.st_dev == walk->device && info.st_ino == walk->inode;
        }
        m_dirs.reserve(m_dirs.size() + walk->found.size());
        m_watchOfPath.reserve(m_watchOfPath.size() + walk->found.size());
    }
    // A big tree's folders are taken in a slice per turn; its events wait meanwhile.
    constexpr std::size_t foldersPerTurn = 4000;
    const std::size_t end = std::min(walk->found.size(), walk->next + foldersPerTurn);
    std::vector<int> unused;
    for (; walk->next < end; ++walk->next) {
        Walk::Found& folder = walk->found[walk->next];
        if (!walk->current || m_dirs.count(folder.watch)) {
            // Gone, or already watched under this or another name (a move seen in two halves).
            unused.push_back(folder.watch);
            continue;
        }
        m_watchOfPath[folder.path] = folder.watch;
        m_dirs[folder.watch] = Folder { folder.path, std::move(folder.names) };
    }
    FileWatchEngine::shared().releaseWatches(std::move(unused));
    if (walk->next < walk->found.size()) {
        QTimer::singleShot(0, this, [this, walk] { finishWalk(walk); });
        return;
    }
    m_walks.erase(it);
    walk->found.clear();
    walk->next = 0;
    std::vector<std::pair<QString, quint32>> contents = std::move(walk->contents);
    const bool wasFull = isWatchedInFull();
    const int leftOutBefore = int(m_unwatched.size() + m_growing.size());
    if (walk->regrow)
        m_growing.clear();
    if (walk->current) {
        for (const auto& [path, flags] : contents)
            report(path, flags);
        leaveOut(walk->leftOut);
    }
    if (walk->failure)
        noteWatchFailure(walk->failedPath, walk->failure, walk->isRoot && walk->failedPath == walk->top);
    if (walk->hitLimit) {
        // Found no room at all: no use trying again until watches come free.
        if (walk->regrow && walk->added == 0)
            m_stalled = true;
        WatchShare::shared().limitReached();
    } else if (!walk->leftOut.isEmpty()) {
        WatchShare::shared().scheduleRebalance();
    }
    coverageMayHaveChanged(wasFull, leftOutBefore);
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
    const bool wasFull = isWatchedInFull();
    const int leftOutBefore = int(m_unwatched.size() + m_growing.size());
    std::unordered_map<quint32, QString> movedAway; // cookie -> old folder path
    bool overflowed = false;
    bool freed = false;
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
            freed = true;
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
                    moveLeftOut(from->second, path);
                    movedAway.erase(from);
                } else if (watchOfFolder(path) < 0) {
                    watchSubtree(path, true);
                }
            }
        } else if (event.mask & IN_DELETE) {
            folder.names.remove(event.name);
            report(path, ItemRemoved | dirFlag);
            if (isDir)
                forgetLeftOut(path);
        } else if (event.mask & IN_CLOSE_WRITE) {
            report(path, ItemModified);
        } else if (event.mask & IN_ATTRIB) {
            report(path, ItemAttributesChanged | dirFlag);
        }
    }
    // Folders moved out of the tree (their other half never came) go silent.
    if (!movedAway.empty()) {
        QSet<QString> gone;
        for (const auto& [cookie, path] : movedAway) {
            gone.insert(path);
            forgetLeftOut(path);
        }
        unwatchSubtrees(gone);
    }
    if (overflowed && !m_closed)
        recoverFromOverflow();
    if (m_closed)
        return;
    if (freed)
        WatchShare::shared().watchesFreed();
    coverageMayHaveChanged(wasFull, leftOutBefore);
}

void FileWatcher::watchSubtree(const QString& folderPath, bool reportContents)
{
    startWalk({ folderPath }, false, reportContents);
}

void FileWatcher::unwatchSubtrees(const QSet<QString>& folderPaths)
{
    // One pass over the watched folders, each checked against the gone ones by its ancestors.
    std::vector<int> released;
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
            released.push_back(it->first);
            m_watchOfPath.erase(it->second.path);
            it = m_dirs.erase(it);
        } else {
            ++it;
        }
    }
    FileWatchEngine::shared().releaseWatches(std::move(released), [] { WatchShare::shared().watchesFreed(); });
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

QStringList FileWatcher::unwatchedFolders() const
{
    QStringList folders(m_growing.begin(), m_growing.end());
    folders.append(QStringList(m_unwatched.begin(), m_unwatched.end()));
    std::stable_sort(folders.begin(), folders.end(), [this](const QString& a, const QString& b) { return depthOf(a) < depthOf(b); });
    return folders;
}

int FileWatcher::depthOf(const QString& path) const
{
    return int(QStringView(path).mid(m_root.size()).count(QLatin1Char('/')));
}

void FileWatcher::leaveOut(const QStringList& folders)
{
    if (folders.isEmpty())
        return;
    m_unwatched.insert(m_unwatched.end(), folders.begin(), folders.end());
    // Only the tops: a walk from a top takes in everything below it.
    QSet<QString> tops(m_unwatched.begin(), m_unwatched.end());
    for (const QString& folder : m_growing)
        tops.insert(folder);
    std::vector<QString> kept;
    QSet<QString> seen;
    for (const QString& folder : m_unwatched) {
        if (seen.contains(folder))
            continue;
        seen.insert(folder);
        bool covered = false;
        for (QString above = folder; above.size() > m_root.size();) {
            const qsizetype slash = above.lastIndexOf(QLatin1Char('/'));
            if (slash <= 0)
                break;
            above.truncate(slash);
            if (tops.contains(above)) {
                covered = true;
                break;
            }
        }
        if (!covered)
            kept.push_back(folder);
    }
    std::sort(kept.begin(), kept.end(), [this](const QString& a, const QString& b) {
        const int da = depthOf(a);
        const int db = depthOf(b);
        return da != db ? da < db : a < b;
    });
    m_unwatched = std::move(kept);
}

void FileWatcher::forgetLeftOut(const QString& folderPath)
{
    const auto gone = [&](const QString& folder) { return folder == folderPath || isInside(folder, folderPath); };
    std::erase_if(m_unwatched, gone);
    std::erase_if(m_growing, gone);
}

void FileWatcher::moveLeftOut(const QString& from, const QString& to)
{
    for (std::vector<QString>* list : { &m_unwatched, &m_growing }) {
        for (QString& folder : *list) {
            if (folder == from || isInside(folder, from))
                folder = to + folder.mid(from.size());
        }
    }
}

void FileWatcher::shed(int count)
{
    if (m_closed || count <= 0)
        return;
    const bool wasFull = isWatchedInFull();
    const int leftOutBefore = int(m_unwatched.size() + m_growing.size());
    struct Candidate {
        int depth;
        int watch;
        QString path;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(m_dirs.size());
    for (const auto& [watch, folder] : m_dirs) {
        if (folder.path != m_root)
            candidates.push_back({ depthOf(folder.path), watch, folder.path });
    }
    const size_t n = std::min(candidates.size(), size_t(count));
    std::partial_sort(candidates.begin(), candidates.begin() + qsizetype(n), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.depth != b.depth ? a.depth > b.depth : a.path > b.path;
    });
    QStringList released;
    std::vector<int> watches;
    for (size_t i = 0; i < n; ++i) {
        watches.push_back(candidates[i].watch);
        m_watchOfPath.erase(candidates[i].path);
        m_dirs.erase(candidates[i].watch);
        released.append(candidates[i].path);
    }
    FileWatchEngine::shared().releaseWatches(std::move(watches), [] { WatchShare::shared().watchesFreed(); });
    leaveOut(released);
    coverageMayHaveChanged(wasFull, leftOutBefore);
}

void FileWatcher::grow(int budget)
{
    if (m_closed || !m_ready || m_stalled || budget <= 0 || m_unwatched.empty() || !m_growing.empty())
        return;
    m_growing = std::move(m_unwatched);
    m_unwatched.clear();
    startWalk(QStringList(m_growing.begin(), m_growing.end()), false, false, budget, true);
}

void FileWatcher::coverageMayHaveChanged(bool wasFull, int leftOutBefore)
{
    const bool full = isWatchedInFull();
    const int leftOut = int(m_unwatched.size() + m_growing.size());
    if (full == wasFull && leftOut == leftOutBefore)
        return;
    if (full) {
        m_limitReported = false;
        appLog().info(QStringLiteral("Every folder below \"%1\" is watched for changes again").arg(m_root));
    } else if (!m_limitReported) {
        m_limitReported = true;
        const FileWatchEngine::WatchLimit limit = FileWatchEngine::watchLimit();
        appLog().error(QStringLiteral("Not every folder below \"%1\" is watched for changes: the limit of %2 folder watches "
                                      "per user (%3) is reached, %4 of them held by Penwick; changes in %5 of its folders "
                                      "(first \"%6\") and below them will not show")
                           .arg(m_root)
                           .arg(limit.value)
                           .arg(limit.setting)
                           .arg(FileWatchEngine::shared().watchCount())
                           .arg(leftOut)
                           .arg(unwatchedFolders().value(0)));
    }
    emit coverageChanged();
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
