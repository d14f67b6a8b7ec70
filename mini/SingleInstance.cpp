#include "SingleInstance.h"

#include "CoreMagicStrings.h"
#include "MiniLog.h"
#include "platform/StandardLocations.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace penwick {

namespace {

QString serverPath()
{
    return SingleInstance::runtimeFolder() + QLatin1Char('/') + CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    m_server.close();
}

QString SingleInstance::runtimeFolder()
{
    return platform::runtimeDirectory();
}

bool SingleInstance::becomePrimary(MessageHandler handler)
{
    m_lock = std::make_unique<QLockFile>(serverPath() + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(100)) {
        m_lock.reset();
        return false;
    }
    // A socket left by a PenwickMini that died; the lock says nobody serves it.
    QLocalServer::removeServer(serverPath());
    if (!m_server.listen(serverPath())) {
        miniLog().error(QStringLiteral("PenwickMini cannot listen for a second start: ") + m_server.errorString());
        return true;
    }
    m_handler = std::move(handler);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray message = socket->readLine().trimmed();
                    socket->write("ok\n");
                    socket->flush();
                    if (m_handler)
                        m_handler(message);
                }
            });
        }
    });
    return true;
}

bool SingleInstance::sendMessage(const QByteArray& message, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(message + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The answer says the message was taken.
    const bool answered = socket.waitForReadyRead(timeoutMs) && socket.readLine().trimmed() == "ok";
    socket.disconnectFromServer();
    return answered;
}

} // namespace penwick
