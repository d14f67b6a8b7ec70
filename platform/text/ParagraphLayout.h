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
    // Lays the block's lines out again with the style, unless they already stand so.
    void applyStyle(const QTextBlock& block) const;

    ParagraphStyle m_style;
};

} // namespace penwick::platform
