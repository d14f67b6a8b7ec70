#include "shell/Delay.h"

#include <QCoreApplication>
#include <QTimer>

#include <climits>
#include <cmath>

namespace penwick {

void delay(double seconds, std::function<void()> closure, QObject* context)
{
    if (!closure)
        return;
    double ms = seconds * 1000.0;
    if (!std::isfinite(ms) || ms < 0)
        ms = 0;
    ms = std::min(ms, double(INT_MAX));
    // The application object lives on the main thread, so the closure runs there even when
    // the call came from another thread.
    QObject* receiver = context ? context : QCoreApplication::instance();
    QTimer::singleShot(int(std::llround(ms)), receiver, std::move(closure));
}

} // namespace penwick
