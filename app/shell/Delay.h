#pragma once

#include <functional>

class QObject;

namespace penwick {

// Runs `closure` once on the main thread when `seconds` have passed (a negative or
// non-finite delay counts as 0). With a `context`, a closure whose context is destroyed
// first never runs.
void delay(double seconds, std::function<void()> closure, QObject* context = nullptr);

} // namespace penwick
