#pragma once

#include <QString>

#include <functional>

namespace penwick::test {

// Spins the event loop until `condition` holds or `timeoutMs` passes; returns whether it held.
// Use for asynchronous results (web pages, other processes), never as a plain delay.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// A fresh, empty folder for one test, removed when the process ends.
QString temporaryFolder();

} // namespace penwick::test
