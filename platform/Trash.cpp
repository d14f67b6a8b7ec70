#include "platform/Trash.h"

#include "platform/FileNames.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool makeFolder(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

// The folder at the top of the file system that holds `path` (its mount point).
QByteArray topFolderOf(const QByteArray& path, dev_t device)
{
    QByteArray top = path;
    while (true) {
        const qsizetype slash = top.lastIndexOf('/');
        if (slash <= 0)
            return "/";
        const QByteArray parent = top.left(slash);
        struct stat info;
        if (::stat(parent.constData(), &info) != 0 || info.st_dev != device)
            return top;
        top = parent;
    }
}

// The trash folder for an item on another file system than the home trash; empty when none can be had.
QByteArray topTrashFor(const QByteArray& top)
{
    const QByteArray uid = QByteArray::number(uint(::getuid()));
    const QByteArray base = top == "/" ? QByteArray() : top;
    // An administrator's ".Trash" counts only when it is a real, sticky folder.
    struct stat info;
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        const QByteArray own = shared + '/' + uid;
        if (makeFolder(own))
            return own;
    }
    const QByteArray own = base + "/.Trash-" + uid;
    if (::lstat(own.constData(), &info) == 0) {
        if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
            return {};
        return own;
    }
    return makeFolder(own) ? own : QByteArray();
}

} // namespace

std::optional<QString> moveToTrash(const QString& path)
{
    QByteArray source = encodeFileName(QDir::cleanPath(path));
    if (!source.startsWith('/'))
        source = encodeFileName(QDir::currentPath()) + '/' + source;
    struct stat item;
    if (::lstat(source.constData(), &item) != 0)
        return lastError();

    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(dataHome);
    QByteArray trash = encodeFileName(dataHome) + "/Trash";
    QByteArray recordedPath = source; // absolute in the home trash
    makeFolder(trash);
    struct stat trashInfo;
    if (::stat(trash.constData(), &trashInfo) != 0 || trashInfo.st_dev != item.st_dev) {
        // Across file systems a move would be a copy: use the trash of the item's own.
        const QByteArray top = topFolderOf(source, item.st_dev);
        trash = topTrashFor(top);
        if (trash.isEmpty())
            return QStringLiteral("There is no trash on the file system of this item");
        // Relative to the top folder there, as the trash format allows.
        recordedPath = top == "/" ? source.mid(1) : source.mid(top.size() + 1);
    }
    const QByteArray files = trash + "/files";
    const QByteArray infos = trash + "/info";
    if (!makeFolder(trash) || !makeFolder(files) || !makeFolder(infos))
        return lastError();

    // The info file is made first, exclusively: it reserves the name in the trash.
    const QByteArray name = source.mid(source.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray stem = dot > 0 ? name.left(dot) : name;
    const QByteArray suffix = dot > 0 ? name.mid(dot) : QByteArray();
    QByteArray trashedName;
    QByteArray infoPath;
    int fd = -1;
    for (int attempt = 1; attempt < 10000 && fd < 0; ++attempt) {
        trashedName = attempt == 1 ? name : stem + '.' + QByteArray::number(attempt) + suffix;
        infoPath = infos + '/' + trashedName + ".trashinfo";
        struct stat taken;
        if (::lstat((files + '/' + trashedName).constData(), &taken) == 0)
            continue;
        fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return lastError();
    }
    if (fd < 0)
        return QStringLiteral("The trash holds too many items of this name");
    const QByteArray info = "[Trash Info]\nPath=" + recordedPath.toPercentEncoding("/") + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() + '\n';
    const bool written = ::write(fd, info.constData(), size_t(info.size())) == ssize_t(info.size());
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const QString error = lastError();
        ::unlink(infoPath.constData());
        return error;
    }
    if (::rename(source.constData(), (files + '/' + trashedName).constData()) != 0) {
        const QString error = lastError();
        ::unlink(infoPath.constData());
        return error;
    }
    return std::nullopt;
}

} // namespace penwick::platform
