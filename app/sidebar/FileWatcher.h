#pragma once

#include "platform/FileWatchEngine.h"

#include <QObject>
#include <QStringList>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace penwick {

// Watches a folder tree and hands every changed path below it to a callback, in
// batches: each batch arrives `latency` after its first event, in order, followed by
// the batch-end call. Folders created or moved into the tree are watched and what
// they hold is reported as created; a folder moved out goes silent. Events arrive
// on the thread that made the watcher (the main thread).
class FileWatcher : public QObject, private platform::FileWatchClient {
    Q_OBJECT
public:
    enum Flag : quint32 {
        ItemCreated = 0x1,
        ItemRemoved = 0x2,
        ItemRenamed = 0x4, // moved away from or to this path
        ItemModified = 0x8,
        ItemAttributesChanged = 0x10,
        ItemIsDirectory = 0x20,
        RootChanged = 0x40, // the watched folder itself was moved or deleted
        FoundAfterOverflow = 0x80, // a difference found by re-reading after lost events
    };
    using Callback = std::function<void(const QString& path, quint32 flags)>;

    FileWatcher(const QString& path, Callback callback, double latencySeconds = 0.5, QObject* parent = nullptr);
    ~FileWatcher() override;

    // The folder as it was given; changed paths start with watchedPath().
    QString path() const { return m_path; }
    QString watchedPath() const { return m_root; }
    void setBatchEndHandler(std::function<void()> handler) { m_batchEnd = std::move(handler); }

    // Stops for good: nothing is delivered afterwards.
    void close();
    bool isClosed() const { return m_closed; }
    // True once the first walk of the tree is done and its folders are watched.
    bool isReady() const { return m_ready; }
    int watchedFolderCount() const { return int(m_dirs.size()); }
    // The kernel watch of a folder of the tree; -1 when it is not watched.
    int watchOfFolder(const QString& folderPath) const;
    // False while the limit of watches leaves folders of the tree unwatched.
    bool isWatchedInFull() const { return m_unwatched.empty() && m_growing.empty(); }
    // The tops of the subtrees left unwatched, shallowest first.
    QStringList unwatchedFolders() const;

signals:
    void ready();
    // The tree came to be watched in full, or no longer is, or other folders are left out.
    void coverageChanged();

private:
    struct Folder {
        QString path;
        QSet<QString> names;
    };
    struct Walk;

    void fileWatchEvents(const std::vector<platform::FileWatchEvent>& events) override;
    // Walks `top` on a worker thread and watches its folders; events wait until it is done.
    // `budget` bounds the watches it adds (-1: none); what it could not watch is left out.
    void startWalk(const QStringList& tops, bool isRoot, bool reportContents, int budget = -1, bool regrow = false);
    void finishWalk(const std::shared_ptr<Walk>& walk);
    void process(const std::vector<platform::FileWatchEvent>& events);
    void report(const QString& path, quint32 flags);
    void deliver();
    void watchSubtree(const QString& folderPath, bool reportContents);
    void unwatchSubtrees(const QSet<QString>& folderPaths);
    void remapSubtree(const QString& from, const QString& to);
    void recoverFromOverflow();
    void noteWatchFailure(const QString& folderPath, int error, bool isRoot = false);
    static bool isInside(const QString& path, const QString& folder);

    // Sharing the watches with the other roots (WatchShare).
    friend class WatchShare;
    // Gives up the `count` deepest watches (never the root's).
    void shed(int count);
    // Watches up to `budget` more of the folders left out, the shallowest first.
    void grow(int budget);
    void leaveOut(const QStringList& folders);
    // Forgets left-out folders at or below a folder gone from the tree; moves them with a moved one.
    void forgetLeftOut(const QString& folderPath);
    void moveLeftOut(const QString& from, const QString& to);
    void coverageMayHaveChanged(bool wasFull, int leftOutBefore);
    int depthOf(const QString& path) const;

    QString m_path;
    QString m_root;
    Callback m_callback;
    std::function<void()> m_batchEnd;
    QTimer m_timer;
    bool m_closed = false;
    bool m_ready = false;
    bool m_limitReported = false;
    std::vector<QString> m_unwatched; // tops of unwatched subtrees, shallowest first
    std::vector<QString> m_growing; // tops being walked to be watched again
    bool m_stalled = false; // the last try to watch more found no room
    std::vector<std::shared_ptr<Walk>> m_walks; // running
    std::vector<platform::FileWatchEvent> m_early; // arrived while a walk ran
    std::unordered_map<int, Folder> m_dirs;
    std::unordered_map<QString, int> m_watchOfPath;
    std::vector<std::pair<QString, quint32>> m_batch;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace penwick
