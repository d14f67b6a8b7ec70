// Block grammar: start rules, whitespace and lines, paragraphs, headings,
// rules, indented code, block quotes, lists, reference and note definitions.
#include "mdh_definitions.h"
#include "mdh_grammar_actions.h"

namespace penwick::mdh {

// ---------------------------------------------------------------------------
// Whitespace and lines.

bool Spnl(Ctx &c)
{
    Sp(c);
    seq(c, [&] { return Newline(c) && Sp(c); });
    return true;
}

bool BlankLine(Ctx &c)
{
    return seq(c, [&] {
        Sp(c);
        return Newline(c);
    });
}

bool Nonspacechar(Ctx &c)
{
    if (ahead(c, Spacechar) || ahead(c, Newline))
        return false;
    return c.any();
}

static bool NonindentSpace(Ctx &c)
{
    return c.str("   ") || c.str("  ") || c.str(" ") || true;
}

static bool Indent(Ctx &c)
{
    return c.ch('\t') || c.str("    ");
}

bool EndOfInput(Ctx &c)
{
    return !c.avail();
}

bool Mark(Ctx &c)
{
    c.begin();
    c.end();
    if (!c.avail())
        return false;
    c.act(actNoTypeOverCapture);
    return true;
}

// A line through its line end, or the rest of the input. With `value` its
// span becomes the result value; rules that use only the capture (or nothing)
// leave it out, which saves an element per line.
static bool RawLineOf(Ctx &c, bool value)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    c.begin();
    for (;;) {
        // Up to the next soft end the line is scanned without a call per character.
        const std::int32_t stop = c.readable();
        std::int32_t j = c.pos;
        while (j < stop && c.in[j] != '\n' && c.in[j] != '\r')
            ++j;
        if (j < stop) {
            c.readThrough(j);
            c.pos = j;
            break;
        }
        if (j > c.pos) {
            c.readThrough(j - 1);
            c.pos = j;
        }
        if (c.peek('\r') || c.peek('\n'))
            break;
        if (!c.any())
            break;
    }
    if (Newline(c)) {
        c.end();
        if (value)
            c.act(actRawSpanOverCapture);
        return r.done();
    }
    r.back();
    c.begin();
    if (!c.any())
        return r.fail();
    while (c.any()) {
    }
    c.end();
    if (!EndOfInput(c))
        return r.fail();
    if (value)
        c.act(actRawSpanOverCapture);
    return r.done();
}

bool RawLine(Ctx &c)
{
    return RawLineOf(c, true);
}

static bool LineOf(Ctx &c, bool value)
{
    Rule r(c);
    if (!r.ok || !RawLineOf(c, value))
        return r.fail();
    if (value)
        c.act(actLine);
    return r.done();
}

bool Line(Ctx &c)
{
    return LineOf(c, true);
}

// A line whose span no action reads.
static bool PlainLine(Ctx &c)
{
    return LineOf(c, false);
}

static bool IndentedLine(Ctx &c)
{
    return seq(c, [&] { return Indent(c) && PlainLine(c); });
}

static bool NonblankIndentedLine(Ctx &c)
{
    return !ahead(c, BlankLine) && IndentedLine(c);
}

// Its callers read the capture of the line, never its value.
static bool OptionallyIndentedLine(Ctx &c)
{
    return seq(c, [&] {
        Indent(c);
        return PlainLine(c);
    });
}

static bool StartList(Ctx &c)
{
    Rule r(c);
    if (!r.ok || !c.avail())
        return r.fail();
    c.act(actNull);
    return r.done();
}

// ---------------------------------------------------------------------------
// Blocks.

static bool HorizontalRuleChars(Ctx &c, unsigned char x)
{
    return seq(c, [&] {
        if (!c.ch(x) || !Sp(c) || !c.ch(x) || !Sp(c) || !c.ch(x))
            return false;
        star(c, [&](Ctx &) { return Sp(c) && c.ch(x); });
        return true;
    });
}

static bool HorizontalRule(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    c.begin();
    NonindentSpace(c);
    if (!(HorizontalRuleChars(c, '*') || HorizontalRuleChars(c, '-') || HorizontalRuleChars(c, '_')))
        return r.fail();
    Sp(c);
    if (!Newline(c))
        return r.fail();
    c.end();
    if (!plus(c, BlankLine))
        return r.fail();
    c.act(actAddOverCapture, HRULE);
    return r.done();
}

static bool SetextBottom(Ctx &c, unsigned char x)
{
    return seq(c, [&] {
        if (!c.ch(x) || !c.ch(x) || !c.ch(x))
            return false;
        while (c.ch(x)) {
        }
        return Newline(c);
    });
}

static bool SetextHeadingN(Ctx &c, unsigned char x, int type)
{
    Rule r(c, 1);
    if (!r.ok)
        return r.fail();
    if (!ahead(c, [&](Ctx &) { return RawLine(c) && SetextBottom(c, x); }))
        return r.fail();
    if (!Mark(c))
        return r.fail();
    r.set(0);
    if (!plus(c, [&](Ctx &) { return !ahead(c, Endline) && Inline(c); }))
        return r.fail();
    Sp(c);
    if (!Newline(c))
        return r.fail();
    c.begin();
    if (!SetextBottom(c, x))
        return r.fail();
    c.end();
    c.act(actAddFromSlot, packSlot(1, 0, type));
    return r.done();
}

static bool SetextHeading(Ctx &c)
{
    return SetextHeadingN(c, '=', H1) || SetextHeadingN(c, '-', H2);
}

bool AtxStart(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    c.begin();
    if (!(c.str("######") || c.str("#####") || c.str("####") || c.str("###") || c.str("##") || c.ch('#')))
        return r.fail();
    c.end();
    c.act(actAtxStart);
    return r.done();
}

static bool AtxInline(Ctx &c)
{
    if (ahead(c, Newline))
        return false;
    if (ahead(c, [](Ctx &c) {
            Sp(c);
            while (c.ch('#')) {
            }
            Sp(c);
            return Newline(c);
        }))
        return false;
    return Inline(c);
}

static bool AtxHeading(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !AtxStart(c))
        return r.fail();
    r.set(0);
    Sp(c);
    if (!plus(c, AtxInline))
        return r.fail();
    Sp(c);
    while (c.ch('#')) {
    }
    Sp(c);
    c.begin();
    if (!Newline(c))
        return r.fail();
    c.end();
    c.act(actAddFromSlotType, packSlot(1, 0, 0));
    return r.done();
}

static bool Heading(Ctx &c)
{
    return SetextHeading(c) || AtxHeading(c);
}

static bool VerbatimChunk(Ctx &c)
{
    return seq(c, [&] {
        star(c, BlankLine);
        return plus(c, NonblankIndentedLine);
    });
}

static bool Verbatim(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    if (!plus(c, VerbatimChunk))
        return r.fail();
    c.end();
    c.act(actAddFromSlot, packSlot(1, 0, VERBATIM));
    return r.done();
}

static bool RawNoteBlock(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (!plus(c, [](Ctx &c) { return !ahead(c, BlankLine) && OptionallyIndentedLine(c); }))
        return r.fail();
    star(c, BlankLine);
    return r.done();
}

static bool Note(Ctx &c)
{
    Rule r(c);
    if (!r.ok || !c.notes())
        return r.fail();
    NonindentSpace(c);
    if (!RawNoteReference(c) || !c.ch(':'))
        return r.fail();
    Sp(c);
    if (!RawNoteBlock(c))
        return r.fail();
    star(c, [](Ctx &c) { return ahead(c, Indent) && RawNoteBlock(c); });
    return r.done();
}

static bool RefSrc(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    c.begin();
    if (!plus(c, Nonspacechar))
        return r.fail();
    c.end();
    c.act(actRefSrc);
    return r.done();
}

// Spnl open (!(open-close Sp Newline / Newline) any)* close
static bool RefTitleQuoted(Ctx &c, unsigned char open, unsigned char close)
{
    return seq(c, [&] {
        Spnl(c);
        if (!c.ch(open))
            return false;
        star(c, [&](Ctx &) {
            const bool stop = ahead(c, [&](Ctx &) {
                return seq(c, [&] {
                    if (!c.ch(close))
                        return false;
                    Sp(c);
                    return Newline(c);
                }) || Newline(c);
            });
            return !stop && c.any();
        });
        return c.ch(close);
    });
}

static bool RefTitle(Ctx &c)
{
    return RefTitleQuoted(c, '\'', '\'') || RefTitleQuoted(c, '"', '"') || RefTitleQuoted(c, '(', ')') || true;
}

static bool Reference(Ctx &c)
{
    Rule r(c, 3);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    NonindentSpace(c);
    if (ahead(c, [](Ctx &c) { return c.str("[]"); }))
        return r.fail();
    if (!Label(c))
        return r.fail();
    r.set(1);
    if (!c.ch(':'))
        return r.fail();
    Spnl(c);
    if (!RefSrc(c))
        return r.fail();
    r.set(2);
    RefTitle(c);
    c.end();
    if (!plus(c, BlankLine))
        return r.fail();
    c.act(actReference);
    return r.done();
}

// ---------------------------------------------------------------------------
// Block quotes.

static bool BlockQuoteRaw(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !StartList(c))
        return r.fail();
    r.set(0);
    const bool found = plus(c, [](Ctx &c) {
        c.begin();
        if (!c.ch('>'))
            return false;
        c.ch(' ');
        c.end();
        c.act(actAddOverCapture, BLOCKQUOTE);
        if (!Line(c))
            return false;
        c.act(actConsYY, packSlot(1, 0));
        star(c, [](Ctx &c) {
            if (c.peek('>') || ahead(c, BlankLine) || !Line(c))
                return false;
            c.act(actConsYY, packSlot(1, 0));
            return true;
        });
        star(c, [](Ctx &c) {
            c.begin();
            if (!BlankLine(c))
                return false;
            c.end();
            c.act(actConsEtext, packSlot(1, 0, 1));
            return true;
        });
        return true;
    });
    if (!found)
        return r.fail();
    c.act(actYYFromSlot, packSlot(1, 0));
    return r.done();
}

static bool BlockQuote(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !BlockQuoteRaw(c))
        return r.fail();
    r.set(0);
    c.act(actAddRawSpanList, packSlot(1, 0));
    return r.done();
}

// ---------------------------------------------------------------------------
// Lists.

static bool Bullet(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (ahead(c, HorizontalRule))
        return r.fail();
    NonindentSpace(c);
    c.begin();
    if (!(c.ch('+') || c.ch('*') || c.ch('-')))
        return r.fail();
    c.end();
    if (!plus(c, Spacechar))
        return r.fail();
    c.act(actAddOverCapture, LIST_BULLET);
    return r.done();
}

static bool Enumerator(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    NonindentSpace(c);
    c.begin();
    if (!plus(c, [](Ctx &c) { return c.avail() && c.cur() >= '0' && c.cur() <= '9' && c.any(); }))
        return r.fail();
    if (!c.ch('.'))
        return r.fail();
    c.end();
    if (!plus(c, Spacechar))
        return r.fail();
    c.act(actAddOverCapture, LIST_ENUMERATOR);
    return r.done();
}

static bool BulletOrEnumerator(Ctx &c)
{
    return Bullet(c) || Enumerator(c);
}

static bool ListBlockLine(Ctx &c)
{
    return seq(c, [&] {
        if (ahead(c, BlankLine))
            return false;
        if (ahead(c, [](Ctx &c) {
                Indent(c);
                return BulletOrEnumerator(c);
            }))
            return false;
        if (ahead(c, HorizontalRule))
            return false;
        return OptionallyIndentedLine(c);
    });
}

static bool ListBlock(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !StartList(c))
        return r.fail();
    r.set(0);
    if (ahead(c, BlankLine) || !Line(c))
        return r.fail();
    c.act(actConsYY, packSlot(1, 0));
    star(c, [](Ctx &c) {
        if (!ListBlockLine(c))
            return false;
        c.act(actConsRawOverCapture, packSlot(1, 0));
        return true;
    });
    c.act(actYYFromSlot, packSlot(1, 0));
    return r.done();
}

static bool ListContinuationBlock(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !StartList(c))
        return r.fail();
    r.set(0);
    c.begin();
    star(c, BlankLine);
    c.end();
    c.act(actConsRawOrSeparator, packSlot(1, 0));
    if (!plus(c, [](Ctx &c) {
            if (!Indent(c) || !ListBlock(c))
                return false;
            c.act(actConsYY, packSlot(1, 0));
            return true;
        }))
        return r.fail();
    c.act(actYYFromSlot, packSlot(1, 0));
    return r.done();
}

// The marker and first block that every list item starts with, consed into slot 0.
static bool ListItemFirstBlock(Ctx &c, Rule &r)
{
    if (!BulletOrEnumerator(c) || !StartList(c))
        return false;
    r.set(0);
    if (!ListBlock(c))
        return false;
    c.act(actConsYY, packSlot(1, 0));
    return true;
}

static bool ListItem(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !ListItemFirstBlock(c, r))
        return r.fail();
    star(c, [](Ctx &c) {
        if (!ListContinuationBlock(c))
            return false;
        c.act(actConsYY, packSlot(1, 0));
        return true;
    });
    c.act(actYYFromSlot, packSlot(1, 0));
    return r.done();
}

static bool ListItemTight(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !ListItemFirstBlock(c, r))
        return r.fail();
    star(c, [](Ctx &c) {
        if (ahead(c, BlankLine) || !ListContinuationBlock(c))
            return false;
        c.act(actConsYY, packSlot(1, 0));
        return true;
    });
    if (ahead(c, ListContinuationBlock))
        return r.fail();
    c.act(actYYFromSlot, packSlot(1, 0));
    return r.done();
}

static bool ListTight(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !StartList(c))
        return r.fail();
    r.set(0);
    if (!plus(c, [](Ctx &c) {
            if (!ListItemTight(c))
                return false;
            c.act(actHoldYY, packSlot(1, 0));
            return true;
        }))
        return r.fail();
    star(c, BlankLine);
    if (ahead(c, BulletOrEnumerator))
        return r.fail();
    c.act(actAddListItems, packSlot(1, 0));
    return r.done();
}

static bool ListLoose(Ctx &c)
{
    Rule r(c, 2);
    if (!r.ok || !StartList(c))
        return r.fail();
    r.set(0);
    if (!plus(c, [&](Ctx &c) {
            if (!ListItem(c))
                return false;
            r.set(1);
            star(c, BlankLine);
            c.act(actConsEtext, packSlot(2, 1, 2));
            c.act(actHoldSlot, packSlot(2, 0, 1));
            return true;
        }))
        return r.fail();
    c.act(actAddListItems, packSlot(2, 0));
    return r.done();
}

// A tight list, else a loose one, where `marker` (a bullet or an enumerator) starts it.
static bool ListMarkedBy(Ctx &c, bool (*marker)(Ctx &))
{
    Rule r(c);
    if (!r.ok || !ahead(c, marker))
        return r.fail();
    if (ListTight(c))
        return r.done();
    r.back();
    if (ListLoose(c))
        return r.done();
    return r.fail();
}

static bool BulletList(Ctx &c)
{
    return ListMarkedBy(c, Bullet);
}

static bool OrderedList(Ctx &c)
{
    return ListMarkedBy(c, Enumerator);
}

// ---------------------------------------------------------------------------
// Paragraphs and the start rules.

static bool Para(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    NonindentSpace(c);
    if (!Inlines(c) || !plus(c, BlankLine))
        return r.fail();
    return r.done();
}

static bool Plain(Ctx &c)
{
    Rule r(c);
    if (!r.ok || !Inlines(c))
        return r.fail();
    return r.done();
}

static bool Block(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    star(c, BlankLine);
    const std::int32_t p = c.pos;
    const std::size_t n = c.q.size();
    static bool (*const alternatives[])(Ctx &) = {
        BlockQuote, Verbatim, Note, Reference, HorizontalRule, Heading, OrderedList,
        BulletList, HtmlBlock, StyleBlock, Para, Plain,
    };
    for (auto alt : alternatives) {
        if (alt(c))
            return r.done();
        c.restore(p, n);
        if (c.ps.aborted)
            break;
    }
    return r.fail();
}

// (block)*, running the actions of each top-level block as soon as it is done.
template <class F> static void committedStar(Ctx &c, F block)
{
    for (;;) {
        const std::int32_t p = c.pos;
        if (!seq(c, [&] { return block(c); }) || c.pos == p)
            break;
        c.commit();
    }
}

bool ruleDocument(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    committedStar(c, Block);
    return r.done();
}

static bool SkipBlock(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (plus(c, [](Ctx &c) { return !ahead(c, BlankLine) && RawLineOf(c, false); })) {
        star(c, BlankLine);
        return r.done();
    }
    r.back();
    if (plus(c, BlankLine))
        return r.done();
    return r.fail();
}

bool ruleReferenceStart(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    committedStar(c, [](Ctx &c) { return Reference(c) || SkipBlock(c); });
    return r.done();
}

} // namespace penwick::mdh
