#pragma once

#include <QPlainTextDocumentLayout>

namespace penwick::platform {

// Spacing of a text view's paragraphs, in points: between the lines of a paragraph, after
// each paragraph, and before the first line of each paragraph.
struct ParagraphStyle {
    qreal lineSpacing = 0;
    qreal paragraphSpacing = 0;
    qreal firstLineHeadIndent = 0;

    bool isPlain() const { return lineSpacing <= 0 && paragraphSpacing <= 0 && firstLineHeadIndent <= 0; }
    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

// The plain-text layout with one paragraph style for the whole text. The style lives in the
// layout, not in the text: changing it adds nothing to the undo history and changes no
// character of the document. Negative values count as 0.
//
// Paragraphs are laid out here, at the width set with setLayoutWidth(), never by the plain
// layout: its setTextWidth() gives every paragraph of the text a layout object (about 500
// bytes a line, 400 MB for a 30 MB text) only to empty it, and the objects stay; and it walks
// every paragraph whenever the widest one narrows. A change of width here empties only the
// paragraphs laid out so far; the others are laid out when first asked for.
class ParagraphLayout : public QPlainTextDocumentLayout {
    Q_OBJECT
public:
    explicit ParagraphLayout(QTextDocument* document);

    void setParagraphStyle(const ParagraphStyle& style);
    const ParagraphStyle& paragraphStyle() const { return m_style; }

    // The width the text wraps in, the margins included (the view's width); 0 or less for no
    // limit. Takes the place of setTextWidth(), which must not be called.
    void setLayoutWidth(qreal width);
    qreal layoutWidth() const { return m_width; }

    QRectF blockBoundingRect(const QTextBlock& block) const override;
    QSizeF documentSize() const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // The room a line has, as the plain layout reckons it.
    qreal availableWidth(const QTextBlock& block) const;
    // Lays the block's lines out at the layout width with the style and records its line
    // count; answers whether the document's size changed.
    bool layOutBlock(const QTextBlock& block) const;
    // A change inside one block, which keeps the block count: the block laid out again.
    void relayoutChangedBlock(const QTextBlock& block);
    // Lays the block's lines out again with the style, unless they already stand so.
    void applyStyle(const QTextBlock& block) const;

    static constexpr int kLongParagraph = 1 << 16;

    ParagraphStyle m_style;
    qreal m_width = 0;
    mutable qreal m_widest = 0; // the widest line laid out since the width was set, margins included
    int m_blockCount = 1;       // the block count after the last change seen (the plain layout's too)
};

} // namespace penwick::platform
