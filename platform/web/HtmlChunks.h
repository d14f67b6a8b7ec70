#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace penwick::platform {

// Splits a body fragment into top-level pieces whose concatenation is the fragment: each
// piece ends right after a top-level element (or comment) closes, and text between top-level
// elements starts the next piece. Only markup whose elements all close explicitly and in
// order is split, so that parsing each piece alone builds the same nodes as parsing the whole;
// anything else (an unclosed or stray tag, a self-closed ordinary element, "<plaintext>", an
// unterminated comment or tag) gives nothing.
std::optional<QStringList> splitTopLevelHtml(const QString& html);

struct TopLevelSplit {
    QStringList pieces;
    qsizetype end = 0; // where the last piece ends
};

// The same from `from`, a place where a piece of `html` starts, until `stopAt` (asked at the
// end of each piece) says enough or the markup ends. The pieces after a stop are the caller's
// to know: markup past it is not looked at.
std::optional<TopLevelSplit> splitTopLevelHtmlFrom(const QString& html, qsizetype from, const std::function<bool(qsizetype)>& stopAt);

// How the pieces of a body changed: `removed` pieces after the first `kept` go, `added` come in
// their place.
struct TopLevelChange {
    qsizetype kept = 0;
    qsizetype removed = 0;
    QStringList added;
};

// The change from `old` (the pieces of `oldHtml`) to the pieces of `html`, splitting only the
// stretch that differs; nothing when `html` cannot be split.
std::optional<TopLevelChange> changedTopLevelPieces(const QStringList& old, const QString& oldHtml, const QString& html);

} // namespace penwick::platform
