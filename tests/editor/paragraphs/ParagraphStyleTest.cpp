#include "platform/text/ParagraphLayout.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QApplication>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {
namespace {

using platform::ParagraphStyle;
using platform::TextRange;

class ParagraphStyleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = std::make_unique<platform::TextView>();
        view->resize(300, 400);
        view->show();
        view->setString(QStringLiteral("First paragraph that is long enough to wrap onto a second line here.\nSecond\nThird"));
        QApplication::processEvents();
    }

    QRect caretAt(qsizetype position)
    {
        QTextCursor cursor(view->document());
        cursor.setPosition(int(position));
        return view->cursorRect(cursor);
    }

    std::unique_ptr<platform::TextView> view;
};

TEST_F(ParagraphStyleTest, SpacingAndIndentMoveTheLinesAndTouchNothingElse)
{
    const QRect first = caretAt(0);
    const QRect second = caretAt(view->string().indexOf(QStringLiteral("Second")));
    const QRect third = caretAt(view->string().indexOf(QStringLiteral("Third")));
    const QTextBlock wrapped = view->document()->firstBlock();
    ASSERT_GE(wrapped.layout()->lineCount(), 2);
    const qsizetype secondLine = wrapped.layout()->lineAt(1).textStart();
    const QRect wrappedLine = caretAt(secondLine);
    int changes = 0;
    QObject::connect(view.get(), &platform::TextView::textDidChange, [&] { ++changes; });
    const QString text = view->string();

    view->setDefaultParagraphStyle({ 6, 10, 20 });
    QApplication::processEvents();
    const int lines = view->document()->firstBlock().layout()->lineCount();
    EXPECT_EQ(caretAt(0).left(), first.left() + 20);
    EXPECT_EQ(caretAt(0).top(), first.top());
    // The line after a wrap gets the line spacing; the next paragraph both spacings after each line.
    EXPECT_EQ(caretAt(view->document()->firstBlock().layout()->lineAt(1).textStart()).left(), wrappedLine.left());
    EXPECT_EQ(caretAt(view->document()->firstBlock().layout()->lineAt(1).textStart()).top(), wrappedLine.top() + 6);
    const int lineHeight = wrappedLine.top() - first.top();
    EXPECT_EQ(caretAt(text.indexOf(QStringLiteral("Second"))).top(), first.top() + lines * (lineHeight + 6) + 10);
    EXPECT_GT(caretAt(text.indexOf(QStringLiteral("Third"))).top(), third.top() + 2 * 16);

    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(view->undoManager()->canUndo());
    EXPECT_EQ(view->string(), text);
    EXPECT_FALSE(view->document()->isModified());
    EXPECT_EQ(view->defaultParagraphStyle(), ParagraphStyle({ 6, 10, 20 }));

    view->setDefaultParagraphStyle({});
    QApplication::processEvents();
    EXPECT_EQ(caretAt(0), first);
    EXPECT_EQ(caretAt(text.indexOf(QStringLiteral("Second"))), second);
}

TEST_F(ParagraphStyleTest, NewParagraphsTakeTheStyleAsTheyAreTyped)
{
    view->setDefaultParagraphStyle({ 0, 0, 24 });
    const int indented = caretAt(0).left();
    view->setSelectedRange(TextRange(view->textLength(), 0));
    view->insertNewline();
    view->insertText(QStringLiteral("Fourth"));
    QApplication::processEvents();
    EXPECT_EQ(caretAt(view->string().indexOf(QStringLiteral("Fourth"))).left(), indented);
}

TEST_F(ParagraphStyleTest, NegativeValuesCountAsNothing)
{
    const QRect first = caretAt(0);
    view->setDefaultParagraphStyle({ -5, -5, -30 });
    EXPECT_TRUE(view->defaultParagraphStyle().isPlain());
    EXPECT_EQ(caretAt(0), first);
}

} // namespace
} // namespace penwick::test
