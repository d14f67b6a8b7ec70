#pragma once

#include "platform/text/TextRange.h"

#include <QString>

#include <functional>

namespace penwick::platform {

// Line arithmetic on a text with UTF-16 positions. A line ends after "\n", "\r", "\r\n",
// U+2028, U+2029 or U+0085; the terminator belongs to the line.
namespace TextLines {

bool isLineTerminator(QChar c);

// Start of the line that holds `position`.
qsizetype lineStart(const QString& text, qsizetype position);
// Ends of the line that holds `position`: after its terminator (`end`) and before it (`contentsEnd`).
void lineEnd(const QString& text, qsizetype position, qsizetype* end, qsizetype* contentsEnd);

// From the start of the first line the range touches through the end of the last one,
// terminator included. An empty range at the end of a terminated text gives an empty range.
TextRange lineRange(const QString& text, TextRange range);

// Calls `visit` for each line within `range` (which should be a line range) with the line
// without and with its terminator. An empty range holds no line.
void enumerateLines(const QString& text, TextRange range,
    const std::function<void(TextRange line, TextRange enclosing)>& visit);

} // namespace TextLines
} // namespace penwick::platform
