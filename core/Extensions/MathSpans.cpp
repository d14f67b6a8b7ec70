#include "Extensions/MathSpans.h"

#include <QStringView>

#include <algorithm>
#include <utility>
#include <vector>

namespace penwick {

namespace {

using Span = std::pair<qsizetype, qsizetype>; // [from, to) of the text

// How far a closing delimiter is looked for: a formula is never this long, and an unclosed
// opener in a huge paragraph must not make the scan quadratic.
constexpr qsizetype kLongestSpan = 100000;

bool isAsciiPunctuation(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x21 && u <= 0x2F) || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E);
}

bool isBlankChar(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isBlankLine(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.isSpace(); });
}

// Columns of the white space that opens a line (a tab advances to the next multiple of 4).
int indentColumns(QStringView line)
{
    int columns = 0;
    for (const QChar c : line) {
        if (c == u' ')
            ++columns;
        else if (c == u'\t')
            columns += 4 - columns % 4;
        else
            break;
    }
    return columns;
}

// The container markers that open a line: white space, ">" and list markers.
qsizetype containerPrefixLength(QStringView line)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (;;) {
        while (i < n && (line[i] == u' ' || line[i] == u'\t' || line[i] == u'>'))
            ++i;
        if (i + 1 < n && (line[i] == u'-' || line[i] == u'*' || line[i] == u'+') && (line[i + 1] == u' ' || line[i + 1] == u'\t')) {
            i += 2;
            continue;
        }
        qsizetype d = i;
        while (d < n && d - i < 9 && line[d].isDigit())
            ++d;
        if (d > i && d + 1 < n && (line[d] == u'.' || line[d] == u')') && (line[d + 1] == u' ' || line[d + 1] == u'\t')) {
            i = d + 2;
            continue;
        }
        return i;
    }
}

// A code fence at the start of `content`: its character and length, or length 0.
std::pair<QChar, qsizetype> fenceAt(QStringView content)
{
    if (content.isEmpty() || (content[0] != u'`' && content[0] != u'~'))
        return { QChar(), 0 };
    qsizetype n = 0;
    while (n < content.size() && content[n] == content[0])
        ++n;
    return n >= 3 ? std::pair { content[0], n } : std::pair { QChar(), qsizetype(0) };
}

class Scanner {
public:
    Scanner(const QString& text, std::vector<Span>& spans) : m_text(text), m_spans(spans) {}

    // Finds the code spans and formulas of one paragraph, [from, to).
    void scan(qsizetype from, qsizetype to)
    {
        qsizetype i = from;
        while (i < to) {
            const QChar c = m_text[i];
            if (c == u'\\') {
                if (i + 1 < to && (m_text[i + 1] == u'(' || m_text[i + 1] == u'[')) {
                    const QString closer = m_text[i + 1] == u'(' ? QStringLiteral("\\)") : QStringLiteral("\\]");
                    const qsizetype close = find(closer, i + 2, to);
                    if (close >= 0) {
                        m_spans.emplace_back(i, close + 2);
                        i = close + 2;
                        continue;
                    }
                }
                i += 2; // an escaped character is never a delimiter
                continue;
            }
            if (c == u'`') {
                i = skipCodeSpan(i, to);
                continue;
            }
            if (c == u'<' && i + 1 < to && (m_text[i + 1].isLetter() || m_text[i + 1] == u'/' || m_text[i + 1] == u'!' || m_text[i + 1] == u'?')) {
                // A tag or an autolink: its text is no Markdown, so nothing in it is escaped.
                const qsizetype close = m_text.indexOf(u'>', i + 1);
                i = (close >= 0 && close < to) ? close + 1 : i + 1;
                continue;
            }
            if (c == u'$') {
                if (i + 1 < to && m_text[i + 1] == u'$') {
                    const qsizetype close = find(QStringLiteral("$$"), i + 2, to);
                    if (close >= 0) {
                        m_spans.emplace_back(i, close + 2);
                        i = close + 2;
                        continue;
                    }
                    i += 2;
                    continue;
                }
                const qsizetype close = inlineCloser(i, to);
                if (close >= 0) {
                    m_spans.emplace_back(i, close + 1);
                    i = close + 1;
                    continue;
                }
            }
            ++i;
        }
    }

private:
    // The next unescaped `closer` in [from, to), or -1.
    qsizetype find(const QString& closer, qsizetype from, qsizetype to) const
    {
        const qsizetype limit = std::min(to, from + kLongestSpan);
        for (qsizetype at = m_text.indexOf(closer, from); at >= 0 && at + closer.size() <= limit; at = m_text.indexOf(closer, at + 1)) {
            if (closer.at(0) == u'\\' || !escaped(at))
                return at;
        }
        return -1;
    }

    // Whether the character at `at` follows an odd number of backslashes.
    bool escaped(qsizetype at) const
    {
        qsizetype n = 0;
        while (at - n - 1 >= 0 && m_text[at - n - 1] == u'\\')
            ++n;
        return n % 2 == 1;
    }

    // "$" opens before a non-blank character; the closing "$" follows a non-blank character and
    // is not followed by a digit.
    qsizetype inlineCloser(qsizetype open, qsizetype to) const
    {
        if (open + 1 >= to || isBlankChar(m_text[open + 1]))
            return -1;
        const qsizetype limit = std::min(to, open + kLongestSpan);
        for (qsizetype at = open + 2; at < limit; ++at) {
            if (m_text[at] == u'\\') {
                ++at;
                continue;
            }
            if (m_text[at] != u'$')
                continue;
            if (isBlankChar(m_text[at - 1]))
                continue;
            if (at + 1 < to && m_text[at + 1].isDigit())
                continue;
            return at;
        }
        return -1;
    }

    // Skips a code span opened by the backtick run at `open`; an unmatched run is plain text.
    qsizetype skipCodeSpan(qsizetype open, qsizetype to) const
    {
        qsizetype n = 0;
        while (open + n < to && m_text[open + n] == u'`')
            ++n;
        const qsizetype limit = std::min(to, open + n + kLongestSpan);
        for (qsizetype at = open + n; at < limit;) {
            if (m_text[at] != u'`') {
                ++at;
                continue;
            }
            qsizetype run = 0;
            while (at + run < to && m_text[at + run] == u'`')
                ++run;
            if (run == n)
                return at + run;
            at += run;
        }
        return open + n;
    }

    const QString& m_text;
    std::vector<Span>& m_spans;
};

// The formulas of the text, in order, outside code and HTML blocks.
std::vector<Span> mathSpans(const QString& text)
{
    std::vector<Span> spans;
    Scanner scanner(text, spans);
    bool inFence = false;
    std::pair<QChar, qsizetype> fence;
    bool inHtml = false;
    bool previousBlank = true;
    bool previousCode = false;
    qsizetype paragraphStart = -1;
    qsizetype paragraphEnd = -1;
    const auto flush = [&] {
        if (paragraphStart >= 0)
            scanner.scan(paragraphStart, paragraphEnd);
        paragraphStart = -1;
    };
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QStringView line = QStringView(text).mid(start, end - start);
        const qsizetype next = end + 1;
        const QStringView content = line.mid(containerPrefixLength(line));
        if (inFence) {
            const auto closing = fenceAt(content);
            if (closing.first == fence.first && closing.second >= fence.second && isBlankLine(content.mid(closing.second)))
                inFence = false;
        } else if (isBlankLine(line)) {
            flush();
            inHtml = false;
            previousBlank = true;
            previousCode = false;
        } else if (!inHtml) {
            const auto opening = fenceAt(content);
            if (opening.second > 0) {
                flush();
                inFence = true;
                fence = opening;
                previousCode = false;
            } else if (paragraphStart < 0 && (previousBlank || previousCode) && indentColumns(line) >= 4) {
                previousCode = true;
            } else if (paragraphStart < 0 && content.size() > 1 && content[0] == u'<'
                       && (content[1].isLetter() || content[1] == u'/' || content[1] == u'!' || content[1] == u'?')) {
                inHtml = true;
                previousCode = false;
            } else {
                if (paragraphStart < 0)
                    paragraphStart = start;
                paragraphEnd = end;
                previousCode = false;
            }
            previousBlank = false;
        }
        start = next;
    }
    flush();
    return spans;
}

} // namespace

QString protectMathSpans(const QString& markdown)
{
    const std::vector<Span> spans = mathSpans(markdown);
    if (spans.empty())
        return markdown;
    QString out;
    out.reserve(markdown.size() + markdown.size() / 8);
    qsizetype copied = 0;
    for (const auto& [from, to] : spans) {
        out.append(QStringView(markdown).mid(copied, from - copied));
        bool lineStart = false;
        for (qsizetype i = from; i < to; ++i) {
            const QChar c = markdown[i];
            if (c == u'\n') {
                lineStart = true;
                out.append(c);
                continue;
            }
            // A continued line keeps its quote markers and indentation as they are.
            if (lineStart && (c == u' ' || c == u'\t' || c == u'>')) {
                out.append(c);
                continue;
            }
            lineStart = false;
            if (isAsciiPunctuation(c))
                out.append(u'\\');
            out.append(c);
        }
        copied = to;
    }
    out.append(QStringView(markdown).mid(copied));
    return out;
}

} // namespace penwick
