#include "LocalEventMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

namespace penwick {

// Sees each key press once, where it first arrives (the window), and lets it go on.
class LocalEventMonitor::Filter : public QObject {
public:
    explicit Filter(LocalEventMonitor* monitor) : m_monitor(monitor) {}
    void detach() { m_monitor = nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_monitor && event->type() == QEvent::KeyPress && watched->isWindowType()) {
            MonitoredEvent seen;
            seen.type = MonitoredEvent::KeyDown;
            seen.key = static_cast<QKeyEvent*>(event)->key();
            // The menu or list may have closed itself before its window hears the key.
            seen.inPopup = static_cast<QWindow*>(watched)->type() == Qt::Popup;
            m_monitor->deliver(seen);
        }
        return false;
    }

private:
    LocalEventMonitor* m_monitor;
};

LocalEventMonitor::LocalEventMonitor(Mask mask, Handler handler)
    : EventMonitor(mask, std::move(handler))
{
}

LocalEventMonitor::~LocalEventMonitor()
{
    stop();
}

void LocalEventMonitor::start()
{
    if (m_filter || !QCoreApplication::instance())
        return;
    auto* filter = new Filter(this);
    m_filter = filter;
    QCoreApplication::instance()->installEventFilter(filter);
}

void LocalEventMonitor::stop()
{
    if (!m_filter)
        return;
    // The handler may stop the monitor while the filter runs: the filter goes later.
    QCoreApplication::instance()->removeEventFilter(m_filter);
    static_cast<Filter*>(m_filter.data())->detach();
    m_filter->deleteLater();
    m_filter = nullptr;
}

} // namespace penwick
