#include "platform/text/TextLines.h"

#include <algorithm>

namespace penwick::platform::TextLines {

bool isLineTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0x0085;
}

qsizetype lineStart(const QString& text, qsizetype position)
{
    qsizetype p = std::clamp<qsizetype>(position, 0, text.size());
    while (p > 0 && !isLineTerminator(text.at(p - 1)))
        --p;
    // Inside "\r\n" the line started before the "\r".
    return p;
}

void lineEnd(const QString& text, qsizetype position, qsizetype* end, qsizetype* contentsEnd)
{
    qsizetype p = std::clamp<qsizetype>(position, 0, text.size());
    // A position between "\r" and "\n" belongs to the line that "\r" ends.
    if (p > 0 && p < text.size() && text.at(p) == u'\n' && text.at(p - 1) == u'\r')
        --p;
    while (p < text.size() && !isLineTerminator(text.at(p)))
        ++p;
    const qsizetype contents = p;
    if (p < text.size()) {
        if (text.at(p) == u'\r' && p + 1 < text.size() && text.at(p + 1) == u'\n')
            p += 2;
        else
            p += 1;
    }
    if (end)
        *end = p;
    if (contentsEnd)
        *contentsEnd = contents;
}

TextRange lineRange(const QString& text, TextRange range)
{
    const qsizetype size = text.size();
    const qsizetype from = std::clamp<qsizetype>(range.location, 0, size);
    const qsizetype to = std::clamp<qsizetype>(range.end(), from, size);
    qsizetype start = lineStart(text, from);
    if (start > 0 && from < size && text.at(from) == u'\n' && start == from && text.at(from - 1) == u'\r')
        start = lineStart(text, from - 1);
    qsizetype end = 0;
    // The last line touched: a non-empty range ending just after a terminator does not reach
    // the next line.
    const qsizetype last = (to > from) ? to - 1 : to;
    lineEnd(text, last, &end, nullptr);
    if (to > from && end < to)
        lineEnd(text, to, &end, nullptr);
    return TextRange(start, std::max(end, start) - start);
}

void enumerateLines(const QString& text, TextRange range,
    const std::function<void(TextRange line, TextRange enclosing)>& visit)
{
    const qsizetype size = text.size();
    qsizetype p = std::clamp<qsizetype>(range.location, 0, size);
    const qsizetype stop = std::clamp<qsizetype>(range.end(), p, size);
    while (p < stop) {
        qsizetype end = 0, contents = 0;
        lineEnd(text, p, &end, &contents);
        visit(TextRange(p, contents - p), TextRange(p, end - p));
        if (end <= p)
            break;
        p = end;
    }
}

} // namespace penwick::platform::TextLines
