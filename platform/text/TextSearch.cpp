#include "platform/text/TextSearch.h"

#include <utility>

namespace penwick::platform {

TextSearch::TextSearch(QString pattern, Qt::CaseSensitivity sensitivity)
    : m_pattern(std::move(pattern))
    , m_sensitivity(sensitivity)
{
}

TextRanges TextSearch::occurrences(const QString& text) const
{
    TextRanges found;
    if (m_pattern.isEmpty())
        return found;
    for (qsizetype at = text.indexOf(m_pattern, 0, m_sensitivity); at >= 0;
         at = text.indexOf(m_pattern, at + m_pattern.size(), m_sensitivity))
        found.append(TextRange(at, m_pattern.size()));
    return found;
}

qsizetype TextSearch::count(const QString& text) const
{
    if (m_pattern.isEmpty())
        return 0;
    qsizetype n = 0;
    for (qsizetype at = text.indexOf(m_pattern, 0, m_sensitivity); at >= 0;
         at = text.indexOf(m_pattern, at + m_pattern.size(), m_sensitivity))
        ++n;
    return n;
}

bool TextSearch::isOccurrence(const QString& text, TextRange range) const
{
    if (m_pattern.isEmpty() || range.length != m_pattern.size() || range.location < 0 || range.end() > text.size())
        return false;
    // Occurrences are counted from the start, so "aa" in "aaa" is at 0 only, never at 1.
    for (const TextRange& occurrence : occurrences(text)) {
        if (occurrence.location >= range.location)
            return occurrence == range;
    }
    return false;
}

std::optional<TextRange> TextSearch::next(const QString& text, TextRange selection, bool backwards) const
{
    const TextRanges all = occurrences(text);
    if (all.isEmpty())
        return std::nullopt;
    if (!backwards) {
        for (const TextRange& occurrence : all) {
            if (occurrence.location >= selection.end() && occurrence != selection)
                return occurrence;
        }
        return all.constFirst();
    }
    for (qsizetype i = all.size() - 1; i >= 0; --i) {
        if (all[i].end() <= selection.location && all[i] != selection)
            return all[i];
    }
    return all.constLast();
}

TextSearch::Replacement TextSearch::replaceAll(const QString& text, const QString& with) const
{
    const TextRanges all = occurrences(text);
    Replacement result;
    if (all.isEmpty())
        return result;
    const qsizetype from = all.constFirst().location;
    const qsizetype to = all.constLast().end();
    result.range = TextRange(from, to - from);
    result.count = all.size();
    qsizetype copied = from;
    for (const TextRange& occurrence : all) {
        result.text += QStringView(text).mid(copied, occurrence.location - copied);
        result.text += with;
        copied = occurrence.end();
    }
    return result;
}

} // namespace penwick::platform
