#include "Extensions/MarkdownStringAdditions.h"

#include <QRegularExpression>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace penwick {

std::optional<YamlValue> frontMatter(const QString& text, qsizetype* length)
{
    if (length)
        *length = 0;
    const QRegularExpression pattern(kFrontMatterPattern,
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QList<YamlValue> documents = readYamlDocuments(match.captured(1));
    if (documents.isEmpty())
        return std::nullopt;
    if (length)
        *length = match.capturedLength(0);
    return documents.first();
}

QString headingSlug(const QString& headingText)
{
    QString slug;
    slug.reserve(headingText.size());
    for (const uint code : headingText.toUcs4()) {
        const char32_t c = char32_t(code);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                slug += QChar(char16_t(c - 'A' + 'a'));
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
                slug += QChar(char16_t(c));
            else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
                slug += QLatin1Char('-');
            continue;
        }
        if (QChar::isSpace(c)) {
            slug += QLatin1Char('-');
        } else if (QChar::isLetterOrNumber(c) || QChar::isMark(c)) {
            slug += QString::fromUcs4(&c, 1);
        }
    }
    return slug;
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

struct Heading {
    cmark_node* line; // the one-line element that replaced the heading
    int level;
    QString text;
};

// Gives each heading its id: the first heading with a given slug keeps the bare slug (so
// that a heading rendered alone gets the same id), later ones get the first free "-N".
std::vector<QString> uniqueIds(const std::vector<Heading>& headings)
{
    std::vector<QString> slugs;
    slugs.reserve(headings.size());
    QSet<QString> taken;
    taken.reserve(qsizetype(headings.size()) * 2);
    for (const Heading& h : headings) {
        slugs.push_back(headingSlug(h.text));
        taken.insert(slugs.back());
    }
    QSet<QString> seen;
    seen.reserve(qsizetype(headings.size()));
    std::vector<QString> ids;
    ids.reserve(headings.size());
    for (const QString& slug : slugs) {
        if (!seen.contains(slug)) {
            seen.insert(slug);
            ids.push_back(slug);
            continue;
        }
        for (int n = 1;; ++n) {
            QString candidate = slug + QLatin1Char('-') + QString::number(n);
            if (!taken.contains(candidate)) {
                taken.insert(candidate);
                ids.push_back(candidate);
                break;
            }
        }
    }
    return ids;
}

cmark_node* customInline(const char* html)
{
    cmark_node* node = cmark_node_new(CMARK_NODE_CUSTOM_INLINE);
    cmark_node_set_on_enter(node, html);
    cmark_node_set_on_exit(node, "");
    return node;
}

// Replaces a heading by a block holding one inline element whose tags are set once the ids
// are known; line breaks inside become a space (or <br /> with hard wrap) so that the
// heading stays on one line. Done while the heading is being visited anyway.
Heading rewriteHeading(cmark_node* heading, bool hardWrap, std::vector<NodePtr>& detached)
{
    Heading result { nullptr, cmark_node_get_heading_level(heading), QString() };
    std::vector<cmark_node*> breaks;
    // Depth-first over the heading's inlines, in document order.
    std::vector<cmark_node*> pending;
    for (cmark_node* node = cmark_node_first_child(heading); node;) {
        switch (cmark_node_get_type(node)) {
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
            result.text += QString::fromUtf8(cmark_node_get_literal(node));
            break;
        case CMARK_NODE_SOFTBREAK:
        case CMARK_NODE_LINEBREAK:
            result.text += QLatin1Char(' ');
            breaks.push_back(node);
            break;
        default:
            break;
        }
        if (cmark_node* child = cmark_node_first_child(node)) {
            if (cmark_node* next = cmark_node_next(node))
                pending.push_back(next);
            node = child;
        } else if (cmark_node* next = cmark_node_next(node)) {
            node = next;
        } else if (!pending.empty()) {
            node = pending.back();
            pending.pop_back();
        } else {
            node = nullptr;
        }
    }
    for (cmark_node* br : breaks) {
        cmark_node* replacement = nullptr;
        if (cmark_node_get_type(br) == CMARK_NODE_SOFTBREAK && !hardWrap) {
            replacement = cmark_node_new(CMARK_NODE_TEXT);
            cmark_node_set_literal(replacement, " ");
        } else {
            replacement = customInline("<br />");
        }
        cmark_node_replace(br, replacement);
        detached.emplace_back(br);
    }
    cmark_node* line = cmark_node_new(CMARK_NODE_CUSTOM_INLINE);
    while (cmark_node* child = cmark_node_first_child(heading)) {
        cmark_node_unlink(child);
        cmark_node_append_child(line, child);
    }
    cmark_node* block = cmark_node_new(CMARK_NODE_CUSTOM_BLOCK);
    cmark_node_append_child(block, line);
    cmark_node_replace(heading, block);
    detached.emplace_back(heading);
    result.line = line;
    return result;
}

} // namespace

QString renderGFMWithFlags(const QString& text, unsigned flags)
{
    const qsizetype nul = text.indexOf(QChar(0));
    const QByteArray utf8 = (nul < 0 ? text : text.left(nul)).toUtf8();
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
        cmark_parser_feed(parser.get(), utf8.constData(), size_t(utf8.size()));
        document.reset(cmark_parser_finish(parser.get()));
    }
    if (!document)
        return QString(QLatin1String(""));

    // Inline text of a block points into the block's own buffer: replaced blocks stay
    // alive until the tree has been rendered.
    std::vector<NodePtr> detached;
    std::vector<Heading> headings;
    std::vector<cmark_node*> scripts;
    // Script fences are rare: look for them only when the text names one.
    const bool scriptFences = (flags & GFMFlags::HOEDOWN_HTML_FENCED_CODE_SCRIPT) && utf8.contains("script@");
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
                if (headerIds)
                    headings.push_back(rewriteHeading(node, hardWrap, detached));
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

    if (!headings.empty()) {
        const std::vector<QString> ids = uniqueIds(headings);
        for (size_t i = 0; i < headings.size(); ++i) {
            const Heading& h = headings[i];
            const QByteArray level = QByteArray::number(h.level);
            const QByteArray open = "<h" + level + " id=\"" + escapeAttribute(ids[i].toUtf8()) + "\">";
            const QByteArray close = "</h" + level + ">";
            cmark_node_set_on_enter(h.line, open.constData());
            cmark_node_set_on_exit(h.line, close.constData());
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

    char* rendered = cmark_render_html(document.get(), options, cmark_parser_get_syntax_extensions(parser.get()));
    if (!rendered)
        return QString(QLatin1String(""));
    QString result;
    if (taskLists) {
        // The task-list items' opening tags get their class while the text is converted.
        static const QByteArray needle = QByteArrayLiteral("<li><input type=\"checkbox\" ");
        static const QString replacement = QStringLiteral("<li class=\"task-list-item\"><input type=\"checkbox\" ");
        const size_t length = qstrlen(rendered);
        result.reserve(qsizetype(length));
        const char* from = rendered;
        const char* const end = rendered + length;
        while (const char* hit = static_cast<const char*>(memmem(from, size_t(end - from), needle.constData(), size_t(needle.size())))) {
            result += QString::fromUtf8(from, hit - from);
            result += replacement;
            from = hit + needle.size();
        }
        result += QString::fromUtf8(from, end - from);
    } else {
        result = QString::fromUtf8(rendered);
    }
    cmark_get_default_mem_allocator()->free(rendered);
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
