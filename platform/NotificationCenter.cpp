#include "platform/NotificationCenter.h"

namespace penwick::platform {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() = default;

NotificationCenter::~NotificationCenter()
{
    QMutexLocker lock(&m_registry->mutex);
    for (const auto& e : m_registry->entries)
        e->active = false;
    m_registry->entries.clear();
}

std::shared_ptr<NotificationCenter::Entry> NotificationCenter::add(QObject* observer, const QString& name,
                                                                  const void* object, Handler handler)
{
    auto entry = std::make_shared<Entry>();
    entry->name = name;
    entry->object = object;
    entry->observer = observer;
    entry->hasObserver = observer != nullptr;
    entry->handler = std::move(handler);
    {
        QMutexLocker lock(&m_registry->mutex);
        m_registry->entries.push_back(entry);
    }
    return entry;
}

void NotificationCenter::addObserver(QObject* observer, const QString& name, const void* object, Handler handler)
{
    Q_ASSERT(observer);
    add(observer, name, object, std::move(handler));
}

Observation NotificationCenter::observe(const QString& name, const void* object, Handler handler)
{
    auto entry = add(nullptr, name, object, std::move(handler));
    std::weak_ptr<Registry> weakRegistry = m_registry;
    std::weak_ptr<Entry> weakEntry = entry;
    return Observation([weakRegistry, weakEntry] {
        auto entry = weakEntry.lock();
        if (!entry)
            return;
        entry->active = false;
        if (auto registry = weakRegistry.lock()) {
            QMutexLocker lock(&registry->mutex);
            std::erase(registry->entries, entry);
        }
    });
}

void NotificationCenter::removeWhere(const std::function<bool(const Entry&)>& predicate)
{
    QMutexLocker lock(&m_registry->mutex);
    std::erase_if(m_registry->entries, [&](const std::shared_ptr<Entry>& e) {
        if (!predicate(*e))
            return false;
        e->active = false;
        return true;
    });
}

void NotificationCenter::removeObserver(QObject* observer)
{
    removeWhere([observer](const Entry& e) { return e.hasObserver && e.observer.data() == observer; });
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name, const void* object)
{
    removeWhere([&](const Entry& e) {
        return e.hasObserver && e.observer.data() == observer && (name.isEmpty() || e.name == name)
            && (object == nullptr || e.object == object);
    });
}

void NotificationCenter::post(const QString& name, const void* object, const QVariantMap& userInfo)
{
    post(Notification { name, object, userInfo });
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Entry>> targets;
    {
        QMutexLocker lock(&m_registry->mutex);
        std::erase_if(m_registry->entries, [](const std::shared_ptr<Entry>& e) {
            const bool gone = e->hasObserver && e->observer.isNull();
            if (gone)
                e->active = false;
            return gone;
        });
        for (const auto& e : m_registry->entries) {
            if ((e->name.isEmpty() || e->name == notification.name)
                && (e->object == nullptr || e->object == notification.object))
                targets.push_back(e);
        }
    }
    // An observer removed by an earlier handler of this same post is no longer called.
    for (const auto& e : targets) {
        if (e->active && !(e->hasObserver && e->observer.isNull()))
            e->handler(notification);
    }
}

} // namespace penwick::platform
