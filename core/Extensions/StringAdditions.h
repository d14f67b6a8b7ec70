#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace penwick {

// Two ways of counting positions in a text meet here:
// - UTF-16 units, the positions of QString and of the editor (QTextCursor);
//   a character outside the Basic Multilingual Plane takes two;
// - characters, i.e. extended grapheme clusters (a letter with its combining
//   marks, a whole emoji sequence, CR LF), found with ICU's break iterator.

// A range in UTF-16 units.
struct UTF16Range {
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool operator==(const UTF16Range&) const = default;
};

// A half-open range of character indices: [lowerBound, upperBound).
struct CharacterRange {
    qsizetype lowerBound = 0;
    qsizetype upperBound = 0;

    qsizetype count() const { return upperBound - lowerBound; }
    bool operator==(const CharacterRange&) const = default;
};

// UTF-16 offsets of every character start in order, followed by the text's length
// ({0} for the empty text).
QList<qsizetype> characterBoundaries(const QString& text);

// Number of characters (grapheme clusters) in the text.
qsizetype characterCount(const QString& text);

// The character range covering a UTF-16 range. A location or end past the text is
// cut back to the end of the text (a location beyond it gives the empty range at
// the end). Nothing when either end falls inside a character (in a surrogate pair,
// between a letter and its combining mark, between CR and LF).
std::optional<CharacterRange> rangeFromNSRange(const QString& text, UTF16Range range);

// The UTF-16 range covering a character range. Bounds past the last character are
// cut back to the end of the text; an upper bound below the lower one gives an
// empty range at the lower bound.
UTF16Range NSRangeFromRange(const QString& text, CharacterRange range);

} // namespace penwick
