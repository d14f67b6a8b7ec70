#include "platform/document/FileStamp.h"
#include "platform/FileNames.h"
#include "platform/document/FileWrapper.h"

#include <QCryptographicHash>
#include <QFile>

#include <ctime>
#include <sys/stat.h>

namespace penwick::platform {

namespace {

// Longer than any file system's timestamp granularity (a clock tick, or 2 s on FAT).
constexpr std::int64_t kRacyWindowNs = 3'000'000'000LL;

std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
}

std::int64_t nowNs()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

bool isRacy(const FileStamp& stamp)
{
    return nowNs() - stamp.modifiedNs < kRacyWindowNs;
}

} // namespace

FileStamp FileStamp::of(const QString& path)
{
    FileStamp stamp;
    struct stat info {};
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = nanoseconds(info.st_mtim);
    return stamp;
}

QByteArray FileVersion::digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

void FileVersion::recordRead(const FileStamp& stampBefore, const QByteArray& bytes)
{
    m_known = stampBefore.exists;
    m_stamp = stampBefore;
    m_racy = isRacy(stampBefore);
    // Only a racy stamp needs the contents to compare with.
    m_digest = m_racy ? digest(bytes) : QByteArray();
}

void FileVersion::recordWritten(const QString& path, const QByteArray& writtenDigest)
{
    m_stamp = FileStamp::of(path);
    m_known = m_stamp.exists;
    m_racy = isRacy(m_stamp);
    m_digest = writtenDigest;
}

bool FileVersion::changedAt(const QString& path) const
{
    const FileStamp now = FileStamp::of(path);
    if (!now.exists)
        return false;
    if (!m_known || now != m_stamp)
        return true;
    if (!m_racy)
        return false;
    const std::optional<FileWrapper> file = FileWrapper::fromPath(path);
    if (!file || !file->regularFileContents())
        return false;
    if (digest(*file->regularFileContents()) != m_digest)
        return true;
    // The same bytes, and the clock has moved on: any later write gets other times.
    if (!isRacy(m_stamp) && FileStamp::of(path) == m_stamp)
        m_racy = false;
    return false;
}

} // namespace penwick::platform
