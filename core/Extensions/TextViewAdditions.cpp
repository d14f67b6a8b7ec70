#include "Extensions/TextViewAdditions.h"

#include "CorePrefs.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextLines.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QCoreApplication>

#include <limits>

namespace penwick::PWAdditions {

using platform::TextRange;
using platform::TextRanges;
using platform::TextView;

QString duplicateLineActionName()
{
    return QCoreApplication::translate("PWAdditions", "Duplicate Line");
}

QString moveLineActionName()
{
    return QCoreApplication::translate("PWAdditions", "Move Line");
}

qsizetype tabWidth()
{
    const qint64 stored = platform::UserDefaults::standard().integerForKey(CorePrefs::EDITOR_TABWIDTH);
    // A stored width of 0 or less would make no tab stops at all; one column is the least.
    if (stored < 1)
        return 1;
    return qsizetype(std::min<qint64>(stored, 1 << 16));
}

qsizetype columnOfLocation(const TextView& view, qsizetype location, bool expandsTab)
{
    const QString text = view.string();
    const qsizetype p = std::clamp<qsizetype>(location, 0, text.size());
    const TextRange line = platform::TextLines::lineRange(text, TextRange(p, 0));
    const qsizetype column = p - line.location;
    if (!expandsTab)
        return column;
    const qsizetype tabs = text.mid(line.location, column).count(QLatin1Char('\t'));
    return column + tabs * (tabWidth() - 1);
}

QStringList selectedTexts(const TextView& view)
{
    QStringList texts;
    for (const TextRange& range : view.selectedRanges()) {
        QString text = view.substring(view.lineRangeForRange(range));
        if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        texts.append(text);
    }
    return texts;
}

LinesWithRanges selectedLinesWithRanges(const TextView& view)
{
    LinesWithRanges result;
    const QString text = view.string();
    for (const TextRange& range : view.selectedRanges()) {
        platform::TextLines::enumerateLines(text, view.lineRangeForRange(range),
            [&](TextRange line, TextRange enclosing) {
                result.lines.append(text.mid(line.location, line.length));
                result.ranges.append(enclosing);
            });
    }
    return result;
}

TextRanges selectedLineRanges(const TextView& view)
{
    TextRanges result;
    const QString text = view.string();
    for (const TextRange& range : view.selectedRanges()) {
        platform::TextLines::enumerateLines(text, view.lineRangeForRange(range),
            [&](TextRange, TextRange enclosing) {
                if (!result.contains(enclosing))
                    result.append(enclosing);
            });
    }
    return result;
}

namespace {

// Whether a selected range starts on the line `line` (the end of the text counts as on the
// last line).
bool startsOn(const TextRange& range, const TextRange& line, qsizetype textLength)
{
    if (range.location >= line.location && range.location < line.end())
        return true;
    return range.location == textLength && line.end() == textLength && range.location >= line.location;
}

} // namespace

void duplicateSelectedLines(TextView& view)
{
    struct Insertion {
        qsizetype at;
        QString text;
    };
    QList<Insertion> insertions;
    for (const TextRange& range : view.selectedRanges()) {
        const TextRange lines = view.lineRangeForRange(range);
        QString text = view.substring(lines);
        if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        insertions.append({ lines.location, text });
    }
    for (const Insertion& insertion : insertions) {
        if (!view.shouldChangeTextInRange(TextRange(insertion.at, 0), insertion.text))
            return;
    }
    view.beginEditing();
    for (auto it = insertions.crbegin(); it != insertions.crend(); ++it)
        view.replaceCharacters(TextRange(it->at, 0), it->text);
    view.endEditing();
    view.didChangeText();
    view.undoManager()->setActionName(duplicateLineActionName());
}

void moveLinesUp(TextView& view)
{
    const TextRanges lines = selectedLineRanges(view);
    if (lines.isEmpty() || lines.constFirst().location == 0) {
        view.beep();
        return;
    }
    const TextRanges selection = view.selectedRanges();
    EditPlainTextWithUndo::registerSelectionUndo(view, selection);
    TextRanges moved;
    view.beginEditing();
    for (const TextRange& line : lines) {
        const TextRange above = view.lineRangeForRange(TextRange(line.location - 1, 0));
        QString lineText = view.substring(line);
        QString aboveText = view.substring(above);
        if (!lineText.endsWith(QLatin1Char('\n'))) {
            lineText += QLatin1Char('\n');
            aboveText.chop(1);
        }
        const QString replacement = lineText + aboveText;
        const TextRange replaced(above.location, replacement.size());
        if (!view.shouldChangeTextInRange(replaced, replacement))
            continue;
        const qsizetype textLength = view.textLength();
        view.replaceCharacters(replaced, replacement);
        view.didChangeText();
        for (const TextRange& range : selection) {
            if (startsOn(range, line, textLength))
                moved.append(TextRange(range.location - above.length, range.length));
        }
    }
    view.endEditing();
    setSelectedRangesWithUndo(view, moved.isEmpty() ? selection : moved);
    view.undoManager()->setActionName(moveLineActionName());
}

void moveLinesDown(TextView& view)
{
    const TextRanges lines = selectedLineRanges(view);
    if (lines.isEmpty() || lines.constLast().end() >= view.textLength()) {
        view.beep();
        return;
    }
    const TextRanges selection = view.selectedRanges();
    EditPlainTextWithUndo::registerSelectionUndo(view, selection);
    TextRanges moved;
    view.beginEditing();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const TextRange line = *it;
        const TextRange below = view.lineRangeForRange(TextRange(line.end(), 0));
        QString lineText = view.substring(line);
        QString belowText = view.substring(below);
        qsizetype belowLength = below.length;
        if (!belowText.endsWith(QLatin1Char('\n'))) {
            lineText.chop(1);
            belowText += QLatin1Char('\n');
            ++belowLength;
        }
        const QString replacement = belowText + lineText;
        const TextRange replaced(line.location, replacement.size());
        if (!view.shouldChangeTextInRange(replaced, replacement))
            continue;
        const qsizetype textLength = view.textLength();
        view.replaceCharacters(replaced, replacement);
        view.didChangeText();
        for (const TextRange& range : selection) {
            if (startsOn(range, line, textLength))
                moved.append(TextRange(range.location + belowLength, range.length));
        }
    }
    view.endEditing();
    setSelectedRangesWithUndo(view, moved.isEmpty() ? selection : moved);
    view.undoManager()->setActionName(moveLineActionName());
}

} // namespace penwick::PWAdditions
