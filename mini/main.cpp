#include "AppDelegate.h"
#include "CoreMagicStrings.h"
#include "platform/ApplicationStartup.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

#include <cstdio>

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

    penwick::platform::SingleInstance instance(penwick::CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
    penwick::AppDelegate* delegate = nullptr;
    if (!instance.becomePrimary([&delegate](const QByteArray& message) {
            if (delegate)
                delegate->handleMessage(message);
        })) {
        // A second start stands in for the shortcut: the running one toggles its popover.
        const bool sent = penwick::platform::SingleInstance::sendMessage(penwick::CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME, penwick::CoreMagicStrings::PENWICK_MINI_TOGGLE_MESSAGE);
        return sent ? 0 : 1;
    }

    // SIGTERM and SIGINT end the program through the event loop, saving as a quit does.
    penwick::platform::handleTerminationSignals(&app, [&delegate] {
        if (delegate)
            delegate->quitPenwickMini(nullptr);
    });

    penwick::AppDelegate appDelegate;
    delegate = &appDelegate;
    appDelegate.applicationDidFinishLaunching();
    const int result = app.exec();
    appDelegate.applicationWillTerminate();
    delegate = nullptr;
    return result;
}
