#include "AppDelegate.h"
#include "CoreMagicStrings.h"
#include "SingleInstance.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(s_signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    if (!penwick::platform::hasDisplay()) {
        std::fputs(qPrintable(penwick::platform::noDisplayMessage(QStringLiteral("PenwickMini"), QString::fromLocal8Bit(argv[0]))), stderr);
        return 2;
    }
    penwick::platform::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickMini"));
    QApplication::setOrganizationDomain(QStringLiteral("penwick.org"));
    QApplication::setQuitOnLastWindowClosed(false);

    penwick::SingleInstance instance;
    penwick::AppDelegate* delegate = nullptr;
    if (!instance.becomePrimary([&delegate](const QByteArray& message) {
            if (delegate)
                delegate->handleMessage(message);
        })) {
        // A second start stands in for the shortcut: the running one toggles its popover.
        const bool sent = penwick::SingleInstance::sendMessage(penwick::CoreMagicStrings::PENWICK_MINI_TOGGLE_MESSAGE);
        return sent ? 0 : 1;
    }

    // SIGTERM and SIGINT end the program through the event loop, saving as a quit does.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&delegate] {
            char byte;
            [[maybe_unused]] const auto got = ::read(s_signalPipe[0], &byte, 1);
            if (delegate)
                delegate->quitPenwickMini(nullptr);
        });
        std::signal(SIGTERM, onTerminationSignal);
        std::signal(SIGINT, onTerminationSignal);
    }

    penwick::AppDelegate appDelegate;
    delegate = &appDelegate;
    appDelegate.applicationDidFinishLaunching();
    const int result = app.exec();
    appDelegate.applicationWillTerminate();
    delegate = nullptr;
    return result;
}
