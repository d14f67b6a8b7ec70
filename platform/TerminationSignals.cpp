#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

int s_signalPipe[2] = { -1, -1 };
volatile sig_atomic_t s_signalled = 0;
// How long the program may take to end once told to; then the default action of SIGALRM ends it.
constexpr unsigned kDeadlineSeconds = 20;

void onTerminationSignal(int)
{
    if (s_signalled)
        return; // ending already: the first signal's handler runs, and the deadline holds
    s_signalled = 1;
    ::alarm(kDeadlineSeconds);
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(s_signalPipe[1], &byte, 1);
}

} // namespace

bool handleTerminationSignals(QObject* context, std::function<void()> handler)
{
    if (s_signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char byte;
        [[maybe_unused]] const auto got = ::read(s_signalPipe[0], &byte, 1);
        if (handler)
            handler();
    });
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGHUP, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
    std::signal(SIGALRM, SIG_DFL);
    return true;
}

} // namespace penwick::platform
