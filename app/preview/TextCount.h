#pragma once

#include <QJsonValue>
#include <QString>

#include <cstdint>

namespace penwick {

// Counts of what a page or text shows: words; characters other than line breaks; characters
// other than white space and line breaks (UTF-16 units).
struct DOMNodeTextCount {
    uint64_t words = 0;
    uint64_t characters = 0;
    uint64_t charactersWithoutSpaces = 0;

    bool operator==(const DOMNodeTextCount&) const = default;
};

namespace TextCount {

// Words as the ICU word break iterator finds them (segments that are not spaces or
// punctuation): "don't" and "3.14" are one word each.
uint64_t numberOfWords(const QString& text);
// Length without U+000A–U+000D, U+0085, U+2028, U+2029.
uint64_t lengthWithoutNewlines(const QString& text);
// Length without those and without white space (a no-break space is white space).
uint64_t lengthWithoutWhitespacesAndNewlines(const QString& text);

// The counts of a DOM tree given as compact JSON (domTreeScript()): an element, document or
// fragment is an array of its tag name ("" for the document) and its children; text and
// CDATA are strings. Heads, titles, scripts and style sheets count nothing; inline code counts one
// word, a code block none (its characters count).
DOMNodeTextCount countDomTree(const QJsonValue& tree);
// The same for a subtree whose parent element has the tag `parentTag`.
DOMNodeTextCount countDomTree(const QJsonValue& tree, const QString& parentTag);
// The script function walk(node, skipBody) that gives a node's tree in that JSON form (null for
// other kinds of node); with skipBody, the body element comes without its children.
const QString& domWalkFunction();
// The application-world script that returns the page's DOM as that JSON text.
const QString& domTreeScript();

} // namespace TextCount

} // namespace penwick
