#pragma once

#include "EventMonitor.h"

#include <QObject>
#include <QPointer>

namespace penwick {

// Watches key presses sent to PenwickMini itself; the keys still reach the focused widget.
class LocalEventMonitor : public EventMonitor {
public:
    LocalEventMonitor(Mask mask, Handler handler);
    ~LocalEventMonitor() override;

    void start() override;
    void stop() override;
    bool isRunning() const override { return m_filter != nullptr; }

private:
    class Filter;
    QPointer<QObject> m_filter;
};

} // namespace penwick
