#pragma once

#include "TestSupport.h"

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace penwick::test {

// A private message bus for one test: a real dbus-daemon with no service files,
// so that nothing is started on it behind the test's back.
class PrivateBus {
public:
    PrivateBus()
    {
        const QString folder = test::temporaryFolder();
        const QString config = folder + QStringLiteral("/bus.conf");
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                      "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                      "<busconfig><type>session</type><listen>unix:tmpdir=%1</listen><auth>EXTERNAL</auth>"
                                      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                      "</busconfig>\n")
                           .arg(folder)
                           .toUtf8());
            file.close();
        }
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({ QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
            QStringLiteral("--print-address=1") });
        m_daemon.start();
        QByteArray output;
        while (!output.contains('\n') && m_daemon.waitForReadyRead(10000))
            output += m_daemon.readAllStandardOutput();
        m_address = QString::fromUtf8(output).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : m_connections)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

    // The program's session bus, when it was built to run on a private one (penwick_add_test's
    // SESSION_BUS option) and dbus-daemon started; else null.
    static PrivateBus*& session()
    {
        static PrivateBus* bus = nullptr;
        return bus;
    }

    QDBusConnection connect(const QString& name)
    {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace penwick::test
