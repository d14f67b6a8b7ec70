#pragma once

#include <QObject>

#include <vector>

namespace penwick {

class FileWatcher;

// Shares the folder watches the system allows among the watched roots of the process.
// Nothing is shared out until a walk runs into the limit; from then on every root gets an
// equal part (a root needing less leaves the rest to the others), each keeping the
// top levels of its tree: a root over its part gives up its deepest folders, a root under
// it watches more of the folders it had to leave.
class WatchShare : public QObject {
    Q_OBJECT
public:
    static WatchShare& shared();

    void add(FileWatcher* watcher);
    // Its watches are free for the others.
    void remove(FileWatcher* watcher);
    // A walk found no watch left: what the process holds now is what it can have.
    void limitReached();
    // Watches came free (a folder went away, a root gave some up).
    void watchesFreed();
    // Shares out again once the current turn of the event loop is done.
    void scheduleRebalance();
    // The number of watches the process found it can hold; 0 while no limit was met.
    int capacity() const { return m_capacity; }

private:
    WatchShare() = default;
    void rebalance();

    std::vector<FileWatcher*> m_watchers;
    int m_capacity = 0;
    bool m_scheduled = false;
};

} // namespace penwick
