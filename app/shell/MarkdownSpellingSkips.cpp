#include "shell/MarkdownSpellingSkips.h"

#include <QRegularExpression>

#include <algorithm>

namespace penwick::MarkdownSpellingSkips {

using platform::TextRange;
using platform::TextRanges;

namespace {

const QRegularExpression& destinationPattern()
{
    // 1: an inline destination after "](", in angle brackets or up to a space or the closing
    //    parenthesis (balanced parentheses inside allowed);
    // 2: a reference definition's destination;
    // 3: an anchor or tag word, "#" at a word's start followed by a letter or digit.
    static const QRegularExpression pattern(QStringLiteral(
                                                "\\]\\(\\s*(<[^>\\n]*>|(?:[^\\s()]|\\([^\\s()]*\\))+)"
                                                "|^ {0,3}\\[[^\\]\\n]+\\]:[ \\t]*(<[^>\\n]*>|\\S+)"
                                                "|(?<![\\w&#/])(#[\\w][\\w-]*)"),
        QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

// A line that opens or closes a fence: up to three spaces, then three or more "`" or "~".
struct Fence {
    QChar mark;
    qsizetype length = 0;
    bool onlyMarks = false; // nothing but spaces follows the marks (needed to close)
};

Fence fenceAt(const QString& text, qsizetype lineStart, qsizetype lineEnd)
{
    qsizetype i = lineStart;
    while (i < lineEnd && i - lineStart < 3 && text[i] == u' ')
        ++i;
    if (i >= lineEnd || (text[i] != u'`' && text[i] != u'~'))
        return {};
    const QChar mark = text[i];
    qsizetype j = i;
    while (j < lineEnd && text[j] == mark)
        ++j;
    if (j - i < 3)
        return {};
    // A backtick fence's info string holds no backtick.
    if (mark == u'`' && QStringView(text).mid(j, lineEnd - j).contains(u'`'))
        return {};
    const bool onlyMarks = QStringView(text).mid(j, lineEnd - j).trimmed().isEmpty();
    return { mark, j - i, onlyMarks };
}

} // namespace

TextRanges destinations(const QString& text, qsizetype offset)
{
    TextRanges ranges;
    for (auto it = destinationPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= 3; ++group) {
            if (match.capturedLength(group) > 0)
                ranges.append(TextRange(offset + match.capturedStart(group), match.capturedLength(group)));
        }
    }
    return ranges;
}

TextRanges codeRanges(const QString& document, TextRange range)
{
    TextRanges ranges;
    const qsizetype limit = std::min(document.size(), range.end());
    // Fences, from the top down to the end of the range.
    Fence open;
    qsizetype openStart = 0;
    qsizetype lineStart = 0;
    while (lineStart <= limit && lineStart < document.size()) {
        qsizetype lineEnd = document.indexOf(u'\n', lineStart);
        if (lineEnd < 0)
            lineEnd = document.size();
        const Fence fence = fenceAt(document, lineStart, lineEnd);
        if (!open.length && fence.length) {
            open = fence;
            openStart = lineStart;
        } else if (open.length && fence.mark == open.mark && fence.length >= open.length && fence.onlyMarks) {
            if (lineEnd > range.location)
                ranges.append(TextRange(openStart, lineEnd - openStart));
            open = {};
        }
        lineStart = lineEnd + 1;
    }
    if (open.length)
        ranges.append(TextRange(openStart, document.size() - openStart));

    // Code spans: a run of backticks up to the next run of the same length, within the lines
    // of the range that lie outside fences.
    const qsizetype from = std::max<qsizetype>(0, document.lastIndexOf(u'\n', std::max<qsizetype>(0, range.location - 1)) + 1);
    qsizetype to = document.indexOf(u'\n', limit);
    if (to < 0)
        to = document.size();
    const auto inFence = [&](qsizetype p) {
        return std::any_of(ranges.cbegin(), ranges.cend(), [p](const TextRange& r) { return r.contains(p); });
    };
    TextRanges spans;
    for (qsizetype i = from; i < to;) {
        if (document[i] != u'`' || inFence(i)) {
            ++i;
            continue;
        }
        qsizetype run = i;
        while (run < to && document[run] == u'`')
            ++run;
        const qsizetype length = run - i;
        qsizetype close = run;
        for (;;) {
            close = document.indexOf(u'`', close);
            if (close < 0 || close >= to)
                break;
            qsizetype closeEnd = close;
            while (closeEnd < to && document[closeEnd] == u'`')
                ++closeEnd;
            if (closeEnd - close == length)
                break;
            close = closeEnd;
        }
        if (close < 0 || close >= to) {
            i = run; // no closing run: the backticks are plain text
            continue;
        }
        spans.append(TextRange(i, close + length - i));
        i = close + length;
    }
    return ranges + spans;
}

} // namespace penwick::MarkdownSpellingSkips
