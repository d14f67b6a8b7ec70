#include "Services/SnippetManager.h"

#include "HTML/HTMLFormatter.h"
#include "Models/Snippet.h"
#include "Services/MarkdownFormatter.h"

namespace penwick {

std::optional<QString> SnippetManager::substringToLocation(qsizetype location, const std::optional<QString>& input)
{
    if (!input)
        return std::nullopt;
    const QString text = location > input->size() ? *input : input->left(std::max<qsizetype>(location, 0));
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<SnippetManager::Scan> SnippetManager::parseForSnippetStartingAt(qsizetype location, const QString& text)
{
    const std::optional<QString> before = substringToLocation(location, text);
    if (!before)
        return std::nullopt;
    Scan scan;
    // Single UTF-16 units are read; half a surrogate pair simply becomes part of the text.
    qsizetype position = before->size() - 1;
    while (position >= 0) {
        const QChar unit = before->at(position);
        scan.stoppingCharacter = unit;
        if (unit == u'@' || unit == u' ' || unit == u'\n' || unit == u'\t')
            break;
        scan.matchingString.prepend(unit);
        --position;
    }
    if (scan.matchingString.isEmpty())
        return std::nullopt;
    scan.foundLocation = position;
    return scan;
}

std::optional<SnippetManager::Expansion> SnippetManager::getSnippetToBeInsertedAtRange(platform::TextRange range,
    const QString& text)
{
    const std::optional<Scan> scan = parseForSnippetStartingAt(range.location, text);
    if (!scan || scan->matchingString.isEmpty() || scan->stoppingCharacter != QChar(u'@'))
        return std::nullopt;
    const std::optional<SnippetLookup> lookup = Snippet::findByShortcut(scan->matchingString);
    if (!lookup || !lookup->snippet)
        return std::nullopt;
    const QString content = lookup->snippet->content();
    if (content.isEmpty())
        return std::nullopt;
    Expansion expansion;
    expansion.foundLocation = scan->foundLocation;
    expansion.matchingString = scan->matchingString;
    if (lookup->modifier == QStringLiteral("h")) {
        const JekyllTableResult html = MarkdownFormatter::formatRawContentWithJekyllTable(content);
        expansion.textToBeInserted = SnippetText(html.frontMatterTable + html.markdown);
    } else if (lookup->modifier == QStringLiteral("f")) {
        expansion.textToBeInserted = SnippetText(HTMLFormatter::formatForCopyPaste(content, formattedSnippetStyle));
    } else {
        expansion.textToBeInserted = SnippetText(content);
    }
    return expansion;
}

} // namespace penwick
