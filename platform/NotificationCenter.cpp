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
    m_registry.clear();
}

std::shared_ptr<NotificationCenter::Entry> NotificationCenter::makeEntry(QObject* observer, const QString& name,
                                                                        const void* object, Handler handler)
{
    auto entry = std::make_shared<Entry>();
    entry->name = name;
    entry->object = object;
    entry->observer = observer;
    entry->hasObserver = observer != nullptr;
    entry->handler = std::move(handler);
    return entry;
}

void NotificationCenter::addObserver(QObject* observer, const QString& name, const void* object, Handler handler)
{
    Q_ASSERT(observer);
    m_registry.addUnowned(makeEntry(observer, name, object, std::move(handler)));
}

Observation NotificationCenter::observe(const QString& name, const void* object, Handler handler)
{
    return m_registry.add(makeEntry(nullptr, name, object, std::move(handler)));
}

void NotificationCenter::removeObserver(QObject* observer)
{
    m_registry.removeIf([observer](const Entry& e) { return e.hasObserver && e.observer.data() == observer; });
}

void NotificationCenter::removeObserver(QObject* observer, const QString& name, const void* object)
{
    m_registry.removeIf([&](const Entry& e) {
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
    m_registry.removeIf([](const Entry& e) { return e.hasObserver && e.observer.isNull(); });
    const auto targets = m_registry.select([&](const Entry& e) {
        return (e.name.isEmpty() || e.name == notification.name)
            && (e.object == nullptr || e.object == notification.object);
    });
    // An observer removed by an earlier handler of this same post is no longer called.
    for (const auto& e : targets) {
        if (e->active && !(e->hasObserver && e->observer.isNull()))
            e->handler(notification);
    }
}

} // namespace penwick::platform
