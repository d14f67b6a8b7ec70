#include "platform/SystemLog.h"

#include <QFile>
#include <QMutex>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

constexpr int kUserFacility = 1;

QMutex& pathMutex()
{
    static QMutex mutex;
    return mutex;
}

QString& configuredPath()
{
    static QString path = QStringLiteral("/dev/log");
    return path;
}

} // namespace

QString SystemLog::socketPath()
{
    QMutexLocker lock(&pathMutex());
    return configuredPath();
}

void SystemLog::setSocketPath(const QString& path)
{
    QMutexLocker lock(&pathMutex());
    configuredPath() = path;
}

bool SystemLog::write(Severity severity, const QString& tag, const QString& message)
{
    const QByteArray path = QFile::encodeName(socketPath());
    sockaddr_un address {};
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));

    // A line may hold line feeds; the log keeps the datagram whole.
    const QByteArray datagram = '<' + QByteArray::number(kUserFacility * 8 + int(severity)) + '>' + tag.toUtf8() + '['
        + QByteArray::number(qint64(::getpid())) + "]: " + message.toUtf8();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const ssize_t sent = ::sendto(fd, datagram.constData(), size_t(datagram.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
        reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::close(fd);
    return sent == datagram.size();
}

} // namespace penwick::platform
