#include "LXLogger.h"

#include "TestSupport.h"
#include "platform/SystemLog.h"
#include "common/AppLogger.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace penwick;
using platform::SystemLog;

namespace {

std::string captured(const std::function<void()>& body)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string capturedErrors(const std::function<void()>& body)
{
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}

// One standard stream pointed at a pipe, fully buffered as the C library makes it for a pipe
// or a file: what a reader of the pipe has seen, without anything flushing for it.
class PipedStream {
public:
    PipedStream(std::FILE* stream, int fd)
        : m_stream(stream)
        , m_fd(fd)
    {
        std::fflush(stream);
        m_saved = ::dup(fd);
        if (::pipe2(m_pipe, O_CLOEXEC) != 0)
            return;
        ::dup2(m_pipe[1], fd);
        std::setvbuf(stream, m_buffer, _IOFBF, sizeof(m_buffer));
    }
    ~PipedStream()
    {
        std::fflush(m_stream);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        std::setvbuf(m_stream, nullptr, m_fd == 2 ? _IONBF : _IOLBF, 0);
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
    // What has reached the pipe so far, waiting for nothing.
    std::string arrived()
    {
        std::string text;
        pollfd readable { m_pipe[0], POLLIN, 0 };
        while (::poll(&readable, 1, 0) == 1 && (readable.revents & POLLIN)) {
            char chunk[4096];
            const ssize_t n = ::read(m_pipe[0], chunk, sizeof(chunk));
            if (n <= 0)
                break;
            text.append(chunk, size_t(n));
        }
        return text;
    }

private:
    std::FILE* m_stream;
    int m_fd;
    int m_saved = -1;
    int m_pipe[2] = { -1, -1 };
    char m_buffer[65536];
};

// A log socket of the test's own, standing in for the journal's; the logger is pointed at it
// for the test's length.
class LogSocket {
public:
    LogSocket()
    {
        m_path = test::temporaryFolder() + QStringLiteral("/log");
        m_previous = SystemLog::socketPath();
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(m_path);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        SystemLog::setSocketPath(m_path);
    }
    ~LogSocket()
    {
        SystemLog::setSocketPath(m_previous);
        ::close(m_fd);
    }
    bool isBound() const { return m_bound; }
    // The datagrams that have arrived, in order, waiting for nothing.
    QStringList received()
    {
        QStringList lines;
        char datagram[8192];
        ssize_t n;
        while ((n = ::recv(m_fd, datagram, sizeof(datagram), MSG_DONTWAIT)) > 0)
            lines << QString::fromUtf8(datagram, int(n));
        return lines;
    }

private:
    QString m_path;
    QString m_previous;
    int m_fd = -1;
    bool m_bound = false;
};

} // namespace

TEST(Logger, ErrorWritesOneLine)
{
    EXPECT_EQ(captured([] { log().error(QStringLiteral("x")); }), "Error: x\n");
    EXPECT_EQ(captured([] { log().error(QString()); }), "Error: \n");
    EXPECT_EQ(captured([] { log().error(QStringLiteral("caf\u00e9 \u2713")); }), "Error: caf\xc3\xa9 \xe2\x9c\x93\n");
}

TEST(Logger, WarningsGoToStandardErrorAndTheQuietLevelsWriteNothing)
{
    for (const QString& message : { QStringLiteral("x"), QString(), QStringLiteral("Error: y\n") }) {
        std::string errors;
        const std::string output = captured([&] {
            errors = capturedErrors([&] {
                log().warning(message);
                log().debug(message);
                log().critical(message);
                log().info(message);
            });
        });
        EXPECT_EQ(output, "") << message.toStdString();
        EXPECT_EQ(errors, "Warning: " + message.toStdString() + "\n");
    }
}

TEST(Logger, EachLineReachesAPipeWhenItIsWrittenWithoutWaitingForExit)
{
    {
        PipedStream out(stdout, 1);
        appLog().error(QStringLiteral("the database is damaged"));
        EXPECT_EQ(out.arrived(), "Error: the database is damaged\n");
        appLog().error(QStringLiteral("second"));
        EXPECT_EQ(out.arrived(), "Error: second\n");
    }
    {
        PipedStream err(stderr, 2);
        appLog().warning(QStringLiteral("cannot watch a folder"));
        EXPECT_EQ(err.arrived(), "Warning: cannot watch a folder\n");
    }
}

TEST(Logger, ErrorsReachTheSystemLogTaggedWithTheProgramAndWarningsDoNot)
{
    LogSocket journal;
    ASSERT_TRUE(journal.isBound());
    const QString pid = QString::number(qint64(::getpid()));
    captured([] { capturedErrors([] {
        appLog().error(QStringLiteral("Error setting database: damaged"));
        appLog().warning(QStringLiteral("a warning"));
        appLog().info(QStringLiteral("an information"));
        log().error(QStringLiteral("from the framework"));
        LXLogger(QStringLiteral("PenwickMini")).error(QStringLiteral("two\nlines"));
    }); });
    // Priority 11 is the user facility (1) at error severity (3).
    EXPECT_EQ(journal.received(),
        (QStringList {
            QStringLiteral("<11>Penwick[%1]: Error setting database: damaged").arg(pid),
            QStringLiteral("<11>%1[%2]: from the framework").arg(log().tag(), pid),
            QStringLiteral("<11>PenwickMini[%1]: two\nlines").arg(pid),
        }));
    EXPECT_FALSE(log().tag().isEmpty());
}

TEST(Logger, WithoutASystemLogAnErrorIsStillWrittenAndReturns)
{
    const QString previous = SystemLog::socketPath();
    SystemLog::setSocketPath(test::temporaryFolder() + QStringLiteral("/nothing-listens"));
    EXPECT_EQ(captured([] { log().error(QStringLiteral("x")); }), "Error: x\n");
    EXPECT_FALSE(SystemLog::write(SystemLog::Severity::Error, QStringLiteral("t"), QStringLiteral("x")));
    SystemLog::setSocketPath(previous);
}

TEST(Logger, GlobalLoggerIsOneObject)
{
    EXPECT_EQ(&log(), &log());
}
