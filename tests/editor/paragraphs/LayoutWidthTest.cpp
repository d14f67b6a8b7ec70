#include "platform/text/ParagraphLayout.h"
#include "platform/text/TextView.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <malloc.h>

#include <memory>

namespace penwick::test {
namespace {

using platform::ParagraphStyle;

// Every block's line count and lines: where each starts, how long it is and where it stands.
QList<QList<qreal>> lineGeometry(const QPlainTextEdit& view)
{
    QList<QList<qreal>> blocks;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        QList<qreal> lines { qreal(block.lineCount()) };
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines << line.textStart() << line.textLength() << line.x() << line.y() << line.height();
        }
        blocks << lines;
    }
    return blocks;
}

const QString kText = QStringLiteral("A paragraph long enough to wrap over several lines of a narrow view, with words "
                                     "of different widths: mmmm iiii WWWW llll.\n\nshort\n"
                                     "AWordTooLongForAnyLineOfTheViewSoItBreaksAnywhereAndNotAtASpaceAtAll\n"
                                     "\tIndented, and then some more words to wrap once or twice.");

struct Styled {
    const char* name;
    ParagraphStyle style;
};

class WidthChange : public ::testing::TestWithParam<Styled> {};

// The view's widths as a window is resized: each must lay the text out as a view made at that
// width does, with the same line count and scroll ranges. Without a paragraph style the
// reference is a bare QPlainTextEdit, laid out by Qt's own plain layout.
TEST_P(WidthChange, LaysTheTextOutAsAViewMadeAtThatWidth)
{
    platform::TextView view;
    view.resize(420, 600);
    view.setDefaultParagraphStyle(GetParam().style);
    view.setString(kText);
    view.show();
    QApplication::processEvents();
    for (const int width : { 260, 520, 180, 520, 300 }) {
        view.resize(width, 600);
        QApplication::processEvents();

        std::unique_ptr<QPlainTextEdit> reference;
        if (GetParam().style.isPlain()) {
            reference = std::make_unique<QPlainTextEdit>();
            reference->setPlainText(kText);
        } else {
            auto fresh = std::make_unique<platform::TextView>();
            fresh->setDefaultParagraphStyle(GetParam().style);
            fresh->setString(kText);
            reference = std::move(fresh);
        }
        reference->resize(view.size());
        reference->show();
        QApplication::processEvents();
        ASSERT_EQ(lineGeometry(view), lineGeometry(*reference)) << width;
        EXPECT_EQ(view.document()->lineCount(), reference->document()->lineCount()) << width;
        EXPECT_EQ(view.verticalScrollBar()->maximum(), reference->verticalScrollBar()->maximum()) << width;
        EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0) << width;
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, WidthChange,
    ::testing::Values(Styled { "plain", ParagraphStyle {} }, Styled { "spaced", ParagraphStyle { 4, 6, 12 } }),
    [](const auto& info) { return std::string(info.param.name); });

QString manyLines(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("Line %1 of a long text, long enough to wrap in a narrow window.\n").arg(i);
    return text;
}

TEST(LayoutWidth, ALongTextShownAndResizedHasLayoutsOnlyForWhatShows)
{
    // Qt's plain layout gave every paragraph a layout object when the width changed or the
    // widest line narrowed, and kept them (400 MB for a 30 MB file): about 340 bytes of small
    // blocks on the heap each, where the document keeps its text and paragraphs in a few
    // large arrays.
    constexpr int kLines = 100000;
    QString text;
    for (int i = 0; i < kLines; ++i)
        text += QStringLiteral("x\n");
    platform::TextView view;
    view.resize(500, 300);
    view.show();
    QApplication::processEvents();
    const size_t before = ::mallinfo2().uordblks;
    view.setString(text);
    QApplication::processEvents();
    for (const int width : { 700, 350, 600 }) {
        view.resize(width, 300);
        QApplication::processEvents();
    }
    const qint64 perLine = (qint64(::mallinfo2().uordblks) - qint64(before)) / kLines;
    EXPECT_LT(perLine, 100) << "bytes of small blocks on the heap per line";
}

TEST(LayoutWidth, AfterAWidthChangeTheEndOfALongTextIsReachedAndShown)
{
    platform::TextView view;
    view.resize(600, 300);
    view.show();
    view.setString(manyLines(3000));
    QApplication::processEvents();
    view.resize(240, 300);
    QApplication::processEvents();
    QTextCursor end = view.textCursor();
    end.movePosition(QTextCursor::End);
    view.setTextCursor(end);
    view.ensureCursorVisible();
    QApplication::processEvents();
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(view.viewport()->rect().contains(view.cursorRect().center()));
    EXPECT_EQ(view.cursorForPosition(view.cursorRect().center()).position(), end.position());
    // Back to the top: the first line is at the top of the view.
    view.verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_EQ(view.cursorForPosition(QPoint(0, 0)).blockNumber(), 0);
    EXPECT_TRUE(view.viewport()->rect().contains(view.cursorRect(QTextCursor(view.document())).center()));
}

} // namespace
} // namespace penwick::test
