#include "Extensions/Realm.h"
#include "platform/ApplicationStartup.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "shell/LaunchArguments.h"
#include "shell/MainWindowLayout.h"
#include "shell/PenwickBusService.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>

namespace {
// The name of the lock and socket that keep one Penwick per user session.
const QString kInstanceName = QStringLiteral("penwick");
// How long a second start waits for the running Penwick to take its files before it says that
// it goes on waiting.
constexpr int kHandOverPatienceMs = 4000;
} // namespace

int main(int argc, char* argv[])
{
    using namespace penwick;
    if (!platform::hasDisplay()) {
        std::fputs(qPrintable(platform::noDisplayMessage(QStringLiteral("Penwick"), QString::fromLocal8Bit(argv[0]))), stderr);
        return 2;
    }
    platform::prepareWebEngine();
    platform::keepLargeFreedMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    QApplication::setApplicationVersion(QStringLiteral(PENWICK_VERSION));
    QApplication::setOrganizationDomain(QStringLiteral("penwick.org"));
    QApplication::setDesktopFileName(QStringLiteral("org.penwick.Penwick"));

    const LaunchArguments launch = LaunchArguments::parse(QApplication::arguments().mid(1));

    // One Penwick per user session: a second start hands its files to the first and leaves.
    QPointer<TVXAppDelegate> running;
    const auto openHandedOver = [&running](const QByteArray& message) {
        const std::optional<QStringList> paths = LaunchArguments::pathsFromMessage(message);
        if (!running || !paths)
            return;
        running->openPaths(*paths);
        if (TVXDocumentWindowController* main = running->mainWindowController())
            main->showWindow();
    };
    // The running one may still be starting (it answers once its event loop runs, after its first
    // window is built), which takes long on a busy machine: it is waited for as long as it lives.
    // Only when it ended without taking the files does this start serve in its place.
    platform::SingleInstance instance(kInstanceName);
    while (!instance.becomePrimary(openHandedOver)) {
        const bool handedOver = platform::SingleInstance::handOver(kInstanceName, launch.toMessage(), kHandOverPatienceMs,
            [](qint64 processId) {
                std::fprintf(stderr, "Penwick is already running (process %lld) and has not answered yet; waiting for it.\n",
                    static_cast<long long>(processId));
            });
        if (handedOver)
            return 0;
    }

    TVXTextEditorViewController::installAsEditorFactory();
    TVXDocumentController documentController;
    TVXAppDelegate delegate(&documentController);
    running = &delegate;
    delegate.setWindowFactory([&delegate] { return MainWindowLayout::makeDocumentWindow(&delegate); });
    delegate.awakeFromNib();
    delegate.applicationWillFinishLaunching(QApplication::arguments());

    PenwickBusService bus(&delegate);
    bus.registerOnSessionBus();

    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state == Qt::ApplicationInactive)
            delegate.applicationWillResignActive();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });
    // Ended from outside: what was typed is kept without asking, then Penwick ends as a quit does.
    platform::handleTerminationSignals(&app, [&delegate] {
        delegate.saveForTermination();
        delegate.applicationWillTerminate();
        QApplication::quit();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate, [&delegate](QSessionManager&) {
        delegate.saveForTermination();
    });

    // What the user asked for, or one untitled document.
    if (launch.paths.isEmpty())
        documentController.openUntitledDocumentAndDisplay(true);
    else
        delegate.openPaths(launch.paths);
    // A start that opened nothing (a folder, or only unreadable files) still shows a window.
    if (delegate.windowControllers().isEmpty())
        delegate.documentWindowControllerForDocument(nullptr, true)->showWindow();
    // From inside the event loop: What's New runs modal there, and a quit asked for before the
    // loop runs (a termination signal while it shows) would be dropped and Penwick stay open.
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });

    const int result = app.exec();
    running = nullptr;
    // Notes still on their way go to the database, or beside it, before the program ends.
    penwick::RealmSetup::close();
    return result;
}
