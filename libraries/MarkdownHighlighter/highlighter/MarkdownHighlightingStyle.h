#pragma once

#include "highlighter/mdh_styleparser.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QTextCharFormat>

namespace penwick {

// How the spans of one element type are drawn: properties removed first, then
// properties added, then font traits applied on top of whatever font the span has.
class MarkdownHighlightingStyle {
public:
    // Font trait bits, with the values the theme model has always used.
    enum FontTrait : quint64 {
        ItalicFontMask = 0x1,
        BoldFontMask = 0x2,
        UnboldFontMask = 0x4,
        ExpandedFontMask = 0x20,
        CondensedFontMask = 0x40,
        UnitalicFontMask = 0x01000000,
    };

    MarkdownHighlightingStyle() = default;
    MarkdownHighlightingStyle(int elementType, const QTextCharFormat& attributesToAdd,
        const QList<int>& attributesToRemove, quint64 fontTraitsToAdd);
    // One rule of a style sheet (the list as the reader returns it: last written first)
    // against the editor's base font.
    MarkdownHighlightingStyle(const mdh_style_attribute* attributes, const QFont& baseFont);

    static QColor colorFromARGBColor(const mdh_color_value& color);

    int elementType() const { return m_elementType; }
    void setElementType(int type) { m_elementType = type; }
    // Text attributes added over each span (colours, font, underline).
    const QTextCharFormat& attributesToAdd() const { return m_attributesToAdd; }
    void setAttributesToAdd(const QTextCharFormat& format) { m_attributesToAdd = format; }
    // QTextFormat property ids removed from each span before the additions.
    const QList<int>& attributesToRemove() const { return m_attributesToRemove; }
    void setAttributesToRemove(const QList<int>& properties) { m_attributesToRemove = properties; }
    quint64 fontTraitsToAdd() const { return m_fontTraitsToAdd; }
    void setFontTraitsToAdd(quint64 traits) { m_fontTraitsToAdd = traits; }

    // Applies this style to one span's format: removals, additions, then traits.
    void applyTo(QTextCharFormat& format) const;
    static void applyFontTraits(QTextCharFormat& format, quint64 traits);

    bool operator==(const MarkdownHighlightingStyle& other) const = default;

private:
    int m_elementType = 0;
    QTextCharFormat m_attributesToAdd;
    QList<int> m_attributesToRemove;
    quint64 m_fontTraitsToAdd = 0;
};

} // namespace penwick
