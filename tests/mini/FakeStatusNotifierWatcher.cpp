#include "FakeStatusNotifierWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMutexLocker>

namespace penwick::test {

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kConnectionName = QStringLiteral("fake-status-notifier-watcher");
} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher()
{
    m_service = new Service;
    m_service->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_service, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_service,
        [this] {
            m_service->connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
            m_registered = m_service->connection.isConnected()
                && m_service->connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), m_service,
                                                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                                            | QDBusConnection::ExportAllProperties)
                && m_service->connection.registerService(kWatcher);
        },
        Qt::BlockingQueuedConnection);
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    QMetaObject::invokeMethod(
        m_service,
        [this] {
            m_service->connection.unregisterService(kWatcher);
            m_service->connection.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    QDBusConnection::disconnectFromBus(kConnectionName);
}

QStringList FakeStatusNotifierWatcher::items() const
{
    return m_service->registeredItems();
}

void FakeStatusNotifierWatcher::activate(const QString& item, int x, int y)
{
    QDBusMessage call = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                      QStringLiteral("org.kde.StatusNotifierItem"),
                                                      QStringLiteral("Activate"));
    call << x << y;
    QDBusConnection(kConnectionName).asyncCall(call);
}

QStringList FakeStatusNotifierWatcher::Service::registeredItems() const
{
    QMutexLocker lock(&m_mutex);
    return m_items;
}

void FakeStatusNotifierWatcher::Service::RegisterStatusNotifierItem(const QString& service)
{
    // An item may name itself by its bus name or by an object path on the caller's connection.
    const QString name = service.startsWith(QLatin1Char('/')) ? message().service() : service;
    {
        QMutexLocker lock(&m_mutex);
        m_items.append(name);
    }
    emit StatusNotifierItemRegistered(name);
}

void FakeStatusNotifierWatcher::Service::RegisterStatusNotifierHost(const QString&)
{
    emit StatusNotifierHostRegistered();
}

} // namespace penwick::test
