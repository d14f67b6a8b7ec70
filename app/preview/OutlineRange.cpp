#include "preview/OutlineRange.h"

#include "Extensions/StringAdditions.h"

#include <optional>

namespace penwick {

namespace {

bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x2029);
}

// Line ends in the sense of the platform's newline set: what the fence test trims away.
bool isNewlineCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QStringView trimNewlines(QStringView line)
{
    qsizetype start = 0;
    qsizetype end = line.size();
    while (start < end && isNewlineCharacter(line[start]))
        ++start;
    while (end > start && isNewlineCharacter(line[end - 1]))
        --end;
    return line.mid(start, end - start);
}

// Calls `visit(text, range)` for every line, without its terminator. A terminator at the very
// end makes no empty last line; an empty line between two terminators is visited.
template<typename Visit>
void forEachParagraph(const QString& text, Visit visit)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && !isLineEnd(text[end]))
            ++end;
        visit(QStringView(text).mid(start, end - start), platform::TextRange(start, end - start));
        if (end >= size)
            break;
        qsizetype next = end + 1;
        if (text[end] == u'\r' && next < size && text[next] == u'\n')
            ++next;
        start = next;
    }
}

} // namespace

OutlineRangeLists extractOutlineRanges(const QString& text)
{
    static const QString fence = QStringLiteral("```");
    static const QString hash = QStringLiteral("#");
    static const QString doubleUnderline = QStringLiteral("===");
    static const QString singleUnderline = QStringLiteral("---");

    OutlineRangeLists lists;
    auto& [headings, full] = lists;
    std::optional<QStringView> previousLine;
    std::optional<platform::TextRange> previousRange;

    forEachParagraph(text, [&](QStringView line, platform::TextRange range) {
        const bool isHeading = line.startsWith(hash);
        const bool isFence = line.startsWith(fence);
        const bool isDouble = line.startsWith(doubleUnderline);
        const bool isSingle = line.startsWith(singleUnderline);
        if (isHeading || isFence || isDouble || isSingle) {
            const QStringView trimmed = trimNewlines(line);
            if (trimmed.startsWith(fence)) {
                // A bare fence (opening or closing) carries nothing worth listing.
                if (characterCount(trimmed.toString()) != 3)
                    full.append(OutlineRange(line.toString(), range));
            } else if (trimmed.startsWith(hash)) {
                headings.append(OutlineRange(line.toString(), range));
                full.append(OutlineRange(line.toString(), range));
            } else if (previousLine && previousRange) {
                const QString title = (isDouble ? QStringLiteral("# ") : QStringLiteral("## ")) + previousLine->toString();
                headings.append(OutlineRange(title, *previousRange));
                full.append(OutlineRange(title, *previousRange));
            }
        }
        previousLine = line;
        previousRange = range;
    });
    return lists;
}

} // namespace penwick
