#pragma once

#include "platform/text/TextRange.h"

#include <QString>

#include <optional>

namespace penwick::platform {

// Literal search in a text, with or without regard to case: the occurrences of a pattern,
// the one to go to from a selection, and the text with every occurrence replaced. Occurrences
// never overlap; they are taken from the start of the text on.
class TextSearch {
public:
    TextSearch(QString pattern, Qt::CaseSensitivity sensitivity);

    const QString& pattern() const { return m_pattern; }
    Qt::CaseSensitivity caseSensitivity() const { return m_sensitivity; }

    TextRanges occurrences(const QString& text) const;
    qsizetype count(const QString& text) const;
    // Whether `range` of `text` is one of the occurrences.
    bool isOccurrence(const QString& text, TextRange range) const;
    // The first occurrence after `selection` (or the last one before it), wrapping around the
    // text; none when there is none at all.
    std::optional<TextRange> next(const QString& text, TextRange selection, bool backwards) const;

    struct Replacement {
        TextRange range;     // the stretch of the old text that changes: first to last occurrence
        QString text;        // what that stretch becomes
        qsizetype count = 0; // occurrences replaced
    };
    // Every occurrence replaced by `with`, as one change of the stretch that holds them.
    Replacement replaceAll(const QString& text, const QString& with) const;

private:
    QString m_pattern;
    Qt::CaseSensitivity m_sensitivity;
};

} // namespace penwick::platform
