#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "preferences/EditorPreferencesSynchronizer.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "platform/NotificationCenter.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QApplication>
#include <QFile>
#include <QThread>
#include <QThreadPool>
#include <QWidget>

#include <cmath>
#include <limits>
#include <memory>

using namespace penwick;
using penwick::test::writeFile;

namespace {

platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

class SynchronizersTest : public test::ThemeFoldersTest {
protected:
    EditorPreferencesSynchronizer& editor() { return EditorPreferencesSynchronizer::sharedInstance(); }
    PreviewPreferencesSynchronizer& preview() { return PreviewPreferencesSynchronizer::sharedInstance(); }

    // Runs a list request and waits for its delivery; records the delivering thread.
    template <typename Request>
    ThemeItems deliver(Request request)
    {
        QObject requester;
        std::optional<ThemeItems> result;
        QThread* thread = nullptr;
        request(&requester, [&](const ThemeItems& items) {
            result = items;
            thread = QThread::currentThread();
        });
        EXPECT_FALSE(result) << "delivered before the request returned";
        EXPECT_TRUE(test::waitUntil([&] { return result.has_value(); }));
        EXPECT_EQ(thread, qApp->thread());
        return result.value_or(ThemeItems {});
    }

    static QStringList labelled(const ThemeItems& items)
    {
        QStringList out;
        for (const ThemeItem& item : items)
            out << item.displayName() + "@" + (item.path().contains("/.penwick/") ? "user" : "shipped");
        return out;
    }
};

struct Counter {
    int count = 0;
    const void* object = nullptr;
    platform::Observation observation;
    explicit Counter(const QString& name)
        : observation(platform::NotificationCenter::defaultCenter().observe(name, nullptr, [this](const platform::Notification& n) {
            ++count;
            object = n.object;
        }))
    {
    }
};

} // namespace

TEST_F(SynchronizersTest, MarginOfAFrameUsesThePairOfTheWindowMode)
{
    ASSERT_TRUE(editor().setPreferredFullScreenMargin(QSizeF(30, 40), QSizeF(20, 10)));
    const QRectF frame(15, 25, 800, 600); // the origin plays no part
    QWidget window;
    window.resize(800, 600);
    EXPECT_EQ(editor().getPreferredMarginForFrame(frame, &window), QSizeF(80, 30));
    auto* inner = new QWidget(&window);
    window.setWindowState(Qt::WindowFullScreen);
    EXPECT_EQ(editor().getPreferredMarginForFrame(frame, inner), QSizeF(120, 120));
    EXPECT_EQ(editor().getPreferredMarginForFrame(frame, false), QSizeF(80, 30));
    EXPECT_EQ(editor().getPreferredMarginForFrame(QRectF(0, 0, 801, 601), false), QSizeF(80.1, 30.05));
}

TEST_F(SynchronizersTest, MarginsReadFromTheSettingsStayWithinWhatCanBeShown)
{
    const QRectF frame(0, 0, 800, 600);
    struct Case {
        QVariant stored;
        double lr; // the left/right margin shown for an 800-wide frame
    };
    const Case cases[] = {
        { QVariant(1e30), 360 },
        { QVariant(QStringLiteral("1e30")), 360 },
        { QVariant(-1e30), 0 },
        { QVariant(std::numeric_limits<qint64>::max()), 360 },
        { QVariant(std::numeric_limits<qint64>::min()), 0 },
        { QVariant(qint64(-5)), 0 },
        { QVariant(qint64(100)), 360 },
        { QVariant(qint64(90)), 360 },
        { QVariant(qint64(20)), 80 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        defaults().setValue(Prefs::EDITOR_NORMALSCREEN_LR_MARGIN, c.stored);
        defaults().setValue(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN, c.stored);
        const QSizeF margin = editor().getPreferredMarginForFrame(frame, false);
        EXPECT_EQ(margin.width(), c.lr);
        EXPECT_EQ(margin.height(), c.lr * 600 / 800);
    }
}

TEST_F(SynchronizersTest, MarginsAreStoredTruncatedAndAnnouncedOnce)
{
    Counter changed(Notifications::EDITOR_MARGINS_CHANGED);
    ASSERT_TRUE(editor().setPreferredFullScreenMargin(QSizeF(12.9, -3.7), QSizeF(0.5, 99)));
    EXPECT_EQ(defaults().object(Prefs::EDITOR_FULLSCREEN_LR_MARGIN), QVariant(qint64(12)));
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_FULLSCREEN_TB_MARGIN), -3);
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_NORMALSCREEN_LR_MARGIN), 0);
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN), 99);
    EXPECT_EQ(changed.count, 1);
    EXPECT_EQ(changed.object, &editor());
}

TEST_F(SynchronizersTest, MarginsThatNoIntegerHoldsAreRefused)
{
    ASSERT_TRUE(editor().setPreferredFullScreenMargin(QSizeF(1, 2), QSizeF(3, 4)));
    Counter changed(Notifications::EDITOR_MARGINS_CHANGED);
    const double bad[] = { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 9223372036854775808.0, -9223372036854777856.0, 1e300 };
    for (double value : bad) {
        SCOPED_TRACE(value);
        for (int slot = 0; slot < 4; ++slot) {
            double v[4] = { 5, 6, 7, 8 };
            v[slot] = value;
            EXPECT_FALSE(editor().setPreferredFullScreenMargin(QSizeF(v[0], v[1]), QSizeF(v[2], v[3])));
        }
    }
    EXPECT_EQ(changed.count, 0);
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_FULLSCREEN_LR_MARGIN), 1);
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_NORMALSCREEN_TB_MARGIN), 4);

    // The ends of the range are still numbers.
    EXPECT_TRUE(editor().setPreferredFullScreenMargin(QSizeF(-9223372036854775808.0, 9223372036854774784.0), QSizeF(0, 0)));
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_FULLSCREEN_LR_MARGIN), std::numeric_limits<qint64>::min());
    EXPECT_EQ(defaults().integerForKey(Prefs::EDITOR_FULLSCREEN_TB_MARGIN), 9223372036854774784LL);
    EXPECT_EQ(changed.count, 1);
}

TEST_F(SynchronizersTest, ThemesArriveOnTheMainThreadSortedDescending)
{
    writeFile(shipped("Themes", "Alpha.txt"));
    writeFile(shipped("Themes", "beta.txt"));
    writeFile(userThemes() + "/Gamma.txt");
    writeFile(userThemes() + "/Paper.css"); // another kind
    const ThemeItems items = deliver([&](QObject* r, ThemeListCompletion c) { editor().getThemes(r, std::move(c)); });
    EXPECT_EQ(labelled(items), (QStringList { "beta@shipped", "Gamma@user", "Alpha@shipped" }));
}

TEST_F(SynchronizersTest, AUserThemeNamedLikeAShippedOneIsListedTwiceAndWins)
{
    writeFile(shipped("Themes", "Night.txt"));
    writeFile(userThemes() + "/Night.txt");
    const ThemeItems items = deliver([&](QObject* r, ThemeListCompletion c) { editor().getThemes(r, std::move(c)); });
    EXPECT_EQ(labelled(items), (QStringList { "Night@shipped", "Night@user" }));
    defaults().setValue(Prefs::EDITOR_THEME_NAME, "Night");
    EXPECT_EQ(editor().getPreferredThemePath(), userThemes() + "/Night.txt");
}

TEST_F(SynchronizersTest, ARequesterGoneBeforeDeliveryGetsNothing)
{
    writeFile(shipped("Themes", "Alpha.txt"));
    bool called = false;
    {
        QObject requester;
        editor().getThemes(&requester, [&](const ThemeItems&) { called = true; });
        preview().getStyles(&requester, [&](const ThemeItems&) { called = true; });
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

TEST_F(SynchronizersTest, PreferredThemePath)
{
    writeFile(shipped("Themes", "Penwick Light.txt"));
    const QString outside = test::temporaryFolder() + "/My Theme.txt";
    writeFile(outside);
    struct Case {
        QVariant stored;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        { QVariant(), std::nullopt },
        { QVariant(42), std::nullopt }, // not a string
        { QVariant(QStringList { outside }), std::nullopt },
        { "Penwick Light", shipped("Themes", "Penwick Light.txt") },
        { outside, outside },
        { "/no/such/theme.txt", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        defaults().setValue(Prefs::EDITOR_THEME_NAME, c.stored);
        EXPECT_EQ(editor().getPreferredThemePath(), c.expected);
    }
}

TEST_F(SynchronizersTest, FontFromFamilyAndSize)
{
    EXPECT_EQ(editor().getPreferredFontFamily(), "Helvetica");
    QFont font = editor().getPreferredFont();
    EXPECT_EQ(font.family(), "Helvetica");
    EXPECT_EQ(font.pointSizeF(), QApplication::font().pointSizeF());

    defaults().setValue(Prefs::EDITOR_FONTFAMILY, "DejaVu Sans Mono");
    defaults().setValue(Prefs::EDITOR_FONTSIZE, 13.5);
    font = editor().getPreferredFont();
    EXPECT_EQ(font.family(), "DejaVu Sans Mono");
    EXPECT_EQ(font.pointSizeF(), 13.5);

    defaults().setValue(Prefs::EDITOR_FONTSIZE, -4);
    EXPECT_EQ(editor().getPreferredFont().pointSizeF(), QApplication::font().pointSizeF());
}

TEST_F(SynchronizersTest, PreviewStylesAndTheirResolution)
{
    writeFile(shipped("CSS", "GitHub.css"));
    writeFile(shipped("CSS", "Clean.css"));
    writeFile(userThemes() + "/GitHub.css");
    writeFile(userThemes() + "/zen.css");
    writeFile(userThemes() + "/Night.txt"); // an editor theme
    const ThemeItems items = deliver([&](QObject* r, ThemeListCompletion c) { preview().getStyles(r, std::move(c)); });
    EXPECT_EQ(labelled(items), (QStringList { "zen@user", "GitHub@shipped", "GitHub@user", "Clean@shipped" }));

    const QString outside = test::temporaryFolder() + "/Print.css";
    writeFile(outside);
    struct Case {
        QVariant stored;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        { QVariant(), std::nullopt },
        { "GitHub", userThemes() + "/GitHub.css" },
        { "Clean", shipped("CSS", "Clean.css") },
        { outside, outside },
        { "Night", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        defaults().setValue(Prefs::PREVIEW_STYLE_NAME, c.stored);
        EXPECT_EQ(preview().getPreferredStylePath(), c.expected);
    }
}

TEST_F(SynchronizersTest, SyntaxStylesNameShippedPrismSheets)
{
    useBuiltResources();
    const QStringList styles = PreviewPreferencesSynchronizer::getSyntaxStyles();
    EXPECT_EQ(styles, (QStringList { "prism-coy", "prism-dark", "prism-default", "prism-funky", "prism-okaidia",
                          "prism-twilight", "prism-solarized" }));
    for (const QString& style : styles) {
        SCOPED_TRACE(style.toStdString());
        QFile sheet(platform::resourcesDirectory() + "/prismjs/CSS/" + style + ".css");
        ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
        EXPECT_TRUE(sheet.readAll().contains("code[class*=\"language-\"]"));
    }
    // A fresh install's registered style is one of them.
    EXPECT_TRUE(styles.contains(defaults().stringForKey(Prefs::PREVIEW_SYNTAX_STYLE)));
}
