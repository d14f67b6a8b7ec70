#include "AppDelegate.h"

#include "AppTracker.h"
#include "CoreMagicStrings.h"
#include "CoreSetup.h"
#include "EventMonitor.h"
#include "Extensions/Realm.h"
#include "LocalEventMonitor.h"
#include "MiniLog.h"
#include "MiniPrefs.h"
#include "MiniResources.h"
#include "PenwickMiniPreferencesWindowController.h"
#include "PopoverWindow.h"
#include "Support/DarkModeTracker.h"
#include "platform/GlobalShortcutBinder.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPalette>
#include <QSystemTrayIcon>
#include <QTimer>

namespace penwick {

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
    m_clock = [timer = std::make_shared<QElapsedTimer>()] {
        if (!timer->isValid())
            timer->start();
        return timer->elapsed();
    };
}

AppDelegate::~AppDelegate()
{
    stopMonitors();
    m_ratioObservation.reset();
    delete m_popover.data();
    miniLog().debug(QStringLiteral("Deallocated Mini AppDelegate"));
}

std::optional<QSize> AppDelegate::sizeForRatio(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const double x = value.toDouble();
        if (!(x > 0) || x > 10)
            return std::nullopt;
        return QSize(qRound(340 * x), qRound(400 * x));
    }
    default:
        return std::nullopt;
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    // 1–2. Penwick's default settings: both programs share one resources folder.
    registerBundledDefaults();
    // 3. The shared database, before any page loads a note.
    RealmSetup::setup();
    // 4. The program the user works in.
    AppTracker::sharedInstance().startTracking();

    // 5. Tray icon and popover.
    m_popover = new PopoverWindow;
    m_content = new ContentViewController(m_popover);
    m_content->setDelegate(this);
    m_popover->setContent(m_content);
    connect(m_popover, &PopoverWindow::deactivated, this, [this] { handleMonitoredEvent(nullptr); });
    connect(m_popover, &PopoverWindow::closed, this, [this] { stopMonitors(); });
    m_statusItem = new QSystemTrayIcon(this);
    m_statusItem->setIcon(QIcon(miniResourcePath(QStringLiteral("statusIcon"), QStringLiteral("svg"))));
    m_statusItem->setToolTip(QStringLiteral("Penwick Mini"));
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A double click's second press arrives as its own activation too.
        if (reason == QSystemTrayIcon::Trigger)
            trayIconClicked();
    });
    m_statusItem->show();
    m_ratioObservation = platform::UserDefaults::standard().observe(MiniPrefs::WINDOW_SIZE_RATIO, this,
                                                                    [this](const QString&) { applySizeRatio(); });
    // The setting counts from the start, not only once it changes.
    applySizeRatio();
    miniLog().debug(QStringLiteral("Finished setting up status item"));

    // 6. Monitors, started while the popover shows.
    const auto handler = [this](const MonitoredEvent* event) { handleMonitoredEvent(event); };
    m_globalMonitor = std::make_unique<EventMonitor>(
        EventMonitor::Mask(MonitoredEvent::LeftMouseDown) | MonitoredEvent::RightMouseDown, handler);
    m_localMonitor = std::make_unique<LocalEventMonitor>(MonitoredEvent::KeyDown, handler);
    miniLog().debug(QStringLiteral("Finished setting up event monitor"));

    // 7. The popover's palette follows the appearance.
    DarkModeTracker::welcomeObject(this, [this] { applyAppearance(); }, false);
    DarkModeTracker::outcastObject(this, [this] { applyAppearance(); }, false);
    applyAppearance();

    // 8. The global shortcut.
    m_binder = std::make_unique<platform::GlobalShortcutBinder>(platform::UserDefaults::standard());
    m_binder->setErrorHandler([this](const QString& message) {
        if (m_content && m_content->preferencesWindow())
            m_content->preferencesWindow()->showShortcutError(message);
    });
    m_binder->bindKey(CoreMagicStrings::PENWICK_MINI_SHORTCUT, [this] { togglePopover(); });
    connect(m_content, &ContentViewController::preferencesShown, this, [this](PenwickMiniPreferencesWindowController* window) {
        window->showShortcutError(m_binder->lastError());
        // While the recorder records, the combination must reach it rather than the grab.
        connect(window, &PenwickMiniPreferencesWindowController::recordingChanged, this,
                [this](bool recording) { m_binder->setSuspended(recording); });
        connect(window, &QObject::destroyed, this, [this] { m_binder->setSuspended(false); });
    });
    miniLog().debug(QStringLiteral("Penwick Mini Launched"));
}

void AppDelegate::applicationWillTerminate()
{
    AppTracker::sharedInstance().stopTracking();
    miniLog().debug(QStringLiteral("Penwick Mini Terminated"));
}

void AppDelegate::applySizeRatio()
{
    if (!m_popover)
        return;
    if (const auto size = sizeForRatio(platform::UserDefaults::standard().object(MiniPrefs::WINDOW_SIZE_RATIO)))
        m_popover->setContentSize(*size);
}

void AppDelegate::applyAppearance()
{
    if (!m_popover)
        return;
    const bool dark = DarkModeTracker::applicationIsOnTheDarkSide();
    QPalette palette = QApplication::palette();
    if (dark) {
        palette.setColor(QPalette::Window, QColor(0x24, 0x27, 0x2c));
        palette.setColor(QPalette::WindowText, QColor(0xe3, 0xe6, 0xea));
        palette.setColor(QPalette::Base, QColor(0x1e, 0x21, 0x26));
        palette.setColor(QPalette::Text, QColor(0xe3, 0xe6, 0xea));
        palette.setColor(QPalette::Button, QColor(0x30, 0x34, 0x3a));
        palette.setColor(QPalette::ButtonText, QColor(0xe3, 0xe6, 0xea));
        palette.setColor(QPalette::Mid, QColor(0x4a, 0x50, 0x58));
    }
    m_popover->setPalette(palette);
}

void AppDelegate::togglePopover()
{
    if (m_popover && m_popover->isShown())
        closePopover();
    else
        showPopover();
}

bool AppDelegate::within(const std::optional<qint64>& time) const
{
    return time && m_clock() - *time < QApplication::doubleClickInterval();
}

void AppDelegate::trayIconClicked()
{
    if (within(m_lastTrayChange))
        return;
    togglePopover();
    m_lastTrayChange = m_clock();
    if (m_popover && m_popover->isShown())
        m_lastTrayOpen = m_lastTrayChange;
}

void AppDelegate::showPopover()
{
    if (!m_popover)
        return;
    const QRect anchor = m_statusItem ? m_statusItem->geometry() : QRect();
    m_popover->showBelow(anchor);
    m_content->focusActivePage();
    m_globalMonitor->start();
    m_localMonitor->start();
}

void AppDelegate::closePopover()
{
    if (m_popover)
        m_popover->closePopover();
    stopMonitors();
}

void AppDelegate::stopMonitors()
{
    if (m_globalMonitor)
        m_globalMonitor->stop();
    if (m_localMonitor)
        m_localMonitor->stop();
}

void AppDelegate::handleMonitoredEvent(const MonitoredEvent* event)
{
    if (!m_popover || m_popover->isDetached())
        return;
    if (event && event->type == MonitoredEvent::KeyDown) {
        // Escape in an open menu or list closes that, not the popover.
        if (!event->isEscape() || event->inPopup || QApplication::activePopupWidget())
            return;
    } else if (within(m_lastTrayOpen)) {
        return; // the second press of the double click that opened it
    }
    if (m_popover->isShown() && !m_content->isPinned()) {
        closePopover();
        // The press may be the panel's, before the activation of the same click.
        if (!event || event->type != MonitoredEvent::KeyDown)
            m_lastTrayChange = m_clock();
    }
}

void AppDelegate::handleMessage(const QByteArray& message)
{
    if (message == CoreMagicStrings::PENWICK_MINI_TOGGLE_MESSAGE)
        togglePopover();
    else if (message == CoreMagicStrings::PENWICK_MINI_QUIT_MESSAGE)
        quitPenwickMini(this);
}

void AppDelegate::didOpenPenwick(QObject*)
{
    closePopover();
}

void AppDelegate::requestPopoverClose(QObject*)
{
    closePopover();
}

void AppDelegate::quitPenwickMini(QObject*)
{
    // The shown page saves its note as it disappears.
    closePopover();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
}

} // namespace penwick
