#include "Extensions/MarkdownStringAdditions.h"

#include "Vendors/RegExp.h"
#include "platform/text/SharedEnds.h"

#include <QRegularExpression>
#include <QList>
#include <QMutex>
#include <QRandomGenerator>
#include <QMutexLocker>
#include <QHash>
#include <QSet>

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
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
    QByteArray slug;
    slug.reserve(to - from);
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
                slug += char(c - 'A' + 'a');
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
                slug += char(c);
            else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
                slug += '-';
        } else if (QChar::isSpace(c)) {
            slug += '-';
        } else if (c != 0xFFFD && (QChar::isLetterOrNumber(c) || QChar::isMark(c))) {
            slug.append(start, p - start);
        }
    }
    return slug;
}

} // namespace

QString headingSlug(const QString& headingText)
{
    const QByteArray utf8 = headingText.toUtf8();
    return QString::fromUtf8(slugOfUtf8(utf8.constData(), utf8.constData() + utf8.size(), false));
}

namespace {

struct Engine {
    cmark_syntax_extension* table = nullptr;
    cmark_syntax_extension* strikethrough = nullptr;
    cmark_syntax_extension* autolink = nullptr;
    cmark_syntax_extension* tasklist = nullptr;
};

// The extension registry is process-wide; it is filled once and only read afterwards.
const Engine& engine()
{
    static const Engine e = [] {
        cmark_gfm_core_extensions_ensure_registered();
        Engine result;
        result.table = cmark_find_syntax_extension("table");
        result.strikethrough = cmark_find_syntax_extension("strikethrough");
        result.autolink = cmark_find_syntax_extension("autolink");
        result.tasklist = cmark_find_syntax_extension("tasklist");
        return result;
    }();
    return e;
}

QMutex& parseMutex()
{
    static QMutex mutex;
    return mutex;
}

struct ParserDeleter {
    void operator()(cmark_parser* p) const { cmark_parser_free(p); }
};
struct NodeDeleter {
    void operator()(cmark_node* n) const { cmark_node_free(n); }
};
using NodePtr = std::unique_ptr<cmark_node, NodeDeleter>;

QByteArray escapeAttribute(const QByteArray& value)
{
    QByteArray out;
    for (const char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

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

// Headings are marked in the tree by two inline markers, one before and one after their
// content, and get their ids while the output is converted: cheaper than rebuilding every
// heading in the tree. A marker is a random token that the text does not contain.
struct Markers {
    QByteArray open;
    QByteArray close;
};

Markers makeMarkers(const QByteArray& input)
{
    for (;;) {
        const QByteArray token = "\x02pw" + QByteArray::number(QRandomGenerator::global()->generate64(), 16)
            + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        if (!input.contains(token))
            return { token + "<\x03", token + ">\x03" };
    }
}

cmark_node* marker(const QByteArray& text)
{
    cmark_node* node = cmark_node_new(CMARK_NODE_CUSTOM_INLINE);
    cmark_node_set_on_enter(node, text.constData());
    return node;
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
        const char* open = static_cast<const char*>(memmem(from, size_t(end - from), markers.open.constData(), size_t(markers.open.size())));
        if (!open)
            break;
        const char* contentStart = open + markers.open.size();
        const char* close = static_cast<const char*>(memmem(contentStart, size_t(end - contentStart), markers.close.constData(), size_t(markers.close.size())));
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
    std::vector<Edit> edits;
    auto other = others.begin();
    for (const char* from = html;;) {
        const char* hit = static_cast<const char*>(memmem(from, size_t(end - from), needle.constData(), size_t(needle.size())));
        if (!hit)
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

namespace {

// One top-level node of a document: where its first line starts in the input, and its HTML
// (heading markers still in).
struct RenderedBlock {
    qsizetype start = 0;
    QByteArray html;
};

// Where each line of `data` starts, as the parser counts lines (LF, CR LF or a lone CR end one).
std::vector<qsizetype> lineStarts(const char* data, qsizetype size)
{
    std::vector<qsizetype> starts { 0 };
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 >= size || data[i + 1] != '\n')))
            starts.push_back(i + 1);
    }
    return starts;
}

// Parses `size` bytes at `data` as a document of their own and renders each top-level node on
// its own; `base` is added to the offsets. Nothing when the parser gives nothing.
std::optional<std::vector<RenderedBlock>> renderBlocks(const char* data, qsizetype size, qsizetype base, unsigned flags, const Markers& markers)
{
    const bool headerIds = flags & GFMFlags::HOEDOWN_HTML_HEADER_ID;
    const bool hardWrap = flags & GFMFlags::HOEDOWN_HTML_HARD_WRAP;
    const bool taskLists = flags & GFMFlags::HOEDOWN_HTML_USE_TASK_LIST;

    const Engine& e = engine();
    const int options = CMARK_OPT_UNSAFE | CMARK_OPT_FOOTNOTES | (hardWrap ? CMARK_OPT_HARDBREAKS : 0);
    std::unique_ptr<cmark_parser, ParserDeleter> parser(cmark_parser_new(options));
    for (cmark_syntax_extension* ext : { e.table, e.strikethrough, e.autolink })
        if (ext)
            cmark_parser_attach_syntax_extension(parser.get(), ext);
    if (taskLists && e.tasklist)
        cmark_parser_attach_syntax_extension(parser.get(), e.tasklist);
    NodePtr document;
    {
        // Parsing switches the extensions' characters on and off in a table the library
        // shares between all parsers, so two parses must not overlap. Rendering needs no lock.
        QMutexLocker lock(&parseMutex());
        cmark_parser_feed(parser.get(), data, size_t(size));
        document.reset(cmark_parser_finish(parser.get()));
    }
    if (!document)
        return std::nullopt;

    // Inline text of a block points into the block's own buffer: replaced blocks stay
    // alive until the tree has been rendered.
    std::vector<NodePtr> detached;
    std::vector<cmark_node*> scripts;
    // Script fences are rare: look for them only when the text names one.
    const bool scriptFences = (flags & GFMFlags::HOEDOWN_HTML_FENCED_CODE_SCRIPT)
        && QByteArrayView(data, size).contains(QByteArrayView("script@"));
    if (headerIds || scriptFences) {
        // Only blocks matter, apart from the text of headings: walk the block tree and skip
        // the (far more numerous) inline nodes.
        std::vector<cmark_node*> pending { document.get() };
        while (!pending.empty()) {
            cmark_node* node = pending.back();
            pending.pop_back();
            switch (cmark_node_get_type(node)) {
            case CMARK_NODE_DOCUMENT:
            case CMARK_NODE_BLOCK_QUOTE:
            case CMARK_NODE_LIST:
            case CMARK_NODE_ITEM:
            case CMARK_NODE_FOOTNOTE_DEFINITION:
            case CMARK_NODE_CUSTOM_BLOCK: {
                const size_t at = pending.size();
                for (cmark_node* child = cmark_node_first_child(node); child; child = cmark_node_next(child))
                    pending.push_back(child);
                std::reverse(pending.begin() + qsizetype(at), pending.end()); // keep document order
                break;
            }
            case CMARK_NODE_HEADING:
                if (headerIds) {
                    cmark_node_prepend_child(node, marker(markers.open));
                    cmark_node_append_child(node, marker(markers.close));
                }
                break;
            case CMARK_NODE_CODE_BLOCK: {
                int fenceLength = 0, fenceOffset = 0;
                char fenceChar = 0;
                if (scriptFences && cmark_node_get_fenced(node, &fenceLength, &fenceOffset, &fenceChar)) {
                    const char* info = cmark_node_get_fence_info(node);
                    if (info && qstrncmp(info, "script@", 7) == 0 && info[7] && info[7] != ' ' && info[7] != '\t')
                        scripts.push_back(node);
                }
                break;
            }
            default:
                break;
            }
        }
    }

    for (cmark_node* code : scripts) {
        QByteArray info(cmark_node_get_fence_info(code));
        qsizetype end = 7;
        while (end < info.size() && info[end] != ' ' && info[end] != '\t')
            ++end;
        const QByteArray type = info.mid(7, end - 7);
        const QByteArray html = "<script type=\"" + escapeAttribute(type) + "\">\n" + QByteArray(cmark_node_get_literal(code)) + "</script>\n";
        cmark_node* block = cmark_node_new(CMARK_NODE_HTML_BLOCK);
        cmark_node_set_literal(block, html.constData());
        cmark_node_replace(code, block);
        detached.emplace_back(code);
    }

    // Every block's HTML ends with a line break, so the blocks rendered one by one join into
    // what rendering the whole document gives.
    const std::vector<qsizetype> lines = lineStarts(data, size);
    std::vector<RenderedBlock> blocks;
    cmark_llist* extensions = cmark_parser_get_syntax_extensions(parser.get());
    for (cmark_node* node = cmark_node_first_child(document.get()); node; node = cmark_node_next(node)) {
        const int line = cmark_node_get_start_line(node);
        char* rendered = cmark_render_html(node, options, extensions);
        if (!rendered)
            return std::nullopt;
        const qsizetype start = line >= 1 && size_t(line) <= lines.size() ? lines[size_t(line - 1)] : size;
        blocks.push_back({ base + start, QByteArray(rendered) });
        cmark_get_default_mem_allocator()->free(rendered);
    }
    return blocks;
}

// The blocks of the document rendered last, so that the next render of a slightly different
// text parses only the stretch around the change (typing re-renders the whole document).
struct BlockCache {
    unsigned flags = 0;
    QByteArray input;
    Markers markers;
    std::vector<RenderedBlock> blocks;
};

QMutex& cacheMutex()
{
    static QMutex mutex;
    return mutex;
}

BlockCache& blockCache()
{
    static BlockCache cache;
    return cache;
}

// The blocks of `input` from those of the cached document: the stretch from the block before
// the first change to the first block after the last change is parsed on its own. The result
// must begin and end with blocks the cache has, unchanged, or nothing is reused. Texts with
// definitions that act across blocks (link references, footnotes) are parsed whole.
std::optional<std::vector<RenderedBlock>> reuseBlocks(const BlockCache& cache, const QByteArray& input, unsigned flags)
{
    const QByteArray& old = cache.input;
    if (cache.flags != flags || cache.blocks.empty() || input.contains("]:") || input.contains("[^")
        || input.contains(QByteArrayView(cache.markers.open).first(cache.markers.open.size() - 2)))
        return std::nullopt;
    const platform::SharedEnds ends = platform::sharedEnds(old.constData(), old.size(), input.constData(), input.size());
    const qsizetype same = ends.start;
    const qsizetype sameEnd = ends.end;
    if (same == 0 && sameEnd == 0)
        return std::nullopt;
    const std::vector<RenderedBlock>& blocks = cache.blocks;
    const qsizetype count = qsizetype(blocks.size());
    // The block holding the first change, then one before it.
    qsizetype first = -1;
    while (first + 1 < count && blocks[size_t(first + 1)].start <= same)
        ++first;
    const qsizetype from = first - 1; // the first block parsed again (-1: from the start)
    // The first block wholly in the unchanged end: the last one parsed again.
    qsizetype last = std::max<qsizetype>(first, 0);
    while (last < count && blocks[size_t(last)].start < old.size() - sameEnd)
        ++last;
    if (last >= count)
        last = -1; // to the end
    const qsizetype delta = input.size() - old.size();
    const qsizetype begin = from >= 0 ? blocks[size_t(from)].start : 0;
    const qsizetype end = last >= 0 && last + 1 < count ? blocks[size_t(last + 1)].start + delta : input.size();
    if (begin > end)
        return std::nullopt;
    std::optional<std::vector<RenderedBlock>> middle = renderBlocks(input.constData() + begin, end - begin, begin, flags, cache.markers);
    if (!middle || middle->empty())
        return std::nullopt;
    if (from >= 0 && (middle->front().start != begin || middle->front().html != blocks[size_t(from)].html))
        return std::nullopt;
    if (last >= 0 && (middle->back().start != blocks[size_t(last)].start + delta || middle->back().html != blocks[size_t(last)].html))
        return std::nullopt;
    std::vector<RenderedBlock> result;
    result.reserve(size_t(count) + middle->size());
    for (qsizetype i = 0; i < from; ++i)
        result.push_back(blocks[size_t(i)]);
    for (RenderedBlock& block : *middle)
        result.push_back(std::move(block));
    if (last >= 0) {
        for (qsizetype i = last + 1; i < count; ++i)
            result.push_back({ blocks[size_t(i)].start + delta, blocks[size_t(i)].html });
    }
    return result;
}

} // namespace

QString renderGFMWithFlags(const QString& text, unsigned flags)
{
    const qsizetype nul = text.indexOf(QChar(0));
    const QByteArray utf8 = (nul < 0 ? text : text.left(nul)).toUtf8();
    const bool headerIds = flags & GFMFlags::HOEDOWN_HTML_HEADER_ID;
    const bool taskLists = flags & GFMFlags::HOEDOWN_HTML_USE_TASK_LIST;

    // The cache is held only while the blocks are made and joined; the edits and the
    // conversion, the larger part for a long text, run beside other renders.
    QByteArray joined;
    Markers markers;
    {
        QMutexLocker cacheLock(&cacheMutex());
        BlockCache& cache = blockCache();
        std::optional<std::vector<RenderedBlock>> blocks = reuseBlocks(cache, utf8, flags);
        if (!blocks) {
            const Markers fresh = makeMarkers(utf8);
            blocks = renderBlocks(utf8.constData(), utf8.size(), 0, flags, fresh);
            cache.blocks.clear();
            if (!blocks) {
                cache.input.clear();
                return QString(QLatin1String(""));
            }
            cache.markers = fresh;
        }
        cache.flags = flags;
        cache.input = utf8;
        cache.blocks = std::move(*blocks);
        markers = cache.markers;

        qsizetype total = 0;
        for (const RenderedBlock& block : cache.blocks)
            total += block.html.size();
        joined.reserve(total);
        for (const RenderedBlock& block : cache.blocks)
            joined += block.html;
    }
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
    // Edit the bytes, then convert once: many small conversions cost more than one copy.
    QByteArray edited;
    edited.reserve(end - rendered + qsizetype(edits.size()) * 16);
    const char* cursor = rendered;
    for (const Edit& edit : edits) {
        if (edit.keep)
            continue;
        edited.append(cursor, edit.from - cursor);
        edited.append(edit.text);
        cursor = edit.to;
    }
    edited.append(cursor, end - cursor);
    return QString::fromUtf8(edited);
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
