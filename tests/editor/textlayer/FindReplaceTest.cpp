// Searching and replacing in a text view: the search itself, and the find bar a person uses.
#include "../support/EditorKeys.h"
#include "TestSupport.h"

#include "platform/text/FindBar.h"
#include "platform/text/TextSearch.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace penwick::platform;
using penwick::test::pressKey;
using penwick::test::redoKey;
using penwick::test::typeKeys;
using penwick::test::undoKey;

TEST(TextSearch, OccurrencesAndReplaceAll)
{
    const struct {
        const char* text;
        const char* pattern;
        Qt::CaseSensitivity sensitivity;
        TextRanges occurrences;
        const char* replacedByX;
    } cases[] = {
        { "cat Cat CAT", "cat", Qt::CaseInsensitive, { { 0, 3 }, { 4, 3 }, { 8, 3 } }, "X X X" },
        { "cat Cat CAT", "cat", Qt::CaseSensitive, { { 0, 3 } }, "X Cat CAT" },
        { "cat Cat CAT", "Cat", Qt::CaseSensitive, { { 4, 3 } }, "cat X CAT" },
        { "aaaaa", "aa", Qt::CaseSensitive, { { 0, 2 }, { 2, 2 } }, "XXa" }, // never overlapping
        { "abc", "", Qt::CaseInsensitive, {}, "abc" },
        { "abc", "d", Qt::CaseInsensitive, {}, "abc" },
        { "", "a", Qt::CaseInsensitive, {}, "" },
        { "x\ny\nx", "x", Qt::CaseSensitive, { { 0, 1 }, { 4, 1 } }, "X\ny\nX" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.pattern);
        const QString text = QString::fromUtf8(c.text);
        const TextSearch search(QString::fromUtf8(c.pattern), c.sensitivity);
        EXPECT_EQ(search.occurrences(text), c.occurrences);
        EXPECT_EQ(search.count(text), c.occurrences.size());
        const TextSearch::Replacement all = search.replaceAll(text, QStringLiteral("X"));
        EXPECT_EQ(all.count, c.occurrences.size());
        QString replaced = text;
        replaced.replace(all.range.location, all.range.length, all.text);
        EXPECT_EQ(replaced, QString::fromUtf8(c.replacedByX));
    }
}

TEST(TextSearch, NextWrapsAroundInBothDirections)
{
    const QString text = QStringLiteral("one two one two");
    const TextSearch search(QStringLiteral("two"), Qt::CaseSensitive);
    EXPECT_EQ(search.next(text, TextRange(0, 0), false), TextRange(4, 3));
    EXPECT_EQ(search.next(text, TextRange(4, 3), false), TextRange(12, 3));
    EXPECT_EQ(search.next(text, TextRange(12, 3), false), TextRange(4, 3)); // wraps
    EXPECT_EQ(search.next(text, TextRange(12, 3), true), TextRange(4, 3));
    EXPECT_EQ(search.next(text, TextRange(4, 3), true), TextRange(12, 3)); // wraps
    EXPECT_EQ(search.next(text, TextRange(4, 0), false), TextRange(4, 3)); // a caret before it
    EXPECT_FALSE(TextSearch(QStringLiteral("three"), Qt::CaseSensitive).next(text, TextRange(0, 0), false));
    EXPECT_TRUE(search.isOccurrence(text, TextRange(4, 3)));
    EXPECT_FALSE(search.isOccurrence(text, TextRange(4, 2)));
    EXPECT_FALSE(TextSearch(QStringLiteral("aa"), Qt::CaseSensitive).isOccurrence(QStringLiteral("aaa"), TextRange(1, 2)));
}

namespace {

class FindBarTest : public ::testing::Test {
protected:
    void open(const QString& text)
    {
        view.resize(500, 300);
        view.setUsesFindBar(true);
        view.setString(text);
        view.show();
        pressKey(&view, Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(view.isFindBarVisible());
        bar = view.findBar();
    }
    void search(const QString& pattern, bool matchCase = false)
    {
        bar->setCaseSensitive(matchCase);
        bar->searchField()->setText(pattern);
        pressKey(bar->searchField(), Qt::Key_Return);
    }

    TextView view;
    FindBar* bar = nullptr;
};

} // namespace

TEST_F(FindBarTest, ReplaceChangesTheFoundMatchAsOneUndoStepAndGoesOn)
{
    open(QStringLiteral("cat Cat cat"));
    search(QStringLiteral("cat"));
    EXPECT_EQ(view.selectedRange(), TextRange(0, 3));
    EXPECT_EQ(bar->status(), QStringLiteral("1 of 3"));
    bar->replaceField()->setText(QStringLiteral("dog"));
    bar->replaceButton()->click();
    EXPECT_EQ(view.string(), QStringLiteral("dog Cat cat"));
    EXPECT_EQ(view.selectedRange(), TextRange(4, 3)); // the next match
    EXPECT_EQ(bar->status(), QStringLiteral("1 of 2"));
    pressKey(bar->replaceField(), Qt::Key_Return); // Return in the field replaces too
    EXPECT_EQ(view.string(), QStringLiteral("dog dog cat"));
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Replace"));
    undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("dog Cat cat"));
    undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("cat Cat cat"));
    EXPECT_FALSE(view.undoManager()->canUndo());
    redoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("dog Cat cat"));
}

TEST_F(FindBarTest, ReplaceOnASelectionThatIsNoMatchOnlyFindsTheNext)
{
    open(QStringLiteral("a cat"));
    bar->searchField()->setText(QStringLiteral("cat"));
    view.setSelectedRange(TextRange(0, 1));
    bar->replaceField()->setText(QStringLiteral("dog"));
    bar->replaceButton()->click();
    EXPECT_EQ(view.string(), QStringLiteral("a cat"));
    EXPECT_EQ(view.selectedRange(), TextRange(2, 3));
    EXPECT_FALSE(view.undoManager()->canUndo());
}

TEST_F(FindBarTest, ReplaceAllIsOneUndoStepAndFollowsTheCaseSwitch)
{
    const QString text = QStringLiteral("cat Cat cat\ncatalogue CAT");
    open(text);
    search(QStringLiteral("cat"), true);
    EXPECT_EQ(bar->status(), QStringLiteral("1 of 3"));
    bar->replaceField()->setText(QStringLiteral("dog"));
    bar->replaceAllButton()->click();
    EXPECT_EQ(view.string(), QStringLiteral("dog Cat dog\ndogalogue CAT"));
    EXPECT_EQ(bar->status(), QStringLiteral("Not found"));
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Replace All"));
    undoKey(&view);
    EXPECT_EQ(view.string(), text);
    EXPECT_FALSE(view.undoManager()->canUndo());
    redoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("dog Cat dog\ndogalogue CAT"));
    undoKey(&view);

    bar->caseSwitch()->click(); // off: every case
    EXPECT_FALSE(bar->isCaseSensitive());
    EXPECT_EQ(bar->status(), QStringLiteral("5 matches"));
    bar->replaceAllButton()->click();
    EXPECT_EQ(view.string(), QStringLiteral("dog dog dog\ndogalogue dog"));
    undoKey(&view);
    EXPECT_EQ(view.string(), text);
}

TEST_F(FindBarTest, ReplacementHoldingTheSearchIsReplacedOnce)
{
    open(QStringLiteral("a b a"));
    search(QStringLiteral("a"));
    bar->replaceField()->setText(QStringLiteral("aa"));
    bar->replaceAllButton()->click();
    EXPECT_EQ(view.string(), QStringLiteral("aa b aa"));
    EXPECT_EQ(bar->status(), QStringLiteral("4 matches"));
    bar->replaceField()->clear(); // an empty replacement deletes
    bar->replaceAllButton()->click();
    EXPECT_EQ(view.string(), QStringLiteral(" b "));
    undoKey(&view);
    undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("a b a"));
}

TEST_F(FindBarTest, MatchCountFollowsTheSearchTheTextAndTheSelection)
{
    open(QStringLiteral("one two one"));
    bar->searchField()->setText(QStringLiteral("one"));
    EXPECT_EQ(bar->status(), QStringLiteral("2 matches"));
    bar->searchField()->setText(QStringLiteral("two"));
    EXPECT_EQ(bar->status(), QStringLiteral("1 match"));
    bar->searchField()->setText(QStringLiteral("ONE"));
    EXPECT_EQ(bar->status(), QStringLiteral("2 matches"));
    bar->setCaseSensitive(true);
    EXPECT_EQ(bar->status(), QStringLiteral("Not found"));
    bar->setCaseSensitive(false);
    pressKey(bar->searchField(), Qt::Key_Return, Qt::ShiftModifier); // backwards from the start
    EXPECT_EQ(view.selectedRange(), TextRange(8, 3));
    EXPECT_EQ(bar->status(), QStringLiteral("2 of 2"));
    // Typing in the text counts again.
    view.setSelectedRange(TextRange(0, 0));
    typeKeys(&view, QStringLiteral("one "));
    ASSERT_TRUE(penwick::test::waitUntil([&] { return bar->status() == QStringLiteral("3 matches"); }))
        << bar->status().toStdString();
    bar->searchField()->clear();
    EXPECT_EQ(bar->status(), QString());
}

TEST_F(FindBarTest, ReadOnlyViewOffersNoReplace)
{
    view.setReadOnly(true);
    open(QStringLiteral("cat"));
    EXPECT_FALSE(bar->replaceField()->isVisible());
    EXPECT_FALSE(bar->replaceAllButton()->isVisible());
    search(QStringLiteral("cat"));
    bar->replaceField()->setText(QStringLiteral("dog"));
    bar->replaceAll();
    bar->replace();
    EXPECT_EQ(view.string(), QStringLiteral("cat"));
}
