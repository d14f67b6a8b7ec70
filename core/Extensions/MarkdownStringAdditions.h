#pragma once

#include "Vendors/YamlReader.h"

#include <QString>

#include <optional>

namespace penwick {

// Renderer flags of the GFM bridge, as the callers know them.
namespace GFMFlags {
constexpr unsigned HOEDOWN_HTML_HARD_WRAP = 4;
constexpr unsigned HOEDOWN_HTML_USE_TASK_LIST = 16;
constexpr unsigned HOEDOWN_HTML_HEADER_ID = 64;
constexpr unsigned HOEDOWN_HTML_FENCED_CODE_SCRIPT = 128;
// Document extensions and nesting depth of the processor. The engine here always runs
// its own fixed set (tables, strikethrough, autolinks, task lists, footnotes, raw HTML);
// the values are kept for callers that pass them through.
constexpr unsigned kDocumentExtensions = 0xbfff;
constexpr int kMaxNesting = 16;
} // namespace GFMFlags

// The front-matter block at the very start of a text: three hyphens, any white space and
// a line feed; then the shortest run of lines up to a closing line of three hyphens (which
// takes every white-space character after it) or three full stops.
inline const QString kFrontMatterPattern = QStringLiteral("^-{3}\\s*\n(.*?\n)((?:-{3}\\s*)|(?:\\.{3}))");

// Reads the YAML front matter of `text`: the first document's value, or nothing when the
// text has no front-matter block or the block holds no YAML document. `length` (when
// given) receives the length of the whole block in UTF-16 units, or 0.
std::optional<YamlValue> frontMatter(const QString& text, qsizetype* length = nullptr);

// Renders GitHub-flavoured Markdown to an HTML fragment. With `headerIds` every heading
// gets an id (a slug of its text; repeats get "-1", "-2", ...) and stays on one line.
// With `hardWrap` a single line break becomes <br />. The text is read up to its first NUL.
QString renderAsMarkdownByAddingHeaderIds(const QString& text, bool headerIds, bool hardWrap);

// The same, with the renderer flags spelt out.
QString renderGFMWithFlags(const QString& text, unsigned flags);

// The id a heading with this plain text gets at its first occurrence.
QString headingSlug(const QString& headingText);

} // namespace penwick
