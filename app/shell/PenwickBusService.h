#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

namespace penwick {

class TVXAppDelegate;
class TVXDocumentWindowController;

// Penwick's windows and documents on the session bus, for scripts and PenwickMini: service
// "org.penwick.Penwick", object "/org/penwick/Penwick", interface "org.penwick.Penwick.Documents".
class PenwickBusService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.penwick.Penwick.Documents")
public:
    static inline const QString SERVICE_NAME = QStringLiteral("org.penwick.Penwick");
    static inline const QString OBJECT_PATH = QStringLiteral("/org/penwick/Penwick");
    static inline const QString INTERFACE_NAME = QStringLiteral("org.penwick.Penwick.Documents");

    explicit PenwickBusService(TVXAppDelegate* application, QObject* parent = nullptr);
    ~PenwickBusService() override;

    // Registers the object and asks for the service name on the session bus; false (logged)
    // when there is no bus or the name is taken.
    bool registerOnSessionBus();
    bool registerOn(QDBusConnection bus);

    // The windows in the order they were made: for each, its id, title, whether it is the main
    // window, and its documents in tab order (id, name, path, note URL, edited, front).
    static QString windowsJSON(const QList<TVXDocumentWindowController*>& windows, TVXDocumentWindowController* main);
    // The documents with a file, as PenwickMini's shadow page lists them: title, path, and
    // whether it is the front document of the main window.
    static QString shadowItemsJSON(const QList<TVXDocumentWindowController*>& windows, TVXDocumentWindowController* main);

public slots:
    Q_SCRIPTABLE QString Windows() const;
    Q_SCRIPTABLE QString ShadowItems() const;

private:
    QPointer<TVXAppDelegate> m_application;
    std::optional<QDBusConnection> m_bus;
};

} // namespace penwick
