#pragma once

#include "platform/text/TextRange.h"

#include <QString>
#include <QTextDocumentFragment>

#include <optional>
#include <variant>

namespace penwick {

// Text to insert for a snippet: plain text, or formatted text.
using SnippetText = std::variant<QString, QTextDocumentFragment>;

// Finds a snippet shortcut ("@" and the shortcut, optionally ".h" or ".f") before the caret
// and makes the text that replaces it. Positions are UTF-16 units.
class SnippetManager {
public:
    struct Scan {
        qsizetype foundLocation = -1;          // where the backward scan stopped; -1 at the start of the text
        QString matchingString;                // between that position and the caret
        std::optional<QChar> stoppingCharacter; // the unit the scan stopped at (the first one at the start)
    };
    struct Expansion {
        qsizetype foundLocation = -1; // the "@"
        QString matchingString;       // the shortcut with its modifier
        std::optional<SnippetText> textToBeInserted;
    };

    SnippetManager() = delete;

    // The first `location` units of `input` (all of it when shorter); nothing when empty or absent.
    static std::optional<QString> substringToLocation(qsizetype location, const std::optional<QString>& input);
    // Scans back from `location` to "@", a space, a line break or a tab.
    static std::optional<Scan> parseForSnippetStartingAt(qsizetype location, const QString& text);
    // The snippet whose shortcut ends at the start of `range`, with the text to insert.
    static std::optional<Expansion> getSnippetToBeInsertedAtRange(platform::TextRange range, const QString& text);

    // The style the "f" modifier gives formatted snippets.
    static inline const QString formattedSnippetStyle = QStringLiteral("body {color: red;}");
};

} // namespace penwick
