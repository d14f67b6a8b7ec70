#pragma once

#include "platform/text/TextRange.h"

#include <QList>
#include <QString>

#include <utility>

namespace penwick {

// One entry of a heading outline: the text shown for it and the range of its line in the
// editor's text (UTF-16 units, line end excluded). Immutable: copies never share state.
class OutlineRange {
public:
    OutlineRange(QString title, platform::TextRange range)
        : m_title(std::move(title))
        , m_range(range)
    {
    }

    const QString& title() const { return m_title; }
    platform::TextRange range() const { return m_range; }

    friend bool operator==(const OutlineRange&, const OutlineRange&) = default;

private:
    QString m_title;
    platform::TextRange m_range;
};

// (headings, headings and code-block openers), both in text order.
using OutlineRangeLists = std::pair<QList<OutlineRange>, QList<OutlineRange>>;

// Scans the Markdown text line by line: ATX heading lines, setext underlines (which make the
// line above a heading) and fence lines that carry something after the three backticks.
// Lines end at LF, CR, CR LF and U+2029 only. Pure; an empty text gives two empty lists.
OutlineRangeLists extractOutlineRanges(const QString& text);

} // namespace penwick
