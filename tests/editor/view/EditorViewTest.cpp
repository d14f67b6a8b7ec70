#include "../support/EditorKeys.h"

#include "CorePrefs.h"
#include "TextEditor/TextEditorView.h"
#include "Vendors/RegExp.h"
#include "platform/UserDefaults.h"
#include "platform/text/UndoManager.h"

#include <QDialog>
#include <QMimeData>
#include <QTextBlock>

#include <gtest/gtest.h>

using namespace penwick;
using platform::TextRange;
using platform::UserDefaults;
using test::typeKeys;

namespace {

const QStringList kKeys { CorePrefs::PREVIEW_ENABLE_GFM, CorePrefs::EDITOR_AUTOPAIR, CorePrefs::EDITOR_AUTOBULLET,
    CorePrefs::EDITOR_AUTOPAIR_DOLLAR };

// Each test starts from the bundled defaults and leaves them so.
class EditorViewSettings : public ::testing::Test {
protected:
    void SetUp() override { m_registered = UserDefaults::standard().object(CorePrefs::EDITOR_AUTOPAIR_DOLLAR); }
    void TearDown() override
    {
        for (const QString& key : kKeys)
            UserDefaults::standard().removeObject(key);
    }
    QVariant m_registered;
};

} // namespace

TEST_F(EditorViewSettings, ViewMadeInCodeKeepsAutomationOff)
{
    TextEditorView view;
    EXPECT_FALSE(view.autoPair());
    EXPECT_FALSE(view.autoBullet());
    EXPECT_FALSE(view.autoPairDollar());
    EXPECT_FALSE(view.supportsGFM());
    typeKeys(&view, QStringLiteral("(*w"));
    EXPECT_EQ(view.string(), QStringLiteral("(*w"));
    EXPECT_FALSE(view.usesFindBar());
}

TEST_F(EditorViewSettings, AwakeReadsTheFourSettings)
{
    UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_GFM, true);
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR, true);
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOBULLET, false);
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR_DOLLAR, true);
    TextEditorView view;
    view.awakeFromNib();
    EXPECT_TRUE(view.supportsGFM());
    EXPECT_TRUE(view.autoPair());
    EXPECT_FALSE(view.autoBullet());
    EXPECT_TRUE(view.autoPairDollar());
    EXPECT_TRUE(view.usesFindBar());
    EXPECT_FALSE(view.isAutomaticQuoteSubstitutionEnabled());
}

TEST_F(EditorViewSettings, EveryOpenViewFollowsAChangeLive)
{
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR, true);
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR_DOLLAR, false);
    TextEditorView first;
    TextEditorView second;
    first.awakeFromNib();
    second.awakeFromNib();
    typeKeys(&first, QStringLiteral("$x"));
    EXPECT_EQ(first.string(), QStringLiteral("$x"));
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR_DOLLAR, true);
    first.setString(QString());
    typeKeys(&first, QStringLiteral("$x"));
    typeKeys(&second, QStringLiteral("$x"));
    EXPECT_EQ(first.string(), QStringLiteral("$x$"));
    EXPECT_EQ(second.string(), QStringLiteral("$x$"));
    EXPECT_EQ(second.selectedRange(), TextRange(2, 0));
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR, false);
    EXPECT_FALSE(first.autoPair());
    EXPECT_FALSE(second.autoPair());
}

TEST_F(EditorViewSettings, AbsentKeysReadAsOff)
{
    const QVariantMap registered { { CorePrefs::EDITOR_AUTOPAIR, UserDefaults::standard().object(CorePrefs::EDITOR_AUTOPAIR) },
        { CorePrefs::EDITOR_AUTOBULLET, UserDefaults::standard().object(CorePrefs::EDITOR_AUTOBULLET) } };
    UserDefaults::standard().registerDefaults(
        { { CorePrefs::EDITOR_AUTOPAIR, QVariant() }, { CorePrefs::EDITOR_AUTOBULLET, QVariant() } });
    TextEditorView view;
    view.awakeFromNib();
    EXPECT_FALSE(view.autoPair());
    EXPECT_FALSE(view.autoBullet());
    UserDefaults::standard().registerDefaults(registered);
    EXPECT_TRUE(view.autoPair());
}

TEST_F(EditorViewSettings, AnObservedViewCanBeDestroyedBeforeTheNextChange)
{
    {
        TextEditorView view;
        view.awakeFromNib();
    }
    UserDefaults::standard().setValue(CorePrefs::EDITOR_AUTOPAIR, false); // reaches no dead view
    SUCCEED();
}

TEST(EditorView, EscapeWithoutACommandDoesNothing)
{
    TextEditorView view;
    view.setString(QStringLiteral("abc"));
    view.setSelectedRange(TextRange(1, 1));
    typeKeys(&view, QStringLiteral("\x1b"));
    EXPECT_EQ(view.string(), QStringLiteral("abc"));
    EXPECT_EQ(view.selectedRange(), TextRange(1, 1));
    EXPECT_FALSE(view.undoManager()->canUndo());
}

TEST(EditorView, EscapeClearsACommandThatDoesNotMatch)
{
    TextEditorView view;
    view.setString(QStringLiteral("(a)"));
    auto command = std::make_shared<AutoPairedCommand>(QStringLiteral(")"));
    command->updateCurrentInsertLocation(2);
    view.setNextAutoInsertCommand(command);
    view.setSelectedRange(TextRange(0, 0));
    typeKeys(&view, QStringLiteral("\x1b"));
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
    EXPECT_EQ(view.string(), QStringLiteral("(a)"));
}

TEST(EditorView, PasteMovesThePendingCommandByThePastedLength)
{
    struct Case {
        QString pasted;
        bool hasText;
        qsizetype expected;
    };
    for (const Case& c : { Case { QStringLiteral("abc"), true, 5 }, Case { QString(), false, 1 } }) {
        TextEditorView view;
        view.setString(QStringLiteral("x()"));
        view.setSelectedRange(TextRange(2, 0));
        auto command = std::make_shared<AutoPairedCommand>(QStringLiteral(")"));
        command->updateCurrentInsertLocation(1);
        view.setNextAutoInsertCommand(command);
        QMimeData data;
        if (c.hasText)
            data.setText(c.pasted);
        view.readSelectionFromPasteboard(&data, QStringLiteral("text/plain"));
        EXPECT_EQ(command->location(), c.expected) << c.pasted.toStdString();
        EXPECT_EQ(view.string(), c.hasText ? QStringLiteral("x(abc)") : QStringLiteral("x()"));
    }
}

TEST(EditorView, RichTextPasteInsertsPlainText)
{
    TextEditorView view;
    QMimeData data;
    data.setHtml(QStringLiteral("<h1>Title</h1><p>body</p>"));
    data.setText(QStringLiteral("Title\nbody"));
    view.readSelectionFromPasteboard(&data, QStringLiteral("text/plain"));
    EXPECT_EQ(view.string(), QStringLiteral("Title\nbody"));
    EXPECT_EQ(view.readablePasteboardTypes(), QStringList { QStringLiteral("text/plain") });
    EXPECT_EQ(view.document()->firstBlock().charFormat().fontPointSize(),
        view.document()->lastBlock().charFormat().fontPointSize());
}

TEST(EditorView, ClassTables)
{
    const QMap<QString, QString> expected { { "(", ")" }, { "[", "]" }, { "{", "}" }, { "<", ">" }, { "'", "'" },
        { "\"", "\"" } };
    EXPECT_EQ(TextEditorView::autoPairDict(), expected);
    EXPECT_EQ(TextEditorView::specialChars(), (QStringList { " ", "\n", "\r" }));
    ASSERT_NE(TextEditorView::autoBulletRegEx(), nullptr);
    ASSERT_NE(TextEditorView::leadingTabRegEx(), nullptr);
    ASSERT_NE(TextEditorView::autoBulletWithTaskRegEx(), nullptr);
    ASSERT_NE(TextEditorView::autoCodeRegEx(), nullptr);
    ASSERT_NE(TextEditorView::orderedListRegEx(), nullptr);
    EXPECT_EQ(TextEditorView::autoBulletRegEx()->pattern().size(), 109);
    EXPECT_EQ(TextEditorView::autoCodeRegEx()->pattern().size(), 16);
    EXPECT_EQ(TextEditorView::orderedListRegEx()->pattern().size(), 22);
    EXPECT_EQ(TextEditorView::leadingTabRegEx()->pattern().size(), 13);
    // The groups keep their numbers: the ordered marker is group 1, or group 3 with tasks.
    EXPECT_EQ(TextEditorView::autoBulletRegEx()->allMatches(QStringLiteral("12. x")).value(1), QStringLiteral("12. "));
    EXPECT_EQ(TextEditorView::autoBulletWithTaskRegEx()->allMatches(QStringLiteral("12. x")).value(3),
        QStringLiteral("12. "));
    EXPECT_EQ(TextEditorView::autoBulletWithTaskRegEx()->allMatches(QStringLiteral("- [x] a")).value(2),
        QStringLiteral("x"));
    TextEditorView view;
    EXPECT_EQ(view.basePath(), QString());
}

TEST(EditorView, NullifyForgetsTheTypingState)
{
    TextEditorView view;
    view.setAutoPairInAction(true);
    view.setLastInsertedPair(Autopair(QStringLiteral(")"), 1));
    view.setNextAutoInsertCommand(std::make_shared<AutoPairedCommand>(QStringLiteral(")")));
    view.nullifyInsertAction();
    EXPECT_FALSE(view.autoPairInAction());
    EXPECT_FALSE(view.lastInsertedPair().has_value());
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
}

TEST(EditorView, EscapeClosesTheDialogAroundTheViewUnlessACommandUsesIt)
{
    QDialog dialog;
    auto* view = new TextEditorView(&dialog);
    bool rejected = false;
    QObject::connect(&dialog, &QDialog::rejected, [&] { rejected = true; });
    auto command = std::make_shared<AutoPairedCommand>(QStringLiteral(")"));
    command->updateCurrentInsertLocation(1);
    view->setString(QStringLiteral("()"));
    view->setNextAutoInsertCommand(command);
    view->setSelectedRange(TextRange(1, 0));
    typeKeys(view, QStringLiteral("\x1b"));
    EXPECT_FALSE(rejected) << "the pending command used the key";
    EXPECT_EQ(view->nextAutoInsertCommand(), nullptr);
    typeKeys(view, QStringLiteral("\x1b"));
    EXPECT_TRUE(rejected);
}

TEST(EditorView, AQuoteAfterTheFirstLetterIsNotPaired)
{
    TextEditorView view;
    view.setAutoPair(true);
    typeKeys(&view, QStringLiteral("I'm fine"));
    EXPECT_EQ(view.string(), QStringLiteral("I'm fine"));
}

TEST(EditorView, APasteMovesThePendingCommandByWhatWasInserted)
{
    TextEditorView view;
    view.setString(QStringLiteral("()"));
    auto command = std::make_shared<AutoPairedCommand>(QStringLiteral(")"));
    command->updateCurrentInsertLocation(1);
    view.setNextAutoInsertCommand(command);
    view.setSelectedRange(TextRange(1, 0));
    QMimeData data;
    data.setText(QStringLiteral("a\r\nb"));
    view.readSelectionFromPasteboard(&data, QStringLiteral("text/plain"));
    EXPECT_EQ(view.string(), QStringLiteral("(a\nb)"));
    EXPECT_EQ(command->location(), 4);
}
