#pragma once

#include <QString>

namespace penwick {

// Keeps mathematics away from the GFM engine's inline parsing, so that MathJax in the page
// finds a formula's text as it was typed: inside every "$…$", "$$…$$", "\(…\)" and "\[…\]"
// span, each ASCII punctuation character is backslash-escaped, which the engine turns back into
// the character itself (so "$$x_1*y_1$$" reaches the page as "$$x_1*y_1$$", not with emphasis).
// Code spans, fenced and indented code blocks and HTML blocks are left as they are, dollars and
// all. A single "$" opens only before a non-blank character and closes only after one, and
// not before a digit ("$5 and $6" is no formula); no span crosses a blank line.
QString protectMathSpans(const QString& markdown);

} // namespace penwick
