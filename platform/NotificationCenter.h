#pragma once

#include "platform/Observation.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace penwick::platform {

struct Notification {
    QString name;
    const void* object = nullptr; // the sender, compared by identity only
    QVariantMap userInfo;
};

// Named notifications delivered synchronously on the posting thread. An observer
// names a notification (or all, with an empty name) and a sender (or any, with null).
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Registers `handler` for `observer`, until the observer is destroyed or removeObserver() names it.
    void addObserver(QObject* observer, const QString& name, const void* object, Handler handler);
    // Registers `handler` until the returned handle is dropped.
    [[nodiscard]] Observation observe(const QString& name, const void* object, Handler handler);

    void removeObserver(QObject* observer);
    void removeObserver(QObject* observer, const QString& name, const void* object = nullptr);

    void post(const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

private:
    struct Entry {
        QString name;
        const void* object = nullptr;
        QPointer<QObject> observer;
        bool hasObserver = false;
        Handler handler;
        std::atomic<bool> active { true };
    };
    static std::shared_ptr<Entry> makeEntry(QObject* observer, const QString& name, const void* object, Handler handler);

    ObserverRegistry<Entry> m_registry;
};

} // namespace penwick::platform
