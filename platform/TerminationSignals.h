#pragma once

#include <QObject>

#include <functional>

namespace penwick::platform {

// SIGTERM and SIGINT reach the program through its event loop: `handler` runs there, on the
// main thread, so that the program can end as a quit does. Installed once per process.
bool handleTerminationSignals(QObject* context, std::function<void()> handler);

} // namespace penwick::platform
