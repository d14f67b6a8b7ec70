#pragma once

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

namespace penwick {

// A rendered document: the HTML (a fragment, or a whole page for formatForPreview), the
// front matter as an HTML table and the front matter itself when it is a mapping (its plain
// numbers and Booleans typed, as YamlValue::toTypedVariant() gives them).
struct RenderingResult {
    QString markdown;
    std::optional<QString> frontMatterTable;
    std::optional<QVariantMap> rawfrontMatter;
};

struct JekyllTableResult {
    QString markdown;
    QString frontMatterTable; // "" when there is none
};

// Markdown text to HTML. Holds no state: settings are read at every call, and every
// operation may run on any thread.
class MarkdownFormatter {
public:
    // Splits off the front matter when `parseJekyll` is set, then renders the body with the
    // engine the settings choose.
    static RenderingResult formatRawContent(const QString& text, bool parseJekyll);
    // Front matter split off when the setting asks for it; an absent text gives "" twice.
    static JekyllTableResult formatRawContentWithJekyllTable(const std::optional<QString>& text);
    // The fragment alone; an absent text gives "".
    static QString formatRawContent(const std::optional<QString>& text);
    // Front matter always split off.
    static RenderingResult formatForRealPreview(const std::optional<QString>& text);
    // A whole preview page linking `cssURL` with `title`; an absent text gives "" and no page.
    static RenderingResult formatForPreview(const std::optional<QString>& text, const std::optional<QUrl>& cssURL,
        const std::optional<QString>& title);
    // The second half of formatForPreview(): the page around a rendering made already; with
    // `customCSSLink`, the page links the user's style sheet instead of carrying it.
    static RenderingResult formatPreviewPage(RenderingResult rendering, const std::optional<QUrl>& cssURL,
        const std::optional<QString>& title, const std::optional<QString>& customCSSLink = std::nullopt);
};

} // namespace penwick
