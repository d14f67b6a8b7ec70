#include "QuickPreviewController.h"

#include "CorePrefs.h"
#include "MiniTestSupport.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

QString bodyOf(const QString& page)
{
    const qsizetype open = page.indexOf(QStringLiteral("<body"));
    const qsizetype start = page.indexOf(QLatin1Char('>'), open) + 1;
    return page.mid(start, page.indexOf(QStringLiteral("<script"), start) - start).trimmed();
}

TEST(QuickPreviewPage, AnEmptyNoteGivesThePageFrameOnly)
{
    const QString page = QuickPreviewController::pageForText(QString(), false, false);
    EXPECT_TRUE(page.contains(QStringLiteral("<html")));
    EXPECT_TRUE(page.contains(QStringLiteral("</body>")));
    EXPECT_TRUE(bodyOf(page).isEmpty()) << bodyOf(page).toStdString();
}

TEST(QuickPreviewPage, LineBreaksFollowTheHardWrapSetting)
{
    EXPECT_TRUE(QuickPreviewController::pageForText(QStringLiteral("a\nb"), true, false).contains(QStringLiteral("<br")));
    EXPECT_FALSE(QuickPreviewController::pageForText(QStringLiteral("a\nb"), false, false).contains(QStringLiteral("<br")));
}

TEST(QuickPreviewPage, TheStyleFollowsTheAppearance)
{
    const QString dark = QuickPreviewController::pageForText(QStringLiteral("x"), false, true);
    const QString light = QuickPreviewController::pageForText(QStringLiteral("x"), false, false);
    EXPECT_TRUE(dark.contains(QStringLiteral("/mini/DarkStyle.css\"")));
    EXPECT_FALSE(dark.contains(QStringLiteral("LightStyle.css")));
    EXPECT_TRUE(light.contains(QStringLiteral("/mini/LightStyle.css\"")));
    for (const QString& page : { dark, light }) {
        EXPECT_TRUE(page.contains(QStringLiteral("li.task-list-item{list-style:none}")));
        EXPECT_TRUE(page.contains(QStringLiteral("<p>x</p>")));
    }
}

// Runs a script in the preview and waits for its answer.
QVariant evaluate(QWebEngineView* view, const QString& script)
{
    QVariant result;
    bool answered = false;
    view->page()->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        answered = true;
    });
    EXPECT_TRUE(test::waitUntil([&] { return answered; }, 30000));
    return result;
}

class QuickPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useAppearance(false);
        preview.resize(340, 400);
        preview.setUrlOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
        preview.show();
    }
    void TearDown() override { platform::UserDefaults::standard().removeObject(CorePrefs::PREVIEW_RENDER_NEWLINE); }
    bool load(const QString& text)
    {
        bool finished = false;
        bool ok = false;
        auto connection = QObject::connect(preview.previewView(), &QWebEngineView::loadFinished, [&](bool success) {
            finished = true;
            ok = success;
        });
        preview.loadText(text);
        const bool done = test::waitUntil([&] { return finished; }, 60000);
        QObject::disconnect(connection);
        return done && ok;
    }

    QuickPreviewController preview;
    QList<QUrl> opened;
};

TEST_F(QuickPreviewTest, TheStyleSheetApplies)
{
    test::useAppearance(true);
    ASSERT_TRUE(load(QStringLiteral("# Title\n\ntext")));
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("getComputedStyle(document.body).color")).toString(),
              QStringLiteral("rgb(227, 230, 234)"));
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("document.querySelector('h1').textContent")).toString(),
              QStringLiteral("Title"));
}

TEST_F(QuickPreviewTest, TheSettingTurnsNewlinesIntoBreaks)
{
    platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_RENDER_NEWLINE, true);
    ASSERT_TRUE(load(QStringLiteral("a\nb")));
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("document.querySelectorAll('br').length")).toInt(), 1);
}

TEST_F(QuickPreviewTest, ALinkOpensElsewhereAndThePageStays)
{
    ASSERT_TRUE(load(QStringLiteral("[site](https://example.invalid/page) and [mail](mailto:a@example.invalid)")));
    const QUrl before = preview.previewView()->url();
    evaluate(preview.previewView(), QStringLiteral("document.querySelector('a').click(); 1"));
    ASSERT_TRUE(test::waitUntil([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened.front(), QUrl(QStringLiteral("https://example.invalid/page")));
    EXPECT_EQ(preview.previewView()->url(), before);
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("document.querySelectorAll('a').length")).toInt(), 2)
        << "the page is still there";
}

TEST_F(QuickPreviewTest, ADroppedFileChangesNothing)
{
    ASSERT_TRUE(load(QStringLiteral("kept")));
    const QString file = test::temporaryFolder() + QStringLiteral("/dropped.md");
    QFile(file).open(QIODevice::WriteOnly);
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(file) });
    QWidget* target = preview.previewView()->focusProxy() ? preview.previewView()->focusProxy() : preview.previewView();
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("document.querySelector('p').textContent")).toString(),
              QStringLiteral("kept"));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(QuickPreviewTest, APageOverTwoMegabytesLoadsToo)
{
    QString page = QuickPreviewController::pageForText(QStringLiteral("END"), false, false);
    const qsizetype body = page.indexOf(QStringLiteral("<body"));
    page.insert(page.indexOf(QLatin1Char('>'), body) + 1, QStringLiteral("<!--") + QString(2200000, QLatin1Char('x')) + QStringLiteral("-->"));
    bool finished = false;
    bool ok = false;
    QObject::connect(preview.previewView(), &QWebEngineView::loadFinished, [&](bool success) {
        finished = true;
        ok = success;
    });
    preview.loadPage(page);
    ASSERT_TRUE(test::waitUntil([&] { return finished; }, 60000));
    ASSERT_TRUE(ok);
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("document.querySelector('p').textContent")).toString(),
              QStringLiteral("END"));
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("getComputedStyle(document.body).color")).toString(),
              QStringLiteral("rgb(36, 41, 47)"));
}

TEST_F(QuickPreviewTest, TheContextMenuOpensTheInspectorOnThePage)
{
    ASSERT_TRUE(load(QStringLiteral("# Inspected")));
    // A right click on the page, as a person makes it.
    QWidget* surface = preview.previewView()->focusProxy() ? preview.previewView()->focusProxy() : preview.previewView();
    QTest::mouseClick(surface, Qt::RightButton, Qt::NoModifier, QPoint(30, 30));
    QMenu* menu = nullptr;
    ASSERT_TRUE(test::waitUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }, 10000));
    EXPECT_GT(menu->actions().size(), 2) << "the page's own entries come first";
    QAction* inspect = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == QStringLiteral("Inspect Element"))
            inspect = action;
    }
    ASSERT_NE(inspect, nullptr) << "the menu offers the inspector";
    inspect->trigger();
    menu->close();

    QWebEngineView* inspector = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowTitle() == QStringLiteral("Inspector - Penwick Mini") && window->isVisible())
            inspector = qobject_cast<QWebEngineView*>(window);
    }
    ASSERT_NE(inspector, nullptr);
    EXPECT_EQ(preview.previewView()->page()->devToolsPage(), inspector->page()) << "it inspects this page";
    ASSERT_TRUE(test::waitUntil([&] { return inspector->url().scheme() == QStringLiteral("devtools"); }, 30000))
        << inspector->url().toString().toStdString();
    // The previewed page is unchanged by being inspected.
    EXPECT_EQ(evaluate(preview.previewView(), QStringLiteral("document.querySelector('h1').textContent")).toString(),
              QStringLiteral("Inspected"));
}

TEST_F(QuickPreviewTest, AMenuAskedForBeforeThePagesRequestOffersTheInspectorAlone)
{
    ASSERT_TRUE(load(QStringLiteral("text")));
    emit preview.previewView()->customContextMenuRequested(QPoint(20, 20));
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Inspect Element"));
    menu->close();
}

} // namespace
