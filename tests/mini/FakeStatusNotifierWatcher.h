#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

namespace penwick::test {

// A stand-in for the desktop panel on the session bus: it owns the watcher's name, says that a
// host (itself) shows items, takes the items' registrations and, when asked, clicks an item by
// calling its Activate. It answers on a thread of its own, because Qt's tray asks it questions
// with blocking calls from the main thread.
class FakeStatusNotifierWatcher {
public:
    FakeStatusNotifierWatcher();
    ~FakeStatusNotifierWatcher();
    FakeStatusNotifierWatcher(const FakeStatusNotifierWatcher&) = delete;
    FakeStatusNotifierWatcher& operator=(const FakeStatusNotifierWatcher&) = delete;

    // Whether it owns "org.kde.StatusNotifierWatcher" on the session bus.
    bool isRegistered() const { return m_registered; }
    // The bus names of the items registered so far, in order.
    QStringList items() const;
    // Calls Activate(x, y) on the item's "/StatusNotifierItem" without waiting for it.
    void activate(const QString& item, int x, int y);

    class Service;

private:
    QThread m_thread;
    Service* m_service = nullptr;
    bool m_registered = false;
};

class FakeStatusNotifierWatcher::Service : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    QStringList registeredItems() const;
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

    QDBusConnection connection { QStringLiteral("") };

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    mutable QMutex m_mutex;
    QStringList m_items;
};

} // namespace penwick::test
