// Stands in for PenwickMini in the launcher's tests. It holds the single-instance lock as the
// real program does and writes what happens to it, one line each, into $FAKE_COMPANION_LOG:
// "started <pid>", "sigterm <pid>" (then it ends, releasing the lock) and "probe <pid>" for
// the test's own probe signal (SIGRTMIN). Signals are logged in the order they are delivered.
// FAKE_COMPANION_MODE: "nolock" takes no lock; "stale" takes the lock and dies at once without
// releasing it, as a crashed copy would.
#include "CoreMagicStrings.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_pipe[2] = { -1, -1 };

void onSignal(int number)
{
    const char byte = number == SIGTERM ? 'T' : 'P';
    [[maybe_unused]] const auto written = ::write(s_pipe[1], &byte, 1);
}

void log(const QByteArray& event)
{
    QFile file(QString::fromLocal8Bit(qgetenv("FAKE_COMPANION_LOG")));
    if (file.open(QIODevice::Append))
        file.write(event + ' ' + QByteArray::number(qint64(::getpid())) + '\n');
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("PenwickMini"));
    const QByteArray mode = qgetenv("FAKE_COMPANION_MODE");
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_pipe) != 0)
        return 3;
    std::signal(SIGTERM, onSignal);
    std::signal(SIGRTMIN, onSignal);

    // The lock and server of PenwickMini itself.
    penwick::platform::SingleInstance instance(penwick::CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
    if (mode != "nolock" && !instance.becomePrimary([](const QByteArray&) {})) {
        log("second");
        return 0;
    }
    if (mode == "stale") {
        log("stale");
        ::_exit(0); // the lock file stays behind
    }
    QSocketNotifier notifier(s_pipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        if (::read(s_pipe[0], &byte, 1) != 1)
            return;
        if (byte == 'T') {
            log("sigterm");
            QCoreApplication::quit();
        } else {
            log("probe");
        }
    });
    log("started");
    return app.exec();
}
