#pragma once

#include <QList>
#include <QtGlobal>

namespace penwick::platform {

// A run of text: start and length in UTF-16 code units of a text view's text. An empty
// range is a caret.
struct TextRange {
    qsizetype location = 0;
    qsizetype length = 0;

    constexpr TextRange() = default;
    constexpr TextRange(qsizetype loc, qsizetype len) : location(loc), length(len) {}

    constexpr qsizetype end() const { return location + length; }
    constexpr bool isEmpty() const { return length == 0; }
    constexpr bool contains(qsizetype position) const { return position >= location && position < end(); }
    friend constexpr bool operator==(const TextRange&, const TextRange&) = default;
};

using TextRanges = QList<TextRange>;

} // namespace penwick::platform
