#pragma once

#include <QMutex>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace penwick::platform {

// Move-only handle of a subscription: destroying or resetting it unsubscribes.
class Observation {
public:
    Observation() = default;
    explicit Observation(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Observation(Observation&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Observation& operator=(Observation&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation() { reset(); }

    void reset()
    {
        if (auto cancel = std::exchange(m_cancel, {}))
            cancel();
    }
    bool isActive() const { return static_cast<bool>(m_cancel); }

private:
    std::function<void()> m_cancel;
};

// The subscribers of one source, shared with the handles it gives out so that a handle
// may outlive the source. `Entry` needs an `std::atomic<bool> active` member.
template <typename Entry>
class ObserverRegistry {
public:
    // Adds the entry; the returned handle deactivates and removes it.
    Observation add(const std::shared_ptr<Entry>& entry)
    {
        {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->entries.push_back(entry);
        }
        std::weak_ptr<Shared> weakShared = m_shared;
        std::weak_ptr<Entry> weakEntry = entry;
        return Observation([weakShared, weakEntry] {
            auto entry = weakEntry.lock();
            if (!entry)
                return;
            entry->active = false;
            if (auto shared = weakShared.lock()) {
                QMutexLocker lock(&shared->mutex);
                std::erase(shared->entries, entry);
            }
        });
    }

    // Adds an entry that lives until `removeIf` or `clear` takes it.
    void addUnowned(const std::shared_ptr<Entry>& entry)
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->entries.push_back(entry);
    }

    // Deactivates and removes every entry the predicate names.
    template <typename Predicate>
    void removeIf(Predicate predicate)
    {
        QMutexLocker lock(&m_shared->mutex);
        std::erase_if(m_shared->entries, [&](const std::shared_ptr<Entry>& e) {
            if (!predicate(*e))
                return false;
            e->active = false;
            return true;
        });
    }

    // The entries the predicate selects, copied so that they may be called without the lock.
    template <typename Predicate>
    std::vector<std::shared_ptr<Entry>> select(Predicate predicate) const
    {
        std::vector<std::shared_ptr<Entry>> out;
        QMutexLocker lock(&m_shared->mutex);
        for (const auto& e : m_shared->entries) {
            if (predicate(*e))
                out.push_back(e);
        }
        return out;
    }

    void clear()
    {
        removeIf([](const Entry&) { return true; });
    }

private:
    struct Shared {
        QMutex mutex;
        std::vector<std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

} // namespace penwick::platform
