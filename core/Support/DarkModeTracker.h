#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace penwick {

// The desktop portal's appearance setting.
inline const QString kDarkModePortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kDarkModePortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kDarkModePortalSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
inline const QString kDarkModeAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
inline const QString kDarkModeColorSchemeKey = QStringLiteral("color-scheme");
// "color-scheme" values: 0 no preference, 1 prefer dark, 2 prefer light.
inline constexpr uint kDarkModeColorSchemeDarkValue = 1;

// Where the tracker learns the system's interface style and hears that it changed.
class DarkModeAppearanceSource {
public:
    virtual ~DarkModeAppearanceSource() = default;
    virtual bool isDark() const = 0;
    // Called on the main thread whenever the system reports an appearance change; the style
    // itself may be the same as before.
    void setChangeHandler(std::function<void()> handler) { m_changeHandler = std::move(handler); }

protected:
    void notifyChanged()
    {
        if (m_changeHandler)
            m_changeHandler();
    }

private:
    std::function<void()> m_changeHandler;
};

// The freedesktop portal's "color-scheme" over D-Bus: read once, then kept up to date from
// its SettingChanged signal.
class PortalAppearanceSource : public QObject, public DarkModeAppearanceSource {
    Q_OBJECT
public:
    explicit PortalAppearanceSource(const QDBusConnection& connection = QDBusConnection::sessionBus(),
                                    QObject* parent = nullptr);
    // Whether a portal answered the first read.
    bool isAvailable() const { return m_available; }
    bool isDark() const override { return m_dark; }

private Q_SLOTS:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection m_connection;
    bool m_available = false;
    bool m_dark = false;
};

// Without a portal: the application palette is dark when its window colour is darker than its
// text; palette and theme changes of the application are the change events.
class PaletteAppearanceSource : public QObject, public DarkModeAppearanceSource {
    Q_OBJECT
public:
    explicit PaletteAppearanceSource(QObject* parent = nullptr);
    bool isDark() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Tells whether the interface style is dark and runs, per registered object, one block when the
// dark style is entered and one when it is left. Registrations hold their objects weakly: blocks
// of an object that was destroyed are skipped. Main thread only.
class DarkModeTracker {
public:
    using Block = std::function<void()>;

    DarkModeTracker() = delete;

    // Every platform here can tell its style (through the portal or the palette).
    static bool applicationReadyForTheDarkSide();
    static bool applicationIsOnTheDarkSide();

    static void welcomeObject(QObject* object, Block block, bool immediately);
    static void outcastObject(QObject* object, Block block, bool immediately);
    // The same, for the application object.
    static void welcomeApplicationWithBlock(Block block, bool immediately);
    static void outcastApplicationWithBlock(Block block, bool immediately);

    // Replaces where the style comes from (null: the system's, chosen as on first use). The
    // next change report from the new source always broadcasts.
    static void setAppearanceSource(std::unique_ptr<DarkModeAppearanceSource> source);
    static DarkModeAppearanceSource* appearanceSource();
    // The portal on the session bus when one answers, else the application palette.
    static std::unique_ptr<DarkModeAppearanceSource> systemAppearanceSource();

private:
    static void appearanceDidChange();
    static void broadcastDarkMode(bool dark);
};

} // namespace penwick
