#include "Extensions/WordFormatMenuItem.h"

#include "Extensions/TextViewEditPlainTextWithUndo.h"
#include "platform/text/TextLines.h"
#include "platform/text/TextView.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace penwick {

namespace textformat {

QString applied(QString text, const FormatPlan& plan)
{
    for (const Edit& edit : plan.edits)
        text.replace(edit.range.location, edit.range.length, edit.text);
    return text;
}

Line lineAt(const QString& text, qsizetype position)
{
    Line line;
    line.start = platform::TextLines::lineRange(text, Range(position, 0)).location;
    platform::TextLines::lineEnd(text, position, &line.end, &line.contentsEnd);
    return line;
}

Range lineRange(const QString& text, Range range)
{
    return platform::TextLines::lineRange(text, range);
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

void applyPlan(platform::TextView& view, const FormatPlan& plan)
{
    for (const Edit& edit : plan.edits) {
        switch (plan.path) {
        case EditPath::Typing:
            view.platform::TextView::insertText(edit.text, edit.range);
            break;
        case EditPath::Undoable:
            EditPlainTextWithUndo::replaceCharactersInRange(view, edit.range, edit.text);
            break;
        case EditPath::Whole:
            if (view.shouldChangeTextInRange(edit.range, edit.text)) {
                view.replaceCharacters(edit.range, edit.text);
                view.didChangeText();
            }
            break;
        }
    }
    if (!plan.setsSelection)
        return;
    const platform::TextRanges ranges(plan.selections.begin(), plan.selections.end());
    if (plan.selectionsWithUndo)
        EditPlainTextWithUndo::setSelectedRangesWithUndo(view, ranges);
    else
        view.setSelectedRanges(ranges);
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

void WordFormatMenuItem::decorateTextView(platform::TextView* view)
{
    if (!view)
        return;
    const platform::TextRanges selected = view->selectedRanges();
    const std::vector<textformat::Range> selections(selected.begin(), selected.end());
    textformat::applyPlan(*view, plan(view->string(), selections));
}

} // namespace penwick
