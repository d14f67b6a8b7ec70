#include "platform/web/HtmlChunks.h"

#include <QSet>

#include <vector>

namespace penwick::platform {

namespace {

bool isVoid(const QString& name)
{
    static const QSet<QString> names { QStringLiteral("area"), QStringLiteral("base"), QStringLiteral("br"),
        QStringLiteral("col"), QStringLiteral("embed"), QStringLiteral("hr"), QStringLiteral("img"), QStringLiteral("input"),
        QStringLiteral("link"), QStringLiteral("meta"), QStringLiteral("param"), QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr"), QStringLiteral("keygen"), QStringLiteral("basefont"),
        QStringLiteral("bgsound"), QStringLiteral("frame") };
    return names.contains(name);
}

// Elements whose content is text up to their own end tag.
bool isRawText(const QString& name)
{
    static const QSet<QString> names { QStringLiteral("script"), QStringLiteral("style"), QStringLiteral("textarea"),
        QStringLiteral("title"), QStringLiteral("xmp"), QStringLiteral("iframe"), QStringLiteral("noembed"),
        QStringLiteral("noframes"), QStringLiteral("noscript") };
    return names.contains(name);
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool endsName(QChar c)
{
    return c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('>');
}

// Reads a tag name from `i` (just after "<" or "</"), lower-cased.
QString readName(const QString& html, qsizetype& i)
{
    const qsizetype start = i;
    while (i < html.size() && !endsName(html.at(i)))
        ++i;
    return html.mid(start, i - start).toLower();
}

} // namespace

std::optional<QStringList> splitTopLevelHtml(const QString& html)
{
    QStringList chunks;
    std::vector<QString> open;
    int foreign = 0; // depth inside <svg> or <math>, where "/>" closes an element
    qsizetype chunkStart = 0;
    qsizetype i = 0;
    const qsizetype n = html.size();
    const auto endChunkIfTopLevel = [&](qsizetype end) {
        if (open.empty()) {
            chunks.append(html.mid(chunkStart, end - chunkStart));
            chunkStart = end;
        }
    };
    while (i < n) {
        const qsizetype lt = html.indexOf(QLatin1Char('<'), i);
        if (lt < 0)
            break;
        i = lt + 1;
        if (i >= n)
            break;
        const QChar next = html.at(i);
        if (html.mid(lt, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), lt + 4);
            if (end < 0)
                return std::nullopt;
            i = end + 3;
            endChunkIfTopLevel(i);
        } else if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
            const qsizetype end = html.indexOf(QLatin1Char('>'), i);
            if (end < 0)
                return std::nullopt;
            i = end + 1;
            endChunkIfTopLevel(i);
        } else if (next == QLatin1Char('/')) {
            ++i;
            if (i >= n || !isAsciiLetter(html.at(i)))
                return std::nullopt; // "</>" and "</ x" are odd enough to leave whole
            const QString name = readName(html, i);
            const qsizetype end = html.indexOf(QLatin1Char('>'), i);
            if (end < 0 || open.empty() || open.back() != name)
                return std::nullopt;
            open.pop_back();
            if (name == QLatin1String("svg") || name == QLatin1String("math"))
                --foreign;
            i = end + 1;
            endChunkIfTopLevel(i);
        } else if (isAsciiLetter(next)) {
            const QString name = readName(html, i);
            // Attributes, with ">" allowed inside quoted values.
            QChar quote;
            bool selfClosing = false;
            for (; i < n; ++i) {
                const QChar c = html.at(i);
                if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                    quote = c;
                } else if (c == QLatin1Char('>')) {
                    selfClosing = html.at(i - 1) == QLatin1Char('/');
                    break;
                }
            }
            if (i >= n)
                return std::nullopt;
            ++i;
            if (name == QLatin1String("plaintext"))
                return std::nullopt;
            const bool entersForeign = name == QLatin1String("svg") || name == QLatin1String("math");
            if (isVoid(name) || (selfClosing && (foreign > 0 || entersForeign))) {
                endChunkIfTopLevel(i);
                continue;
            }
            if (selfClosing)
                return std::nullopt; // an ordinary element stays open whatever "/>" says
            if (foreign == 0 && isRawText(name)) {
                // Its text runs to the first "</name" that ends the name.
                qsizetype at = i;
                for (;;) {
                    at = html.indexOf(QLatin1String("</"), at, Qt::CaseInsensitive);
                    if (at < 0)
                        return std::nullopt;
                    qsizetype after = at + 2;
                    if (readName(html, after) == name)
                        break;
                    at += 2;
                }
                i = at;
            }
            open.push_back(name);
            if (entersForeign)
                ++foreign;
        }
        // Anything else ("<" before a space, a digit...) is text.
    }
    if (!open.empty())
        return std::nullopt;
    if (chunkStart < n)
        chunks.append(html.mid(chunkStart));
    return chunks;
}

} // namespace penwick::platform
