// The What's New window (when it shows, what it records, where its links go) and the credits
// window (made once, listing every component the programs are linked with).
#include "PageScripts.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/web/PageScheme.h"
#include "platform/web/WebView.h"
#include "shell/InformationWindows.h"
#include "common/Prefs.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXCreditsWindowController.h"
#include "shell/TVXDraftsMenu.h"
#include "shell/WhatNewWindowController.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace penwick;

namespace {

platform::UserDefaults& defaults()
{
    return platform::UserDefaults::standard();
}

QString bundledVersion()
{
    return QStringLiteral("0.1.0");
}

class WhatsNew : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::WebView::setDefaultUrlOpener([this](const QUrl& url) { opened.append(url); });
        // Each modal run gets `whileShown` and then its window is closed.
        QObject::connect(&windows, &InformationWindows::whatsNewWindowWillRun, &windows, [this](WhatNewWindowController* c) {
            ++runs;
            QTimer::singleShot(0, c, [this, c] {
                ASSERT_TRUE(c->window()->isVisible());
                ASSERT_TRUE(c->window()->isModal());
                if (whileShown)
                    whileShown(c);
                c->window()->close();
            });
        });
    }
    void TearDown() override
    {
        platform::WebView::setDefaultUrlOpener({});
        defaults().removeObject(Prefs::WHATS_NEW_VERSION);
        defaults().removeObject(Prefs::WHATS_NEW_REAL_VERSION);
        defaults().registerDefaults({ { Prefs::WHATS_NEW_REAL_VERSION, bundledVersion() } });
    }

    InformationWindows windows;
    int runs = 0;
    std::function<void(WhatNewWindowController*)> whileShown;
    QList<QUrl> opened;
};

TEST_F(WhatsNew, TheBundledVersionIsRegistered)
{
    EXPECT_EQ(defaults().object(Prefs::WHATS_NEW_REAL_VERSION).toString(), bundledVersion());
    EXPECT_TRUE(QFile::exists(WhatNewWindowController::pagePath()));
}

TEST_F(WhatsNew, ItIsDueWhenTheRealVersionIsMissingOrDifferent)
{
    struct Case {
        QVariant real; // invalid: missing
        QVariant shown; // invalid: never shown
        bool due;
    };
    const Case cases[] = {
        { QStringLiteral("2.0"), QStringLiteral("2.0"), false },
        { QStringLiteral("2.0"), QStringLiteral("1.9"), true },
        { QStringLiteral("2.0"), QVariant(), true },
        { QStringLiteral("2.0"), QStringLiteral("2.0 "), true }, // compared as strings
        { QVariant(), QStringLiteral("2.0"), true },
        { QVariant(), QVariant(), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.real.toString().toStdString() + " / " + c.shown.toString().toStdString());
        defaults().registerDefaults({ { Prefs::WHATS_NEW_REAL_VERSION, c.real } });
        defaults().setValue(Prefs::WHATS_NEW_VERSION, c.shown);
        EXPECT_EQ(InformationWindows::isWhatsNewDueAtLaunch(), c.due);
    }
}

TEST_F(WhatsNew, AtLaunchItShowsOnceAndRecordsTheVersionAfterClosing)
{
    defaults().setValue(Prefs::WHATS_NEW_VERSION, QStringLiteral("0.0.9"));
    whileShown = [](WhatNewWindowController*) {
        EXPECT_EQ(defaults().stringForKey(Prefs::WHATS_NEW_VERSION), "0.0.9") << "recorded only once it has closed";
    };
    windows.showWhatsNewAtLaunchIfDue();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(defaults().stringForKey(Prefs::WHATS_NEW_VERSION), bundledVersion());
    // The next launch shows nothing.
    windows.showWhatsNewAtLaunchIfDue();
    EXPECT_EQ(runs, 1);
}

TEST_F(WhatsNew, TheMenuCommandShowsItAndWritesNoSetting)
{
    defaults().setValue(Prefs::WHATS_NEW_VERSION, bundledVersion());
    windows.whatsNew();
    windows.whatsNew();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(defaults().stringForKey(Prefs::WHATS_NEW_VERSION), bundledVersion());
    EXPECT_FALSE(defaults().hasValue(Prefs::WHATS_NEW_REAL_VERSION));

    defaults().removeObject(Prefs::WHATS_NEW_VERSION);
    windows.whatsNew();
    EXPECT_FALSE(defaults().hasValue(Prefs::WHATS_NEW_VERSION));
}

TEST_F(WhatsNew, ALinkOpensInTheBrowserOnceAndThePageStays)
{
    QUrl pageAfter;
    QString titleAfter;
    whileShown = [&](WhatNewWindowController* c) {
        platform::WebView* view = c->webView();
        ASSERT_TRUE(test::waitForScript(view, QStringLiteral("document.readyState == 'complete'")));
        // A person's click: a page's own script clicking a link opens nothing.
        const QVariantList at = test::evaluate(view, QStringLiteral("(function () { var e = document.querySelector('a[href=\"https://prismjs.com/\"]');"
                                                              " e.scrollIntoView({ block: 'center' }); var b = e.getBoundingClientRect();"
                                                              " return [b.left + b.width / 2, b.top + b.height / 2]; })()"))
                                    .toList();
        ASSERT_EQ(at.size(), 2);
        QWidget* target = view->focusProxy() ? view->focusProxy() : view;
        for (int attempt = 0; attempt < 10 && opened.isEmpty(); ++attempt) {
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(qRound(at.at(0).toDouble()), qRound(at.at(1).toDouble())));
            test::waitUntil([&] { return !opened.isEmpty(); }, 2000);
        }
        ASSERT_FALSE(opened.isEmpty());
        // A request without an address is answered too: refused, with nothing opened.
        EXPECT_FALSE(c->decidePolicyForNavigation({ QUrl(), platform::NavigationKind::LinkClicked, true }));
        pageAfter = view->url();
        titleAfter = test::evaluate(view, QStringLiteral("document.title")).toString();
    };
    windows.whatsNew();
    EXPECT_EQ(opened, QList<QUrl> { QUrl(QStringLiteral("https://prismjs.com/")) });
    EXPECT_EQ(platform::PageScheme::toFileUrl(pageAfter), QUrl::fromLocalFile(WhatNewWindowController::pagePath()));
    EXPECT_EQ(titleAfter, "What's New in Penwick");
}

TEST_F(WhatsNew, APersonClosesItWithEscapeCtrlWOrTheCloseButton)
{
    enum class Way { Escape, CtrlW, Button };
    for (const Way way : { Way::Escape, Way::CtrlW, Way::Button }) {
        SCOPED_TRACE(int(way));
        bool closedByPerson = false;
        whileShown = [&](WhatNewWindowController* c) {
            QDialog* window = c->window();
            platform::WebView* view = c->webView();
            ASSERT_TRUE(test::waitForScript(view, QStringLiteral("document.readyState == 'complete'")));
            QApplication::setActiveWindow(window);
            view->setFocus();
            ASSERT_TRUE(test::waitUntil([&] { return window->isActiveWindow() && QApplication::focusWidget(); }));
            // The keys go where the page has put the focus.
            QWidget* focused = QApplication::focusWidget();
            if (way == Way::Escape)
                QTest::keyClick(focused, Qt::Key_Escape);
            else if (way == Way::CtrlW)
                QTest::keyClick(focused, Qt::Key_W, Qt::ControlModifier);
            else {
                auto* buttons = window->findChild<QDialogButtonBox*>();
                ASSERT_NE(buttons, nullptr);
                QPushButton* close = buttons->button(QDialogButtonBox::Close);
                ASSERT_NE(close, nullptr);
                ASSERT_TRUE(close->isVisible());
                QTest::mouseClick(close, Qt::LeftButton);
            }
            closedByPerson = test::waitUntil([&] { return !window->isVisible(); }, 5000);
        };
        windows.whatsNew();
        EXPECT_TRUE(closedByPerson);
    }
}

TEST(WhatsNewAtLaunch, TheApplicationShowsItOnceTheLaunchHasFinished)
{
    TVXAppDelegate delegate(nullptr);
    int runs = 0;
    QObject::connect(delegate.informationWindows(), &InformationWindows::whatsNewWindowWillRun, &delegate,
        [&](WhatNewWindowController* c) {
            ++runs;
            QTimer::singleShot(0, c, [c] { c->window()->close(); });
        });
    defaults().setValue(Prefs::WHATS_NEW_VERSION, QStringLiteral("0.0.1"));
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(defaults().stringForKey(Prefs::WHATS_NEW_VERSION), bundledVersion());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(runs, 1) << "the next launch shows nothing";
    delegate.whatsNew();
    EXPECT_EQ(runs, 2);
    defaults().removeObject(Prefs::WHATS_NEW_VERSION);
}

TEST(WhatsNewAtLaunch, TheDraftsMenuIsFilledOnlyAfterTheWindowCloses)
{
    const QString folder = TVXDraftsMenu::draftsFolder();
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder));
    auto writeDraft = [&](const QString& name) {
        QFile file(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("draft text");
    };
    writeDraft(QStringLiteral("1_Left behind.pwtemp"));
    QMenu menu;
    TVXDraftsMenu drafts;
    drafts.setDraftFilesMenu(&menu);
    TVXAppDelegate delegate(nullptr);
    delegate.addDraftsMenu(&drafts);
    auto titles = [&] {
        QStringList shown;
        for (QAction* action : menu.actions())
            shown << action->text();
        return shown;
    };
    std::optional<QStringList> whileShown;
    QObject::connect(delegate.informationWindows(), &InformationWindows::whatsNewWindowWillRun, &delegate,
        [&](WhatNewWindowController* c) {
            QTimer::singleShot(0, c, [&, c] {
                whileShown = titles();
                c->window()->close();
            });
        });
    defaults().setValue(Prefs::WHATS_NEW_VERSION, QStringLiteral("0.0.1"));
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(whileShown.has_value()) << "What's New was shown";
    EXPECT_TRUE(whileShown->isEmpty()) << whileShown->join(", ").toStdString();
    EXPECT_EQ(titles(), QStringList { "Left behind" });

    // A closed tab refills it.
    writeDraft(QStringLiteral("2_Another.pwtemp"));
    delegate.didCloseTabItemForWindowController(nullptr);
    EXPECT_EQ(titles(), (QStringList { "Left behind", "Another" }));
    defaults().removeObject(Prefs::WHATS_NEW_VERSION);
    QDir(folder).removeRecursively();
}

// --- Credits ---

struct Component {
    QString name, licence;
    QStringList packages, libraries;
};

QList<Component> componentList()
{
    QList<Component> components;
    QFile file(QStringLiteral(PENWICK_SOURCE_DIR "/scripts/components.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return components;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 5)
            return {};
        components.append({ fields[0], fields[1], fields[3].split(QLatin1Char(' '), Qt::SkipEmptyParts),
            fields[4] == QLatin1String("-") ? QStringList() : fields[4].split(QLatin1Char(' '), Qt::SkipEmptyParts) });
    }
    return components;
}

QStringList installedPackages()
{
    QFile file(QStringLiteral(PENWICK_SOURCE_DIR "/scripts/install-deps.sh"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString script = QString::fromUtf8(file.readAll());
    const auto block = QRegularExpression(QStringLiteral("PACKAGES=\\(([^)]*)\\)")).match(script);
    QStringList packages;
    for (QString line : block.captured(1).split(QLatin1Char('\n'))) {
        line = line.section(QLatin1Char('#'), 0, 0);
        packages += line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    }
    return packages;
}

// The libraries a program or library names as needed.
QStringList neededLibraries(const QString& binary)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), { QStringLiteral("-d"), binary });
    if (!readelf.waitForFinished(30000))
        return {};
    QStringList needed;
    const QString out = QString::fromUtf8(readelf.readAllStandardOutput());
    for (auto it = QRegularExpression(QStringLiteral("\\(NEEDED\\)\\s+Shared library: \\[([^\\]]+)\\]")).globalMatch(out); it.hasNext();)
        needed.append(it.next().captured(1));
    return needed;
}

TEST(Credits, TheFoldersTheListNamesExist)
{
    QFile file(QStringLiteral(PENWICK_SOURCE_DIR "/scripts/components.tsv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The comment lines at the top name the files and folders that go with the list.
    QString text;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')))
            text += line + QLatin1Char('\n');
    }
    int named = 0;
    for (auto it = QRegularExpression(QStringLiteral("\\b((?:tests|scripts|app|core|resources)/[\\w/.-]+)")).globalMatch(text); it.hasNext();) {
        const QString path = it.next().captured(1);
        ++named;
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral(PENWICK_SOURCE_DIR "/") + path)) << path.toStdString();
    }
    EXPECT_GE(named, 2);
}

TEST(Credits, TheListCoversEveryLinkedLibraryAndComesFromTheInstallScript)
{
    const QList<Component> components = componentList();
    ASSERT_GE(components.size(), 10) << "the list reads as five tab-separated fields a line";
    const QStringList installed = installedPackages();
    ASSERT_FALSE(installed.isEmpty());
    for (const Component& component : components) {
        for (const QString& package : component.packages)
            EXPECT_TRUE(installed.contains(package)) << component.name.toStdString() << ": " << package.toStdString();
    }
    for (const char* required : { "Qt 6", "cmark-gfm", "Discount", "LibYAML", "SQLite", "ICU", "MathJax", "Prism", "Hunspell",
             "eSpeak NG", "libsndfile" }) {
        EXPECT_TRUE(std::any_of(components.begin(), components.end(),
            [&](const Component& c) { return c.name.startsWith(QLatin1String(required)); }))
            << required;
    }
    int checked = 0;
    for (const char* binary : { PENWICK_PROGRAM, PENWICK_MINI_PROGRAM, PENWICK_CORE_LIBRARY }) {
        const QStringList needed = neededLibraries(QString::fromLocal8Bit(binary));
        ASSERT_FALSE(needed.isEmpty()) << binary;
        for (const QString& library : needed) {
            if (library.startsWith(QLatin1String("libPenwick")))
                continue; // our own
            ++checked;
            EXPECT_TRUE(std::any_of(components.begin(), components.end(),
                [&](const Component& c) {
                    return std::any_of(c.libraries.begin(), c.libraries.end(), [&](const QString& prefix) { return library.startsWith(prefix); });
                }))
                << binary << " links " << library.toStdString() << ", which the credits do not name";
        }
    }
    EXPECT_GT(checked, 10);
}

TEST(Credits, TheWindowIsMadeOnceShowsEveryComponentAndClosesWithCtrlW)
{
    InformationWindows windows;
    windows.showCredits();
    TVXCreditsWindowController* first = windows.creditsWindowController();
    ASSERT_NE(first, nullptr);
    QWidget* window = first->window();
    ASSERT_TRUE(test::waitUntil([&] { return window->isVisible(); }));
    window->close();
    windows.showCredits();
    EXPECT_EQ(windows.creditsWindowController(), first) << "made once, kept";
    EXPECT_EQ(first->window(), window);
    EXPECT_TRUE(window->isVisible());

    QTextBrowser* text = first->creditsTextView();
    EXPECT_TRUE(text->isReadOnly());
    const QString shown = text->toPlainText();
    for (const Component& component : componentList()) {
        EXPECT_TRUE(shown.contains(component.name)) << component.name.toStdString();
        EXPECT_TRUE(shown.contains(component.licence)) << component.licence.toStdString();
    }

    QApplication::setActiveWindow(window);
    ASSERT_TRUE(test::waitUntil([&] { return window->isActiveWindow(); }));
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST(Credits, TheWindowOpensCentredAndWholeOnItsScreen)
{
    // Placed by nobody, the window opens at the screen's corner (or, under a window manager,
    // wherever it likes, bottom cut off on a short screen).
    InformationWindows windows;
    windows.showCredits();
    QWidget* window = windows.creditsWindowController()->window();
    ASSERT_TRUE(test::waitUntil([&] { return window->isVisible(); }));
    const QRect area = window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry())) << "whole on the screen";
    EXPECT_LE((window->frameGeometry().center() - area.center()).manhattanLength(), 2) << "centred";
}

TEST(Credits, AWindowTallerThanTheScreenIsFittedAndCentred)
{
    const QMargins titleBar(1, 20, 1, 1);
    const struct {
        const char* where;
        QSize size;
        QRect screen;
        QRect expected;
    } cases[] = {
        { "room enough", { 520, 560 }, { 0, 0, 1280, 1000 }, { 379, 229, 520, 560 } },
        { "a short screen: fitted, title bar on", { 520, 560 }, { 0, 0, 1024, 500 }, { 251, 20, 520, 479 } },
        { "a second screen", { 520, 560 }, { 1280, 0, 800, 600 }, { 1419, 29, 520, 560 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        const QRect placed = centredWindowGeometry(c.size, titleBar, c.screen);
        EXPECT_EQ(placed, c.expected);
        EXPECT_TRUE(c.screen.contains(placed.marginsAdded(titleBar)));
    }
}

} // namespace
