#include "Extensions/GFMBlocks.h"

#include "Extensions/LinkDefinitions.h"
#include "Extensions/MarkdownStringAdditions.h"
#include "Extensions/RenderArena.h"
#include "platform/text/SharedEnds.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace penwick::gfmblocks {

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

// Whether `text` holds `needle`, found through its byte at `rare`: each needle here has a byte
// that text seldom holds, and a search for one byte is several times cheaper than one for all.
bool holds(QByteArrayView text, QByteArrayView needle, qsizetype rare)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char byte = needle[rare];
    for (const char* p = begin + rare; p < end && (p = static_cast<const char*>(memchr(p, byte, size_t(end - p)))); ++p) {
        const char* candidate = p - rare;
        if (end - candidate < needle.size())
            return false;
        if (std::memcmp(candidate, needle.data(), size_t(needle.size())) == 0)
            return true;
    }
    return false;
}

Markers makeMarkers(const QByteArray& input)
{
    for (;;) {
        const QByteArray token = "\x02pw" + QByteArray::number(QRandomGenerator::global()->generate64(), 16)
            + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        if (!holds(input, token, 0))
            return { token + "<\x03", token + ">\x03" };
    }
}

cmark_node* marker(const QByteArray& text)
{
    cmark_node* node = cmark_node_new(CMARK_NODE_CUSTOM_INLINE);
    cmark_node_set_on_enter(node, text.constData());
    return node;
}


// One top-level node of a document: where its lines are in the input, its HTML (heading
// markers still in), and the link reference definitions that follow it up to the next node.
// The HTML lies in a buffer shared with the blocks rendered with it, one after another.
struct RenderedBlock {
    qsizetype start = 0; // where its first line starts
    qsizetype end = 0; // where the line after its last starts
    QByteArray buffer;
    qsizetype htmlAt = 0;
    qsizetype htmlSize = 0;
    QByteArray definitions; // a line each, ending with "\n"

    QByteArrayView html() const { return QByteArrayView(buffer.constData() + htmlAt, htmlSize); }
};

struct RenderedBlocks {
    std::vector<RenderedBlock> blocks;
    QByteArray leading; // the definitions before the first block
    // A definition may sit inside a block (at the start of a paragraph, in a list item), where
    // the tree shows no trace of it: the blocks cannot be reused one by one.
    bool hidesDefinitions = false;
    qsizetype parsed = 0; // bytes given to the engine
};

// Where each line of `data` starts, as the parser counts lines (LF, CR LF or a lone CR end one).
std::vector<qsizetype> lineStarts(const char* data, qsizetype size)
{
    std::vector<qsizetype> starts { 0 };
    if (!memchr(data, '\r', size_t(size))) {
        const char* const end = data + size;
        for (const char* p = data; (p = static_cast<const char*>(memchr(p, '\n', size_t(end - p))));)
            starts.push_back(++p - data);
        return starts;
    }
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 >= size || data[i + 1] != '\n')))
            starts.push_back(i + 1);
    }
    return starts;
}

// Appends the lines of `from`..`to` that are not blank to `out`, one line each; false when a
// run of them does not open as a definition does (so they are something else).
bool collectDefinitions(const char* data, qsizetype from, qsizetype to, QByteArray& out)
{
    bool opensRun = true;
    for (qsizetype at = from; at < to;) {
        qsizetype end = at;
        bool blank = true;
        while (end < to && data[end] != '\n' && data[end] != '\r') {
            blank = blank && (data[end] == ' ' || data[end] == '\t');
            ++end;
        }
        if (blank) {
            opensRun = true;
        } else {
            if (opensRun) {
                qsizetype p = at;
                while (p < end && p - at < 3 && data[p] == ' ')
                    ++p;
                if (data[p] != '[')
                    return false;
            }
            opensRun = false;
            out.append(data + at, end - at);
            out += '\n';
        }
        at = end;
        if (at < to && data[at] == '\r')
            ++at;
        if (at < to && data[at] == '\n' && (at == end || data[at - 1] == '\r'))
            ++at;
    }
    return true;
}

// Parses `size` bytes at `data` as a document of their own (after the definitions `prelude`,
// which must render to nothing) and renders each top-level node on its own; `base` is added to
// the offsets. Nothing when the parser gives nothing.
std::optional<RenderedBlocks> renderBlocks(const char* data, qsizetype size, qsizetype base, unsigned flags, const Markers& markers,
    const QByteArray& prelude = {})
{
    // The definitions that hold outside the stretch go before it, a paragraph of their own
    // that renders to nothing, so that the stretch's links find them.
    QByteArray buffer;
    qsizetype offset = 0;
    if (!prelude.isEmpty()) {
        buffer.reserve(prelude.size() + 1 + size);
        buffer = prelude;
        buffer += '\n';
        buffer.append(data, size);
        offset = prelude.size() + 1;
        data = buffer.constData();
        size = buffer.size();
    }
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
        && holds(QByteArrayView(data, size), "script@", 6);
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

    // A block put in place of a fence has no lines of its own: it takes the fence's.
    std::map<cmark_node*, std::pair<int, int>> lineSpans;
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
        lineSpans.insert({ block, { cmark_node_get_start_line(code), cmark_node_get_end_line(code) } });
        detached.emplace_back(code);
    }

    // Every block's HTML ends with a line break, so the blocks rendered one by one join into
    // what rendering the whole document gives. The lines between blocks that are not blank
    // hold definitions (a paragraph of nothing but definitions leaves no node).
    const std::vector<qsizetype> lines = lineStarts(data, size);
    const auto lineAt = [&](int line) { return line >= 1 && size_t(line) <= lines.size() ? lines[size_t(line - 1)] : size; };
    // Only a block holding "]:" may hold a definition: find them all in one pass.
    std::vector<qsizetype> colons;
    for (const char* p = data; (p = static_cast<const char*>(memchr(p, ']', size_t(data + size - p))));) {
        if (++p < data + size && *p == ':')
            colons.push_back(p - 1 - data);
    }
    const auto holdsColon = [&](qsizetype from, qsizetype to) {
        const auto at = std::lower_bound(colons.begin(), colons.end(), from);
        return at != colons.end() && *at + 2 <= to;
    };
    RenderedBlocks out;
    out.parsed = size;
    size_t count = 0;
    for (cmark_node* node = cmark_node_first_child(document.get()); node; node = cmark_node_next(node))
        ++count;
    out.blocks.reserve(count);
    qsizetype covered = offset;
    cmark_llist* extensions = cmark_parser_get_syntax_extensions(parser.get());
    // The blocks' HTML one after another, each rendered with memory used again for the next.
    RenderArena arena;
    QByteArray html;
    html.reserve(size + size / 2);
    for (cmark_node* node = cmark_node_first_child(document.get()); node; node = cmark_node_next(node)) {
        const auto span = lineSpans.find(node);
        const int first = span != lineSpans.end() ? span->second.first : cmark_node_get_start_line(node);
        const int last = span != lineSpans.end() ? span->second.second : cmark_node_get_end_line(node);
        const qsizetype start = lineAt(first);
        const qsizetype end = std::max(start, lineAt(last + 1));
        if (start < offset)
            return std::nullopt; // the definitions put before the stretch made a block
        if (start < covered) {
            out.hidesDefinitions = true; // out of order (footnotes go to the end)
        } else {
            QByteArray& gap = out.blocks.empty() ? out.leading : out.blocks.back().definitions;
            if (!collectDefinitions(data, covered, start, gap))
                out.hidesDefinitions = true;
        }
        const cmark_node_type type = cmark_node_get_type(node);
        if (type != CMARK_NODE_CODE_BLOCK && type != CMARK_NODE_HTML_BLOCK && type != CMARK_NODE_THEMATIC_BREAK
            && holdsColon(start, end) && mayHoldDefinition(data + start, data + end))
            out.hidesDefinitions = true;
        const char* rendered = cmark_render_html_with_mem(node, options, extensions, arena.allocator());
        if (!rendered)
            return std::nullopt;
        const qsizetype at = html.size();
        html.append(rendered);
        arena.reset();
        RenderedBlock block;
        block.start = base + start - offset;
        block.end = base + end - offset;
        block.htmlAt = at;
        block.htmlSize = html.size() - at;
        out.blocks.push_back(std::move(block));
        covered = std::max(covered, end);
    }
    for (RenderedBlock& block : out.blocks)
        block.buffer = html;
    QByteArray& gap = out.blocks.empty() ? out.leading : out.blocks.back().definitions;
    if (!collectDefinitions(data, covered, size, gap))
        out.hidesDefinitions = true;
    return out;
}

// The blocks of the document rendered last, so that the next render of a slightly different
// text parses only the stretch around the change (typing re-renders the whole document).
struct BlockCache {
    unsigned flags = 0;
    QByteArray input;
    Markers markers;
    RenderedBlocks rendered;
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

RenderStats& stats()
{
    static RenderStats last;
    return last;
}

// Renders again, with the definitions `definitions`, the blocks of `blocks` in [from, to) that
// may name a label of `labels`, each run of them in one go; false when a run does not come out
// as the same blocks (and the whole document must be parsed).
bool renderNaming(RenderedBlocks& rendered, size_t from, size_t to, const QByteArray& input, const LabelSet& labels,
    const QByteArray& definitions, unsigned flags, const Markers& markers)
{
    std::vector<RenderedBlock>& blocks = rendered.blocks;
    const auto names = [&](size_t k) {
        return labels.mayBeNamedIn(input.constData() + blocks[k].start, input.constData() + blocks[k].end);
    };
    for (size_t i = from; i < to;) {
        if (!names(i)) {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < to && names(j))
            ++j;
        const qsizetype begin = blocks[i].start;
        const qsizetype end = j < blocks.size() ? blocks[j].start : input.size();
        const std::optional<RenderedBlocks> again = renderBlocks(input.constData() + begin, end - begin, begin, flags, markers, definitions);
        if (!again || again->hidesDefinitions || !again->leading.isEmpty() || again->blocks.size() != j - i)
            return false;
        rendered.parsed += again->parsed;
        for (size_t k = i; k < j; ++k) {
            const RenderedBlock& now = again->blocks[k - i];
            if (now.start != blocks[k].start || now.end != blocks[k].end || now.definitions != blocks[k].definitions)
                return false;
            blocks[k].buffer = now.buffer;
            blocks[k].htmlAt = now.htmlAt;
            blocks[k].htmlSize = now.htmlSize;
        }
        i = j;
    }
    return true;
}

// The blocks of `input` from those of the cached document: the stretch from the block before
// the first change to the first block after the last change is parsed on its own, after the
// definitions of the rest of the document. The stretch must begin and end with blocks the
// cache has, unchanged (apart from links whose definitions changed), or nothing is reused.
// When the stretch's definitions changed, the blocks elsewhere that may name them are
// rendered again. Footnotes, which number across the document, are parsed whole.
std::optional<RenderedBlocks> reuseBlocks(const BlockCache& cache, const QByteArray& input, unsigned flags)
{
    const QByteArray& old = cache.input;
    const std::vector<RenderedBlock>& blocks = cache.rendered.blocks;
    if (cache.flags != flags || blocks.empty() || cache.rendered.hidesDefinitions || holds(input, "[^", 1)
        || holds(input, QByteArrayView(cache.markers.open).first(cache.markers.open.size() - 2), 0))
        return std::nullopt;
    const platform::SharedEnds ends = platform::sharedEnds(old.constData(), old.size(), input.constData(), input.size());
    const qsizetype same = ends.start;
    const qsizetype sameEnd = ends.end;
    if (same == 0 && sameEnd == 0)
        return std::nullopt;
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

    // The definitions before the stretch, in it and after it.
    const qsizetype after = last >= 0 ? last + 1 : count;
    QByteArray definitionsBefore = from >= 0 ? cache.rendered.leading : QByteArray();
    for (qsizetype i = 0; i < from; ++i)
        definitionsBefore += blocks[size_t(i)].definitions;
    QByteArray oldDefinitions = from >= 0 ? QByteArray() : cache.rendered.leading;
    for (qsizetype i = std::max<qsizetype>(from, 0); i < after; ++i)
        oldDefinitions += blocks[size_t(i)].definitions;
    QByteArray definitionsAfter;
    for (qsizetype i = after; i < count; ++i)
        definitionsAfter += blocks[size_t(i)].definitions;

    std::optional<RenderedBlocks> middle = renderBlocks(input.constData() + begin, end - begin, begin, flags, cache.markers,
        definitionsBefore + definitionsAfter);
    if (!middle || middle->blocks.empty() || middle->hidesDefinitions)
        return std::nullopt;
    QByteArray newDefinitions = middle->leading;
    for (const RenderedBlock& block : middle->blocks)
        newDefinitions += block.definitions;
    // The stretch's definitions came after those that follow it: a label defined in both
    // would have taken the later definition.
    if (!newDefinitions.isEmpty() && !definitionsAfter.isEmpty()
        && definedLabels(newDefinitions).overlaps(definedLabels(definitionsAfter)))
        return std::nullopt;
    const LabelSet changed = changedLabels(oldDefinitions, newDefinitions);
    const auto sameBlock = [&](const RenderedBlock& now, const RenderedBlock& was, qsizetype shift) {
        return now.start == was.start + shift && now.end == was.end + shift && now.definitions == was.definitions
            && (now.html() == was.html() || changed.mayBeNamedIn(input.constData() + now.start, input.constData() + now.end));
    };
    if (from >= 0 && !sameBlock(middle->blocks.front(), blocks[size_t(from)], 0))
        return std::nullopt;
    if (last >= 0 && !sameBlock(middle->blocks.back(), blocks[size_t(last)], delta))
        return std::nullopt;

    RenderedBlocks result;
    result.leading = from >= 0 ? cache.rendered.leading : middle->leading;
    result.parsed = middle->parsed;
    result.blocks.reserve(size_t(count) + middle->blocks.size());
    for (qsizetype i = 0; i < from; ++i)
        result.blocks.push_back(blocks[size_t(i)]);
    const size_t middleAt = result.blocks.size();
    for (RenderedBlock& block : middle->blocks)
        result.blocks.push_back(std::move(block));
    const size_t afterAt = result.blocks.size();
    for (qsizetype i = after; i < count; ++i) {
        RenderedBlock block = blocks[size_t(i)];
        block.start += delta;
        block.end += delta;
        result.blocks.push_back(std::move(block));
    }
    if (!changed.isEmpty()) {
        const QByteArray definitions = definitionsBefore + newDefinitions + definitionsAfter;
        if (!renderNaming(result, 0, middleAt, input, changed, definitions, flags, cache.markers)
            || !renderNaming(result, afterAt, result.blocks.size(), input, changed, definitions, flags, cache.markers))
            return std::nullopt;
    }
    return result;
}

} // namespace

std::optional<RenderedDocument> renderDocument(const QByteArray& input, unsigned flags)
{
    QMutexLocker lock(&cacheMutex());
    BlockCache& cache = blockCache();
    std::optional<RenderedBlocks> rendered = reuseBlocks(cache, input, flags);
    stats().reused = rendered.has_value();
    if (!rendered) {
        const Markers fresh = makeMarkers(input);
        rendered = renderBlocks(input.constData(), input.size(), 0, flags, fresh);
        cache.rendered = {};
        if (!rendered) {
            cache.input.clear();
            stats().parsedBytes = input.size();
            return std::nullopt;
        }
        cache.markers = fresh;
    }
    stats().parsedBytes = rendered->parsed;
    cache.flags = flags;
    cache.input = input;
    cache.rendered = std::move(*rendered);

    RenderedDocument document;
    document.markers = cache.markers;
    // Blocks that lie one after another in one buffer are copied in one go; a document
    // rendered whole is one such run, and its buffer is the result as it is.
    struct Run {
        const QByteArray* buffer;
        qsizetype at;
        qsizetype size;
    };
    std::vector<Run> runs;
    qsizetype total = 0;
    for (const RenderedBlock& block : cache.rendered.blocks) {
        total += block.htmlSize;
        if (!runs.empty() && runs.back().buffer->constData() == block.buffer.constData() && runs.back().at + runs.back().size == block.htmlAt)
            runs.back().size += block.htmlSize;
        else
            runs.push_back({ &block.buffer, block.htmlAt, block.htmlSize });
    }
    if (runs.size() == 1 && runs.front().at == 0 && runs.front().size == runs.front().buffer->size()) {
        document.html = *runs.front().buffer;
        return document;
    }
    document.html.reserve(total);
    for (const Run& run : runs)
        document.html.append(run.buffer->constData() + run.at, run.size);
    return document;
}

RenderStats lastRenderStats()
{
    QMutexLocker lock(&cacheMutex());
    return stats();
}

} // namespace penwick::gfmblocks
