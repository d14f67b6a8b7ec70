#include "platform/text/ParagraphLayout.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

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

namespace penwick::test {
namespace {

// Every block's lines: where each starts, how long it is, and where it stands.
QList<QList<qreal>> lineGeometry(const platform::TextView& view)
{
    QList<QList<qreal>> blocks;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        QList<qreal> lines { qreal(block.lineCount()) };
        const QTextLayout* layout = block.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines << line.textStart() << line.textLength() << line.x() << line.y() << line.height();
        }
        blocks << lines;
    }
    return blocks;
}

struct InBlockEdit {
    const char* name;
    ParagraphStyle style;
};

class InBlockEditLayout : public ::testing::TestWithParam<InBlockEdit> {};

// Edits inside one paragraph are laid out without the plain layout's walk over the whole
// text; what stands on screen must be what a fresh layout of the same text gives.
TEST_P(InBlockEditLayout, MatchesAFreshLayoutOfTheSameText)
{
    const QString paragraph = QStringLiteral("A paragraph long enough to wrap over several lines of a narrow view, "
                                             "with words of different widths: mmmm iiii WWWW llll.");
    platform::TextView view;
    view.resize(260, 600);
    view.setDefaultParagraphStyle(GetParam().style);
    view.setString(paragraph + u'\n' + QStringLiteral("short") + u'\n' + paragraph);
    view.show();
    QApplication::processEvents();

    struct Step {
        int position;
        QString inserted;
        int removed;
    };
    // Typing that grows and shrinks lines, adds and removes a line, and edits the widest block.
    const Step steps[] = { { 10, QStringLiteral("x"), 0 }, { 10, QString(), 1 },
        { 30, QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW "), 0 }, { 30, QString(), 45 },
        { 2, QString(), 20 }, { int(paragraph.size()) + 3, QStringLiteral("er text that now wraps around too"), 0 },
        { 0, QStringLiteral("mmm"), 0 }, { 0, QString(), 3 }, { -1, QString(), 0 }, { 5, QStringLiteral("y"), 0 } };
    for (const Step& step : steps) {
        if (step.position < 0) {
            // New formats over every paragraph, as the highlighter sets them: the lines are dropped
            // and laid out again.
            for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
                QTextLayout::FormatRange red { 0, block.length(), {} };
                red.format.setForeground(Qt::red);
                block.layout()->setFormats({ red });
            }
            view.document()->markContentsDirty(0, view.document()->characterCount());
        } else {
            QTextCursor cursor(view.document());
            cursor.setPosition(step.position);
            cursor.setPosition(step.position + step.removed, QTextCursor::KeepAnchor);
            cursor.insertText(step.inserted);
        }
        QApplication::processEvents();

        platform::TextView fresh;
        fresh.resize(view.size());
        fresh.setDefaultParagraphStyle(GetParam().style);
        fresh.setString(view.string());
        fresh.show();
        QApplication::processEvents();
        ASSERT_EQ(lineGeometry(view), lineGeometry(fresh)) << step.position << " " << qPrintable(step.inserted);
        EXPECT_EQ(view.document()->lineCount(), fresh.document()->lineCount());
        EXPECT_EQ(view.verticalScrollBar()->maximum(), fresh.verticalScrollBar()->maximum());
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, InBlockEditLayout,
    ::testing::Values(InBlockEdit { "plain", ParagraphStyle {} }, InBlockEdit { "spaced", ParagraphStyle { 4, 6, 12 } }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace penwick::test
