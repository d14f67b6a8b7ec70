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
class ParagraphLayout : public QPlainTextDocumentLayout {
    Q_OBJECT
public:
    explicit ParagraphLayout(QTextDocument* document);

    void setParagraphStyle(const ParagraphStyle& style);
    const ParagraphStyle& paragraphStyle() const { return m_style; }

    QRectF blockBoundingRect(const QTextBlock& block) const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // A change inside one laid-out block of wrapped text, laid out here. The plain layout
    // would walk every block of the document whenever the widest block narrows, which costs
    // tens of milliseconds a keystroke in a long text and only matters without wrapping.
    bool relayoutChangedBlock(int from, int charsRemoved, int charsAdded);
    // A block whose lines were dropped (a change of formats over several blocks), laid out
    // again at its neighbours' width, for the same reason.
    bool layOutLikeNeighbours(const QTextBlock& block) const;
    qreal wrapWidthOf(const QTextBlock& block) const;
    qreal layOutWrapped(const QTextBlock& block, qreal available) const;
    // Lays the block's lines out again with the style, unless they already stand so.
    void applyStyle(const QTextBlock& block) const;

    static constexpr int kLongParagraph = 1 << 16;

    ParagraphStyle m_style;
    int m_blockCount = -1; // the block count after the last change seen
};

} // namespace penwick::platform
