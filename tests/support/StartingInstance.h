#pragma once

#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QString>

namespace penwick::test {

// Stands in for a running copy of a single-instance program that is still starting: it holds the
// program's lock and listens for other starts, but answers only when told (a real one answers
// once its event loop runs).
class StartingInstance {
public:
    // The lock and socket named `name` in `runtimeFolder`, as the program makes them.
    StartingInstance(const QString& runtimeFolder, const QString& name)
        : m_path(runtimeFolder + QLatin1Char('/') + name)
        , m_lock(m_path + QStringLiteral(".lock"))
    {
        m_lock.setStaleLockTime(0);
        m_locked = m_lock.tryLock(0);
        m_listening = m_server.listen(m_path);
        QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
            while (QLocalSocket* socket = m_server.nextPendingConnection())
                m_sockets.append(socket);
        });
    }
    bool isReady() const { return m_locked && m_listening; }

    // The lines other starts sent, so far.
    QList<QByteArray> messages()
    {
        for (QLocalSocket* socket : std::as_const(m_sockets)) {
            while (socket && socket->canReadLine())
                m_messages.append(socket->readLine().trimmed());
        }
        return m_messages;
    }
    // Answers every start that connected, as the program does once it listens in earnest.
    void answer()
    {
        for (QLocalSocket* socket : std::as_const(m_sockets)) {
            if (socket) {
                socket->write("ok\n");
                socket->flush();
            }
        }
    }
    // Ends as a copy that died does: no lock, no socket.
    void end()
    {
        m_server.close();
        m_lock.unlock();
    }

private:
    QString m_path;
    QLockFile m_lock;
    QLocalServer m_server;
    bool m_locked = false;
    bool m_listening = false;
    QList<QPointer<QLocalSocket>> m_sockets;
    QList<QByteArray> m_messages;
};

} // namespace penwick::test
