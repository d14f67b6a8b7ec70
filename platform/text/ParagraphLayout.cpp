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

} // namespace penwick::platform
