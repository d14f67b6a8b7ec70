#include "platform/SingleInstance.h"

#include "platform/StandardLocations.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
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

// The holder of a lock keeps a file lock on it for as long as it lives (QLockFile takes one, on a
// descriptor closed on exec), so a lock file left by a copy that died is free even when its
// process id now names another process.
bool isLockHeld(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return held;
}

// A lock file whose holder is gone. Its contents are written after the file lock is taken, so a
// complete file that nobody locks was left behind, not just made by a copy starting now.
bool isAbandoned(const QString& path)
{
    qint64 pid = 0;
    return QLockFile(path).getLockInfo(&pid, nullptr, nullptr) && !isLockHeld(path);
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
    if (!isLockHeld(path))
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
    const QString path = lockPath(m_name);
    m_lock = std::make_unique<QLockFile>(path);
    // A lock is stale only when its process is gone.
    m_lock->setStaleLockTime(0);
    for (bool first = true;; first = false) {
        if (m_lock->tryLock(100))
            break;
        if (m_lock->error() != QLockFile::LockFailedError) {
            std::fprintf(stderr, "Error: cannot make the lock %s; running without it\n", qPrintable(path));
            m_lock.reset();
            break;
        }
        // QLockFile judges a lock by its process id, which a new process may carry by now.
        if (!first || !isAbandoned(path) || !m_lock->removeStaleLockFile()) {
            m_lock.reset();
            return false;
        }
    }
    listen(std::move(handler));
    return true;
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

bool SingleInstance::handOver(const QString& name, const QByteArray& message, int patienceMs,
    const std::function<void(qint64 processId)>& stillWaiting)
{
    // How often to look whether the holder still lives while its answer is awaited.
    constexpr int kLookMs = 200;
    const QString path = lockPath(name);
    QElapsedTimer waited;
    waited.start();
    bool told = false;
    const auto keepWaiting = [&] {
        if (!isLockHeld(path))
            return false;
        if (!told && waited.elapsed() >= patienceMs) {
            told = true;
            if (stillWaiting)
                stillWaiting(runningProcessId(name).value_or(0));
        }
        return true;
    };

    // One connection carries the message, so that a copy that answers late takes it once.
    QLocalSocket socket;
    for (;;) {
        if (socket.canReadLine()) {
            if (socket.readLine().trimmed() == "ok") {
                socket.disconnectFromServer();
                return true;
            }
            socket.abort();
        }
        if (socket.state() == QLocalSocket::ConnectedState) {
            if (socket.waitForReadyRead(kLookMs) || socket.canReadLine())
                continue;
        } else {
            if (!keepWaiting())
                return false;
            // Not listening yet, or it closed the connection without answering: once more.
            socket.abort();
            socket.connectToServer(serverPathFor(name));
            if (socket.waitForConnected(kLookMs)) {
                socket.write(message + '\n');
                socket.waitForBytesWritten(kLookMs);
            } else {
                QThread::msleep(20);
            }
            continue;
        }
        if (!keepWaiting())
            return false;
    }
}

} // namespace penwick::platform
