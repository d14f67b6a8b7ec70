// Places that refuse a save: a timed save that fails says so once and then waits for the person;
// a writable file in a folder that refuses new files is written in place, and keeps its old
// bytes when that write fails; a read-only file is never changed.
#include "FileSizeLimit.h"
#include "OpenDocument.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/AtomicFileWriter.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace penwick;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// --- A timed save that fails ---

class FailingSave : public ::testing::Test {
protected:
    FailingSave()
    {
        writeBytes(path, "old\n");
        document = test::openDocument(controller, path, false);
    }
    void type(const QString& text)
    {
        test::plainEditor(*document)->type(text);
        document->updateChangeCount(platform::DocumentChange::Done);
    }
    // The save timer fires while the file cannot take the text.
    void fireWhileFull()
    {
        const test::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.isActive());
        controller.fireSaveTimer();
    }

    QString path = test::temporaryFolder() + QStringLiteral("/full.md");
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocumentController controller;
    TVXDocument* document = nullptr;
};

} // namespace

TEST_F(FailingSave, TheErrorIsShownOnceAndTimedSavesWaitUntilThePersonSaves)
{
    ASSERT_TRUE(document);
    type(QString(64 * 1024, QLatin1Char('x')));
    for (int firing = 0; firing < 3; ++firing)
        fireWhileFull();
    ASSERT_EQ(dialogs.alerts.size(), 1) << "one alert, not one per firing";
    EXPECT_TRUE(dialogs.alerts[0].messageText.contains(QStringLiteral("full.md"))) << dialogs.alerts[0].messageText.toStdString();
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(document->timedSavesHeld());
    EXPECT_EQ(readBytes(path), QByteArray("old\n"));

    // Room again: the timer still waits for the person.
    controller.fireSaveTimer();
    EXPECT_EQ(readBytes(path), QByteArray("old\n"));
    EXPECT_TRUE(document->isDocumentEdited());

    // The person's Save writes, and timed saves resume.
    ASSERT_TRUE(document->saveDocument(&controller));
    EXPECT_EQ(readBytes(path).size(), 64 * 1024 + 4);
    EXPECT_FALSE(document->timedSavesHeld());
    type(QStringLiteral("y"));
    controller.fireSaveTimer();
    EXPECT_EQ(readBytes(path).size(), 64 * 1024 + 5);
    EXPECT_EQ(dialogs.alerts.size(), 1);
}

TEST_F(FailingSave, RevertingEndsTheWaitToo)
{
    type(QString(64 * 1024, QLatin1Char('x')));
    fireWhileFull();
    ASSERT_TRUE(document->timedSavesHeld());
    ASSERT_TRUE(document->revertToContentsOfURL(document->fileURL(), document->fileType()));
    EXPECT_FALSE(document->timedSavesHeld());
    type(QStringLiteral("z"));
    controller.fireSaveTimer();
    EXPECT_EQ(readBytes(path).size(), 5) << "the reverted text and the new key";
    EXPECT_EQ(dialogs.alerts.size(), 1);
}

// --- Read-only folders and files ---

namespace {

// Runs `body` where permissions hold: as root, in a child process that has become "nobody"
// (root may write anywhere); otherwise here. The answer is `body`'s (0: as expected).
int runUnprivileged(const std::function<int()>& body)
{
    if (::geteuid() != 0)
        return body();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(90);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 91;
    return WEXITSTATUS(status);
}

class ReadOnlyFolder : public ::testing::Test {
protected:
    ReadOnlyFolder()
    {
        char pattern[] = "/tmp/penwick-readonly-XXXXXX";
        folder = QString::fromLocal8Bit(::mkdtemp(pattern));
        file = folder + QStringLiteral("/writable.md");
        writeBytes(file, "old bytes\n");
        // The folder refuses new files to everyone but root; the file takes writes.
        ::chmod(QFile::encodeName(file).constData(), 0666);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
    }
    ~ReadOnlyFolder() override
    {
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QDir(folder).removeRecursively();
    }
    QStringList entries() const { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    QString folder;
    QString file;
};

} // namespace

TEST_F(ReadOnlyFolder, AWritableFileIsWrittenInPlace)
{
    const ino_t inode = inodeOf(file);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = { { "longer", QByteArray(20000, 'L') }, { "shorter", "short\n" }, { "empty", "" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int result = runUnprivileged([&] {
            const auto failure = platform::writeFileAtomically(file, c.bytes);
            return failure ? 1 : 0;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(readBytes(file), c.bytes);
        EXPECT_EQ(inodeOf(file), inode) << "the same file, written in place";
        EXPECT_EQ(entries(), QStringList { "writable.md" }) << "nothing left beside it";
    }
}

TEST_F(ReadOnlyFolder, AnInPlaceWriteThatFailsKeepsTheOldBytes)
{
    const QByteArray old = QByteArray(3000, 'o') + "\n";
    writeBytes(file, old);
    for (const int size : { 64 * 1024, 8000 }) {
        SCOPED_TRACE(size);
        const int result = runUnprivileged([&] {
            const test::FileSizeLimit limit(4096);
            const auto failure = platform::writeFileAtomically(file, QByteArray(size, 'n'));
            return failure && failure->systemError == EFBIG ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << "the write fails with the size limit's error";
        EXPECT_EQ(readBytes(file), old);
        EXPECT_EQ(entries(), QStringList { "writable.md" });
    }
}

TEST_F(ReadOnlyFolder, AReadOnlyFileIsRefusedAndUnchanged)
{
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(file).constData(), 0444);
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    const int result = runUnprivileged([&] {
        const auto failure = platform::writeFileAtomically(file, "new");
        return failure ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBytes(file), QByteArray("old bytes\n"));
}
