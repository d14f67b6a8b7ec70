#include "FileSizeLimit.h"
#include "PlainEditorViewController.h"

#include "platform/document/DocumentTypes.h"
#include "platform/document/FileWrapper.h"
#include "shell/TVXDocument.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>


using namespace penwick;
using platform::DocumentError;
using platform::DocumentTypes;
using platform::SaveOperation;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

struct ReadResult {
    bool ok = false;
    std::optional<DocumentError> error;
};

ReadResult readInto(TVXDocument& document, const QString& path)
{
    ReadResult result;
    // A value that a failure without an error object must clear.
    result.error = DocumentError { QStringLiteral("sentinel"), -1, {} };
    result.ok = document.readFromURL(QUrl::fromLocalFile(path), DocumentTypes::typeOfFile(path), &result.error);
    return result;
}

class DocumentFiles : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir + QLatin1Char('/') + name; }
    QStringList entries() const { return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    QString dir = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
};

} // namespace

TEST_F(DocumentFiles, AnEmptyFileReadsAsEmptyText)
{
    writeBytes(path(QStringLiteral("empty.md")), {});
    TVXDocument document;
    const auto result = readInto(document, path(QStringLiteral("empty.md")));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(document.contents(), QString());
    EXPECT_EQ(document.fileType(), QStringLiteral("text/markdown"));
    EXPECT_EQ(document.fileModificationDate(), QFileInfo(path(QStringLiteral("empty.md"))).lastModified());
}

TEST_F(DocumentFiles, BytesThatAreNotUtf8FailWithCode40WhateverTheName)
{
    for (const char* name : { "latin.md", "latin.txt", "latin.html", "latin" }) {
        writeBytes(path(QString::fromLatin1(name)), "caf\xe9 au lait\n");
        TVXDocument document;
        const auto result = readInto(document, path(QString::fromLatin1(name)));
        EXPECT_FALSE(result.ok) << name;
        ASSERT_TRUE(result.error) << name;
        EXPECT_EQ(result.error->domain, TVXDocument::documentErrorDomain()) << name;
        EXPECT_EQ(result.error->code, 40) << name;
        EXPECT_TRUE(document.fileType().isEmpty()) << name;
    }
    // A sequence cut short at the end of the file is not UTF-8 either.
    writeBytes(path(QStringLiteral("cut.md")), "emoji \xf0\x9f\x98");
    TVXDocument document;
    const auto result = readInto(document, path(QStringLiteral("cut.md")));
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->code, 40);
}

TEST_F(DocumentFiles, AFolderIsMarkedAsFolderWithoutText)
{
    QDir().mkpath(path(QStringLiteral("notes")));
    TVXDocument document;
    const auto result = readInto(document, path(QStringLiteral("notes")));
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(document.isDirectory());
    EXPECT_TRUE(document.contents().isEmpty());
    EXPECT_TRUE(document.fileType().isEmpty());
}

TEST_F(DocumentFiles, ImagesVideosAndProgramsFailWithoutAnErrorObject)
{
    writeBytes(path(QStringLiteral("picture.png")), QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(32, '\0'));
    writeBytes(path(QStringLiteral("clip.mp4")), QByteArray("\0\0\0\x18" "ftypmp42", 12) + QByteArray(32, '\0'));
    writeBytes(path(QStringLiteral("launcher.desktop")), "[Desktop Entry]\nType=Application\nExec=true\n");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/true"), path(QStringLiteral("program"))));
    for (const char* name : { "picture.png", "clip.mp4", "launcher.desktop", "program" }) {
        TVXDocument document;
        const auto result = readInto(document, path(QString::fromLatin1(name)));
        EXPECT_FALSE(result.ok) << name;
        EXPECT_FALSE(result.error) << name;
        EXPECT_TRUE(document.contents().isEmpty()) << name;
    }
}

TEST_F(DocumentFiles, AMissingFileFailsWithTheFileLayersError)
{
    TVXDocument document;
    const auto result = readInto(document, path(QStringLiteral("nothing.md")));
    EXPECT_FALSE(result.ok);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->domain, DocumentError::fileDomain);
    EXPECT_EQ(result.error->code, DocumentError::FileReadNoSuchFile);
}

// Should a read ever wait on the pipe, the watchdog ends the wait after a generous while (by
// opening the pipe for writing and closing it), so that the test fails instead of hanging.
class PipeWatchdog {
public:
    explicit PipeWatchdog(const QString& fifo)
        : m_thread([this, path = QFile::encodeName(fifo)] {
            std::unique_lock lock(m_mutex);
            if (m_done.wait_for(lock, std::chrono::seconds(60), [this] { return m_finished; }))
                return;
            m_fired = true;
            const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        })
    {
    }
    ~PipeWatchdog() { finish(); }
    // True when the read had to be set free.
    bool finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::atomic<bool> m_fired { false };
    std::thread m_thread;
};

TEST_F(DocumentFiles, OnlyRegularFilesAreReadAndEverythingElseFailsAtOnceWithItsReason)
{
    const QString fifo = path(QStringLiteral("pipe.md"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("zero.md"))));
    ASSERT_TRUE(QFile::link(fifo, path(QStringLiteral("link-to-pipe.md"))));
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(path(QStringLiteral("socket.md")));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    // One byte over the limit, with no disk blocks behind it.
    {
        QFile huge(path(QStringLiteral("huge.md")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(platform::FileWrapper::maximumFileSize + 1));
    }
    const struct {
        const char* name;
        int code;
        QString reason;
    } cases[] = {
        { "pipe.md", DocumentError::FileReadNotRegularFile, QStringLiteral("“pipe.md” is a named pipe, not a regular file") },
        { "link-to-pipe.md", DocumentError::FileReadNotRegularFile, QStringLiteral("“link-to-pipe.md” is a named pipe, not a regular file") },
        { "zero.md", DocumentError::FileReadNotRegularFile, QStringLiteral("“zero.md” is a device, not a regular file") },
        { "socket.md", DocumentError::FileReadNotRegularFile, QStringLiteral("“socket.md” is a socket, not a regular file") },
        { "huge.md", DocumentError::FileReadTooLarge, QStringLiteral("The file “huge.md” is too large to open: a document may hold at most 256 MiB.") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PipeWatchdog watchdog(fifo);
        TVXDocument document;
        const auto result = readInto(document, path(QString::fromLatin1(c.name)));
        EXPECT_FALSE(watchdog.finish()) << "the read waited for a writer";
        EXPECT_FALSE(result.ok);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->domain, DocumentError::fileDomain);
        EXPECT_EQ(result.error->code, c.code);
        EXPECT_TRUE(result.error->message.startsWith(c.reason)) << result.error->message.toStdString();
        EXPECT_TRUE(document.contents().isEmpty());
    }
    ::close(server);

    // Up to the limit a file still reads, and a link to a regular file reads as the file.
    writeBytes(path(QStringLiteral("real.md")), "# Real\n");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real.md")), path(QStringLiteral("link.md"))));
    TVXDocument linked;
    EXPECT_TRUE(readInto(linked, path(QStringLiteral("link.md"))).ok);
    EXPECT_EQ(linked.contents(), QStringLiteral("# Real\n"));
}

TEST_F(DocumentFiles, ReadThenWrittenThroughTheEditorIsByteIdentical)
{
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        { "crlf", "# Title\r\n\r\nline one\r\nline two\r\n" },
        { "lone cr", "first\rsecond\rthird\r" },
        { "mixed", "unix\nwindows\r\nold mac\rlast" },
        { "no-break space", "a\xc2\xa0" "b and\xc2\xa0\xc2\xa0spaces\n" },
        { "line separator", "one\xe2\x80\xa8two\xe2\x80\xa8three\n" },
        { "no final newline", "no newline at the end" },
        { "emoji", "flags \xf0\x9f\x87\xab\xf0\x9f\x87\xb7 family \xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x91\xa7\n" },
        { "byte-order mark", "\xef\xbb\xbf# With BOM\n" },
    };
    for (const auto& [label, bytes] : cases) {
        const QString file = path(QStringLiteral("round.md"));
        writeBytes(file, bytes);
        TVXDocument document;
        ASSERT_TRUE(readInto(document, file).ok) << label;
        document.setFileURL(QUrl::fromLocalFile(file));
        test::plainEditor(document)->loadDocument();
        std::optional<DocumentError> error;
        ASSERT_TRUE(document.saveToURL(QUrl::fromLocalFile(file), document.fileType(), SaveOperation::Save, &error)) << label;
        EXPECT_EQ(readBytes(file), bytes) << label;
        EXPECT_EQ(document.fileModificationDate(), QFileInfo(file).lastModified()) << label;
    }
}

TEST_F(DocumentFiles, EveryTextTypeIsWrittenAsUtf8)
{
    const QString text = QStringLiteral("déjà vu — ☃ \U0001F600\n");
    for (const char* type : { "text/markdown", "text/plain", "text/html", "application/xml", "application/octet-stream" }) {
        TVXDocument document;
        document.setContents(text);
        std::optional<DocumentError> error;
        const auto wrapper = document.fileWrapperOfType(QString::fromLatin1(type), &error);
        ASSERT_TRUE(wrapper) << type;
        EXPECT_EQ(*wrapper->regularFileContents(), text.toUtf8()) << type;
    }
}

TEST_F(DocumentFiles, ATypeThatIsNotTextIsRefusedWithCode10)
{
    TVXDocument document;
    document.setContents(QStringLiteral("text"));
    for (const char* type : { "inode/directory" }) {
        std::optional<DocumentError> error;
        EXPECT_FALSE(document.fileWrapperOfType(QString::fromLatin1(type), &error)) << type;
        ASSERT_TRUE(error) << type;
        EXPECT_EQ(error->domain, TVXDocument::documentErrorDomain());
        EXPECT_EQ(error->code, 10);
    }
}

TEST_F(DocumentFiles, TheAsciiWriterDropsEverythingFromDelUpOnlyWhenTextIsNotAscii)
{
    TVXDocument document;
    auto* editor = test::plainEditor(document);
    struct Case {
        QString text;
        QByteArray written;
    };
    const std::vector<Case> cases = {
        { QStringLiteral("plain ascii with del \x7F and tab\t\n"), "plain ascii with del \x7F and tab\t\n" },
        { QStringLiteral("caf\u00e9 \x7F ok \U0001F600!"), "caf  ok !" },
    };
    for (const auto& c : cases) {
        editor->getEditorTextView()->setString(c.text);
        std::optional<DocumentError> error;
        const auto wrapper = document.txtFileWrapper(&error);
        ASSERT_TRUE(wrapper);
        EXPECT_EQ(*wrapper->regularFileContents(), c.written);
        EXPECT_EQ(document.contents(), c.text); // the writer stores what it took from the editor
    }
}

TEST_F(DocumentFiles, AWriteUnderARegularFileFailsAndLeavesNothingBehind)
{
    const QString blocker = path(QStringLiteral("plain-file"));
    writeBytes(blocker, "I am a file");
    const QStringList before = entries();
    TVXDocument document;
    document.setContents(QStringLiteral("new text"));
    std::optional<DocumentError> error;
    EXPECT_FALSE(document.saveToURL(QUrl::fromLocalFile(blocker + QStringLiteral("/inside.md")), QStringLiteral("text/markdown"), SaveOperation::SaveAs, &error));
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->message.isEmpty());
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(readBytes(blocker), QByteArray("I am a file"));
    EXPECT_TRUE(document.fileURL().isEmpty());
}

TEST_F(DocumentFiles, AWriteStoppedByTheFileSizeLimitLeavesTheOldFileAndNoTemporaryFile)
{
    // Larger and smaller than the file device's buffer: a buffered write cut short in its final
    // flush went unnoticed and committed a truncated file.
    for (const int size : { 64 * 1024, 8000 }) {
        SCOPED_TRACE(size);
        const QString file = path(QStringLiteral("limited %1.md").arg(size));
        const QByteArray old = "old contents\r\n";
        writeBytes(file, old);
        TVXDocument document;
        ASSERT_TRUE(readInto(document, file).ok);
        document.setFileURL(QUrl::fromLocalFile(file));
        auto* editor = test::plainEditor(document);
        editor->getEditorTextView()->setString(QString(size, QLatin1Char('x')));
        document.updateChangeCount(platform::DocumentChange::Done);
        const QStringList before = entries();

        std::optional<DocumentError> error;
        bool saved_ok = true;
        {
            const test::FileSizeLimit limit(4096);
            ASSERT_TRUE(limit.isActive());
            saved_ok = document.saveToURL(QUrl::fromLocalFile(file), document.fileType(), SaveOperation::Save, &error);
        }

        EXPECT_FALSE(saved_ok);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, DocumentError::FileWriteOutOfSpace);
        EXPECT_EQ(readBytes(file), old);
        EXPECT_EQ(entries(), before);
        EXPECT_TRUE(document.isDocumentEdited()); // nothing was saved
    }
}

TEST_F(DocumentFiles, SaveKeepsTheFilesPermissions)
{
    const QString file = path(QStringLiteral("private.md"));
    writeBytes(file, "secret\n");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(file, permissions));
    TVXDocument document;
    ASSERT_TRUE(readInto(document, file).ok);
    document.setContents(QStringLiteral("still secret\n"));
    TVXDocument::setEditorViewControllerFactory({});
    ASSERT_TRUE(document.saveToURL(QUrl::fromLocalFile(file), document.fileType(), SaveOperation::Save));
    EXPECT_EQ(readBytes(file), QByteArray("still secret\n"));
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(file).permissions() & mode, permissions);
}
