#include "Services/MarkdownFormatter.h"

#include "CorePrefs.h"
#include "Extensions/MarkdownStringAdditions.h"
#include "Extensions/MathSpans.h"
#include "HTML/CSSLinks.h"
#include "HTML/HTMLFormatter.h"
#include "Services/TVXMarkdownFormatter.h"
#include "Vendors/HTMLTabularize.h"
#include "platform/UserDefaults.h"

namespace penwick {

using platform::UserDefaults;

RenderingResult MarkdownFormatter::formatRawContent(const QString& text, bool parseJekyll)
{
    RenderingResult result;
    QString body = text;
    if (parseJekyll) {
        qsizetype length = 0;
        const std::optional<YamlValue> matter = frontMatter(text, &length);
        if (matter) {
            body = text.mid(length);
            if (matter->isMapping())
                result.rawfrontMatter = matter->toTypedVariant().toMap();
            result.frontMatterTable = HTMLTabularize::HTMLTable(*matter);
        }
    }
    const UserDefaults& defaults = UserDefaults::standard();
    const bool outline = defaults.boolForKey(CorePrefs::PREVIEW_ENABLE_OUTLINE);
    if (defaults.boolForKey(CorePrefs::PREVIEW_ENABLE_GFM)) {
        const bool hardWrap = defaults.boolForKey(CorePrefs::PREVIEW_RENDER_NEWLINE);
        // The page typesets formulas with MathJax: their text must reach it as typed.
        if (defaults.boolForKey(CorePrefs::PREVIEW_ENABLE_MATHJAX))
            body = protectMathSpans(body);
        result.markdown = renderAsMarkdownByAddingHeaderIds(body, outline, hardWrap);
    } else {
        result.markdown = TVXMarkdownFormatter::renderMultiMarkdown(body, outline);
    }
    return result;
}

JekyllTableResult MarkdownFormatter::formatRawContentWithJekyllTable(const std::optional<QString>& text)
{
    if (!text)
        return { QString(QLatin1String("")), QString(QLatin1String("")) };
    const bool parseJekyll = UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_PARSE_JEKYLL);
    RenderingResult rendering = formatRawContent(*text, parseJekyll);
    return { rendering.markdown, rendering.frontMatterTable.value_or(QString(QLatin1String(""))) };
}

QString MarkdownFormatter::formatRawContent(const std::optional<QString>& text)
{
    return formatRawContentWithJekyllTable(text).markdown;
}

RenderingResult MarkdownFormatter::formatForRealPreview(const std::optional<QString>& text)
{
    if (!text)
        return { QString(QLatin1String("")), std::nullopt, std::nullopt };
    return formatRawContent(*text, true);
}

RenderingResult MarkdownFormatter::formatForPreview(const std::optional<QString>& text,
    const std::optional<QUrl>& cssURL, const std::optional<QString>& title)
{
    if (!text)
        return { QString(QLatin1String("")), std::nullopt, std::nullopt };
    const bool parseJekyll = UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_PARSE_JEKYLL);
    return formatPreviewPage(formatRawContent(*text, parseJekyll), cssURL, title);
}

RenderingResult MarkdownFormatter::formatPreviewPage(RenderingResult rendering, const std::optional<QUrl>& cssURL,
    const std::optional<QString>& title, const std::optional<QString>& customCSSLink)
{
    const QString absolute = (cssURL && cssURL->isValid()) ? cssURL->toString(QUrl::FullyEncoded) : QString();
    rendering.markdown = HTMLFormatter::formatContent(rendering.markdown, CSSLinks::styleSheetLinkForURL(absolute),
        QStringLiteral("li.task-list-item{list-style:none}"), title.value_or(QString()), customCSSLink);
    return rendering;
}

} // namespace penwick
