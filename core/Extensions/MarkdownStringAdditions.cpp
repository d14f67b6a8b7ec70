#include "Extensions/MarkdownStringAdditions.h"

#include "Extensions/GFMBlocks.h"
#include "Vendors/RegExp.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <vector>

namespace penwick {

std::optional<YamlValue> frontMatter(const QString& text, qsizetype* length)
{
    if (length)
        *length = 0;
    // Through RegExp, so that a stray surrogate anywhere in the text does not hide the block.
    // "^" anchors at the start of the text only, so there is at most one match.
    const RegExp pattern(kFrontMatterPattern, RegExp::DotMatchesLineSeparators);
    const QStringList match = pattern.allMatches(text);
    if (match.size() < 2)
        return std::nullopt;
    const QList<YamlValue> documents = readYamlDocuments(match.at(1));
    if (documents.isEmpty())
        return std::nullopt;
    if (length)
        *length = match.at(0).size();
    return documents.first();
}

namespace {

// Decodes one UTF-8 sequence at `p`; advances `p`. Malformed bytes decode to U+FFFD.
char32_t nextCodePoint(const char*& p, const char* end)
{
    const auto byte = [](const char* at) { return static_cast<unsigned char>(*at); };
    const unsigned char lead = byte(p++);
    int extra = 0;
    char32_t c = 0;
    if (lead < 0x80)
        return lead;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (; extra > 0; --extra) {
        if (p >= end || (byte(p) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (byte(p++) & 0x3F);
    }
    return c;
}

// The slug rule on UTF-8 text; with `markup` set, tags and entities are left out first.
QByteArray slugOfUtf8(const char* from, const char* to, bool markup)
{
    // Never longer than the text: written through a pointer, cut to length at the end.
    QByteArray slug(to - from, Qt::Uninitialized);
    char* out = slug.data();
    for (const char* p = from; p < to;) {
        if (markup && *p == '<') {
            if (const char* close = static_cast<const char*>(memchr(p, '>', size_t(to - p)))) {
                p = close + 1;
                continue;
            }
        } else if (markup && *p == '&') {
            if (const char* semi = static_cast<const char*>(memchr(p, ';', size_t(std::min<ptrdiff_t>(to - p, 12))))) {
                p = semi + 1;
                continue;
            }
        }
        const char* start = p;
        const char32_t c = nextCodePoint(p, to);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                *out++ = char(c - 'A' + 'a');
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
                *out++ = char(c);
            else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
                *out++ = '-';
        } else if (QChar::isSpace(c)) {
            *out++ = '-';
        } else if (c != 0xFFFD && (QChar::isLetterOrNumber(c) || QChar::isMark(c))) {
            std::memcpy(out, start, size_t(p - start));
            out += p - start;
        }
    }
    slug.truncate(out - slug.constData());
    return slug;
}

} // namespace

QString headingSlug(const QString& headingText)
{
    const QByteArray utf8 = headingText.toUtf8();
    return QString::fromUtf8(slugOfUtf8(utf8.constData(), utf8.constData() + utf8.size(), false));
}

namespace {

// Gives each heading its id: the first heading with a given slug keeps the bare slug (so
// that a heading rendered alone gets the same id), later ones get the first free "-N". The
// next suffix to try is kept per slug, so many headings of one title cost no more than others.
// A heading whose slug is empty gets no id.
std::vector<QByteArray> uniqueIds(const std::vector<QByteArray>& slugs)
{
    QSet<QByteArray> taken;
    taken.reserve(qsizetype(slugs.size()) * 2);
    for (const QByteArray& slug : slugs)
        taken.insert(slug);
    QHash<QByteArray, qsizetype> nextSuffix;
    nextSuffix.reserve(qsizetype(slugs.size()));
    std::vector<QByteArray> ids;
    ids.reserve(slugs.size());
    for (const QByteArray& slug : slugs) {
        if (slug.isEmpty()) {
            ids.emplace_back();
            continue;
        }
        auto next = nextSuffix.find(slug);
        if (next == nextSuffix.end()) {
            nextSuffix.insert(slug, 1);
            ids.push_back(slug);
            continue;
        }
        for (qsizetype& n = next.value();; ++n) {
            QByteArray candidate = slug + '-' + QByteArray::number(n);
            if (!taken.contains(candidate)) {
                taken.insert(candidate);
                ids.push_back(candidate);
                ++n;
                break;
            }
        }
    }
    return ids;
}

using gfmblocks::Markers;

// The next `marker` in [from, end): markers open with a control character that text hardly
// holds, so a byte search finds their candidates faster than a search for the whole marker.
const char* findMarker(const char* from, const char* end, const QByteArray& marker)
{
    const size_t length = size_t(marker.size());
    for (const char* p = from; (p = static_cast<const char*>(memchr(p, marker.front(), size_t(end - p)))); ++p) {
        if (size_t(end - p) < length)
            return nullptr;
        if (std::memcmp(p, marker.constData(), length) == 0)
            return p;
    }
    return nullptr;
}

// A stretch of the rendered bytes and the text that stands in for it in the result.
struct Edit {
    const char* from;
    const char* to;
    QByteArray text;
    bool keep = false; // the stretch stays as it is, and nothing else edits inside it
};

// The edits that put the ids into the rendered headings and keep every heading on one line:
// "<hN>" and the open marker become "<hN id=\"...\">", a soft break inside becomes a space
// (a hard one stays <br />), the close marker goes.
std::vector<Edit> headingEdits(const char* html, const char* end, const Markers& markers)
{
    struct Marked {
        const char* open;
        const char* contentStart;
        const char* contentEnd;
        bool tagged;
    };
    std::vector<Marked> headings;
    std::vector<QByteArray> slugs;
    for (const char* from = html;;) {
        const char* open = findMarker(from, end, markers.open);
        if (!open)
            break;
        const char* contentStart = open + markers.open.size();
        const char* close = findMarker(contentStart, end, markers.close);
        if (!close)
            break;
        const bool tagged = open - html >= 4 && open[-4] == '<' && open[-3] == 'h' && open[-2] >= '1' && open[-2] <= '6' && open[-1] == '>';
        headings.push_back({ open, contentStart, close, tagged });
        slugs.push_back(slugOfUtf8(contentStart, close, true));
        from = close + markers.close.size();
    }
    const std::vector<QByteArray> ids = uniqueIds(slugs);

    std::vector<Edit> edits;
    edits.reserve(headings.size() * 3);
    for (size_t i = 0; i < headings.size(); ++i) {
        const Marked& h = headings[i];
        if (h.tagged && !ids[i].isEmpty())
            edits.push_back({ h.open - 1, h.contentStart, " id=\"" + ids[i] + "\">" }); // slugs need no escaping
        else
            edits.push_back({ h.open, h.contentStart, QByteArray() });
        // The content is an edit of its own even when unchanged, so that nothing else edits inside it.
        if (memchr(h.contentStart, '\n', size_t(h.contentEnd - h.contentStart))) {
            QByteArray line;
            for (const char* p = h.contentStart; p < h.contentEnd; ++p) {
                if (*p != '\n')
                    line += *p;
                else if (!line.endsWith("<br />"))
                    line += ' ';
            }
            edits.push_back({ h.contentStart, h.contentEnd, line });
        } else {
            edits.push_back({ h.contentStart, h.contentEnd, QByteArray(), true });
        }
        edits.push_back({ h.contentEnd, h.contentEnd + markers.close.size(), QByteArray() });
    }
    return edits;
}

// The edits that give task-list items their class, outside the stretches already edited.
std::vector<Edit> taskEdits(const char* html, const char* end, const std::vector<Edit>& others)
{
    static const QByteArray needle = QByteArrayLiteral("<li><input type=\"checkbox\" ");
    static const QByteArray replacement = QByteArrayLiteral("<li class=\"task-list-item\"><input type=\"checkbox\" ");
    static const std::boyer_moore_horspool_searcher searcher(needle.cbegin(), needle.cend());
    std::vector<Edit> edits;
    auto other = others.begin();
    for (const char* from = html;;) {
        const char* hit = std::search(from, end, searcher);
        if (hit == end)
            break;
        while (other != others.end() && other->to <= hit)
            ++other;
        if (other == others.end() || other->from >= hit + needle.size())
            edits.push_back({ hit, hit + needle.size(), replacement });
        from = hit + needle.size();
    }
    return edits;
}

} // namespace

QString renderGFMWithFlags(const QString& text, unsigned flags)
{
    const qsizetype nul = text.indexOf(QChar(0));
    const QByteArray utf8 = (nul < 0 ? text : text.left(nul)).toUtf8();
    const bool headerIds = flags & GFMFlags::HOEDOWN_HTML_HEADER_ID;
    const bool taskLists = flags & GFMFlags::HOEDOWN_HTML_USE_TASK_LIST;

    // The edits and the conversion, the larger part for a long text, run outside the block
    // cache's lock, beside other renders.
    std::optional<gfmblocks::RenderedDocument> document = gfmblocks::renderDocument(utf8, flags);
    if (!document)
        return QString(QLatin1String(""));
    const QByteArray& joined = document->html;
    const Markers& markers = document->markers;
    const char* const rendered = joined.constData();
    // The bytes become the result in one conversion, with the edits applied on the way.
    const char* const end = rendered + joined.size();
    std::vector<Edit> edits = headerIds ? headingEdits(rendered, end, markers) : std::vector<Edit>();
    if (taskLists) {
        std::vector<Edit> tasks = taskEdits(rendered, end, edits);
        std::vector<Edit> merged;
        merged.reserve(edits.size() + tasks.size());
        std::merge(std::make_move_iterator(edits.begin()), std::make_move_iterator(edits.end()),
            std::make_move_iterator(tasks.begin()), std::make_move_iterator(tasks.end()), std::back_inserter(merged),
            [](const Edit& a, const Edit& b) { return a.from < b.from; });
        edits = std::move(merged);
    }
    if (edits.empty())
        return QString::fromUtf8(joined);
    // Each stretch between edits, and each edit's text, is decoded straight into the result:
    // no edited copy of the bytes (for a long text, fresh memory costs more than the copy).
    qsizetype bound = joined.size();
    for (const Edit& edit : edits)
        bound += edit.text.size();
    QString result(bound, Qt::Uninitialized);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QChar* out = result.data();
    const char* cursor = rendered;
    for (const Edit& edit : edits) {
        if (edit.keep)
            continue;
        out = decoder.appendToBuffer(out, QByteArrayView(cursor, edit.from - cursor));
        out = decoder.appendToBuffer(out, edit.text);
        cursor = edit.to;
    }
    out = decoder.appendToBuffer(out, QByteArrayView(cursor, end - cursor));
    result.truncate(out - result.constData());
    // Text in other scripts takes fewer characters than bytes: give back what is far too much.
    if (result.size() < bound - bound / 4)
        result.squeeze();
    return result;
}

QString renderAsMarkdownByAddingHeaderIds(const QString& text, bool headerIds, bool hardWrap)
{
    unsigned flags = GFMFlags::HOEDOWN_HTML_USE_TASK_LIST | GFMFlags::HOEDOWN_HTML_FENCED_CODE_SCRIPT;
    if (headerIds)
        flags |= GFMFlags::HOEDOWN_HTML_HEADER_ID;
    if (hardWrap)
        flags |= GFMFlags::HOEDOWN_HTML_HARD_WRAP;
    return renderGFMWithFlags(text, flags);
}

} // namespace penwick
