#include "platform/text/ParagraphLayout.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>

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
    if (!block.isValid())
        return QRectF();
    QTextLayout* layout = block.layout();
    // A long paragraph keeps its shaped text between uses. Qt otherwise drops it after each
    // layout and drawing, and every caret position, hit test and drawing asked of the
    // paragraph (several a keystroke) shapes it again from its first character, writing
    // tens of bytes of memory per character each time.
    if (block.length() > kLongParagraph && !layout->cacheEnabled())
        layout->setCacheEnabled(true);
    if (layout->lineCount() == 0 && layOutBlock(block))
        emit const_cast<ParagraphLayout*>(this)->documentSizeChanged(documentSize());
    QRectF rect = QPlainTextDocumentLayout::blockBoundingRect(block);
    if (m_style.isPlain() || !block.isVisible())
        return rect;
    applyStyle(block);
    rect = QPlainTextDocumentLayout::blockBoundingRect(block);
    rect.setHeight(rect.height() + m_style.lineSpacing + m_style.paragraphSpacing);
    return rect;
}

QSizeF ParagraphLayout::documentSize() const
{
    return QSizeF(std::max(m_width, m_widest), document()->lineCount());
}

void ParagraphLayout::setLayoutWidth(qreal width)
{
    if (width == m_width)
        return;
    m_width = width;
    m_widest = 0;
    // Every block counts one line until it is laid out again, as after the plain layout's
    // change of width; only blocks that have a layout object are emptied (clearLayout() on
    // the block makes none, unlike layout()).
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        block.clearLayout();
        block.setLineCount(block.isVisible() ? 1 : 0);
    }
    emit documentSizeChanged(documentSize());
    emit update();
}

void ParagraphLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    QTextDocument* doc = document();
    // The plain layout's own test for a change it lays out in place; the others it only
    // empties, and they are laid out here when next asked for.
    const QTextBlock first = doc->findBlock(from);
    const QTextBlock last = doc->findBlock(std::max(0, from + charsRemoved + charsAdded - 1));
    if (first == last && doc->blockCount() == m_blockCount) {
        if (first.isValid() && first.length() > 0)
            relayoutChangedBlock(first);
        return;
    }
    m_blockCount = doc->blockCount();
    QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
}

qreal ParagraphLayout::availableWidth(const QTextBlock& block) const
{
    // The plain layout's rules: the width less the margins and the room for a separator mark.
    const QTextDocument* doc = document();
    int separatorMark = 0;
    if (doc->defaultTextOption().flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        separatorMark = QFontMetrics(block.charFormat().font()).horizontalAdvance(QChar(0x21B5));
    const qreal width = m_width > 0 ? m_width : qreal(std::numeric_limits<int>::max());
    return width - (2 * doc->documentMargin() + separatorMark);
}

bool ParagraphLayout::layOutBlock(const QTextBlock& block) const
{
    // The plain layout's own rules: the document's text option, its margin, leading included.
    QTextDocument* doc = document();
    const int documentLines = doc->lineCount();
    const qreal margin = doc->documentMargin();
    const qreal available = availableWidth(block);
    QTextLayout* layout = block.layout();
    layout->setTextOption(doc->defaultTextOption());
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
    const_cast<QTextBlock&>(block).setLineCount(block.isVisible() ? layout->lineCount() : 0);
    applyStyle(block);
    const bool wider = widest > m_widest;
    m_widest = std::max(m_widest, widest);
    return wider || doc->lineCount() != documentLines;
}

void ParagraphLayout::relayoutChangedBlock(const QTextBlock& block)
{
    const qreal oldHeight = blockBoundingRect(block).height();
    if (!layOutBlock(block) && blockBoundingRect(block).height() == oldHeight) {
        emit updateBlock(block);
        return;
    }
    emit documentSizeChanged(documentSize());
    emit update();
}

} // namespace penwick::platform
