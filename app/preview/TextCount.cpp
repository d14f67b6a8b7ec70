#include "preview/TextCount.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <unicode/ubrk.h>
#include <unicode/utypes.h>

#include <memory>

namespace penwick::TextCount {

namespace {

bool isNewline(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

enum class Walk { Words, Characters, NonSpace };

uint64_t measure(const QString& text, Walk walk)
{
    switch (walk) {
    case Walk::Words: return numberOfWords(text);
    case Walk::Characters: return lengthWithoutNewlines(text);
    case Walk::NonSpace: return lengthWithoutWhitespacesAndNewlines(text);
    }
    return 0;
}

uint64_t walkTree(const QJsonValue& node, const QString& parentTag, Walk walk)
{
    if (node.isString())
        return measure(node.toString(), walk);
    if (!node.isArray())
        return 0;
    const QJsonArray array = node.toArray();
    const QString tag = array.isEmpty() ? QString() : array.at(0).toString().toUpper();
    // A title is head content even where a body injection has put it: never shown, never counted.
    if (tag == QLatin1String("SCRIPT") || tag == QLatin1String("STYLE") || tag == QLatin1String("HEAD") || tag == QLatin1String("TITLE"))
        return 0;
    if (walk == Walk::Words && tag == QLatin1String("CODE") && parentTag == QLatin1String("PRE"))
        return 0;
    uint64_t sum = 0;
    for (qsizetype i = 1; i < array.size(); ++i)
        sum += walkTree(array.at(i), tag, walk);
    if (walk == Walk::Words && tag == QLatin1String("CODE"))
        return sum > 0 ? 1 : 0;
    return sum;
}

struct BreakIteratorCloser {
    void operator()(UBreakIterator* it) const { ubrk_close(it); }
};

} // namespace

uint64_t numberOfWords(const QString& text)
{
    if (text.isEmpty())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorCloser> iterator(ubrk_open(UBRK_WORD, "", nullptr, 0, &status));
    if (!iterator)
        return 0;
    status = U_ZERO_ERROR;
    ubrk_setText(iterator.get(), reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return 0;
    uint64_t words = 0;
    ubrk_first(iterator.get());
    while (ubrk_next(iterator.get()) != UBRK_DONE) {
        if (ubrk_getRuleStatus(iterator.get()) >= UBRK_WORD_NONE_LIMIT)
            ++words;
    }
    // Leave no pointer into `text` behind.
    status = U_ZERO_ERROR;
    ubrk_setText(iterator.get(), nullptr, 0, &status);
    return words;
}

uint64_t lengthWithoutNewlines(const QString& text)
{
    uint64_t n = 0;
    for (const QChar c : text)
        n += isNewline(c.unicode()) ? 0 : 1;
    return n;
}

uint64_t lengthWithoutWhitespacesAndNewlines(const QString& text)
{
    uint64_t n = 0;
    for (const QChar c : text)
        n += (isNewline(c.unicode()) || c.isSpace()) ? 0 : 1;
    return n;
}

DOMNodeTextCount countDomTree(const QJsonValue& tree)
{
    return countDomTree(tree, QString());
}

DOMNodeTextCount countDomTree(const QJsonValue& tree, const QString& parentTag)
{
    const QString parent = parentTag.toUpper();
    return { walkTree(tree, parent, Walk::Words), walkTree(tree, parent, Walk::Characters), walkTree(tree, parent, Walk::NonSpace) };
}

const QString& domWalkFunction()
{
    static const QString function = QStringLiteral(
        "function walk(n, skipBody) {"
        "  var t = n.nodeType;"
        "  if (t === 3 || t === 4) return n.nodeValue;"
        "  if (t !== 1 && t !== 9 && t !== 11) return null;"
        "  var out = [t === 1 ? n.tagName : ''];"
        "  if (skipBody && n === document.body) return out;"
        "  for (var c = n.firstChild; c; c = c.nextSibling) { var r = walk(c, skipBody); if (r !== null) out.push(r); }"
        "  return out;"
        "}");
    return function;
}

const QString& domTreeScript()
{
    static const QString script = QStringLiteral("(function () {") + domWalkFunction()
        + QStringLiteral("  return JSON.stringify(walk(document, false));})()");
    return script;
}

} // namespace penwick::TextCount
