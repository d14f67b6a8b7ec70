#include "Extensions/StringAdditions.h"

#include "FileSizeLimit.h"
#include "Printers.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace penwick;

namespace {

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(file.readAll());
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool setImmutable(const QString& folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// A folder in which no entry can be created, renamed or removed: read-only
// permissions, and for a process that ignores permissions (root), the
// file system's immutable flag. Undone when the object goes away.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const QString& folder)
        : m_folder(folder)
    {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
        if (canCreateEntries())
            m_immutable = setImmutable(folder, true);
    }
    ~UnwritableFolder()
    {
        if (m_immutable)
            setImmutable(m_folder, false);
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    bool canCreateEntries() const
    {
        const QString probe = m_folder + QStringLiteral("/.probe");
        QFile file(probe);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.close();
        QFile::remove(probe);
        return true;
    }

private:
    QString m_folder;
    bool m_immutable = false;
};

TEST(WriteToFile, CreatesMissingFolders)
{
    const QString path = test::temporaryFolder() + QStringLiteral("/a/b/c/notes.md");
    const QString text = QStringLiteral("h\u00e9llo ") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("\n");
    EXPECT_EQ(writeToFile(text, path), std::nullopt);
    EXPECT_EQ(readFile(path), text);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), text.toUtf8()); // UTF-8, no byte-order mark
}

TEST(WriteToFile, ReplacesAnExistingFileWithoutLeftovers)
{
    const QString folder = test::temporaryFolder();
    const QString path = folder + QStringLiteral("/customCSS.css");
    ASSERT_EQ(writeToFile(QStringLiteral("a much longer old content\n"), path), std::nullopt);
    ASSERT_EQ(writeToFile(QStringLiteral("new"), path), std::nullopt);
    EXPECT_EQ(readFile(path), QStringLiteral("new"));
    EXPECT_EQ(entriesOf(folder), QStringList { QStringLiteral("customCSS.css") });
}

TEST(WriteToFile, NonAtomicWriteAlsoReplaces)
{
    const QString path = test::temporaryFolder() + QStringLiteral("/sub/x.txt");
    ASSERT_EQ(writeToFile(QStringLiteral("first, longer"), path, false), std::nullopt);
    ASSERT_EQ(writeToFile(QStringLiteral("second"), path, false), std::nullopt);
    EXPECT_EQ(readFile(path), QStringLiteral("second"));
}

TEST(WriteToFile, RefusesAFolder)
{
    const QString folder = test::temporaryFolder() + QStringLiteral("/target");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(writeToFile(QStringLiteral("inside"), folder + QStringLiteral("/kept.txt")), std::nullopt);

    const std::optional<FileError> error = writeToFile(QStringLiteral("text"), folder);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->path, folder);
    EXPECT_TRUE(error->message.contains(folder));
    EXPECT_TRUE(checkIfDirectoryExists(folder));
    EXPECT_EQ(readFile(folder + QStringLiteral("/kept.txt")), QStringLiteral("inside"));
}

TEST(WriteToFile, AWritableFileInAFolderThatRefusesNewFilesIsWrittenInPlace)
{
    const QString folder = test::temporaryFolder() + QStringLiteral("/locked");
    const QString path = folder + QStringLiteral("/onupdate_callback.js");
    ASSERT_EQ(writeToFile(QStringLiteral("old content"), path), std::nullopt);

    const UnwritableFolder lock(folder);
    if (lock.canCreateEntries())
        GTEST_SKIP() << "no way to make a folder unwritable for this process";
    // No temporary file can stand beside it, so the file itself takes the new text.
    EXPECT_EQ(writeToFile(QStringLiteral("new, longer content"), path), std::nullopt);
    EXPECT_EQ(readFile(path), QStringLiteral("new, longer content"));
    EXPECT_EQ(writeToFile(QStringLiteral("short"), path), std::nullopt);
    EXPECT_EQ(readFile(path), QStringLiteral("short"));
    EXPECT_EQ(entriesOf(folder), QStringList { QStringLiteral("onupdate_callback.js") });
}

TEST(WriteToFile, WriteFailingPartWayKeepsTheOldFile)
{
    // Larger and smaller than the file device's buffer, in place and atomically: a buffered
    // write cut short in its final flush went unnoticed and left a truncated file.
    for (const bool atomically : { true, false }) {
        for (const qsizetype size : { qsizetype(64 * 1024), qsizetype(8000) }) {
            SCOPED_TRACE(testing::Message() << (atomically ? "atomically, " : "in place, ") << size << " bytes");
            const QString folder = test::temporaryFolder();
            const QString path = folder + QStringLiteral("/penwick.css");
            ASSERT_EQ(writeToFile(QStringLiteral("old content"), path), std::nullopt);
            const QString large(size, QLatin1Char('x'));

            std::optional<FileError> error;
            {
                const test::FileSizeLimit limit(4096);
                ASSERT_TRUE(limit.isActive());
                error = writeToFile(large, path, atomically);
            }
            ASSERT_TRUE(error.has_value()) << "a write cut short was reported as done";
            EXPECT_EQ(error->path, path);
            if (atomically) {
                EXPECT_EQ(readFile(path), QStringLiteral("old content"));
            }
            EXPECT_EQ(entriesOf(folder), QStringList { QStringLiteral("penwick.css") });
        }
    }
}

TEST(WriteToFile, ParentThatIsAFileFails)
{
    const QString folder = test::temporaryFolder();
    const QString blocker = folder + QStringLiteral("/plain");
    ASSERT_EQ(writeToFile(QStringLiteral("x"), blocker), std::nullopt);

    const std::optional<FileError> error = writeToFile(QStringLiteral("y"), blocker + QStringLiteral("/child.txt"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain, FileError::posixDomain);
    EXPECT_EQ(readFile(blocker), QStringLiteral("x"));
}

TEST(WriteToFile, EmptyPathFails)
{
    const std::optional<FileError> error = writeToFile(QStringLiteral("y"), QString());
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->message.isEmpty());
}

TEST(WriteToFile, RelativeFileNameGoesToTheCurrentFolder)
{
    const QString folder = test::temporaryFolder();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const std::optional<FileError> error = writeToFile(QStringLiteral("here"), QStringLiteral("plain.txt"));
    QDir::setCurrent(previous);
    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(readFile(folder + QStringLiteral("/plain.txt")), QStringLiteral("here"));
}

} // namespace
