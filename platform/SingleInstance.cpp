#include "platform/SingleInstance.h"

#include "platform/StandardLocations.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

QString serverPathFor(const QString& name)
{
    return SingleInstance::runtimeFolder() + QLatin1Char('/') + name;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
{
}

SingleInstance::~SingleInstance()
{
    m_server.close();
}

QString SingleInstance::runtimeFolder()
{
    return runtimeDirectory();
}

QString SingleInstance::serverPath() const
{
    return serverPathFor(m_name);
}

QString SingleInstance::lockPath(const QString& name)
{
    return serverPathFor(name) + QStringLiteral(".lock");
}

std::optional<qint64> SingleInstance::runningProcessId(const QString& name)
{
    const QString path = lockPath(name);
    // The holder of a lock keeps a file lock on it for as long as it lives, so a lock file left
    // by a copy that died is free even when its process id now names another process.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    if (!held)
        return std::nullopt;
    qint64 pid = 0;
    if (!QLockFile(path).getLockInfo(&pid, nullptr, nullptr) || pid <= 0)
        return std::nullopt;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return std::nullopt;
    return pid;
}

bool SingleInstance::becomePrimary(MessageHandler handler)
{
    m_lock = std::make_unique<QLockFile>(lockPath(m_name));
    // A lock is stale only when its process is gone.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(100)) {
        m_lock.reset();
        return false;
    }
    listen(std::move(handler));
    return true;
}

bool SingleInstance::takeOver(MessageHandler handler)
{
    return listen(std::move(handler));
}

bool SingleInstance::listen(MessageHandler handler)
{
    // A socket left by a copy that died or stopped answering.
    QLocalServer::removeServer(serverPath());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(serverPath())) {
        std::fprintf(stderr, "Error: cannot listen for a second start: %s\n", qPrintable(m_server.errorString()));
        return false;
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

bool SingleInstance::sendMessage(const QString& name, const QByteArray& message, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running copy may hold the lock and not listen yet (two starts at once): try again
    // until the deadline.
    for (;;) {
        socket.connectToServer(serverPathFor(name));
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        socket.abort();
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    socket.write(message + '\n');
    if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))))
        return false;
    // The answer says the message was taken.
    const bool answered = socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))
        && socket.readLine().trimmed() == "ok";
    socket.disconnectFromServer();
    return answered;
}

} // namespace penwick::platform
