#pragma once

#include "ContentViewController.h"
#include "PopoverWindow.h"
#include "platform/Observation.h"

#include <QObject>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace penwick {

class EventMonitor;
class LocalEventMonitor;
class PopoverWindow;
struct MonitoredEvent;
namespace platform {
class GlobalShortcutBinder;
}

// PenwickMini's application: the launch sequence, the tray icon, the popover that opens and
// closes from it (and from the global shortcut and a second start), the popover's size, and
// an orderly end that saves the shown note.
class AppDelegate : public QObject, public ContentViewControllerDelegate {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Defaults, database, tracker, tray and popover, monitors, appearance, shortcut.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    void togglePopover();
    void showPopover();
    void closePopover();
    // The handler both monitors share.
    void handleMonitoredEvent(const MonitoredEvent* event);
    // A message of a second start: "toggle" or "quit".
    void handleMessage(const QByteArray& message);

    void didOpenPenwick(QObject* sender) override;
    void requestPopoverClose(QObject* sender) override;
    void quitPenwickMini(QObject* sender) override;

    PopoverWindow* popover() const { return m_popover; }
    ContentViewController* contentViewController() const { return m_content; }
    QSystemTrayIcon* statusItem() const { return m_statusItem; }
    EventMonitor* globalEventMonitor() const { return m_globalMonitor.get(); }
    LocalEventMonitor* escapeEventMonitor() const { return m_localMonitor.get(); }
    platform::GlobalShortcutBinder* shortcutBinder() const { return m_binder.get(); }

    // The size for a ratio setting; none when the value is no number.
    static std::optional<QSize> sizeForRatio(const QVariant& value);

    // A click on the tray icon: toggles the popover, once per click (see m_lastTrayChange).
    void trayIconClicked();
    // For tests: the monotonic clock, in milliseconds, that tells presses of one click apart.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

private:
    void applySizeRatio();
    void applyAppearance();
    void stopMonitors();

    QPointer<PopoverWindow> m_popover;
    QPointer<ContentViewController> m_content;
    QSystemTrayIcon* m_statusItem = nullptr;
    std::unique_ptr<EventMonitor> m_globalMonitor;
    std::unique_ptr<LocalEventMonitor> m_localMonitor;
    std::unique_ptr<platform::GlobalShortcutBinder> m_binder;
    platform::Observation m_ratioObservation;
    // A panel on the bus sends its own press on another window (which closes the popover) and
    // then the activation; a double click sends two activations, with a press between. So
    // within an interval after a change by the tray or a press elsewhere, the next is the same
    // click and changes nothing.
    std::optional<qint64> m_lastTrayChange; // opened or closed by the tray, or closed by a press
    std::optional<qint64> m_lastTrayOpen;
    std::function<qint64()> m_clock;
    bool within(const std::optional<qint64>& time) const;
};

} // namespace penwick
