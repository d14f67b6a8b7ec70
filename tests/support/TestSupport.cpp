#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
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

} // namespace penwick::test
