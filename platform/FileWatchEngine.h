#pragma once

#include <QMutex>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class QSocketNotifier;

namespace penwick::platform {

// One kernel event as read: the watch it concerns, its mask, the move cookie and the
// entry name (empty for events about the watched folder itself).
struct FileWatchEvent {
    int watch = -1;
    std::uint32_t mask = 0;
    std::uint32_t cookie = 0;
    QString name;
};

// Receives the events of every read, in order; each client keeps to its own watches.
class FileWatchClient {
public:
    virtual ~FileWatchClient() = default;
    virtual void fileWatchEvents(const std::vector<FileWatchEvent>& events) = 0;
};

// The process's one inotify descriptor. Watches on folders are reference-counted, so
// that several clients (windows, nested roots) share them. Events are read on the
// thread that first used the engine (the main thread); watches may be added from any.
class FileWatchEngine : public QObject {
    Q_OBJECT
public:
    static FileWatchEngine& shared();

    // Watches the folder (following it only when asked, if it is a link); the watch id, or -errno.
    int addWatch(const QString& folderPath, bool followLink = false);
    // Drops one reference to the watch; the last one removes it.
    void releaseWatch(int watch);
    // The same for many: past a few hundred on a worker thread, since each removal is a
    // system call and a big tree's would hold the caller long. `done` runs on the engine's
    // thread once they are released.
    void releaseWatches(std::vector<int> watches, std::function<void()> done = {});
    int referenceCount(int watch) const;
    int watchCount() const;

    void addClient(FileWatchClient* client);
    void removeClient(FileWatchClient* client);

    bool isAvailable() const { return m_fd >= 0; }
    // The system's limit on watches per user (fs.inotify.max_user_watches); 0 when unknown.
    static int maxUserWatches();
    // The limit on watches that applies to this process: the lower of the user namespace's
    // (user.max_inotify_watches) and the system's; `setting` names the one that it is.
    struct WatchLimit {
        int value = 0;
        QString setting;
    };
    static WatchLimit watchLimit();

    // Reads and hands out what the kernel has queued now (also done by the event loop).
    void readEvents();

private:
    FileWatchEngine();
    ~FileWatchEngine() override;

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    mutable QMutex m_mutex;
    std::unordered_map<int, int> m_references;
    std::vector<FileWatchClient*> m_clients;
};

} // namespace penwick::platform
