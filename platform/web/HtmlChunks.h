#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace penwick::platform {

// Splits a body fragment into top-level pieces whose concatenation is the fragment: each
// piece ends right after a top-level element (or comment) closes, and text between top-level
// elements starts the next piece. Only markup whose elements all close explicitly and in
// order is split, so that parsing each piece alone builds the same nodes as parsing the whole;
// anything else (an unclosed or stray tag, a self-closed ordinary element, "<plaintext>", an
// unterminated comment or tag) gives nothing.
std::optional<QStringList> splitTopLevelHtml(const QString& html);

} // namespace penwick::platform
