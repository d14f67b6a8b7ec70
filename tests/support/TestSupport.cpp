#include "TestSupport.h"

#include "MachineIsolation.h"

#include "CoreSetup.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace penwick::test {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

QString temporaryFolder()
{
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    folders.push_back(std::make_unique<QTemporaryDir>());
    return folders.back()->path();
}

QProcessEnvironment environmentWithOwnFolders(const QString& folder, std::initializer_list<const char*> variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : variables) {
        const QString dir = folder + QLatin1Char('/') + QString::fromLatin1(variable);
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(variable), dir);
    }
    return environment;
}

int runTestProgram(int argc, char* argv[])
{
    isolateFromTheMachine();
    penwick::platform::prepareWebEngine();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickTests"));
    penwick::registerBundledDefaults();
    return RUN_ALL_TESTS();
}

StdoutCapture::StdoutCapture()
{
    m_path = temporaryFolder() + QStringLiteral("/stdout.txt");
    std::fflush(stdout);
    m_savedFd = ::dup(STDOUT_FILENO);
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    if (m_savedFd >= 0) {
        ::dup2(m_savedFd, STDOUT_FILENO);
        ::close(m_savedFd);
    }
}

QString StdoutCapture::text() const
{
    std::fflush(stdout);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace penwick::test
