#include "Support/DarkModeTracker.h"

#include <QDBusMessage>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>

#include <vector>

namespace penwick {

namespace {

const int kPortalReadTimeoutMs = 1000;

// The portal wraps the setting in one or more variants.
QVariant unwrap(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

bool isDarkColorScheme(const QVariant& value)
{
    const QVariant scheme = unwrap(value);
    switch (scheme.typeId()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::UChar:
    case QMetaType::ULongLong:
    case QMetaType::LongLong:
        return scheme.toLongLong() == kDarkModeColorSchemeDarkValue;
    default:
        return false;
    }
}

struct Registration {
    QPointer<QObject> object;
    const QObject* identity = nullptr;
    DarkModeTracker::Block block;
};

struct TrackerState {
    std::vector<Registration> entering;
    std::vector<Registration> leaving;
    bool recentValue = false;
    bool valueKnown = false;
    std::unique_ptr<DarkModeAppearanceSource> source;
};

// Made once and never released, so that nothing of it outlives the application in a destructor.
TrackerState& state()
{
    static TrackerState* const instance = new TrackerState;
    return *instance;
}

QString describe(const QObject* object)
{
    QString text;
    QDebug(&text).nospace() << object;
    return text;
}

void registerBlock(std::vector<Registration>& table, QObject* object, DarkModeTracker::Block block,
                   const char* transition)
{
    std::erase_if(table, [](const Registration& r) { return r.object.isNull(); });
    auto it = std::find_if(table.begin(), table.end(), [object](const Registration& r) { return r.identity == object; });
    if (it != table.end()) {
        qWarning().noquote() << QStringLiteral("WARNING: Re-defining block for object '%1' which is performed while %2 the Dark Mode.")
                                    .arg(describe(object), QString::fromLatin1(transition));
        it->block = std::move(block);
        return;
    }
    table.push_back(Registration { object, object, std::move(block) });
}

} // namespace

// ---------------------------------------------------------------------------------------------

PortalAppearanceSource::PortalAppearanceSource(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
    if (!m_connection.isConnected())
        return;
    // The slot's argument type must be known by name before the signal can be matched to it.
    qRegisterMetaType<QDBusVariant>();
    // Any sender: a portal that starts (or restarts under a new bus name) later is followed too.
    m_connection.connect(QString(), kDarkModePortalPath, kDarkModePortalSettingsInterface,
                         QStringLiteral("SettingChanged"), this,
                         SLOT(settingChanged(QString,QString,QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(kDarkModePortalService, kDarkModePortalPath,
                                                       kDarkModePortalSettingsInterface, QStringLiteral("Read"));
    read << kDarkModeAppearanceNamespace << kDarkModeColorSchemeKey;
    const QDBusMessage reply = m_connection.call(read, QDBus::Block, kPortalReadTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    m_available = true;
    m_dark = isDarkColorScheme(reply.arguments().constFirst());
}

void PortalAppearanceSource::settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value)
{
    if (nameSpace != kDarkModeAppearanceNamespace || key != kDarkModeColorSchemeKey)
        return;
    m_available = true;
    m_dark = isDarkColorScheme(value.variant());
    notifyChanged();
}

// ---------------------------------------------------------------------------------------------

PaletteAppearanceSource::PaletteAppearanceSource(QObject* parent)
    : QObject(parent)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool PaletteAppearanceSource::isDark() const
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

bool PaletteAppearanceSource::eventFilter(QObject* watched, QEvent* event)
{
    // The application hears of every palette change once; windows hear of theme changes.
    if ((event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance())
        || event->type() == QEvent::ThemeChange)
        notifyChanged();
    return false;
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<DarkModeAppearanceSource> DarkModeTracker::systemAppearanceSource()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto portal = std::make_unique<PortalAppearanceSource>(bus);
        if (portal->isAvailable())
            return portal;
    }
    return std::make_unique<PaletteAppearanceSource>();
}

void DarkModeTracker::setAppearanceSource(std::unique_ptr<DarkModeAppearanceSource> source)
{
    TrackerState& s = state();
    s.source = source ? std::move(source) : systemAppearanceSource();
    s.source->setChangeHandler(&DarkModeTracker::appearanceDidChange);
    s.valueKnown = false;
}

DarkModeAppearanceSource* DarkModeTracker::appearanceSource()
{
    TrackerState& s = state();
    if (!s.source)
        setAppearanceSource(nullptr);
    return s.source.get();
}

bool DarkModeTracker::applicationReadyForTheDarkSide()
{
    return true;
}

bool DarkModeTracker::applicationIsOnTheDarkSide()
{
    try {
        return appearanceSource()->isDark();
    } catch (...) {
        return false;
    }
}

void DarkModeTracker::appearanceDidChange()
{
    TrackerState& s = state();
    const bool dark = applicationIsOnTheDarkSide();
    if (s.valueKnown && dark == s.recentValue)
        return;
    // Recorded before the blocks run, so that a block causing another report cannot repeat them.
    s.recentValue = dark;
    s.valueKnown = true;
    broadcastDarkMode(dark);
}

void DarkModeTracker::broadcastDarkMode(bool dark)
{
    const std::vector<Registration> snapshot = dark ? state().entering : state().leaving;
    for (const Registration& r : snapshot) {
        // An object destroyed by an earlier block is skipped as well.
        if (r.object && r.block)
            r.block();
    }
}

void DarkModeTracker::welcomeObject(QObject* object, Block block, bool immediately)
{
    if (!object)
        return;
    appearanceSource();
    registerBlock(state().entering, object, block, "entering");
    if (immediately && block && applicationIsOnTheDarkSide())
        block();
}

void DarkModeTracker::outcastObject(QObject* object, Block block, bool immediately)
{
    if (!object)
        return;
    appearanceSource();
    registerBlock(state().leaving, object, block, "leaving");
    if (immediately && block && !applicationIsOnTheDarkSide())
        block();
}

void DarkModeTracker::welcomeApplicationWithBlock(Block block, bool immediately)
{
    welcomeObject(QCoreApplication::instance(), std::move(block), immediately);
}

void DarkModeTracker::outcastApplicationWithBlock(Block block, bool immediately)
{
    outcastObject(QCoreApplication::instance(), std::move(block), immediately);
}

} // namespace penwick
