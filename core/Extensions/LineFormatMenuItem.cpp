#include "Extensions/LineFormatMenuItem.h"

#include "Extensions/StringAdditions.h"

#include <QStringView>

#include <algorithm>

namespace penwick {

namespace textformat {

namespace {

// Space separators and the tab.
bool isBlank(char32_t c)
{
    return c == U'\t' || QChar::category(c) == QChar::Separator_Space;
}

bool isLetterDigitOrMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

QString numbered(qsizetype number)
{
    return QString::number(number) + QStringLiteral(". ");
}

} // namespace

bool canShiftLine(const QString& line)
{
    if (!line.isEmpty() && trimWhiteSpace(line).isEmpty())
        return true;
    const QList<uint> characters = line.toUcs4();
    if (std::none_of(characters.begin(), characters.end(), [](uint c) { return isLetterDigitOrMark(c); }))
        return false;
    return isBlank(characters.front());
}

FormatPlan planLineDecoration(const QString& text, const std::vector<Range>& selections, const QString& prefix,
                              qsizetype suffixLength, qsizetype endCursorOffset, bool skipEmptyLines)
{
    FormatPlan plan;
    plan.path = EditPath::Undoable;
    if (selections.empty())
        return plan;
    const bool numbering = prefix == kNumberedListTemplate;
    const std::vector<Range> ranges = inTextOrder(selections);

    if (ranges.front().length == 0) {
        // The cursor's own line gets the prefix, empty or not.
        const qsizetype cursor = ranges.front().location;
        const QString inserted = numbering ? numbered(1) : prefix;
        const qsizetype lineStart = lineAt(text, cursor).start;
        plan.edits.push_back({ { lineStart, 0 }, inserted });
        plan.setsSelection = true;
        plan.selections = { { cursor + inserted.size() + suffixLength + endCursorOffset, 0 } };
        return plan;
    }

    QString working = text; // shows every insertion at once
    qsizetype total = 0;
    qsizetype lastPrefix = prefix.size();
    for (const Range& range : ranges) {
        const qsizetype before = total;
        const qsizetype start = before + range.location;
        qsizetype position = start;
        qsizetype count = 0;
        while (position < start + range.length + (total - before) && position < working.size()) {
            const Line line = lineAt(working, position);
            if (skipEmptyLines && line.start == line.contentsEnd) {
                position = line.end;
                continue;
            }
            const QString inserted = numbering ? numbered(count + 1) : prefix;
            working.insert(line.start, inserted);
            plan.edits.push_back({ { line.start, 0 }, inserted });
            lastPrefix = inserted.size();
            total += lastPrefix;
            position = line.end + lastPrefix;
            ++count;
        }
        if (count == 1)
            plan.selections.push_back({ start + lastPrefix, range.length });
        else
            plan.selections.push_back({ start, range.length + (total - before) });
    }
    plan.setsSelection = true;
    plan.selectionsWithUndo = true;
    return plan;
}

FormatPlan planShiftLeft(const QString& text, const std::vector<Range>& selections)
{
    FormatPlan plan;
    plan.path = EditPath::Whole;
    if (selections.empty())
        return plan;
    const Range first = inTextOrder(selections).front();
    const Range lines = lineRange(text, first);
    const QString original = text.mid(lines.location, lines.length);

    if (first.length > 0) {
        QString shifted = original;
        // From the last line to the first, so that earlier lines keep their places.
        std::vector<Line> each;
        for (qsizetype at = 0; at < shifted.size();) {
            const Line line = lineAt(shifted, at);
            each.push_back(line);
            at = line.end;
        }
        for (auto line = each.rbegin(); line != each.rend(); ++line) {
            if (canShiftLine(shifted.mid(line->start, line->contentsEnd - line->start)))
                shifted.remove(line->start, 1);
        }
        if (shifted == original)
            return plan;
        plan.edits.push_back({ lines, shifted });
        const qsizetype newLength = text.size() - (original.size() - shifted.size());
        const qsizetype location = std::min(first.location, newLength);
        plan.setsSelection = true;
        plan.selections = { { location, std::min(first.length, newLength - location) } };
        return plan;
    }

    // An empty line is judged without its terminator, so it stays and never
    // joins the next one.
    const Line line = lineAt(text, first.location);
    if (!canShiftLine(text.mid(line.start, line.contentsEnd - line.start)))
        return plan;
    plan.edits.push_back({ lines, original.mid(1) });
    plan.setsSelection = true;
    plan.selections = { first.location > line.start ? Range { first.location - 1, first.length } : first };
    return plan;
}

} // namespace textformat

LineFormatMenuItem::LineFormatMenuItem(QObject* parent)
    : WordFormatMenuItem(parent)
{
}

LineFormatMenuItem::LineFormatMenuItem(const QString& title, QObject* parent)
    : WordFormatMenuItem(title, parent)
{
}

textformat::FormatPlan LineFormatMenuItem::plan(const QString& text, const std::vector<textformat::Range>& selections)
{
    if (prefix() == kShiftRightTemplate)
        setPrefix(QStringLiteral("\t"));
    else if (prefix() == kShiftLeftTemplate)
        return textformat::planShiftLeft(text, selections);
    return textformat::planLineDecoration(text, selections, prefix(), suffix().size(), endCursorOffset(),
                                          m_skipEmptyLines);
}

} // namespace penwick
