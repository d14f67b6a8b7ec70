#pragma once

#include "platform/text/TextRange.h"

#include <QString>

namespace penwick {

// Parts of Markdown text that are not prose and must not be spell checked, found in the text
// itself (so they are known without the highlighter's parse, which distraction-free mode
// switches off).
namespace MarkdownSpellingSkips {

// Link and image destinations ("[a](dest)", "![a](<dest> \"title\")"), the destinations of
// reference definitions ("[r]: dest") and "#anchor" words in `text`, which starts at `offset`
// in the document.
platform::TextRanges destinations(const QString& text, qsizetype offset);

// The fenced code blocks of `document` and the code spans of its lines that meet `range`.
// Fences are followed from the top of the document, so that a range inside a long fence
// knows it is code.
platform::TextRanges codeRanges(const QString& document, platform::TextRange range);

} // namespace MarkdownSpellingSkips
} // namespace penwick
