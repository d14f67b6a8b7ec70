#include "../support/EditorKeys.h"

#include "CorePrefs.h"
#include "Extensions/Realm.h"
#include "Models/Snippet.h"
#include "Services/MarkdownFormatter.h"
#include "Services/SnippetManager.h"
#include "TestSupport.h"
#include "TextEditor/TextEditorView.h"
#include "platform/UserDefaults.h"
#include "platform/text/UndoManager.h"

#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

using namespace penwick;
using platform::TextRange;
using platform::UserDefaults;
using test::typeKeys;

namespace {

class Snippets : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RealmSetup::setupInFolder(test::temporaryFolder()));
        const auto error = Realm::write([](RealmTransaction& tx) {
            int n = 0;
            for (const auto& [shortcut, content] : { std::pair { "short", "Expanded text" },
                     std::pair { "md", "# Title\n\nbody" }, std::pair { "empty", "" }, std::pair { "a.b", "dotted" } }) {
                Snippet snippet;
                snippet.setId(QStringLiteral("s%1").arg(++n));
                snippet.setShortcut(QString::fromUtf8(shortcut));
                snippet.setContent(QString::fromUtf8(content));
                snippet.setCreatedDate(QDateTime::currentDateTimeUtc());
                snippet.setUpdatedDate(QDateTime::currentDateTimeUtc());
                tx.add(snippet);
            }
        });
        ASSERT_FALSE(error.has_value());
        UserDefaults::standard().setValue(CorePrefs::EDITOR_USESPACES, true);
        UserDefaults::standard().setValue(CorePrefs::EDITOR_TABWIDTH, 4);
        view.setAutoPair(true);
        view.setAutoBullet(true);
    }
    void TearDown() override
    {
        RealmSetup::close();
        UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
        UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
    }
    void tabAfter(const QString& text)
    {
        view.setString(text);
        view.setSelectedRange(TextRange(text.size(), 0));
        typeKeys(&view, QStringLiteral("\t"));
    }

    TextEditorView view;
};

} // namespace

TEST_F(Snippets, ShortcutExpandsAsOneNamedUndoStep)
{
    tabAfter(QStringLiteral("word @short"));
    EXPECT_EQ(view.string(), QStringLiteral("word Expanded text"));
    EXPECT_EQ(view.selectedRange(), TextRange(18, 0));
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Insert Snippet for @short"));
    EXPECT_FALSE(view.isAutomaticLinkDetectionEnabled());
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("word @short"));
}

TEST_F(Snippets, WhereTheShortcutExpands)
{
    struct Case {
        QString before;
        QString after;
    };
    const Case cases[] = {
        { "x@short", "xExpanded text" },
        { "@short", "Expanded text" },
        { "@short word", "@short word " },    // the scan stops at the space: Tab gives spaces
        { "@", "@   " },
        { "@nothing", "@nothing    " },
        { "short", "short   " },
        { "@empty", "@empty  " },            // empty content does not expand
        { "@a.b", "dotted" },                // "." and another letter: looked up whole
        { "line\n@short", "line\nExpanded text" },
    };
    for (const Case& c : cases) {
        tabAfter(c.before);
        EXPECT_EQ(view.string(), c.after) << c.before.toStdString();
    }
}

TEST_F(Snippets, HtmlModifierInsertsTheRenderedContent)
{
    tabAfter(QStringLiteral("@md.h"));
    const JekyllTableResult html = MarkdownFormatter::formatRawContentWithJekyllTable(QStringLiteral("# Title\n\nbody"));
    EXPECT_EQ(view.string(), html.frontMatterTable + html.markdown);
    EXPECT_TRUE(view.string().contains(QStringLiteral("<h1")));
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Insert Snippet for @md.h"));
}

TEST_F(Snippets, FormattedModifierInsertsRedText)
{
    tabAfter(QStringLiteral("x @short.f"));
    ASSERT_TRUE(view.string().startsWith(QStringLiteral("x Expanded text"))) << view.string().toStdString();
    QTextCursor cursor(view.document());
    cursor.setPosition(4);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(Qt::red));
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("x @short.f"));
}

TEST_F(Snippets, ExpansionForgetsPendingTypingState)
{
    view.setString(QString());
    typeKeys(&view, QStringLiteral("(@short\t"));
    EXPECT_EQ(view.string(), QStringLiteral("(Expanded text)"));
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
    EXPECT_FALSE(view.lastInsertedPair().has_value());
}

TEST(SnippetManager, ScanAndSubstring)
{
    EXPECT_EQ(SnippetManager::substringToLocation(2, QStringLiteral("abc")), QStringLiteral("ab"));
    EXPECT_EQ(SnippetManager::substringToLocation(9, QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_FALSE(SnippetManager::substringToLocation(0, QStringLiteral("abc")).has_value());
    EXPECT_FALSE(SnippetManager::substringToLocation(2, std::nullopt).has_value());
    auto scan = SnippetManager::parseForSnippetStartingAt(7, QStringLiteral("ab @cde"));
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->foundLocation, 3);
    EXPECT_EQ(scan->matchingString, QStringLiteral("cde"));
    EXPECT_EQ(scan->stoppingCharacter, QChar(u'@'));
    scan = SnippetManager::parseForSnippetStartingAt(3, QStringLiteral("xyz"));
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->foundLocation, -1);
    EXPECT_EQ(scan->stoppingCharacter, QChar(u'x'));
    EXPECT_FALSE(SnippetManager::parseForSnippetStartingAt(3, QStringLiteral("ab@")).has_value());
    // Half a surrogate pair neither stops nor breaks the scan.
    const QString emoji = QStringLiteral("@a\U0001F600");
    scan = SnippetManager::parseForSnippetStartingAt(3, emoji);
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->matchingString.size(), 2);
}
