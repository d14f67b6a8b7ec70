#include "shell/PenwickBusService.h"

#include "common/AppLogger.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentWindowController.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMainWindow>

namespace penwick {

PenwickBusService::PenwickBusService(TVXAppDelegate* application, QObject* parent)
    : QObject(parent)
    , m_application(application)
{
}

PenwickBusService::~PenwickBusService()
{
    if (!m_bus)
        return;
    m_bus->unregisterObject(OBJECT_PATH);
    m_bus->unregisterService(SERVICE_NAME);
}

bool PenwickBusService::registerOnSessionBus()
{
    return registerOn(QDBusConnection::sessionBus());
}

bool PenwickBusService::registerOn(QDBusConnection bus)
{
    if (!bus.isConnected()) {
        appLog().error(QStringLiteral("No session bus: Penwick's documents are not offered to other programs"));
        return false;
    }
    if (!bus.registerObject(OBJECT_PATH, this, QDBusConnection::ExportScriptableSlots)) {
        appLog().error(QStringLiteral("Could not offer %1 on the session bus").arg(OBJECT_PATH));
        return false;
    }
    if (!bus.registerService(SERVICE_NAME)) {
        appLog().error(QStringLiteral("The session bus name %1 is taken: %2").arg(SERVICE_NAME, bus.lastError().message()));
        bus.unregisterObject(OBJECT_PATH);
        return false;
    }
    m_bus = bus;
    return true;
}

namespace {

QJsonObject documentRecord(TVXDocument* document, bool front)
{
    QJsonObject record;
    record.insert(QStringLiteral("id"), document->uniqueID());
    record.insert(QStringLiteral("name"), document->displayName());
    record.insert(QStringLiteral("path"), document->filePath());
    record.insert(QStringLiteral("url"), document->pseudoURL().isEmpty() ? QString() : document->pseudoURL().toString());
    record.insert(QStringLiteral("edited"), document->isDocumentEdited());
    record.insert(QStringLiteral("front"), front);
    return record;
}

} // namespace

QString PenwickBusService::windowsJSON(const QList<TVXDocumentWindowController*>& windows, TVXDocumentWindowController* main)
{
    QJsonArray list;
    for (TVXDocumentWindowController* window : windows) {
        QJsonObject record;
        record.insert(QStringLiteral("id"), window->uniqueID());
        record.insert(QStringLiteral("title"), window->window() ? window->window()->windowTitle().remove(QStringLiteral("[*]")) : QString());
        record.insert(QStringLiteral("main"), window == main);
        QJsonArray documents;
        for (TVXDocument* document : window->documentsInTabOrder())
            documents.append(documentRecord(document, document == window->document()));
        record.insert(QStringLiteral("documents"), documents);
        list.append(record);
    }
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

QString PenwickBusService::shadowItemsJSON(const QList<TVXDocumentWindowController*>& windows, TVXDocumentWindowController* main)
{
    QJsonArray list;
    for (TVXDocumentWindowController* window : windows) {
        for (TVXDocument* document : window->documentsInTabOrder()) {
            if (document->filePath().isEmpty())
                continue;
            QJsonObject record;
            record.insert(QStringLiteral("title"), document->displayName());
            record.insert(QStringLiteral("path"), document->filePath());
            record.insert(QStringLiteral("active"), window == main && document == window->document());
            list.append(record);
        }
    }
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

QString PenwickBusService::Windows() const
{
    if (!m_application)
        return QStringLiteral("[]");
    return windowsJSON(m_application->windowControllers(), m_application->mainWindowController());
}

QString PenwickBusService::ShadowItems() const
{
    if (!m_application)
        return QStringLiteral("[]");
    return shadowItemsJSON(m_application->windowControllers(), m_application->mainWindowController());
}

} // namespace penwick
