#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

namespace penwick::platform {

// Gathers every regular file under a set of root folders on a worker thread and
// hands the list (absolute paths, ordered by file name) to the main thread. Symbolic
// links are not followed, names beginning with "." are skipped, and unreadable
// folders, missing roots and roots that are not folders are passed over. The list
// is kept for its roots until `markStale` (or new roots) asks for a new walk, so
// asking again costs nothing while nothing changed.
class FileGatherer : public QObject {
    Q_OBJECT
public:
    explicit FileGatherer(QObject* parent = nullptr);
    ~FileGatherer() override;

    QStringList roots() const { return m_roots; }
    void setRoots(const QStringList& roots);
    // Something under a root changed: the next request walks again.
    void markStale();
    bool isStale() const { return m_stale; }
    bool isGathering() const { return m_walking; }
    // Number of walks started so far.
    int walkCount() const { return m_walkCount; }

    // Asks for the list: `gathered` follows from the event loop, once for any number of
    // requests made before it, with the kept list or after a new walk.
    void request();

    // The walk itself, on the calling thread.
    static QStringList walk(const QStringList& roots);

signals:
    void gathered(const QStringList& paths);

private:
    void startWalk();
    void walkFinished(quint64 generation, const QStringList& paths);
    void deliver();

    QStringList m_roots;
    QStringList m_list;
    bool m_stale = true;
    bool m_walking = false;
    bool m_deliveryQueued = false;
    bool m_requested = false;
    int m_walkCount = 0;
    quint64 m_generation = 0; // a walk of older roots or older contents is not kept
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace penwick::platform
