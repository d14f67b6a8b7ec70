#pragma once

#include <QString>
#include <QTextDocumentFragment>

#include <optional>

namespace penwick {

// Wraps an HTML fragment into a whole page: the live preview, an export with or without the
// caller's styles, or formatted text for the clipboard. Holds no state; every piece (scripts,
// links, user style sheet, script assets, update callback) is asked for afresh at each call,
// on whatever thread the caller runs. Arguments are inserted verbatim.
class HTMLFormatter {
public:
    // A preview page. The user's style sheet comes last in its head: the sheet's text, or with
    // `customCSSLink` that element in its place (the page's viewer then reads the file itself,
    // however large it is; an empty link leaves the sheet out).
    static QString formatContent(const QString& content, const QString& cssTags, const QString& cssStyles, const QString& title,
        const std::optional<QString>& customCSSLink = std::nullopt);
    static QString formatForExport(const QString& content, const QString& cssStyles, const QString& title);
    static QString formatForExportWithoutCSS(const QString& content, const QString& title);

    // The fragment with its styles as formatted text; empty when it cannot be converted.
    static QTextDocumentFragment formatForCopyPaste(const QString& content, const QString& cssStyles);
    // The HTML that formatForCopyPaste converts: the styles in a head, the fragment (local
    // image sources turned into file URLs) in the body.
    static QString copyPasteHTML(const QString& content, const QString& cssStyles);
    // `<img src="x">` with x not starting with http becomes `<img src="file:x">`.
    static QString rewriteLocalImageSources(const QString& content);

private:
    static std::optional<QString> getCustomCSSTag();
};

} // namespace penwick
