#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

int s_signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
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
    std::signal(SIGINT, onTerminationSignal);
    return true;
}

} // namespace penwick::platform
