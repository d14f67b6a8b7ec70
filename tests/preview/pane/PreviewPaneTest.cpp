// The preview pane driven as the document window drives it: renders per pause, collapse,
// the external window, settings and notifications, scroll sync, and stop.
#include "PaneFixture.h"

#include "Extensions/Realm.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "preview/ExternalPreviewWindowController.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QKeyEvent>
#include <QTest>
#include <QToolButton>

using namespace penwick;
using namespace penwick::test;

namespace {

QString words(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("w%1").arg(i);
    return list.join(QLatin1Char(' '));
}

} // namespace

TEST(PreviewPaneText, LabelsTitlesAndPaneHtml)
{
    for (const auto& [n, text] : std::initializer_list<std::pair<uint64_t, const char*>> {
             { 0, "" }, { 1, "1 word" }, { 2, "2 words" }, { 1234, "1234 words" } })
        EXPECT_EQ(PreviewController::wordCountText(n), QString::fromUtf8(text));
    EXPECT_EQ(PreviewController::pageTitle(QUrl::fromLocalFile(QStringLiteral("/a/notes.d/"))), QStringLiteral("notes"));
    EXPECT_EQ(PreviewController::pageTitle(QUrl()), std::nullopt);
    RenderingResult page;
    page.markdown = QStringLiteral("<html>page</html>");
    EXPECT_EQ(PreviewController::paneHTML(page), QStringLiteral("\n<html>page</html>"));
    page.frontMatterTable = QStringLiteral("<table></table>");
    EXPECT_EQ(PreviewController::paneHTML(page), QStringLiteral("<table></table>\n<html>page</html>"));
    page.markdown = QStringLiteral("<!DOCTYPE html><html><head><title>t</title></head>\n<body><p>x</p></body>\n</html>");
    EXPECT_EQ(PreviewController::paneHTML(page),
        QStringLiteral("<!DOCTYPE html><html><head><title>t</title></head>\n<body><table></table>\n<p>x</p></body>\n</html>"));
    EXPECT_EQ(PreviewController::pauseMilliseconds(0), 30);
    EXPECT_EQ(PreviewController::pauseMilliseconds(1024 * 1024), 30 + 256);
    EXPECT_EQ(PreviewController::pauseMilliseconds(10 * 1024 * 1024), 500);
}

TEST_F(PaneTest, TypingRendersOncePerPause)
{
    setText(QStringLiteral("# Title\n\none two"));
    render();
    settle();
    EXPECT_EQ(paneLoads, 1);
    EXPECT_EQ(eval(QStringLiteral("document.title")).toString(), QStringLiteral("notes"));
    EXPECT_EQ(eval(QStringLiteral("window.updates")).toInt(), 1);
    ASSERT_TRUE(waitUntil([&] { return label() == QStringLiteral("3 words"); }));

    // 50 changes with no event loop between: one page update, with the last text
    for (int i = 1; i <= 50; ++i) {
        setText(QStringLiteral("# Title\n\n") + words(i));
        render();
    }
    EXPECT_TRUE(waitUntil([&] { return label() == QStringLiteral("51 words"); })) << label().toStdString() << " pending " << controller()->hasPendingRender();
    settle();
    EXPECT_EQ(paneLoads, 1) << "the same document is injected";
    EXPECT_EQ(eval(QStringLiteral("window.updates")).toInt(), 2);
    EXPECT_TRUE(eval(QStringLiteral("document.body.textContent")).toString().contains(QStringLiteral("w49")));
    EXPECT_FALSE(pane->busyIndicator()->isVisible());
}

TEST_F(PaneTest, AnUpdateGivesTheSamePageAsAFullLoad)
{
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_PARSE_JEKYLL, true);
    const QString snapshot = QStringLiteral(
        "JSON.stringify({mode: document.compatMode, title: document.title, head: document.head.outerHTML,"
        " body: document.body.innerHTML.trim(), sheets: document.styleSheets.length,"
        " links: document.querySelectorAll('link').length, tables: document.querySelectorAll('table.jekyll-table').length})");
    for (const bool frontMatter : { true, false }) {
        SCOPED_TRACE(frontMatter ? "with front matter" : "without front matter");
        const QString top = frontMatter ? QStringLiteral("---\ntitle: x\n---\n") : QString();
        controller()->setForceLoadInsteadOfInject(true);
        setText(top + QStringLiteral("# One\n\nfirst"));
        render();
        settle();
        setText(top + QStringLiteral("# One\n\nfirst second"));
        render();
        settle();
        ASSERT_TRUE(waitFor(QStringLiteral("document.body.textContent.indexOf('second') >= 0")));
        const int loads = paneLoads;
        const QString updated = eval(snapshot).toString();
        controller()->setForceLoadInsteadOfInject(true);
        render();
        settle();
        EXPECT_EQ(paneLoads, loads + 1);
        const QString loaded = eval(snapshot).toString();
        EXPECT_EQ(updated, loaded);
        EXPECT_TRUE(loaded.contains(QStringLiteral("\"mode\":\"CSS1Compat\""))) << loaded.toStdString();
        EXPECT_TRUE(loaded.contains(QStringLiteral("\"title\":\"notes\""))) << loaded.toStdString();
        EXPECT_TRUE(loaded.contains(frontMatter ? QStringLiteral("\"tables\":1") : QStringLiteral("\"tables\":0"))) << loaded.toStdString();
    }
}

TEST_F(PaneTest, TextAfterANulShowsToo)
{
    setText(QStringLiteral("before") + QChar(0) + QStringLiteral("after\n\n# Later\n"));
    render();
    settle();
    ASSERT_TRUE(waitFor(QStringLiteral("document.body.textContent.indexOf('after') >= 0")));
    EXPECT_EQ(eval(QStringLiteral("document.querySelector('p').textContent")).toString(),
        QStringLiteral("before") + QChar(QChar::ReplacementCharacter) + QStringLiteral("after"));
    EXPECT_EQ(eval(QStringLiteral("document.querySelector('h1').textContent")).toString(), QStringLiteral("Later"));
}

namespace {

// One long paragraph that the engine takes quadratic time over (minutes for 1 MB).
QString craftedParagraph(qsizetype bytes)
{
    QString text;
    text.reserve(bytes + 32);
    while (text.size() < bytes)
        text += QStringLiteral("word *em* `c` [l](u) ");
    return text;
}

} // namespace

TEST_F(PaneTest, ATextTooLongToRenderIsGivenUpWhileTheEditorAnswers)
{
    setText(craftedParagraph(1024 * 1024));
    render();
    ASSERT_TRUE(controller()->hasPendingRender());
    // the window answers a key while the text renders
    editor->setFocus();
    QCoreApplication::postEvent(editor.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier));
    QCoreApplication::postEvent(editor.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z")));
    ASSERT_TRUE(waitUntil([&] { return editor->string().startsWith(QLatin1Char('z')); }, 2000));
    EXPECT_TRUE(controller()->hasPendingRender()) << "the key was answered before the rendering ended";
    EXPECT_NE(controller()->renderer().processId(), 0);

    // past the bound the rendering is given up, its process ended, and the pane says why
    ASSERT_TRUE(waitFor(QStringLiteral("document.body.textContent.indexOf(%1) >= 0")
                            .arg(platform::WebView::literal(PreviewController::tooComplexMessage())),
        nullptr, 30000));
    EXPECT_EQ(controller()->renderer().processId(), 0);
    EXPECT_FALSE(controller()->hasPendingRender());

    // a newer text supersedes an unfinished rendering of a long one
    setText(craftedParagraph(1024 * 1024));
    render();
    ASSERT_TRUE(waitUntil([&] { return controller()->renderer().isBusy(); }, 5000));
    setText(QStringLiteral("# Fine\n\nshort"));
    render();
    ASSERT_TRUE(waitFor(QStringLiteral("!!document.querySelector('h1') && document.querySelector('h1').textContent === 'Fine'"), nullptr, 30000));
    settle();
    EXPECT_EQ(eval(QStringLiteral("document.body.textContent.indexOf('too complex')")).toInt(), -1);
}

TEST_F(PaneTest, CollapsedPaneDoesNothingUntilExpanded)
{
    setText(QStringLiteral("alpha beta"));
    render();
    settle();
    ASSERT_TRUE(waitUntil([&] { return label() == QStringLiteral("2 words"); }));
    setPaneState(0);
    EXPECT_TRUE(controller()->isCollapsed());
    EXPECT_EQ(label(), QString());
    setText(QStringLiteral("alpha beta gamma"));
    render(QUrl::fromLocalFile(QStringLiteral("/other/doc.md"))); // would be a full load
    EXPECT_FALSE(controller()->isBusy());
    EXPECT_FALSE(view()->isLoadPending());
    settle();
    EXPECT_EQ(paneLoads, 1);
    // another window's notification changes nothing
    int otherPoster = 0;
    splitState = 1;
    platform::NotificationCenter::defaultCenter().post(Notifications::SPLIT_VIEW_STATE_CHANGED, &otherPoster);
    EXPECT_TRUE(controller()->isCollapsed());
    // expanding renders at once and the count comes back
    setPaneState(1);
    EXPECT_FALSE(controller()->isCollapsed());
    settle();
    ASSERT_TRUE(waitUntil([&] { return label() == QStringLiteral("3 words"); }));
    EXPECT_EQ(paneLoads, 2) << "a notification render passes no document: a full load";
}

// What a PDF export waits for before it prints: a pane just shown loads its page only when the
// render process answers, and typing renders only after its pause.
TEST_F(PaneTest, WhenRenderedWaitsUntilThePageIsHandedToTheView)
{
    setText(QStringLiteral("first"));
    render();
    settle();
    bool atOnce = false;
    controller()->whenRendered([&] { atOnce = true; });
    EXPECT_TRUE(atOnce) << "nothing under way";

    setPaneState(0);
    setText(QStringLiteral("# Shown again"));
    setPaneState(1);
    ASSERT_TRUE(controller()->hasPendingRender());
    bool called = false;
    bool loadIssued = false;
    controller()->whenRendered([&] {
        called = true;
        loadIssued = view()->isLoadPending();
    });
    EXPECT_FALSE(called) << "the rendering is still out";
    ASSERT_TRUE(waitUntil([&] { return called; }));
    EXPECT_TRUE(loadIssued) << "the page was handed to the view before the wait ended";
    settle();
    EXPECT_TRUE(waitFor(QStringLiteral("!!document.querySelector('h1') && document.querySelector('h1').textContent === 'Shown again'")));

    render(); // the document's own render: what follows is typing, rendered after its pause
    settle();
    setText(QStringLiteral("# Typed"));
    render();
    ASSERT_TRUE(controller()->hasPendingRender());
    int calls = 0;
    controller()->whenRendered([&] { ++calls; });
    EXPECT_EQ(calls, 0) << "the typing pause is under way";
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    EXPECT_FALSE(controller()->hasPendingRender());

    setText(QStringLiteral("# Typed again"));
    render();
    controller()->whenRendered([&] { ++calls; });
    controller()->stop();
    EXPECT_EQ(calls, 2) << "a stopped preview keeps nobody waiting";
}

TEST_F(PaneTest, CollapsedWithTheWindowShownUpdatesOnlyTheWindow)
{
    setText(QStringLiteral("one"));
    render();
    settle();
    controller()->showExternalPreviewWindow();
    EXPECT_TRUE(pane->externalWindow()->isVisible());
    EXPECT_TRUE(pane->externalWindowButton()->isChecked());
    settle(true);
    setPaneState(0);
    const int before = paneLoads;
    setText(QStringLiteral("one two three four"));
    render(QUrl::fromLocalFile(QStringLiteral("/other/doc.md")));
    settle(true);
    EXPECT_EQ(paneLoads, before);
    EXPECT_TRUE(waitFor(QStringLiteral("document.body.textContent.indexOf('four') >= 0"), externalView()));
    EXPECT_FALSE(eval(QStringLiteral("document.body.textContent")).toString().contains(QStringLiteral("four")));
    EXPECT_TRUE(waitUntil([&] { return label() == QStringLiteral("4 words"); })) << label().toStdString();
    // closing the window clears the count it gave
    pane->externalWindow()->close();
    EXPECT_EQ(label(), QString());
    EXPECT_FALSE(pane->externalWindowButton()->isChecked());
}

TEST_F(PaneTest, NotificationAndSettingsEntriesAreFullLoads)
{
    setText(QStringLiteral("text"));
    render();
    settle();
    render();
    settle();
    ASSERT_EQ(paneLoads, 1);
    struct Entry {
        const char* what;
        std::function<void()> act;
    };
    const Entry entries[] = {
        { "custom style sheet", [] { platform::NotificationCenter::defaultCenter().post(Notifications::CUSTOM_CSS_UPDATED); } },
        { "script assets", [] { platform::NotificationCenter::defaultCenter().post(Notifications::SCRIPT_ASSETS_UPDATED); } },
        { "update callback", [] { platform::NotificationCenter::defaultCenter().post(Notifications::ONUPDATE_CALLBACK_JS_UPDATED); } },
        { "new lines", [] {
             auto& d = platform::UserDefaults::standard();
             d.setValue(Prefs::PREVIEW_RENDER_NEWLINE, !d.boolForKey(Prefs::PREVIEW_RENDER_NEWLINE));
         } },
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.what);
        const int before = paneLoads;
        e.act();
        settle();
        EXPECT_EQ(paneLoads, before + 1);
        EXPECT_TRUE(controller()->documentURL().isEmpty());
        render();
        settle();
        EXPECT_EQ(paneLoads, before + 2) << "and so is the next edit";
        EXPECT_FALSE(controller()->forceLoadInsteadOfInject());
    }
    // front matter setting: the table is shown again, one render
    auto& d = platform::UserDefaults::standard();
    d.setValue(Prefs::PREVIEW_HIDE_JEKYLL_TABLES, true);
    const int before = paneLoads;
    d.setValue(Prefs::PREVIEW_PARSE_JEKYLL, !d.boolForKey(Prefs::PREVIEW_PARSE_JEKYLL));
    settle();
    EXPECT_FALSE(d.boolForKey(Prefs::PREVIEW_HIDE_JEKYLL_TABLES));
    EXPECT_EQ(paneLoads, before + 1);
}

TEST_F(PaneTest, OverriddenStyleTakesEffectWithTheNextRender)
{
    setText(QStringLiteral("styled"));
    render();
    settle();
    const QString sheet = temporaryFolder() + QStringLiteral("/Chosen.css");
    QFile file(sheet);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("body { color: rgb(1, 2, 3); }");
    file.close();
    controller()->setOverriddenStylePath(sheet);
    settle();
    EXPECT_EQ(paneLoads, 1) << "nothing until the next render";
    render();
    settle();
    EXPECT_EQ(paneLoads, 2) << "which is a full load";
    EXPECT_TRUE(waitFor(QStringLiteral("getComputedStyle(document.body).color == 'rgb(1, 2, 3)'")));
}

TEST_F(PaneTest, TheStyleNotificationLinksTheNewSheet)
{
    setText(QStringLiteral("styled"));
    render();
    settle();
    const QString links = QStringLiteral("Array.from(document.querySelectorAll('link')).map(function(l){return l.href;}).join(' ')");
    // The chosen style's file appears only later, as a style the user adds and then reloads.
    const QString sheet = temporaryFolder() + QStringLiteral("/Later.css");
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::PREVIEW_STYLE_NAME, sheet);
    settle();
    const QString sheetPath = QUrl::fromLocalFile(sheet).path(QUrl::FullyEncoded);
    EXPECT_FALSE(eval(links).toString().contains(sheetPath));
    QFile file(sheet);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("body { color: rgb(4, 5, 6); }");
    file.close();

    const int before = paneLoads;
    platform::NotificationCenter::defaultCenter().post(Notifications::PREVIEW_THEME_LOADED);
    settle();
    EXPECT_EQ(paneLoads, before + 1) << "a full load";
    // linked through the page's own scheme, under the same path
    EXPECT_TRUE(eval(links).toString().contains(sheetPath)) << eval(links).toString().toStdString();
    EXPECT_TRUE(waitFor(QStringLiteral("getComputedStyle(document.body).color == 'rgb(4, 5, 6)'")));
    defaults.removeObject(Prefs::PREVIEW_STYLE_NAME);
}

TEST_F(PaneTest, ThePageFollowsTheEditorMovedFromTheKeyboard)
{
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("line %1\n").arg(i);
    setText(lines.join(QLatin1Char('\n')));
    render();
    settle();
    ASSERT_TRUE(waitFor(QStringLiteral("document.documentElement.scrollHeight > 3 * window.innerHeight")));
    editor->setFocus();
    // the editor's bar may stop a line short of its end: the page follows to the same place
    const QString nearBottom = QStringLiteral("window.scrollY > 0.95 * (document.documentElement.scrollHeight - window.innerHeight)");
    QTest::keyClick(editor.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(waitFor(nearBottom)) << "Ctrl+End";
    QTest::keyClick(editor.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(waitFor(QStringLiteral("window.scrollY === 0"))) << "Ctrl+Home";
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    QTest::keyClick(editor.get(), Qt::Key_PageDown);
    EXPECT_TRUE(waitFor(QStringLiteral("window.scrollY > 0"))) << "Page Down";
    const int paged = eval(QStringLiteral("window.scrollY")).toInt();
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(editor.get(), Qt::Key_Down);
    EXPECT_TRUE(waitFor(QStringLiteral("window.scrollY > %1").arg(paged))) << "arrows";
}

TEST_F(PaneTest, AutoSyncAndIgnoreAutoSync)
{
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("line %1\n").arg(i);
    setText(lines.join(QLatin1Char('\n')));
    render();
    settle();
    ASSERT_TRUE(waitFor(QStringLiteral("document.documentElement.scrollHeight > 3 * window.innerHeight")));
    QScrollBar* bar = editor->verticalScrollBar();
    bar->setValue(bar->maximum());
    EXPECT_TRUE(waitFor(QStringLiteral("window.scrollY > 100")));

    for (const char* mode : { "toggle off", "ignore" }) {
        SCOPED_TRACE(mode);
        if (QLatin1String(mode) == QLatin1String("ignore"))
            controller()->setIgnoreAutoSync(true);
        else
            pane->autoSyncButton()->setChecked(false);
        eval(QStringLiteral("window.scrollTo(0, 0)"));
        bar->setValue(bar->maximum() / 2);
        render();
        settle();
        EXPECT_EQ(eval(QStringLiteral("window.scrollY")).toInt(), 0) << "neither scrolling nor renders move the page";
        controller()->setIgnoreAutoSync(false);
        pane->autoSyncButton()->setChecked(true);
        bar->setValue(bar->maximum());
        EXPECT_TRUE(waitFor(QStringLiteral("window.scrollY > 100"))) << "both resume";
    }
}

TEST_F(PaneTest, PreviewDataCloseTextViewAndStop)
{
    setText(QStringLiteral("body text"));
    render();
    settle();
    QString data;
    controller()->previewData([&](const QString& d) { data = d; });
    ASSERT_TRUE(waitUntil([&] { return !data.isEmpty(); }));
    EXPECT_TRUE(data.contains(QStringLiteral("<p>body text</p>")));
    setPaneState(0);
    bool answered = false;
    controller()->previewData([&](const QString& d) {
        data = d;
        answered = true;
    });
    EXPECT_TRUE(answered);
    EXPECT_EQ(data, QString());
    setPaneState(1);
    settle();

    TextEditorView other;
    controller()->closeTextView(&other);
    EXPECT_EQ(controller()->textView(), editor.get());
    controller()->closeTextView(editor.get());
    EXPECT_EQ(controller()->textView(), nullptr);

    render();
    settle();
    controller()->showExternalPreviewWindow();
    settle(true);
    controller()->stop();
    EXPECT_FALSE(pane->externalWindow()->isVisible());
    const int loads = paneLoads;
    setText(QStringLiteral("after stop"));
    render(QUrl::fromLocalFile(QStringLiteral("/x/y.md")));
    platform::NotificationCenter::defaultCenter().post(Notifications::CUSTOM_CSS_UPDATED);
    controller()->forceClean();
    settle();
    EXPECT_EQ(paneLoads, loads);
    EXPECT_FALSE(eval(QStringLiteral("document.body.textContent")).toString().contains(QStringLiteral("after stop")));
}

TEST_F(PaneTest, BaseUrlAndForceFlagReachTheWindowOnlyWhileShown)
{
    setText(QStringLiteral("x"));
    render();
    settle();
    const QUrl other = QUrl::fromLocalFile(QStringLiteral("/elsewhere/"));
    controller()->setBaseURL(other);
    controller()->setForceLoadInsteadOfInject(true);
    ExternalPreviewController* external = pane->externalWindow()->previewController();
    EXPECT_TRUE(external->baseURL().isEmpty());
    EXPECT_FALSE(external->forceLoadInsteadOfInject());
    controller()->setForceLoadInsteadOfInject(false);
    controller()->showExternalPreviewWindow();
    settle(true);
    EXPECT_EQ(external->baseURL(), other);
    controller()->setForceLoadInsteadOfInject(true);
    EXPECT_TRUE(external->forceLoadInsteadOfInject());
    controller()->rerenderWithNewBaseUrl(base, document);
    settle(true);
    EXPECT_EQ(external->baseURL(), base);
    EXPECT_FALSE(external->forceLoadInsteadOfInject()) << "cleared by the render";
}

TEST_F(PaneTest, ZoomCommandsReachPaneAndWindow)
{
    setText(QStringLiteral("zoom"));
    render();
    controller()->showExternalPreviewWindow();
    settle(true);
    for (int i = 0; i < 3; ++i)
        ExternalPreviewWindowController::zoomIn();
    const double level = platform::UserDefaults::standard().doubleForKey(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL);
    EXPECT_NEAR(level, 1.3, 1e-5);
    for (platform::WebView* v : { view(), externalView() })
        EXPECT_NEAR(eval(QStringLiteral("parseFloat(document.documentElement.style.zoom)"), v).toDouble(), 1.3, 1e-5);
    ExternalPreviewWindowController::zoomImageToActualSize();
    EXPECT_EQ(platform::UserDefaults::standard().doubleForKey(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL), 1.0);
    EXPECT_EQ(eval(QStringLiteral("document.documentElement.style.zoom"), externalView()).toString(), QStringLiteral("1"));
    // zooming out stops at 0.1: the page never vanishes
    for (int i = 0; i < 20; ++i)
        ExternalPreviewWindowController::zoomOut();
    EXPECT_NEAR(platform::UserDefaults::standard().doubleForKey(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL), 0.1, 1e-5);
}
