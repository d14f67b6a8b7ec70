#include "Services/TVXMarkdownFormatter.h"

#include <QMutex>
#include <QList>
#include <QMutexLocker>

#include <cstdlib>
#include <cstring>
#include <limits>

extern "C" {
#include <mkdio.h>
}

namespace penwick {

namespace {

// The engine keeps process-wide tables that it fills lazily; one render at a time.
QMutex& engineMutex()
{
    static QMutex mutex;
    return mutex;
}

char* anchorCallback(const char* html, const int size, void*)
{
    const QByteArray label = TVXMarkdownFormatter::headingLabel(QString::fromUtf8(html, size)).toUtf8();
    char* out = static_cast<char*>(std::malloc(size_t(label.size()) + 1));
    if (!out)
        return nullptr;
    std::memcpy(out, label.constData(), size_t(label.size()) + 1);
    return out;
}

void freeCallback(char* p, void*)
{
    std::free(p);
}

// The engine follows quote and list nesting by recursion; a line of tens of thousands of ">"
// exhausts the stack. Real documents nest a handful of levels: beyond this bound a line's
// markers are passed on as text (the first marker past it is escaped).
constexpr int kMaximumNesting = 100;

// The length of the list marker at `p` ("-", "*", "+", or digits and "." or ")"), followed by
// white space; 0 when there is none.
qsizetype listMarkerLength(const char* p, const char* end)
{
    const auto blankAt = [end](const char* at) { return at < end && (*at == ' ' || *at == '\t'); };
    if ((*p == '-' || *p == '*' || *p == '+') && blankAt(p + 1))
        return 1;
    const char* q = p;
    while (q < end && q - p < 9 && *q >= '0' && *q <= '9')
        ++q;
    if (q > p && q < end && (*q == '.' || *q == ')') && blankAt(q + 1))
        return q + 1 - p;
    return 0;
}

QByteArray boundedNesting(const QByteArray& utf8)
{
    QByteArray out;
    const char* const begin = utf8.constData();
    const char* const end = begin + utf8.size();
    const char* copied = begin;
    for (const char* line = begin; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', size_t(end - line)));
        if (!lineEnd)
            lineEnd = end;
        int depth = 0;
        for (const char* p = line; p < lineEnd;) {
            if (*p == ' ' || *p == '\t') {
                ++p;
                continue;
            }
            const qsizetype marker = *p == '>' ? 1 : listMarkerLength(p, lineEnd);
            if (marker == 0)
                break;
            if (++depth > kMaximumNesting) {
                if (out.isNull())
                    out.reserve(utf8.size() + 64);
                out.append(copied, p - copied);
                out.append('\\');
                copied = p;
                break;
            }
            p += marker;
        }
        line = lineEnd + 1;
    }
    if (out.isNull())
        return utf8;
    out.append(copied, end - copied);
    return out;
}

} // namespace

QString TVXMarkdownFormatter::headingLabel(const QString& headingHtml)
{
    // Drop tags and entities first, then keep only the label characters.
    QString plain;
    plain.reserve(headingHtml.size());
    for (qsizetype i = 0; i < headingHtml.size(); ++i) {
        const QChar c = headingHtml.at(i);
        if (c == QLatin1Char('<')) {
            const qsizetype end = headingHtml.indexOf(QLatin1Char('>'), i);
            if (end >= 0) {
                i = end;
                continue;
            }
        } else if (c == QLatin1Char('&')) {
            qsizetype j = i + 1;
            while (j < headingHtml.size() && j - i <= 32
                && (headingHtml.at(j).isLetterOrNumber() || headingHtml.at(j) == QLatin1Char('#')))
                ++j;
            if (j < headingHtml.size() && j > i + 1 && headingHtml.at(j) == QLatin1Char(';')) {
                i = j;
                continue;
            }
        }
        plain += c;
    }
    QString label;
    for (const uint code : plain.toUcs4()) {
        const char32_t c = char32_t(code);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                label += QChar(char16_t(c - 'A' + 'a'));
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == ':' || c == '-')
                label += QChar(char16_t(c));
        } else if (QChar::isLetterOrNumber(c) || QChar::isMark(c)) {
            label += QString::fromUcs4(&c, 1);
        }
    }
    return label;
}

QString TVXMarkdownFormatter::renderWithExtensions(const QString& text, unsigned extensions, int format)
{
    if (format != HTML_FORMAT)
        return kParseFailure;
    const qsizetype nul = text.indexOf(QChar(0));
    const QByteArray utf8 = boundedNesting((nul < 0 ? text : text.left(nul)).toUtf8());
    if (utf8.size() > std::numeric_limits<int>::max())
        return kParseFailure;

    // Link pseudo-protocols ("class:", "id:", "raw:", "abbr:") are off: a link stays a link.
    mkd_flag_t flags = MKD_EXTRA_FOOTNOTE | MKD_FENCEDCODE | MKD_DLEXTRA | MKD_LATEX | MKD_NOSTYLE | MKD_NOHEADER
        | MKD_EXPLICITLIST | MKD_GITHUBTAGS | MKD_NO_EXT | MKD_NOSUPERSCRIPT | MKD_NODIVQUOTE | MKD_NOALPHALIST;
    if (!(extensions & EXT_SMART))
        flags |= MKD_NOPANTS;
    if (!(extensions & EXT_NOTES))
        flags &= ~mkd_flag_t(MKD_EXTRA_FOOTNOTE);
    const bool anchors = !(extensions & EXT_NO_LABELS);
    if (anchors)
        flags |= MKD_TOC | MKD_IDANCHOR;

    QMutexLocker lock(&engineMutex());
    MMIOT* doc = mkd_string(utf8.constData(), int(utf8.size()), flags);
    if (!doc)
        return kParseFailure;
    if (anchors) {
        mkd_e_anchor(doc, anchorCallback);
        mkd_e_free(doc, freeCallback);
    }
    QString result = kParseFailure;
    if (mkd_compile(doc, flags)) {
        char* html = nullptr;
        const int size = mkd_document(doc, &html);
        if (size >= 0)
            result = (size > 0 && html) ? QString::fromUtf8(html, size) : QString(QLatin1String(""));
    }
    mkd_cleanup(doc);
    return result;
}

QString TVXMarkdownFormatter::renderMultiMarkdown(const QString& text, bool enablingAnchors)
{
    unsigned extensions = kBaseExtensions;
    if (!enablingAnchors)
        extensions |= EXT_NO_LABELS;
    return renderWithExtensions(text, extensions, HTML_FORMAT);
}

} // namespace penwick
