#include "platform/web/HtmlChunks.h"

#include "platform/text/SharedEnds.h"

#include <QSet>

#include <algorithm>
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

// The formatting elements: the parser keeps them in a list of their own when an end tag of an
// element further out ends them, and reopens them in whatever text comes next.
bool isFormatting(const QString& name)
{
    static const QSet<QString> names { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("big"),
        QStringLiteral("code"), QStringLiteral("em"), QStringLiteral("font"), QStringLiteral("i"), QStringLiteral("nobr"),
        QStringLiteral("s"), QStringLiteral("small"), QStringLiteral("strike"), QStringLiteral("strong"), QStringLiteral("tt"),
        QStringLiteral("u") };
    return names.contains(name);
}

// Elements that the parser treats by rules of their own: an end tag that ends one of these
// implicitly, or one of these with no element to end, is left to a whole-body update.
bool isSpecial(const QString& name)
{
    static const QSet<QString> names { QStringLiteral("address"), QStringLiteral("applet"), QStringLiteral("article"),
        QStringLiteral("aside"), QStringLiteral("blockquote"), QStringLiteral("body"), QStringLiteral("br"), QStringLiteral("button"),
        QStringLiteral("caption"), QStringLiteral("center"), QStringLiteral("colgroup"), QStringLiteral("dd"),
        QStringLiteral("details"), QStringLiteral("dir"), QStringLiteral("div"), QStringLiteral("dl"), QStringLiteral("dt"),
        QStringLiteral("fieldset"), QStringLiteral("figcaption"), QStringLiteral("figure"), QStringLiteral("footer"),
        QStringLiteral("form"), QStringLiteral("frameset"), QStringLiteral("h1"), QStringLiteral("h2"), QStringLiteral("h3"),
        QStringLiteral("h4"), QStringLiteral("h5"), QStringLiteral("h6"), QStringLiteral("head"), QStringLiteral("header"),
        QStringLiteral("hgroup"), QStringLiteral("html"), QStringLiteral("li"), QStringLiteral("listing"),
        QStringLiteral("main"), QStringLiteral("marquee"), QStringLiteral("menu"), QStringLiteral("nav"),
        QStringLiteral("object"), QStringLiteral("ol"), QStringLiteral("p"), QStringLiteral("pre"), QStringLiteral("search"),
        QStringLiteral("section"), QStringLiteral("select"), QStringLiteral("summary"), QStringLiteral("table"),
        QStringLiteral("tbody"), QStringLiteral("td"), QStringLiteral("template"), QStringLiteral("tfoot"),
        QStringLiteral("th"), QStringLiteral("thead"), QStringLiteral("tr"), QStringLiteral("ul"), QStringLiteral("svg"),
        QStringLiteral("math") };
    return names.contains(name);
}

// Elements whose end drops the formatting elements opened inside them from the parser's list.
bool isMarker(const QString& name)
{
    return name == QLatin1String("td") || name == QLatin1String("th") || name == QLatin1String("caption")
        || name == QLatin1String("applet") || name == QLatin1String("object") || name == QLatin1String("marquee")
        || name == QLatin1String("template");
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

std::optional<TopLevelPieces> splitTopLevelHtml(const QString& html)
{
    std::optional<TopLevelSplit> split = splitTopLevelHtmlFrom(html, 0, {});
    if (!split)
        return std::nullopt;
    return std::move(split->pieces);
}

QString sealedHtml(const TopLevelPieces& pieces)
{
    qsizetype size = 0;
    for (const TopLevelPiece& piece : pieces)
        size += piece.html.size() + piece.closer.size();
    QString out;
    out.reserve(size);
    for (const TopLevelPiece& piece : pieces)
        out += piece.html + piece.closer;
    return out;
}

std::optional<TopLevelSplit> splitTopLevelHtmlFrom(const QString& html, qsizetype from, const std::function<bool(qsizetype)>& stopAt)
{
    TopLevelSplit split;
    TopLevelPieces& chunks = split.pieces;
    std::vector<QString> open;
    // Formatting elements that an end tag further out ended in the current piece: the parser
    // would reopen them after it.
    std::vector<QString> reopened;
    int foreign = 0; // depth inside <svg> or <math>, where "/>" closes an element
    qsizetype chunkStart = from;
    qsizetype i = from;
    const qsizetype n = html.size();
    bool stopped = false;
    const auto endChunkIfTopLevel = [&](qsizetype end) {
        if (open.empty()) {
            QString closer;
            for (const QString& name : reopened) // innermost first
                closer += QLatin1String("</") + name + QLatin1Char('>');
            reopened.clear();
            chunks.append({ html.mid(chunkStart, end - chunkStart), closer });
            chunkStart = end;
            stopped = stopAt && stopAt(end);
        }
    };
    while (i < n && !stopped) {
        const qsizetype lt = html.indexOf(QLatin1Char('<'), i);
        if (lt < 0)
            break;
        i = lt + 1;
        if (i >= n)
            break;
        const QChar next = html.at(i);
        if (QStringView(html).mid(lt, 4) == QLatin1String("<!--")) {
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
            if (end < 0)
                return std::nullopt;
            const auto match = std::find(open.rbegin(), open.rend(), name);
            if (match == open.rend()) {
                // An end tag with nothing to end is dropped by the parser, unless it makes an
                // element ("</p>", "</br>"), ends another element of its kind (a heading), or
                // ends a formatting element reopened in this piece.
                if (foreign > 0 || isSpecial(name) || std::find(reopened.cbegin(), reopened.cend(), name) != reopened.cend())
                    return std::nullopt;
                i = end + 1;
                continue;
            }
            // Text such as "Array<string>" leaves an element open inside its block, and "x <b>y"
            // a formatting element: the block's end tag ends them, as the engine's parser does.
            if (match != open.rbegin()) {
                if (foreign > 0)
                    return std::nullopt;
                for (auto it = open.rbegin(); it != match; ++it) {
                    if (isSpecial(*it))
                        return std::nullopt;
                    if (isFormatting(*it) && !isMarker(name))
                        reopened.push_back(*it);
                }
            }
            open.erase(std::prev(match.base()), open.end());
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
    if (stopped) {
        split.end = chunkStart;
        return split;
    }
    if (!open.empty())
        return std::nullopt;
    if (chunkStart < n)
        chunks.append({ html.mid(chunkStart), QString() });
    split.end = n;
    return split;
}

std::optional<TopLevelChange> changedTopLevelPieces(const TopLevelPieces& old, const QString& oldHtml, const QString& html)
{
    // A piece boundary in the text both share at their start, and one in the shared end at the
    // same distance from the end, leave the splitter in the same state for either body.
    const SharedEnds ends = sharedEnds(oldHtml.constData(), oldHtml.size(), html.constData(), html.size());
    const qsizetype same = ends.start;
    const qsizetype sameEnd = ends.end;
    // The old pieces wholly inside the shared start stay; splitting resumes where they end. The
    // last one is split again: text at the end may become the start of a piece.
    TopLevelChange change;
    qsizetype from = 0;
    while (change.kept < old.size() - 1 && from + old.at(change.kept).html.size() <= same)
        from += old.at(change.kept++).html.size();
    std::vector<qsizetype> oldEnds; // where each later old piece ends, as an offset from the end
    oldEnds.reserve(size_t(old.size() - change.kept));
    qsizetype fromEnd = oldHtml.size() - from;
    for (qsizetype i = change.kept; i < old.size(); ++i) {
        fromEnd -= old.at(i).html.size();
        oldEnds.push_back(fromEnd);
    }
    const qsizetype delta = html.size() - oldHtml.size();
    qsizetype resumeAt = 0; // index into oldEnds of the old piece the new split stopped at
    const auto stop = [&](qsizetype end) {
        const qsizetype endFromEnd = html.size() - end;
        if (endFromEnd > sameEnd || end - delta < from)
            return false;
        // oldEnds falls; find the old piece that ends at the same distance from the end.
        while (resumeAt < qsizetype(oldEnds.size()) && oldEnds[size_t(resumeAt)] > endFromEnd)
            ++resumeAt;
        return resumeAt < qsizetype(oldEnds.size()) && oldEnds[size_t(resumeAt)] == endFromEnd;
    };
    std::optional<TopLevelSplit> split = splitTopLevelHtmlFrom(html, from, stop);
    if (!split)
        return std::nullopt;
    const qsizetype oldRest = old.size() - change.kept;
    change.removed = split->end == html.size() ? oldRest : resumeAt + 1;
    change.added = std::move(split->pieces);
    // Pieces split again but unchanged at either end are not sent.
    qsizetype head = 0;
    while (head < change.removed && head < change.added.size() && old.at(change.kept + head) == change.added.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < change.removed - head && tail < change.added.size() - head
        && old.at(change.kept + change.removed - 1 - tail) == change.added.at(change.added.size() - 1 - tail))
        ++tail;
    change.added = change.added.mid(head, change.added.size() - head - tail);
    change.kept += head;
    change.removed -= head + tail;
    return change;
}

} // namespace penwick::platform
