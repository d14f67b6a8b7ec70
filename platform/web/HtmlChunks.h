#pragma once

#include <QString>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace penwick::platform {

// A top-level piece of a body: its markup as it stands in the body, and the end tags that,
// put right after it, end the formatting elements (<b>, <a>, <font>...) it leaves open inside
// it. The engine's parser would reopen those in every later block ("x <b>y</p><p>z" makes "z"
// bold too, and the rest of the page with it); closed there, an unclosed tag stays in its own
// block, and every piece parses alone as it does in the page.
struct TopLevelPiece {
    QString html;
    QString closer;
    QString sealed() const { return html + closer; }
    bool operator==(const TopLevelPiece& other) const { return html == other.html; } // the closer follows from the markup
};
using TopLevelPieces = QList<TopLevelPiece>;

// Splits a body fragment into top-level pieces whose markup, put together, is the fragment:
// each piece ends right after a top-level element (or comment) closes, and text between
// top-level elements starts the next piece. Only markup whose elements close explicitly, or
// with the block around them (an end tag that the parser applies to an element further
// out, leaving inline elements inside it), is split, so that parsing each sealed piece alone
// builds the same nodes as parsing the sealed pieces together; anything else (a block element
// left open, a stray block end tag, a self-closed ordinary element, "<plaintext>", an
// unterminated comment or tag) gives nothing.
std::optional<TopLevelPieces> splitTopLevelHtml(const QString& html);

// The sealed pieces together: the body as the page is given it.
QString sealedHtml(const TopLevelPieces& pieces);

struct TopLevelSplit {
    TopLevelPieces pieces;
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
    TopLevelPieces added;
};

// The change from `old` (the pieces of `oldHtml`) to the pieces of `html`, splitting only the
// stretch that differs; nothing when `html` cannot be split.
std::optional<TopLevelChange> changedTopLevelPieces(const TopLevelPieces& old, const QString& oldHtml, const QString& html);

} // namespace penwick::platform
