#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace penwick::platform {

// One version of a file on disk, as far as its metadata tells: the device and inode (a file
// renamed over it is another one), the size, and the modification time to the nanosecond (the
// status-change time is left out: a change of mode or links is no new text). File systems stamp times from a coarse clock, so two writes a few
// milliseconds apart can leave equal times: a stamp taken within that window is "racy", and
// only the contents can tell such writes apart (see FileVersion).
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    static FileStamp of(const QString& path);
    bool operator==(const FileStamp&) const = default;
};

// What a document last read from or wrote to its file: the stamp, and a digest of the bytes for
// when the stamp cannot tell a later write from this one.
class FileVersion {
public:
    // After a read: `stampBefore` is the stamp taken before the bytes were read, so that a write
    // during the read counts as a change.
    void recordRead(const FileStamp& stampBefore, const QByteArray& bytes);
    // After a write of bytes with that digest (digest()) to `path`.
    void recordWritten(const QString& path, const QByteArray& writtenDigest);
    void clear() { *this = FileVersion(); }
    bool isKnown() const { return m_known; }

    // Whether the file at `path` is no longer this version: its stamp differs, or, while the
    // stamp is racy, its contents differ. A file that is gone has not "changed" here.
    bool changedAt(const QString& path) const;

    static QByteArray digest(const QByteArray& bytes);

private:
    bool m_known = false;
    FileStamp m_stamp;
    QByteArray m_digest;
    // The stamp's times could still be shared by a later write.
    mutable bool m_racy = false;
};

} // namespace penwick::platform
