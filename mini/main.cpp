#include "AppDelegate.h"
#include "CoreMagicStrings.h"
#include "Extensions/Realm.h"
#include "platform/ApplicationStartup.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>

#include <cstdio>

namespace {
// How long a second start waits for the running copy's answer before it says that it goes on
// waiting.
constexpr int kHandOverPatienceMs = 4000;
} // namespace

int main(int argc, char* argv[])
{
    if (!penwick::platform::hasDisplay()) {
        std::fputs(qPrintable(penwick::platform::noDisplayMessage(QStringLiteral("PenwickMini"), QString::fromLocal8Bit(argv[0]))), stderr);
        return 2;
    }
    penwick::platform::prepareWebEngine();
    penwick::platform::keepLargeFreedMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickMini"));
    QApplication::setOrganizationDomain(QStringLiteral("penwick.org"));
    QApplication::setQuitOnLastWindowClosed(false);

    using penwick::platform::SingleInstance;
    SingleInstance instance(penwick::CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
    penwick::AppDelegate* delegate = nullptr;
    const auto handleMessage = [&delegate](const QByteArray& message) {
        if (delegate)
            delegate->handleMessage(message);
    };
    // A second start stands in for the shortcut: the running one toggles its popover. One that is
    // still starting answers once its event loop runs, and is waited for as long as it lives.
    while (!instance.becomePrimary(handleMessage)) {
        const bool handedOver = SingleInstance::handOver(penwick::CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME,
            penwick::CoreMagicStrings::PENWICK_MINI_TOGGLE_MESSAGE, kHandOverPatienceMs, [](qint64 processId) {
                std::fprintf(stderr, "PenwickMini is already running (process %lld) and has not answered yet; waiting for it.\n",
                    static_cast<long long>(processId));
            });
        if (handedOver)
            return 0;
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
    // Notes still on their way go to the database, or beside it, before the program ends.
    penwick::RealmSetup::close();
    return result;
}
