#include "sidebar/WatchShare.h"

#include "platform/FileWatchEngine.h"
#include "sidebar/FileWatcher.h"

#include <QTimer>

#include <algorithm>
#include <climits>

namespace penwick {

WatchShare& WatchShare::shared()
{
    static WatchShare* share = new WatchShare();
    return *share;
}

void WatchShare::add(FileWatcher* watcher)
{
    if (std::find(m_watchers.begin(), m_watchers.end(), watcher) == m_watchers.end())
        m_watchers.push_back(watcher);
}

void WatchShare::remove(FileWatcher* watcher)
{
    std::erase(m_watchers, watcher);
    watchesFreed();
}

void WatchShare::limitReached()
{
    m_capacity = platform::FileWatchEngine::shared().watchCount();
    scheduleRebalance();
}

void WatchShare::watchesFreed()
{
    for (FileWatcher* watcher : m_watchers)
        watcher->m_stalled = false;
    if (m_capacity)
        scheduleRebalance();
}

void WatchShare::scheduleRebalance()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        rebalance();
    });
}

void WatchShare::rebalance()
{
    if (!m_capacity || m_watchers.empty())
        return;
    // Another program may have given watches back since the limit was met.
    const int capacity = std::max(m_capacity, platform::FileWatchEngine::shared().watchCount());
    struct Claim {
        FileWatcher* watcher;
        int held;
        int demand; // what it would watch given the room; INT_MAX while folders are left out
        int share = 0;
    };
    std::vector<Claim> claims;
    for (FileWatcher* watcher : m_watchers) {
        if (watcher->isClosed())
            continue;
        const int held = watcher->watchedFolderCount();
        claims.push_back({ watcher, held, watcher->isWatchedInFull() ? held : INT_MAX });
    }
    // Equal parts, the smaller demands met first and their rest shared by the others.
    std::stable_sort(claims.begin(), claims.end(), [](const Claim& a, const Claim& b) { return a.demand < b.demand; });
    int remaining = capacity;
    for (size_t i = 0; i < claims.size(); ++i) {
        const int part = remaining / int(claims.size() - i);
        claims[i].share = std::min(claims[i].demand, part);
        remaining -= claims[i].share;
    }
    bool shed = false;
    for (Claim& claim : claims) {
        if (claim.held > claim.share) {
            claim.watcher->shed(claim.held - claim.share);
            shed = true;
        }
    }
    if (shed) {
        for (Claim& claim : claims)
            claim.watcher->m_stalled = false;
    }
    for (Claim& claim : claims) {
        if (!claim.watcher->isWatchedInFull() && claim.held < claim.share)
            claim.watcher->grow(claim.share - claim.held);
    }
}

} // namespace penwick
