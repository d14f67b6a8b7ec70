// Trash entries a file manager can restore, and names that are not UTF-8 kept as their bytes.
#include "FolderFixtures.h"
#include "platform/FileNames.h"
#include "platform/Trash.h"
#include "sidebar/TVXFileSystemFilterService.h"

#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace penwick;
using penwick::test::makeFile;
using penwick::test::temporaryFolder;

namespace {

bool existsAsBytes(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0;
}

QString trashFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
}

// The info file of the trashed item named `name`, read by its bytes.
QByteArray infoFileOf(const QByteArray& name)
{
    const QByteArray path = platform::encodeFileName(trashFolder()) + "/info/" + name + ".trashinfo";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray text(4096, Qt::Uninitialized);
    const ssize_t length = ::read(fd, text.data(), size_t(text.size()));
    ::close(fd);
    return text.left(length > 0 ? length : 0);
}

// The "Path=" value of that info file, decoded as a file manager would.
QByteArray restoredPathOf(const QByteArray& name, QByteArray* infoText = nullptr)
{
    const QByteArray text = infoFileOf(name);
    if (infoText)
        *infoText = text;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("Path="))
            return QByteArray::fromPercentEncoding(line.mid(5));
    }
    return {};
}

// Names Qt cannot spell are removed by their bytes, so that temporary folders can go.
void removeByBytes(const QByteArray& path)
{
    ::unlink(path.constData());
}

TEST(FileNames, BytesThatAreNotUtf8ComeBackWhole)
{
    const QByteArray cases[] = { "plain.md", "caf\xc3\xa9.md", "bad\xffname.md", "\xc3(\xa0\xa1.md", "lone\xed\xa0\x80surrogate",
        "emoji \xf0\x9f\x98\x80.md", "\xf8\x88\x80\x80\x80" };
    for (const QByteArray& bytes : cases) {
        const QString name = platform::decodeFileName(bytes);
        EXPECT_EQ(platform::encodeFileName(name), bytes) << bytes.toHex().constData();
        EXPECT_EQ(platform::hasUndecodableBytes(name), QString::fromUtf8(bytes).toUtf8() != bytes) << bytes.toHex().constData();
    }
    // Valid text reads as Qt reads it; a bad byte shows as one character, not as U+FFFD.
    EXPECT_EQ(platform::decodeFileName("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(platform::decodeFileName("bad\xffname").size(), 8);
    EXPECT_FALSE(platform::decodeFileName("bad\xffname").contains(QChar(0xfffd)));
}

TEST(Trash, TheInfoFileHoldsTheWholePathPercentEncoded)
{
    const QString folder = temporaryFolder();
    const QByteArray names[] = { "with space.md", "line\nbreak.md", "bad\xffname.md", "100% done#?.md" };
    for (const QByteArray& name : names) {
        const QByteArray path = platform::encodeFileName(folder) + '/' + name;
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);

        EXPECT_EQ(platform::moveToTrash(platform::decodeFileName(path)), std::nullopt) << name.constData();
        EXPECT_FALSE(existsAsBytes(path)) << name.constData();
        EXPECT_TRUE(existsAsBytes(platform::encodeFileName(trashFolder()) + "/files/" + name)) << name.constData();
        QByteArray infoText;
        EXPECT_EQ(restoredPathOf(name, &infoText), path) << name.constData();
        // Three lines: the group, the path, the date; nothing of the name outside "Path=".
        const QList<QByteArray> lines = infoText.trimmed().split('\n');
        ASSERT_EQ(lines.size(), 3) << infoText.constData();
        EXPECT_EQ(lines[0], "[Trash Info]");
        EXPECT_TRUE(lines[2].startsWith("DeletionDate=")) << lines[2].constData();
        EXPECT_FALSE(lines[1].contains(' ')) << lines[1].constData();
        removeByBytes(platform::encodeFileName(trashFolder()) + "/files/" + name);
        removeByBytes(platform::encodeFileName(trashFolder()) + "/info/" + name + ".trashinfo");
    }
}

TEST(Trash, ASecondItemOfTheSameNameGetsItsOwnEntry)
{
    const QString first = temporaryFolder() + "/same.md";
    const QString second = temporaryFolder() + "/same.md";
    ASSERT_NE(first, second);
    ASSERT_TRUE(makeFile(first, "one"));
    ASSERT_TRUE(makeFile(second, "two"));
    ASSERT_EQ(platform::moveToTrash(first), std::nullopt);
    ASSERT_EQ(platform::moveToTrash(second), std::nullopt);
    QDir info(trashFolder() + "/info");
    const QStringList entries = info.entryList({ "same*.trashinfo" }, QDir::Files);
    EXPECT_GE(entries.size(), 2);
    QStringList restored;
    for (const QString& entry : entries)
        restored << QString::fromUtf8(restoredPathOf(entry.chopped(QStringLiteral(".trashinfo").size()).toUtf8()));
    EXPECT_TRUE(restored.contains(first)) << restored.join(',').toStdString();
    EXPECT_TRUE(restored.contains(second)) << restored.join(',').toStdString();
}

TEST(Trash, AMissingItemIsAnErrorAndTouchesNothing)
{
    const QString missing = temporaryFolder() + "/not-there.md";
    const std::optional<QString> error = platform::moveToTrash(missing);
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->isEmpty());
    EXPECT_FALSE(QFile::exists(trashFolder() + "/info/not-there.md.trashinfo"));
}

TEST(FolderListing, ANameThatIsNotUtf8IsListedUnderItsOwnBytes)
{
    const QString folder = temporaryFolder();
    const QByteArray bad = platform::encodeFileName(folder) + "/bad\xffname.md";
    const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const TVXFileSystemFilterService service(std::nullopt, true);
    const auto entries = service.getFilteredContentsForDirectoryAtPath(folder);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(platform::encodeFileName(entries->front().path), bad);
    removeByBytes(bad);
}

} // namespace
