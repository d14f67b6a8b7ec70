#include "Support/DarkModeTracker.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMutex>
#include <QPalette>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

// Stands in for the desktop: the test sets the style and reports changes by hand.
class FakeAppearanceSource : public DarkModeAppearanceSource {
public:
    explicit FakeAppearanceSource(bool dark)
        : m_dark(dark)
    {
    }
    bool isDark() const override { return m_dark; }
    void report(bool dark)
    {
        m_dark = dark;
        notifyChanged();
    }

private:
    bool m_dark;
};

FakeAppearanceSource* installFake(bool dark)
{
    auto fake = std::make_unique<FakeAppearanceSource>(dark);
    FakeAppearanceSource* raw = fake.get();
    DarkModeTracker::setAppearanceSource(std::move(fake));
    return raw;
}

// Collects warnings while alive.
class WarningCollector {
public:
    WarningCollector()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtWarningMsg)
                s_messages << message;
        });
    }
    ~WarningCollector() { qInstallMessageHandler(m_previous); }
    const QStringList& messages() const { return s_messages; }

private:
    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

struct Counts {
    int entered = 0;
    int left = 0;
};

void track(QObject* object, Counts& counts)
{
    DarkModeTracker::welcomeObject(object, [&counts] { ++counts.entered; }, false);
    DarkModeTracker::outcastObject(object, [&counts] { ++counts.left; }, false);
}

class DarkModeTrackerTest : public ::testing::Test {
protected:
    void TearDown() override { installFake(false); }
};

} // namespace

TEST_F(DarkModeTrackerTest, OnlyRealChangesOfStyleRunTheBlocks)
{
    struct Case {
        const char* name;
        bool startsDark;
        QList<bool> reports;
        int entered;
        int left;
    };
    const Case cases[] = {
        { "the first report always broadcasts", false, { false }, 0, 1 },
        { "two reports of dark run the entering block once", false, { true, true }, 1, 0 },
        { "dark, dark, light, light", false, { true, true, false, false }, 1, 1 },
        { "alternating styles broadcast each time", true, { true, false, true, false }, 2, 2 },
        { "no report, no block", true, {}, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppearanceSource* source = installFake(c.startsDark);
        QObject object;
        Counts counts;
        track(&object, counts);
        for (bool dark : c.reports)
            source->report(dark);
        EXPECT_EQ(counts.entered, c.entered);
        EXPECT_EQ(counts.left, c.left);
    }
}

TEST_F(DarkModeTrackerTest, ImmediatelyRunsOnlyTheBlockForTheCurrentStyle)
{
    FakeAppearanceSource* source = installFake(false);
    QObject object;
    int entered = 0;
    int left = 0;
    DarkModeTracker::welcomeObject(&object, [&] { ++entered; }, true);
    EXPECT_EQ(entered, 0) << "light now: the entering block waits";
    DarkModeTracker::outcastObject(&object, [&] { ++left; }, true);
    EXPECT_EQ(left, 1) << "light now: the leaving block runs at once";
    source->report(true);
    EXPECT_EQ(entered, 1) << "the first change to dark runs it";

    QObject other;
    QObject another;
    int otherEntered = 0;
    int otherLeft = 0;
    DarkModeTracker::welcomeObject(&other, [&] { ++otherEntered; }, true);
    EXPECT_EQ(otherEntered, 1) << "dark now: runs at once";
    DarkModeTracker::welcomeObject(&another, [&] { ++otherEntered; }, false);
    DarkModeTracker::outcastObject(&other, [&] { ++otherLeft; }, true);
    EXPECT_EQ(otherEntered, 1) << "without immediately nothing runs";
    EXPECT_EQ(otherLeft, 0) << "dark now: the leaving block waits";
}

TEST_F(DarkModeTrackerTest, BlocksOfADestroyedObjectAreSkipped)
{
    FakeAppearanceSource* source = installFake(false);
    Counts gone;
    Counts kept;
    QObject survivor;
    {
        QObject doomed;
        track(&doomed, gone);
    }
    track(&survivor, kept);
    source->report(true);
    source->report(false);
    EXPECT_EQ(gone.entered + gone.left, 0);
    EXPECT_EQ(kept.entered, 1);
    EXPECT_EQ(kept.left, 1);
}

TEST_F(DarkModeTrackerTest, AnObjectDestroyedByAnEarlierBlockIsSkipped)
{
    FakeAppearanceSource* source = installFake(false);
    auto* second = new QObject;
    QObject first;
    int secondRan = 0;
    DarkModeTracker::welcomeObject(&first, [&] { delete second; }, false);
    DarkModeTracker::welcomeObject(second, [&] { ++secondRan; }, false);
    source->report(true);
    EXPECT_EQ(secondRan, 0);
}

TEST_F(DarkModeTrackerTest, RegisteringTwiceWarnsAndReplaces)
{
    struct Case {
        const char* name;
        std::function<void(QObject*, DarkModeTracker::Block)> registration;
        bool reportDark;
        const char* transition;
    };
    const Case cases[] = {
        { "entering", [](QObject* o, auto b) { DarkModeTracker::welcomeObject(o, std::move(b), false); }, true, "entering" },
        { "leaving", [](QObject* o, auto b) { DarkModeTracker::outcastObject(o, std::move(b), false); }, false, "leaving" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppearanceSource* source = installFake(!c.reportDark);
        source->report(!c.reportDark);
        QObject object;
        object.setObjectName(QStringLiteral("twice-%1").arg(QString::fromLatin1(c.name)));
        QStringList ran;
        WarningCollector warnings;
        c.registration(&object, [&] { ran << "first"; });
        EXPECT_TRUE(warnings.messages().isEmpty());
        c.registration(&object, [&] { ran << "second"; });
        ASSERT_EQ(warnings.messages().size(), 1);
        const QString warning = warnings.messages().constFirst();
        EXPECT_TRUE(warning.startsWith("WARNING: Re-defining block for object '")) << warning.toStdString();
        EXPECT_TRUE(warning.contains(object.objectName())) << warning.toStdString();
        EXPECT_TRUE(warning.endsWith(QStringLiteral("which is performed while %1 the Dark Mode.").arg(QString::fromLatin1(c.transition))))
            << warning.toStdString();
        source->report(c.reportDark);
        EXPECT_EQ(ran, QStringList { "second" });
    }
}

TEST_F(DarkModeTrackerTest, TheApplicationRegistersUnderTheApplicationObject)
{
    FakeAppearanceSource* source = installFake(false);
    QStringList ran;
    // The application outlives the tests: this may replace a block an earlier run left.
    DarkModeTracker::welcomeApplicationWithBlock([&] { ran << "first"; }, false);
    {
        WarningCollector warnings;
        DarkModeTracker::welcomeApplicationWithBlock([&] { ran << "second"; }, false);
        ASSERT_EQ(warnings.messages().size(), 1);
        EXPECT_TRUE(warnings.messages().constFirst().contains("QApplication")) << warnings.messages().constFirst().toStdString();
    }
    source->report(true);
    EXPECT_EQ(ran, QStringList { "second" });
    WarningCollector quiet;
    DarkModeTracker::welcomeApplicationWithBlock({}, false);
}

TEST_F(DarkModeTrackerTest, BlocksRegisteredDuringABroadcastWaitForTheNextOne)
{
    FakeAppearanceSource* source = installFake(false);
    QObject first;
    QObject late;
    int lateRan = 0;
    bool registered = false;
    DarkModeTracker::welcomeObject(&first, [&] {
        if (!std::exchange(registered, true))
            DarkModeTracker::welcomeObject(&late, [&] { ++lateRan; }, false);
    }, false);
    source->report(true);
    EXPECT_EQ(lateRan, 0);
    source->report(false);
    source->report(true);
    EXPECT_EQ(lateRan, 1);
}

TEST_F(DarkModeTrackerTest, TheStyleComesFromTheSource)
{
    FakeAppearanceSource* source = installFake(true);
    EXPECT_TRUE(DarkModeTracker::applicationReadyForTheDarkSide());
    EXPECT_TRUE(DarkModeTracker::applicationIsOnTheDarkSide());
    source->report(false);
    EXPECT_FALSE(DarkModeTracker::applicationIsOnTheDarkSide());
}

TEST_F(DarkModeTrackerTest, WithoutAPortalThePaletteDecidesAndItsChangesReport)
{
    const QPalette original = QApplication::palette();
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(light);

    DarkModeTracker::setAppearanceSource(std::make_unique<PaletteAppearanceSource>());
    EXPECT_FALSE(DarkModeTracker::applicationIsOnTheDarkSide());
    QObject object;
    Counts counts;
    track(&object, counts);
    QApplication::setPalette(dark);
    EXPECT_TRUE(DarkModeTracker::applicationIsOnTheDarkSide());
    EXPECT_EQ(counts.entered, 1);
    QApplication::setPalette(light);
    EXPECT_EQ(counts.left, 1);
    QApplication::setPalette(original);
}

namespace {

// A minimal desktop portal Settings object, served on a private bus by the test.
class PortalSettingsService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    // What Read answers for the color scheme, and in how many variants it comes wrapped
    // (the portal's Read wraps twice).
    void setAnswer(const QVariant& value, int wraps = 2)
    {
        QMutexLocker lock(&m_mutex);
        m_answer = value;
        m_wraps = wraps;
    }

public Q_SLOTS:
    QDBusVariant Read(const QString& nameSpace, const QString& key)
    {
        QMutexLocker lock(&m_mutex);
        if (nameSpace != kDarkModeAppearanceNamespace || key != kDarkModeColorSchemeKey)
            return QDBusVariant(QString());
        QVariant value = m_answer;
        for (int i = 1; i < m_wraps; ++i)
            value = QVariant::fromValue(QDBusVariant(value));
        return QDBusVariant(value);
    }

private:
    QMutex m_mutex;
    QVariant m_answer = uint(0);
    int m_wraps = 2;
};

// A session bus of the test's own with a portal service and a client connection, all ended
// however the test ends.
class PortalOnPrivateBus {
public:
    ~PortalOnPrivateBus()
    {
        DarkModeTracker::setAppearanceSource(std::make_unique<FakeAppearanceSource>(false));
        for (const QString& name : { kClient, kService })
            QDBusConnection::disconnectFromBus(name);
        if (service)
            QMetaObject::invokeMethod(service, [s = service] { delete s; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    // Starts the bus and connects the client; the service comes with publishService().
    bool start()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return false;
        m_daemon.start(daemon, { "--session", "--nofork", "--print-address" });
        if (!m_daemon.waitForStarted(10000))
            return false;
        while (!m_daemon.canReadLine()) {
            if (!m_daemon.waitForReadyRead(10000))
                return false;
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return client().isConnected();
    }

    bool publishService()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, kService);
        service = new PortalSettingsService;
        if (!bus.registerObject(kDarkModePortalPath, service, QDBusConnection::ExportAllSlots)
            || !bus.registerService(kDarkModePortalService))
            return false;
        // The service answers on a thread of its own, since the source's first read blocks this
        // one; it moves after registering, together with the helpers the bus gave it.
        m_thread.start();
        service->moveToThread(&m_thread);
        return true;
    }

    QDBusConnection client() { return QDBusConnection::connectToBus(m_address, kClient); }

    bool announce(const QString& key, const QVariant& value)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kDarkModePortalPath, kDarkModePortalSettingsInterface,
                                                         QStringLiteral("SettingChanged"));
        signal << kDarkModeAppearanceNamespace << key << QVariant::fromValue(QDBusVariant(value));
        return QDBusConnection(kService).send(signal);
    }

    PortalSettingsService* service = nullptr;

private:
    static inline const QString kClient = QStringLiteral("periphery-portal-client");
    static inline const QString kService = QStringLiteral("periphery-portal-service");
    QProcess m_daemon;
    QString m_address;
    QThread m_thread;
};

} // namespace

#define START_PRIVATE_PORTAL_BUS(portal)                                                                               \
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())                                       \
        GTEST_SKIP() << "dbus-daemon is not installed";                                                                \
    PortalOnPrivateBus portal;                                                                                         \
    ASSERT_TRUE(portal.start())

TEST_F(DarkModeTrackerTest, ReadsThePortalsColorScheme)
{
    START_PRIVATE_PORTAL_BUS(portal);
    {
        PortalAppearanceSource beforeThePortal(portal.client());
        EXPECT_FALSE(beforeThePortal.isAvailable()) << "nothing answers before the service is there";
        EXPECT_FALSE(beforeThePortal.isDark());
    }
    ASSERT_TRUE(portal.publishService());
    struct Case {
        const char* name;
        QVariant answer;
        int wraps;
        bool dark;
    };
    const Case cases[] = {
        { "prefer dark", uint(1), 2, true },
        { "prefer dark, wrapped once", uint(1), 1, true },
        { "prefer light", uint(2), 2, false },
        { "no preference", uint(0), 2, false },
        { "an unknown value", uint(7), 2, false },
        { "a signed one", int(1), 2, true },
        { "text is no scheme", QStringLiteral("1"), 2, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        portal.service->setAnswer(c.answer, c.wraps);
        PortalAppearanceSource source(portal.client());
        EXPECT_TRUE(source.isAvailable());
        EXPECT_EQ(source.isDark(), c.dark);
    }
}

TEST_F(DarkModeTrackerTest, FollowsThePortalsChangeSignal)
{
    START_PRIVATE_PORTAL_BUS(portal);
    ASSERT_TRUE(portal.publishService());
    portal.service->setAnswer(kDarkModeColorSchemeDarkValue);
    auto source = std::make_unique<PortalAppearanceSource>(portal.client());
    ASSERT_TRUE(source->isAvailable());
    DarkModeTracker::setAppearanceSource(std::move(source));
    EXPECT_TRUE(DarkModeTracker::applicationIsOnTheDarkSide());

    QObject object;
    Counts counts;
    track(&object, counts);
    EXPECT_TRUE(portal.announce(kDarkModeColorSchemeKey, uint(2)));
    ASSERT_TRUE(test::waitUntil([&] { return counts.left == 1; }));
    EXPECT_FALSE(DarkModeTracker::applicationIsOnTheDarkSide());

    // Another setting says nothing about the style (its value 1 is no "prefer dark"); the repeated
    // light report runs nothing; the change to dark does.
    EXPECT_TRUE(portal.announce(QStringLiteral("accent-color"), uint(1)));
    EXPECT_TRUE(portal.announce(kDarkModeColorSchemeKey, uint(2)));
    EXPECT_TRUE(portal.announce(kDarkModeColorSchemeKey, kDarkModeColorSchemeDarkValue));
    ASSERT_TRUE(test::waitUntil([&] { return counts.entered == 1; }));
    EXPECT_EQ(counts.left, 1);

    EXPECT_TRUE(portal.announce(kDarkModeColorSchemeKey, kDarkModeColorSchemeDarkValue));
    EXPECT_TRUE(portal.announce(kDarkModeColorSchemeKey, uint(0)));
    ASSERT_TRUE(test::waitUntil([&] { return counts.left == 2; }));
    EXPECT_EQ(counts.entered, 1) << "the repeated dark report ran nothing";
    EXPECT_FALSE(DarkModeTracker::applicationIsOnTheDarkSide()) << "no preference is light";
}

#include "DarkModeTrackerTest.moc"
