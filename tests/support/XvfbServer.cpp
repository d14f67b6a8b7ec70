#include "XvfbServer.h"

#include <QByteArray>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace penwick::test {

namespace {
XvfbServer* s_current = nullptr;
QString s_reason = QStringLiteral("this test program runs offscreen");
} // namespace

bool XvfbServer::start(QString* error)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        *error = QStringLiteral("Xvfb is not installed (Debian package xvfb)");
        return false;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        *error = QStringLiteral("no pipe for Xvfb");
        return false;
    }
    const QByteArray program = xvfb.toLocal8Bit();
    const QByteArray fdText = QByteArray::number(fds[1]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM); // never outlives the test program
        const char* argv[] = { program.constData(), "-displayfd", fdText.constData(), "-screen", "0", "1400x900x24",
                               "-nolisten", "tcp", "-noreset", nullptr };
        ::execv(program.constData(), const_cast<char* const*>(argv));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        *error = QStringLiteral("could not start Xvfb");
        return false;
    }
    m_pid = pid;
    // Xvfb writes the display number and a newline once it accepts connections.
    QByteArray number;
    pollfd pfd { fds[0], POLLIN, 0 };
    while (!number.endsWith('\n')) {
        if (::poll(&pfd, 1, 20000) <= 0)
            break;
        char c;
        const ssize_t n = ::read(fds[0], &c, 1);
        if (n <= 0)
            break;
        number.append(c);
    }
    ::close(fds[0]);
    if (!number.endsWith('\n')) {
        stop();
        *error = QStringLiteral("Xvfb did not start");
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

void XvfbServer::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = 0;
}

XvfbServer* XvfbServer::current()
{
    return s_current;
}

void XvfbServer::setCurrent(XvfbServer* server)
{
    s_current = server;
}

QString XvfbServer::unavailableReason()
{
    return s_reason;
}

void XvfbServer::setUnavailableReason(const QString& reason)
{
    s_reason = reason;
}

} // namespace penwick::test
