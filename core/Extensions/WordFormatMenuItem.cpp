#include "Extensions/WordFormatMenuItem.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace penwick {

namespace textformat {

namespace {

bool isTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

} // namespace

QString applied(QString text, const FormatPlan& plan)
{
    for (const Edit& edit : plan.edits)
        text.replace(edit.range.location, edit.range.length, edit.text);
    return text;
}

Line lineAt(const QString& text, qsizetype position)
{
    position = std::clamp<qsizetype>(position, 0, text.size());
    Line line;
    line.start = position;
    while (line.start > 0 && !isTerminator(text[line.start - 1]))
        --line.start;
    // Between the two halves of "\r\n" the line is the one the pair ends.
    if (position > 0 && position < text.size() && text[position] == u'\n' && text[position - 1] == u'\r')
        return lineAt(text, position - 1);
    line.contentsEnd = position;
    while (line.contentsEnd < text.size() && !isTerminator(text[line.contentsEnd]))
        ++line.contentsEnd;
    line.end = line.contentsEnd;
    if (line.end < text.size()) {
        const bool crlf = text[line.end] == u'\r' && line.end + 1 < text.size() && text[line.end + 1] == u'\n';
        line.end += crlf ? 2 : 1;
    }
    return line;
}

Range lineRange(const QString& text, Range range)
{
    const Line first = lineAt(text, range.location);
    const Line last = range.length > 0 ? lineAt(text, range.end() - 1) : first;
    return { first.start, std::max(last.end, first.end) - first.start };
}

std::optional<Range> wordAt(const QString& text, qsizetype position)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.toStart();
    qsizetype start = 0;
    while (start <= position) {
        const bool startsWord = finder.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem);
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        if (startsWord && start <= position && position < next)
            return Range { start, next - start };
        start = next;
    }
    return std::nullopt;
}

std::vector<Range> inTextOrder(std::vector<Range> selections)
{
    std::stable_sort(selections.begin(), selections.end(),
                     [](const Range& a, const Range& b) { return a.location < b.location; });
    return selections;
}

FormatPlan planWordDecoration(const QString& text, const std::vector<Range>& selections,
                              const QString& prefix, const QString& suffix, qsizetype endCursorOffset)
{
    FormatPlan plan;
    if (selections.empty())
        return plan;
    const qsizetype p = prefix.size();
    const qsizetype x = suffix.size();
    std::vector<Range> ranges = inTextOrder(selections);

    if (ranges.front().length == 0) {
        const qsizetype cursor = ranges.front().location;
        if (const std::optional<Range> word = wordAt(text, cursor)) {
            plan.path = EditPath::Typing;
            plan.edits.push_back({ *word, prefix + text.mid(word->location, word->length) + suffix });
            plan.setsSelection = true;
            plan.selections = { { cursor + p + x + endCursorOffset, 0 } };
            return plan;
        }
        ranges = { { cursor, 0 } };
    }

    plan.path = EditPath::Undoable;
    const bool several = ranges.size() != 1;
    qsizetype shift = 0;
    for (const Range& range : ranges) {
        const qsizetype start = shift + range.location;
        // The suffix first, so that the prefix does not move its position.
        plan.edits.push_back({ { start + range.length, 0 }, suffix });
        plan.edits.push_back({ { start, 0 }, prefix });
        shift += p + x;
        if (several || endCursorOffset == 0)
            plan.selections.push_back({ start + p, range.length });
        else if (endCursorOffset < 0)
            plan.selections.push_back({ start + range.length + p + x + endCursorOffset, 0 });
        else
            plan.selections.push_back({ start + endCursorOffset, 0 });
    }
    plan.setsSelection = true;
    plan.selectionsWithUndo = true;
    return plan;
}

} // namespace textformat

WordFormatMenuItem::WordFormatMenuItem(QObject* parent)
    : QAction(parent)
{
}

WordFormatMenuItem::WordFormatMenuItem(const QString& title, QObject* parent)
    : QAction(title, parent)
{
}

textformat::FormatPlan WordFormatMenuItem::plan(const QString& text, const std::vector<textformat::Range>& selections)
{
    return textformat::planWordDecoration(text, selections, m_prefix, m_suffix, m_endCursorOffset);
}

} // namespace penwick
