#include "platform/FileWatchEngine.h"

#include "platform/FileNames.h"

#include <QFile>
#include <QSocketNotifier>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>

#include <sys/inotify.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

constexpr std::uint32_t watchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB
    | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;

} // namespace

FileWatchEngine& FileWatchEngine::shared()
{
    // Lives for the whole process; never destroyed, so late closes find it.
    static FileWatchEngine* engine = new FileWatchEngine();
    return *engine;
}

FileWatchEngine::FileWatchEngine()
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FileWatchEngine::readEvents);
}

FileWatchEngine::~FileWatchEngine()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int FileWatchEngine::addWatch(const QString& folderPath, bool followLink)
{
    if (m_fd < 0)
        return -ENOSYS;
    const QByteArray path = encodeFileName(folderPath);
    QMutexLocker lock(&m_mutex);
    const int watch = ::inotify_add_watch(m_fd, path.constData(), followLink ? watchMask & ~std::uint32_t(IN_DONT_FOLLOW) : watchMask);
    if (watch < 0)
        return -errno;
    ++m_references[watch];
    return watch;
}

void FileWatchEngine::releaseWatch(int watch)
{
    QMutexLocker lock(&m_mutex);
    auto it = m_references.find(watch);
    if (it == m_references.end())
        return;
    if (--it->second > 0)
        return;
    m_references.erase(it);
    ::inotify_rm_watch(m_fd, watch);
}

void FileWatchEngine::releaseWatches(std::vector<int> watches, std::function<void()> done)
{
    constexpr std::size_t releasedInPlace = 256;
    if (watches.size() <= releasedInPlace) {
        for (int watch : watches)
            releaseWatch(watch);
        if (done)
            done();
        return;
    }
    // The engine is never destroyed, so the worker may outlive anything else.
    QThreadPool::globalInstance()->start([this, watches = std::move(watches), done = std::move(done)] {
        for (int watch : watches)
            releaseWatch(watch);
        if (done)
            QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
    });
}

int FileWatchEngine::referenceCount(int watch) const
{
    QMutexLocker lock(&m_mutex);
    auto it = m_references.find(watch);
    return it == m_references.end() ? 0 : it->second;
}

int FileWatchEngine::watchCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_references.size());
}

void FileWatchEngine::addClient(FileWatchClient* client)
{
    QMutexLocker lock(&m_mutex);
    if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
        m_clients.push_back(client);
}

void FileWatchEngine::removeClient(FileWatchClient* client)
{
    QMutexLocker lock(&m_mutex);
    std::erase(m_clients, client);
}

namespace {

int readNumber(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toInt();
}

} // namespace

int FileWatchEngine::maxUserWatches()
{
    return readNumber(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
}

FileWatchEngine::WatchLimit FileWatchEngine::watchLimit()
{
    // The system's value is that of the first namespace; a namespace inside it may set a
    // lower one of its own, which is the one a process inside it runs into.
    const int system = maxUserWatches();
    const int inNamespace = readNumber(QStringLiteral("/proc/sys/user/max_inotify_watches"));
    if (inNamespace > 0 && (system <= 0 || inNamespace < system))
        return { inNamespace, QStringLiteral("user.max_inotify_watches") };
    return { system, QStringLiteral("fs.inotify.max_user_watches") };
}

void FileWatchEngine::readEvents()
{
    if (m_fd < 0)
        return;
    std::vector<FileWatchEvent> events;
    alignas(inotify_event) char buffer[64 * 1024];
    while (true) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* raw = reinterpret_cast<const inotify_event*>(buffer + offset);
            FileWatchEvent event;
            event.watch = raw->wd;
            event.mask = raw->mask;
            event.cookie = raw->cookie;
            if (raw->len > 0)
                event.name = decodeFileName(QByteArray(raw->name));
            events.push_back(std::move(event));
            offset += ssize_t(sizeof(inotify_event) + raw->len);
        }
    }
    if (events.empty())
        return;
    std::vector<FileWatchClient*> clients;
    {
        QMutexLocker lock(&m_mutex);
        // The kernel dropped these watches (their folder is gone).
        for (const FileWatchEvent& event : events) {
            if (event.mask & IN_IGNORED)
                m_references.erase(event.watch);
        }
        clients = m_clients;
    }
    for (FileWatchClient* client : clients) {
        bool stillThere;
        {
            QMutexLocker lock(&m_mutex);
            stillThere = std::find(m_clients.begin(), m_clients.end(), client) != m_clients.end();
        }
        if (stillThere)
            client->fileWatchEvents(events);
    }
}

} // namespace penwick::platform
