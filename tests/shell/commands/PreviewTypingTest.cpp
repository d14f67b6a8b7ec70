// Typing into a long document with the preview open: the preview renders once the typing
// rests, not once per keystroke, and then shows what was typed.
#include "PreviewedWindow.h"

#include "CorePrefs.h"
#include "Services/JSCallbackManager.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextView.h"
#include "shell/TVXDocument.h"
#include "shell/TVXTextEditorViewController.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <memory>

namespace penwick {
namespace {

using test::PreviewedWindow;
using test::waitUntil;

// About a megabyte of prose, lists and code, ending in an empty line.
QString longMarkdown()
{
    static const char* const parts[] = {
        "# A section\n\nA paragraph with *emphasis*, **strong text** and a `code span`, long enough to wrap "
        "once or twice in a narrow pane.\n\n",
        "- one\n- two\n- three\n\n",
        "```\nint answer = 42;\n```\n\n",
    };
    QString text;
    for (int i = 0; text.size() < 1024 * 1024; ++i)
        text += QString::fromUtf8(parts[i % 3]);
    return text;
}

// A person's keystroke: press and release, then whatever the event loop has ready.
void typeKey(QWidget* view, QChar character)
{
    const int key = character == QLatin1Char(' ') ? int(Qt::Key_Space) : int(Qt::Key_A) + (character.toLower().unicode() - 'a');
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(character));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(view, &press);
    QCoreApplication::sendEvent(view, &release);
    QCoreApplication::processEvents();
}

class PreviewTyping : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TVXTextEditorViewController::installAsEditorFactory(); }
    void SetUp() override
    {
        platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_MATHJAX, false);
        // Every page update, whole load or injection, counts itself in the page.
        JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QStringLiteral("window.renders = (window.renders || 0) + 1;"));
    }
    void TearDown() override { JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QString()); }
};

} // namespace

TEST_F(PreviewTyping, HundredKeystrokesIntoAMegabyteRenderFarFewerTimesAndEndWithTheFinalText)
{
    auto document = std::make_unique<TVXDocument>(); // outlives the window, as the controller's do
    PreviewedWindow window;
    const QString text = longMarkdown();
    document->setContents(text);
    document->setFileURL(QUrl::fromLocalFile(test::temporaryFolder() + QStringLiteral("/long.md")));
    window.controller->addDocument(document.get());
    platform::TextView* view = document->editorViewController()->getEditorTextView();
    ASSERT_EQ(view->string().size(), text.size());
    // The first page of a megabyte takes the engine seconds on an idle machine (4.4 s) and
    // more than a minute beside a suite of engines at a load of 30: a bound, not a timing.
    ASSERT_TRUE(window.waitFor(QStringLiteral("window.renders === 1"), 180000));
    ASSERT_TRUE(waitUntil([&] { return !window.pane->webView()->isLoadPending() && !window.pane->controller()->hasPendingRender(); }));
    const int loads = window.loads;

    QString typed;
    while (typed.size() < 100)
        typed += QStringLiteral("typed words at the end ");
    typed.truncate(99);
    typed += QLatin1Char('z');
    ASSERT_EQ(typed.size(), 100);
    view->moveCursor(QTextCursor::End);
    for (const QChar character : typed)
        typeKey(view, character);
    ASSERT_TRUE(view->string().endsWith(typed));

    EXPECT_TRUE(window.waitFor(QStringLiteral("document.body.textContent.includes('%1')").arg(typed), 180000))
        << "the preview shows the final text";
    ASSERT_TRUE(waitUntil([&] { return !window.pane->webView()->isLoadPending() && !window.pane->controller()->hasPendingRender(); }));
    const int renders = window.eval(QStringLiteral("window.renders")).toInt() - 1;
    RecordProperty("renders", renders);
    EXPECT_GE(renders, 1);
    EXPECT_LE(renders, 10) << "the preview's pause holds renders back while typing goes on";
    EXPECT_EQ(window.loads, loads) << "typing updates the page in place";
}

} // namespace penwick
