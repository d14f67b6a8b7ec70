#include "highlighter/MarkdownHighlighter.h"
#include "highlighter/MarkdownHighlightingStyle.h"
#include "highlighter/mdh_parser.h"
#include "highlighter/mdh_styleparser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace penwick;

namespace {

struct SheetDeleter {
    void operator()(mdh_style_sheet* s) const { mdh_release_style_sheet(s); }
};
using Sheet = std::unique_ptr<mdh_style_sheet, SheetDeleter>;

QFont baseFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(13);
    return font;
}

// The style of the first element rule of `rule` (a whole rule block).
MarkdownHighlightingStyle styleFrom(const std::string& rule, const QFont& base = baseFont())
{
    Sheet sheet(mdh_read_style_sheet(rule.c_str(), nullptr, nullptr));
    EXPECT_NE(sheet->element_styles[0], nullptr) << rule;
    return MarkdownHighlightingStyle(sheet->element_styles[0], base);
}

} // namespace

TEST(HighlightingStyle, SizesRelativeAndAbsoluteNeverBelowFourPoints)
{
    struct Case {
        std::string size;
        qreal points;
    };
    const Case cases[] = { { "+2", 15 }, { "-1", 12 }, { "-20", 4 }, { "20", 20 }, { "2", 4 }, { "+0", 0 }, { "0", 0 } };
    for (const Case& c : cases) {
        const MarkdownHighlightingStyle style = styleFrom("H1\n  font-size: " + c.size + "\n");
        const QTextCharFormat& f = style.attributesToAdd();
        if (c.points == 0) {
            EXPECT_FALSE(f.hasProperty(QTextFormat::FontPointSize)) << "a size of 0 is no size: " << c.size;
            EXPECT_FALSE(f.hasProperty(QTextFormat::FontFamilies)) << c.size;
            continue;
        }
        EXPECT_DOUBLE_EQ(f.fontPointSize(), c.points) << c.size;
        EXPECT_EQ(f.fontFamilies().toStringList(), QStringList { baseFont().family() }) << c.size;
        EXPECT_EQ(style.elementType(), mdh_element_type_for_name("H1"));
    }
}

TEST(HighlightingStyle, FamilyAloneKeepsTheBaseSize)
{
    const MarkdownHighlightingStyle style = styleFrom("CODE\n  font-family:  DejaVu Sans Mono \n");
    const QTextCharFormat& f = style.attributesToAdd();
    EXPECT_EQ(f.fontFamilies().toStringList(), QStringList { QStringLiteral("DejaVu Sans Mono") });
    EXPECT_DOUBLE_EQ(f.fontPointSize(), 13);

    // A family that names no installed font still makes a style.
    const MarkdownHighlightingStyle missing = styleFrom("CODE\n  font-family: No Such Font Family\n");
    EXPECT_EQ(missing.attributesToAdd().fontFamilies().toStringList(), QStringList { QStringLiteral("No Such Font Family") });
}

TEST(HighlightingStyle, ColoursAloneSetNoFont)
{
    const MarkdownHighlightingStyle style = styleFrom("LINK\n  color: FF0000\n  background: 8000FF00\n");
    const QTextCharFormat& f = style.attributesToAdd();
    EXPECT_EQ(f.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(f.background().color(), QColor(0, 255, 0, 128));
    for (int property : { int(QTextFormat::FontFamilies), int(QTextFormat::FontPointSize), int(QTextFormat::FontWeight),
             int(QTextFormat::FontItalic) })
        EXPECT_FALSE(f.hasProperty(property)) << property;
    EXPECT_EQ(style.fontTraitsToAdd(), 0u);
    EXPECT_TRUE(style.attributesToRemove().isEmpty());
}

TEST(HighlightingStyle, TraitsAddUpAndUnderlineIsNoTrait)
{
    EXPECT_EQ(styleFrom("EMPH\n  font-style: underlined\n").fontTraitsToAdd(), 0u);
    EXPECT_EQ(styleFrom("EMPH\n  font-style: underlined\n").attributesToAdd().underlineStyle(),
        QTextCharFormat::SingleUnderline);
    EXPECT_EQ(styleFrom("EMPH\n  font-style: bold, italic\n").fontTraitsToAdd(), 3u);
    EXPECT_EQ(styleFrom("EMPH\n  font-style: bold\n  font-style: italic\n").fontTraitsToAdd(), 3u);
    EXPECT_EQ(styleFrom("EMPH\n  font-style: italic\n").fontTraitsToAdd(), 1u);
}

TEST(HighlightingStyle, FirstWrittenValueOfAKindWinsAndCaretIsIgnored)
{
    const MarkdownHighlightingStyle style
        = styleFrom("STRONG\n  color: 0000FF\n  color: FF0000\n  caret: 00FF00\n  font-size: 20\n  font-size: +1\n");
    EXPECT_EQ(style.attributesToAdd().foreground().color(), QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(style.attributesToAdd().fontPointSize(), 20);
    EXPECT_FALSE(style.attributesToAdd().hasProperty(QTextFormat::BackgroundBrush));

    const MarkdownHighlightingStyle caretOnly = styleFrom("STRONG\n  caret: 00FF00\n");
    EXPECT_TRUE(caretOnly.attributesToAdd().properties().isEmpty());
    EXPECT_EQ(caretOnly.fontTraitsToAdd(), 0u);
}

TEST(HighlightingStyle, ColourFromArgbDividesEachChannelBy255)
{
    const QColor c = MarkdownHighlightingStyle::colorFromARGBColor({ 255, 51, 0, 128 });
    EXPECT_DOUBLE_EQ(c.redF(), 1.0);
    EXPECT_NEAR(c.greenF(), 0.2, 1e-6);
    EXPECT_DOUBLE_EQ(c.blueF(), 0.0);
    EXPECT_NEAR(c.alphaF(), 128 / 255.0, 1e-6);
}

TEST(HighlightingStyle, ApplyRemovesThenAddsThenAppliesTraits)
{
    QTextCharFormat addition;
    addition.setForeground(QColor(Qt::blue));
    MarkdownHighlightingStyle style(18, addition, { QTextFormat::BackgroundBrush }, MarkdownHighlightingStyle::UnboldFontMask);
    QTextCharFormat span;
    span.setBackground(QColor(Qt::yellow));
    span.setForeground(QColor(Qt::red));
    span.setFontWeight(QFont::Bold);
    style.applyTo(span);
    EXPECT_FALSE(span.hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_EQ(span.foreground().color(), QColor(Qt::blue));
    EXPECT_EQ(span.fontWeight(), QFont::Normal);

    // A style with a font of its own replaces the traits an earlier style gave.
    QTextCharFormat bold;
    MarkdownHighlightingStyle::applyFontTraits(bold, MarkdownHighlightingStyle::BoldFontMask);
    styleFrom("H1\n  font-size: 18\n  font-style: italic\n").applyTo(bold);
    EXPECT_EQ(bold.fontWeight(), QFont::Normal);
    EXPECT_TRUE(bold.fontItalic());
    EXPECT_DOUBLE_EQ(bold.fontPointSize(), 18);
}

TEST(HighlightingStyle, DefaultStyleSet)
{
    const QList<MarkdownHighlightingStyle>& defaults = MarkdownHighlighter::getDefaultStyles();
    EXPECT_EQ(&defaults, &MarkdownHighlighter::getDefaultStyles()) << "made once and shared";
    struct Row {
        const char* type;
        float fh, fs, fb;
        float bh, bs, bb; // bh < 0: no background
        quint64 traits;
        bool removesBackground;
    };
    const Row rows[] = {
        { "H1", 0.67f, 1.0f, 0.4f, 0.67f, 0.2f, 1.0f, 2, false },
        { "H2", 0.67f, 1.0f, 0.4f, 0.67f, 0.2f, 1.0f, 2, false },
        { "H3", 0.67f, 1.0f, 0.4f, 0.67f, 0.2f, 1.0f, 2, false },
        { "H4", 0.67f, 1.0f, 0.4f, 0.67f, 0.2f, 1.0f, 2, false },
        { "H5", 0.67f, 1.0f, 0.4f, 0.67f, 0.2f, 1.0f, 2, false },
        { "H6", 0.67f, 1.0f, 0.4f, 0.67f, 0.2f, 1.0f, 2, false },
        { "HRULE", 0.0f, 0.0f, 0.2f, 0.0f, 0.0f, 0.9f, 0, false },
        { "LIST_BULLET", 0.87f, 1.0f, 0.4f, -1, 0, 0, 0, false },
        { "LIST_ENUMERATOR", 0.87f, 1.0f, 0.4f, -1, 0, 0, 0, false },
        { "LINK", 0.5f, 1.0f, 0.4f, 0.5f, 0.2f, 1.0f, 0, false },
        { "AUTO_LINK_URL", 0.5f, 1.0f, 0.4f, 0.5f, 0.2f, 1.0f, 0, false },
        { "AUTO_LINK_EMAIL", 0.5f, 1.0f, 0.4f, 0.5f, 0.2f, 1.0f, 0, false },
        { "IMAGE", 0.87f, 1.0f, 0.4f, 0.87f, 0.2f, 1.0f, 0, false },
        { "REFERENCE", 0.0f, 0.2f, 0.5f, -1, 0, 0, 0, false },
        { "CODE", 0.34f, 1.0f, 0.4f, 0.34f, 0.2f, 1.0f, 0, false },
        { "EMPH", 0.15f, 1.0f, 0.4f, -1, 0, 0, 1, false },
        { "STRONG", 0.87f, 1.0f, 0.4f, -1, 0, 0, 2, false },
        { "HTML_ENTITY", 0.0f, 0.0f, 0.5f, -1, 0, 0, 0, false },
        { "COMMENT", 0.0f, 0.0f, 0.5f, -1, 0, 0, 0, false },
        { "VERBATIM", 0.34f, 1.0f, 0.4f, 0.34f, 0.2f, 1.0f, 0, false },
        { "BLOCKQUOTE", 0.87f, 1.0f, 0.4f, -1, 0, 0, 4, true },
    };
    ASSERT_EQ(defaults.size(), int(std::size(rows)));
    for (int i = 0; i < defaults.size(); ++i) {
        const Row& r = rows[i];
        const MarkdownHighlightingStyle& s = defaults[i];
        EXPECT_EQ(s.elementType(), mdh_element_type_for_name(r.type)) << i;
        const QTextCharFormat& f = s.attributesToAdd();
        EXPECT_EQ(f.foreground().color(), QColor::fromHsvF(r.fh, r.fs, r.fb, 1.0f)) << r.type;
        if (r.bh < 0)
            EXPECT_FALSE(f.hasProperty(QTextFormat::BackgroundBrush)) << r.type;
        else
            EXPECT_EQ(f.background().color(), QColor::fromHsvF(r.bh, r.bs, r.bb, 1.0f)) << r.type;
        EXPECT_EQ(s.fontTraitsToAdd(), r.traits) << r.type;
        EXPECT_EQ(s.attributesToRemove().contains(QTextFormat::BackgroundBrush), r.removesBackground) << r.type;
        EXPECT_FALSE(f.hasProperty(QTextFormat::FontFamilies)) << "no default style sets a font: " << r.type;
        EXPECT_FALSE(f.hasProperty(QTextFormat::FontPointSize)) << r.type;
    }
}
