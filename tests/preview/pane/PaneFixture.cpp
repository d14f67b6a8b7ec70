#include "PaneFixture.h"

#include "Services/JSCallbackManager.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "preview/ExternalPreviewWindowController.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QDir>
#include <QLabel>
#include <QSignalBlocker>

namespace penwick::test {

void PaneTest::SetUp()
{
    auto& d = platform::UserDefaults::standard();
    d.setValue(Prefs::PREVIEW_ENABLE_MATHJAX, false);
    d.setValue(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL, 1.0);
    d.removeObject(Prefs::REAL_PREVIEW_SELECTION);
    JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QStringLiteral("window.updates = (window.updates || 0) + 1;"));
    const QString folder = temporaryFolder() + QStringLiteral("/notes.d");
    QDir().mkpath(folder);
    base = QUrl::fromLocalFile(folder + QLatin1Char('/'));
    document = QUrl::fromLocalFile(folder + QStringLiteral("/doc.md"));

    editor = std::make_unique<TextEditorView>();
    editor->resize(400, 300);
    editor->show();
    pane = std::make_unique<PreviewPane>();
    pane->resize(600, 500);
    pane->show();
    controller()->setSplitView(&splitPoster, [this] { return splitState; });
    view()->setUrlOpener([this](const QUrl& url) { opened.append(url); });
    externalView()->setUrlOpener([this](const QUrl& url) { opened.append(url); });
    QObject::connect(view(), &platform::WebView::pageLoadFinished, view(), [this](bool) { ++paneLoads; });
    QObject::connect(externalView(), &platform::WebView::pageLoadFinished, externalView(), [this](bool) { ++externalLoads; });
}

void PaneTest::TearDown()
{
    pane.reset();
    editor.reset();
}

platform::WebView* PaneTest::externalView() const
{
    return pane->externalWindow()->webView();
}

void PaneTest::setText(const QString& text)
{
    QSignalBlocker block(editor.get());
    editor->setString(text);
}

void PaneTest::render(const QUrl& doc)
{
    controller()->renderUsingTextView(editor.get(), base, doc.isEmpty() ? document : doc);
}

void PaneTest::settle(bool external)
{
    for (platform::WebView* v : { view(), external ? externalView() : nullptr }) {
        if (!v)
            continue;
        EXPECT_TRUE(waitUntil([&] { return !v->isLoadPending() && !controller()->hasPendingRender(); }, 30000));
        eval(QStringLiteral("0"), v);
    }
}

QVariant PaneTest::eval(const QString& script, platform::WebView* in)
{
    return evaluate(in ? in : view(), script);
}

bool PaneTest::waitFor(const QString& condition, platform::WebView* in, int timeoutMs)
{
    return waitForScript(in ? in : view(), condition, platform::WebView::World::Page, timeoutMs);
}

void PaneTest::setPaneState(int state)
{
    splitState = state;
    platform::NotificationCenter::defaultCenter().post(Notifications::SPLIT_VIEW_STATE_CHANGED, &splitPoster);
}

QString PaneTest::label() const
{
    return pane->countLabel()->text();
}

} // namespace penwick::test
