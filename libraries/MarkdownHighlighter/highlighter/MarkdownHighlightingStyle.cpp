#include "highlighter/MarkdownHighlightingStyle.h"

#include <QFontInfo>

#include <algorithm>

namespace penwick {

namespace {

qreal pointSizeOf(const QFont& font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return QFontInfo(font).pointSizeF();
}

} // namespace

MarkdownHighlightingStyle::MarkdownHighlightingStyle(int elementType, const QTextCharFormat& attributesToAdd,
    const QList<int>& attributesToRemove, quint64 fontTraitsToAdd)
    : m_elementType(elementType)
    , m_attributesToAdd(attributesToAdd)
    , m_attributesToRemove(attributesToRemove)
    , m_fontTraitsToAdd(fontTraitsToAdd)
{
}

MarkdownHighlightingStyle::MarkdownHighlightingStyle(const mdh_style_attribute* attributes, const QFont& baseFont)
{
    m_elementType = attributes ? attributes->element_type : mdh_style_editor_rule_type;
    QTextCharFormat format;
    QString family;
    bool haveFamily = false;
    int size = 0;
    bool relative = false;
    // The head is the attribute written last, so the one written first ends up winning.
    for (const mdh_style_attribute* a = attributes; a; a = a->next) {
        switch (a->kind) {
        case mdh_attr_foreground_color:
            format.setForeground(colorFromARGBColor(*a->value.color));
            break;
        case mdh_attr_background_color:
            format.setBackground(colorFromARGBColor(*a->value.color));
            break;
        case mdh_attr_font_style:
            if (a->value.font_styles->italic)
                m_fontTraitsToAdd |= ItalicFontMask;
            if (a->value.font_styles->bold)
                m_fontTraitsToAdd |= BoldFontMask;
            if (a->value.font_styles->underlined)
                format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
            break;
        case mdh_attr_font_size:
            size = a->value.size->points;
            relative = a->value.size->relative;
            break;
        case mdh_attr_font_family:
            family = QString::fromUtf8(a->value.text);
            haveFamily = true;
            break;
        case mdh_attr_caret_color:
        case mdh_attr_other:
            break;
        }
    }
    if (haveFamily || size != 0) {
        if (!haveFamily)
            family = baseFont.family();
        const qreal base = pointSizeOf(baseFont);
        qreal points = base;
        if (size != 0)
            points = std::max<qreal>(4.0, relative ? base + size : size);
        // A font of its own replaces the span's font, traits included.
        format.setFontFamilies(QStringList { family });
        format.setFontPointSize(points);
        format.setFontWeight(QFont::Normal);
        format.setFontItalic(false);
    }
    m_attributesToAdd = format;
}

QColor MarkdownHighlightingStyle::colorFromARGBColor(const mdh_color_value& color)
{
    return QColor::fromRgbF(color.red / 255.0f, color.green / 255.0f, color.blue / 255.0f, color.alpha / 255.0f);
}

void MarkdownHighlightingStyle::applyFontTraits(QTextCharFormat& format, quint64 traits)
{
    if (traits & BoldFontMask)
        format.setFontWeight(QFont::Bold);
    if (traits & UnboldFontMask)
        format.setFontWeight(QFont::Normal);
    if (traits & ItalicFontMask)
        format.setFontItalic(true);
    if (traits & UnitalicFontMask)
        format.setFontItalic(false);
    if (traits & ExpandedFontMask)
        format.setFontStretch(QFont::Expanded);
    if (traits & CondensedFontMask)
        format.setFontStretch(QFont::Condensed);
}

void MarkdownHighlightingStyle::applyTo(QTextCharFormat& format) const
{
    for (int property : m_attributesToRemove)
        format.clearProperty(property);
    format.merge(m_attributesToAdd);
    if (m_fontTraitsToAdd)
        applyFontTraits(format, m_fontTraitsToAdd);
}

} // namespace penwick
