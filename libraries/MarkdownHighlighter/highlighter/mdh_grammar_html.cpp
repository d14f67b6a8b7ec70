// HTML block rules, driven by the table of block tags.
#include "mdh_definitions.h"
#include "mdh_grammar_actions.h"

namespace penwick::mdh {

namespace {

struct BlockTag {
    const char *lower;
    const char *upper;
    bool rulePair;   // has open/close/element rules (else self-closing form only)
    int headingType; // H1..H6, or -1
};

// In the order the tags are tried; "p" before "pre" and "th" before "thead" on purpose.
constexpr BlockTag kBlockTags[] = {
    {"address", "ADDRESS", true, -1},   {"blockquote", "BLOCKQUOTE", true, -1},
    {"center", "CENTER", true, -1},     {"dir", "DIR", true, -1},
    {"div", "DIV", true, -1},           {"dl", "DL", true, -1},
    {"fieldset", "FIELDSET", true, -1}, {"form", "FORM", true, -1},
    {"h1", "H1", true, H1},             {"h2", "H2", true, H2},
    {"h3", "H3", true, H3},             {"h4", "H4", true, H4},
    {"h5", "H5", true, H5},             {"h6", "H6", true, H6},
    {"hr", "HR", false, -1},            {"isindex", "ISINDEX", false, -1},
    {"menu", "MENU", true, -1},         {"noframes", "NOFRAMES", true, -1},
    {"noscript", "NOSCRIPT", true, -1}, {"ol", "OL", true, -1},
    {"p", "P", true, -1},               {"pre", "PRE", true, -1},
    {"table", "TABLE", true, -1},       {"ul", "UL", true, -1},
    {"dd", "DD", true, -1},             {"dt", "DT", true, -1},
    {"frameset", "FRAMESET", true, -1}, {"li", "LI", true, -1},
    {"tbody", "TBODY", true, -1},       {"td", "TD", true, -1},
    {"tfoot", "TFOOT", true, -1},       {"th", "TH", true, -1},
    {"thead", "THEAD", true, -1},       {"tr", "TR", true, -1},
    {"script", "SCRIPT", false, -1},
};
constexpr int kTagCount = static_cast<int>(sizeof(kBlockTags) / sizeof(kBlockTags[0]));
constexpr int kScriptTag = kTagCount - 1;

bool TagName(Ctx &c, const BlockTag &tag)
{
    return c.str(tag.lower) || c.str(tag.upper);
}

// "<" Spnl name Spnl HtmlAttribute* ">"
bool OpenTag(Ctx &c, const BlockTag &tag)
{
    return seq(c, [&] {
        if (!c.ch('<'))
            return false;
        Spnl(c);
        if (!TagName(c, tag))
            return false;
        Spnl(c);
        star(c, HtmlAttribute);
        return c.ch('>');
    });
}

// "<" Spnl "/" name Spnl ">"
bool CloseTag(Ctx &c, const BlockTag &tag)
{
    return seq(c, [&] {
        if (!c.ch('<'))
            return false;
        Spnl(c);
        if (!c.ch('/') || !TagName(c, tag))
            return false;
        Spnl(c);
        return c.ch('>');
    });
}

bool TagElement(Ctx &c, int index);

bool TagElementBody(Ctx &c, int index)
{
    const BlockTag &tag = kBlockTags[index];
    const bool heading = tag.headingType >= 0;
    Rule r(c, heading ? 1 : 0);
    if (!r.ok)
        return r.fail();
    if (heading) {
        if (!Mark(c))
            return r.fail();
        r.set(0);
    }
    if (!OpenTag(c, tag))
        return r.fail();
    const auto step = [index](Ctx &c) {
        if (TagElement(c, index))
            return true;
        return !ahead(c, [index](Ctx &c) { return CloseTag(c, kBlockTags[index]); }) && c.any();
    };
    const auto final = [index, heading](Ctx &c) {
        if (heading)
            c.begin();
        if (!CloseTag(c, kBlockTags[index]))
            return false;
        if (heading)
            c.end();
        return true;
    };
    if (!memoTail(c, kMemoHtmlBlockTagTail + static_cast<std::uint32_t>(index), step, final))
        return r.fail();
    if (heading)
        c.act(actAddFromSlot, packSlot(1, 0, tag.headingType));
    return r.done();
}

// The element of one block tag, with same-tag elements nested inside matched whole.
bool TagElement(Ctx &c, int index)
{
    if (kBlockTags[index].headingType >= 0) {
        // What the position marker at its start does when no tag follows.
        if (!c.avail() || c.cur() != '<') {
            c.begin();
            c.end();
            return false;
        }
    } else if (!c.peek('<')) {
        return false;
    }
    return memoized(c, kMemoHtmlBlockTag + static_cast<std::uint32_t>(index),
                    [index](Ctx &c) { return TagElementBody(c, index); });
}

bool HtmlBlockInTags(Ctx &c)
{
    for (int i = 0; i < kTagCount; ++i) {
        if (!kBlockTags[i].rulePair)
            continue;
        if (TagElement(c, i))
            return true;
    }
    return HtmlBlockScript(c);
}

bool HtmlBlockSelfClosing(Ctx &c)
{
    return seq(c, [&] {
        if (!c.ch('<'))
            return false;
        Spnl(c);
        bool named = false;
        for (int i = 0; i < kTagCount && !named; ++i)
            named = c.str(kBlockTags[i].lower);
        for (int i = 0; i < kTagCount && !named; ++i)
            named = c.str(kBlockTags[i].upper);
        if (!named)
            return false;
        Spnl(c);
        star(c, HtmlAttribute);
        if (!c.ch('/'))
            return false;
        Spnl(c);
        return c.ch('>');
    });
}

const BlockTag kStyleTag = {"style", "STYLE", true, -1};

bool InStyleTags(Ctx &c)
{
    return seq(c, [&] {
        if (!OpenTag(c, kStyleTag))
            return false;
        return memoTail(
            c, kMemoStyleTail, [](Ctx &c) { return !ahead(c, [](Ctx &c) { return CloseTag(c, kStyleTag); }) && c.any(); },
            [](Ctx &c) { return CloseTag(c, kStyleTag); });
    });
}

} // namespace

bool HtmlBlockScript(Ctx &c)
{
    Rule r(c);
    if (!r.ok || !OpenTag(c, kBlockTags[kScriptTag]))
        return r.fail();
    const bool closed = memoTail(
        c, kMemoScriptTail,
        [](Ctx &c) { return !ahead(c, [](Ctx &c) { return CloseTag(c, kBlockTags[kScriptTag]); }) && c.any(); },
        [](Ctx &c) { return CloseTag(c, kBlockTags[kScriptTag]); });
    if (!closed)
        return r.fail();
    return r.done();
}

bool HtmlBlock(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    if (!(HtmlBlockInTags(c) || HtmlComment(c) || HtmlBlockSelfClosing(c)))
        return r.fail();
    c.end();
    if (!plus(c, BlankLine))
        return r.fail();
    c.act(actAddFromSlot, packSlot(1, 0, HTMLBLOCK));
    return r.done();
}

bool StyleBlock(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    if (!InStyleTags(c))
        return r.fail();
    c.end();
    star(c, BlankLine);
    c.act(actAddFromSlot, packSlot(1, 0, HTMLBLOCK));
    return r.done();
}

} // namespace penwick::mdh
