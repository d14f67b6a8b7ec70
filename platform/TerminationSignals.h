#pragma once

#include <QObject>

#include <functional>

namespace penwick::platform {

// SIGTERM, SIGHUP (the terminal or session went) and SIGINT reach the program through its event
// loop: `handler` runs there, once, on the main thread, so that the program can end as a quit
// does. From the first signal the program has a bounded time to end (later signals are
// ignored); past it, it is ended. Installed once per process.
bool handleTerminationSignals(QObject* context, std::function<void()> handler);

} // namespace penwick::platform
