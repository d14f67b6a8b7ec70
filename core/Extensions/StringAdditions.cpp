#include "Extensions/StringAdditions.h"

#include <QTextBoundaryFinder>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <functional>
#include <memory>

namespace penwick {

namespace {

// Calls `visit` with every character boundary of the text in ascending order,
// starting with 0 and ending with the text's length, until `visit` returns false.
void forEachCharacterBoundary(const QString& text, const std::function<bool(qsizetype)>& visit)
{
    if (text.isEmpty()) {
        visit(0);
        return;
    }

    // Creating an ICU iterator is costly; each thread keeps one.
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            made.reset();
        return made;
    }();

    if (iterator) {
        UErrorCode status = U_ZERO_ERROR;
        UText* utext = utext_openUChars(nullptr, reinterpret_cast<const UChar*>(text.utf16()), text.size(), &status);
        if (U_SUCCESS(status)) {
            iterator->setText(utext, status);
            if (U_SUCCESS(status)) {
                for (int32_t position = iterator->first(); position != icu::BreakIterator::DONE; position = iterator->next()) {
                    if (!visit(position))
                        break;
                }
            }
            // Leave the iterator on text that outlives the caller's buffer.
            static const icu::UnicodeString nothing;
            iterator->setText(nothing);
            utext_close(utext);
            if (U_SUCCESS(status))
                return;
        }
    }

    // Without ICU, Qt's own grapheme iteration is close enough.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype position = 0; position != -1; position = finder.toNextBoundary()) {
        if (!visit(position))
            return;
    }
}

} // namespace

QList<qsizetype> characterBoundaries(const QString& text)
{
    QList<qsizetype> result;
    forEachCharacterBoundary(text, [&result](qsizetype position) {
        result.append(position);
        return true;
    });
    return result;
}

qsizetype characterCount(const QString& text)
{
    qsizetype boundaries = 0;
    forEachCharacterBoundary(text, [&boundaries](qsizetype) {
        ++boundaries;
        return true;
    });
    return boundaries - 1;
}

std::optional<CharacterRange> rangeFromNSRange(const QString& text, UTF16Range range)
{
    const qsizetype size = text.size();
    const qsizetype start = qBound<qsizetype>(0, range.location, size);
    const qsizetype end = qBound<qsizetype>(start, start + qMax<qsizetype>(0, range.length), size);

    std::optional<qsizetype> lower;
    std::optional<qsizetype> upper;
    qsizetype index = 0;
    forEachCharacterBoundary(text, [&](qsizetype position) {
        if (position == start)
            lower = index;
        if (position == end)
            upper = index;
        ++index;
        return position < end;
    });
    if (!lower || !upper)
        return std::nullopt;
    return CharacterRange { *lower, *upper };
}

UTF16Range NSRangeFromRange(const QString& text, CharacterRange range)
{
    const qsizetype lowerIndex = qMax<qsizetype>(0, range.lowerBound);
    const qsizetype upperIndex = qMax(lowerIndex, range.upperBound);

    qsizetype lower = -1;
    qsizetype upper = -1;
    qsizetype last = 0;
    qsizetype index = 0;
    forEachCharacterBoundary(text, [&](qsizetype position) {
        last = position;
        if (index == lowerIndex)
            lower = position;
        if (index == upperIndex) {
            upper = position;
            return false;
        }
        ++index;
        return true;
    });
    if (lower < 0)
        lower = last;
    if (upper < 0)
        upper = last;
    return UTF16Range { lower, upper - lower };
}

} // namespace penwick
