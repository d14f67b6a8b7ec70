#pragma once

#include <QString>

namespace penwick {

// Bridge to the second Markdown dialect (footnotes, definition lists, smart punctuation,
// heading labels). The extension values are the ones callers and settings speak of; the
// engine behind them maps each one onto its own options.
class TVXMarkdownFormatter {
public:
    static constexpr int HTML_FORMAT = 1;
    static constexpr unsigned EXT_SMART = 0x10;
    static constexpr unsigned EXT_NOTES = 0x20;
    static constexpr unsigned EXT_NO_LABELS = 0x40;
    static constexpr unsigned EXT_NO_METADATA = 0x400;
    static constexpr unsigned kBaseExtensions = EXT_SMART | EXT_NOTES | EXT_NO_METADATA; // 0x430

    static inline const QString kParseFailure = QStringLiteral("MultiMarkdown was unable to parse this file.");

    // The HTML fragment of `text` (read up to its first NUL). With anchors on, headings get
    // label ids: tags and entities stripped, [0-9A-Za-z._:-] kept lower-cased, non-ASCII
    // letters kept.
    static QString renderMultiMarkdown(const QString& text, bool enablingAnchors);

    // The label a heading whose rendered HTML is `headingHtml` gets.
    static QString headingLabel(const QString& headingHtml);

    // Renders with explicit extension bits (kBaseExtensions, plus EXT_NO_LABELS for no anchors).
    static QString renderWithExtensions(const QString& text, unsigned extensions, int format = HTML_FORMAT);
};

} // namespace penwick
