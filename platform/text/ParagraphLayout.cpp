#include "platform/text/ParagraphLayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace penwick::platform {

ParagraphLayout::ParagraphLayout(QTextDocument* document)
    : QPlainTextDocumentLayout(document)
{
}

void ParagraphLayout::setParagraphStyle(const ParagraphStyle& style)
{
    const ParagraphStyle clean { std::max<qreal>(0, style.lineSpacing), std::max<qreal>(0, style.paragraphSpacing),
        std::max<qreal>(0, style.firstLineHeadIndent) };
    if (clean == m_style)
        return;
    m_style = clean;
    // Every block is laid out again when next shown.
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        block.clearLayout();
    emit documentSizeChanged(documentSize());
    emit update();
}

void ParagraphLayout::applyStyle(const QTextBlock& block) const
{
    QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return;
    const qreal indent = m_style.firstLineHeadIndent;
    const qreal spacing = m_style.lineSpacing;
    if (indent <= 0 && spacing <= 0)
        return;
    const qreal margin = document()->documentMargin();
    const QTextLine first = layout->lineAt(0);
    const bool inPlace = std::abs(first.x() - (margin + indent)) < 0.01
        && (layout->lineCount() < 2 || std::abs(layout->lineAt(1).y() - (first.y() + first.height() + spacing)) < 0.01);
    if (inPlace)
        return;
    // The room the plain layout gave the first line (less any indent a former style took).
    const qreal available = first.width() + std::max<qreal>(0, first.x() - margin);
    layout->beginLayout();
    qreal y = 0;
    for (int i = 0;; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        const qreal x = i == 0 ? indent : 0;
        line.setLeadingIncluded(true);
        line.setLineWidth(std::max<qreal>(1, available - x));
        line.setPosition(QPointF(margin + x, y));
        y += line.height() + spacing;
    }
    layout->endLayout();
    const int lines = block.isVisible() ? layout->lineCount() : 0;
    if (block.lineCount() != lines) {
        const_cast<QTextBlock&>(block).setLineCount(lines);
        emit const_cast<ParagraphLayout*>(this)->documentSizeChanged(documentSize());
    }
}

QRectF ParagraphLayout::blockBoundingRect(const QTextBlock& block) const
{
    // A long paragraph keeps its shaped text between uses. Qt otherwise drops it after each
    // layout and drawing, and every caret position, hit test and drawing asked of the
    // paragraph (several a keystroke) shapes it again from its first character, writing
    // tens of bytes of memory per character each time.
    if (block.isValid() && block.length() > kLongParagraph && !block.layout()->cacheEnabled())
        block.layout()->setCacheEnabled(true);
    if (block.isValid() && block.layout()->lineCount() == 0)
        layOutLikeNeighbours(block);
    QRectF rect = QPlainTextDocumentLayout::blockBoundingRect(block);
    if (m_style.isPlain() || !block.isValid() || !block.isVisible())
        return rect;
    applyStyle(block);
    rect = QPlainTextDocumentLayout::blockBoundingRect(block);
    rect.setHeight(rect.height() + m_style.lineSpacing + m_style.paragraphSpacing);
    return rect;
}

void ParagraphLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    const bool done = relayoutChangedBlock(from, charsRemoved, charsAdded);
    m_blockCount = document()->blockCount();
    if (done)
        return;
    QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
    if (m_style.isPlain())
        return;
    QTextDocument* doc = document();
    const QTextBlock last = doc->findBlock(from + charsAdded);
    for (QTextBlock block = doc->findBlock(from); block.isValid(); block = block.next()) {
        applyStyle(block);
        if (block == last)
            break;
    }
}

qreal ParagraphLayout::wrapWidthOf(const QTextBlock& block) const
{
    if (!block.isValid() || !block.isVisible())
        return 0;
    const QTextLayout* layout = block.layout();
    if (layout->lineCount() == 0)
        return 0;
    // Less any indent the style took from the first line; text laid out without wrapping has
    // lines as wide as the plain layout's "no limit".
    const QTextLine first = layout->lineAt(0);
    const qreal available = first.width() + std::max<qreal>(0, first.x() - document()->documentMargin());
    return available >= 1e8 ? 0 : available;
}

qreal ParagraphLayout::layOutWrapped(const QTextBlock& block, qreal available) const
{
    // The plain layout's own rules: the document's text option, its margin, leading included.
    const QTextOption option = document()->defaultTextOption();
    const qreal margin = document()->documentMargin();
    QTextLayout* layout = block.layout();
    layout->setTextOption(option);
    layout->beginLayout();
    qreal height = 0;
    qreal widest = 0;
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(available);
        line.setPosition(QPointF(margin, height));
        height += line.height();
        if (line.leading() < 0)
            height += std::ceil(line.leading());
        widest = std::max(widest, line.naturalTextWidth() + 2 * margin);
    }
    layout->endLayout();
    applyStyle(block);
    return widest;
}

bool ParagraphLayout::relayoutChangedBlock(int from, int charsRemoved, int charsAdded)
{
    QTextDocument* doc = document();
    if (doc->blockCount() != m_blockCount || doc->defaultTextOption().wrapMode() == QTextOption::NoWrap)
        return false;
    QTextBlock block = doc->findBlock(from);
    // With the block count unchanged, the new text [from, from + charsAdded) lies in one block
    // or the change joined and split paragraphs; a change of formats reports its range twice.
    if (!block.isValid() || block != doc->findBlock(std::max(from, from + charsAdded - 1)))
        return false;
    const qreal available = wrapWidthOf(block);
    if (available <= 0)
        return false;
    const qreal oldHeight = blockBoundingRect(block).height();
    const int oldLines = block.lineCount();
    const qreal widest = layOutWrapped(block, available);
    QTextLayout* layout = block.layout();
    block.setLineCount(layout->lineCount());
    if (widest > documentSize().width()) {
        // A new widest block: the plain layout records it (no walk on growth).
        block.setLineCount(oldLines);
        QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
        applyStyle(block);
        emit update();
        return true;
    }
    if (blockBoundingRect(block).height() == oldHeight && layout->lineCount() == oldLines) {
        emit updateBlock(block);
        return true;
    }
    emit documentSizeChanged(documentSize());
    emit update();
    return true;
}

bool ParagraphLayout::layOutLikeNeighbours(const QTextBlock& block) const
{
    if (!block.isVisible() || document()->defaultTextOption().wrapMode() == QTextOption::NoWrap)
        return false;
    // All blocks wrap at one width, and a change of width drops every block's lines: a
    // laid-out neighbour tells the width.
    qreal available = 0;
    QTextBlock before = block.previous();
    QTextBlock after = block.next();
    for (int i = 0; i < 8 && available <= 0 && (before.isValid() || after.isValid()); ++i) {
        available = std::max(wrapWidthOf(before), wrapWidthOf(after));
        before = before.isValid() ? before.previous() : before;
        after = after.isValid() ? after.next() : after;
    }
    if (available <= 0)
        return false;
    const int documentLines = document()->lineCount();
    if (layOutWrapped(block, available) > documentSize().width()) {
        block.layout()->clearLayout(); // a new widest block: the plain layout records it
        return false;
    }
    const_cast<QTextBlock&>(block).setLineCount(block.layout()->lineCount());
    if (document()->lineCount() != documentLines)
        emit const_cast<ParagraphLayout*>(this)->documentSizeChanged(documentSize());
    return true;
}

} // namespace penwick::platform
