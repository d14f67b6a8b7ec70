// Inline grammar: text runs, line ends, emphasis, code spans, links, images,
// automatic links, notes, raw HTML and entities.
#include "mdh_definitions.h"
#include "mdh_grammar_actions.h"

#include <array>

namespace penwick::mdh {

namespace {

using CharSet = std::array<bool, 256>;

CharSet makeSet(const char *chars, bool digits = false, bool letters = false, bool high = false)
{
    CharSet s{};
    for (const char *p = chars; *p; ++p)
        s[static_cast<unsigned char>(*p)] = true;
    for (int b = 0; b < 256; ++b) {
        if (digits && b >= '0' && b <= '9')
            s[b] = true;
        if (letters && ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')))
            s[b] = true;
        if (high && b >= 0x80)
            s[b] = true;
    }
    return s;
}

const CharSet kSpecial = makeSet("*_`&[]()<!#\\'\"");
const CharSet kSpecialNotes = makeSet("*_`&[]()<!#\\'\"^");
const CharSet kStar = makeSet("*");
const CharSet kDigits = makeSet("", true);
const CharSet kLetters = makeSet("", false, true);
const CharSet kAlphanumeric = makeSet("", true, true, true);
const CharSet kAlphanumericAscii = makeSet("", true, true);
const CharSet kEmailChars = makeSet("-+_./!%~$", true, true);
const CharSet kEscapable = makeSet("-\\`|*_{}[]()#+.!><");
const CharSet kHexDigits = makeSet("ABCDEFabcdef", true);

// Ordered choice of single-character alternatives: `set` is every character
// of the choice, `first` those of its first alternative. A soft end of input
// fails only the first alternative; the others then read the next character.
bool oneOf(Ctx &c, const CharSet &set, const CharSet &first)
{
    if (c.pos < c.limit) {
        if (!set[c.cur()])
            return false;
        ++c.pos;
        return true;
    }
    const std::uint32_t epoch = c.epoch;
    if (c.avail()) {
        if (!set[c.cur()])
            return false;
        ++c.pos;
        return true;
    }
    if (c.epoch == epoch || !c.avail())
        return false;
    const unsigned char x = c.cur();
    if (first[x] || !set[x])
        return false;
    ++c.pos;
    return true;
}

// A single character class: one primitive.
bool inClass(Ctx &c, const CharSet &set)
{
    if (!c.avail() || !set[c.cur()])
        return false;
    ++c.pos;
    return true;
}

bool SpecialChar(Ctx &c)
{
    return oneOf(c, c.notes() ? kSpecialNotes : kSpecial, kStar);
}

bool Alphanumeric(Ctx &c)
{
    return oneOf(c, kAlphanumeric, kDigits);
}

bool NormalChar(Ctx &c)
{
    if (c.pos < c.limit) {
        const unsigned char x = c.cur();
        if ((c.notes() ? kSpecialNotes : kSpecial)[x] || x == ' ' || x == '\t' || x == '\n' || x == '\r')
            return false;
        ++c.pos;
        return true;
    }
    if (ahead(c, SpecialChar) || ahead(c, Spacechar) || ahead(c, Newline))
        return false;
    return c.any();
}

// Runs of ordinary characters up to the next soft end, read in one loop: what
// NormalChar would take one by one, and the character that stops it read too.
void skipNormalChars(Ctx &c)
{
    const std::int32_t stop = c.readable();
    const CharSet &special = c.notes() ? kSpecialNotes : kSpecial;
    std::int32_t j = c.pos;
    while (j < stop) {
        const unsigned char x = c.in[j];
        if (special[x] || x == ' ' || x == '\t' || x == '\n' || x == '\r')
            break;
        ++j;
    }
    if (j < stop)
        c.readThrough(j);
    else if (j > c.pos)
        c.readThrough(j - 1);
    c.pos = j;
}

bool Str(Ctx &c)
{
    Rule r(c);
    if (!r.ok || !NormalChar(c))
        return r.fail();
    for (;;) {
        skipNormalChars(c);
        if (NormalChar(c))
            continue;
        const bool underscores = seq(c, [&] {
            if (!c.ch('_'))
                return false;
            while (c.ch('_')) {
            }
            return ahead(c, Alphanumeric);
        });
        if (!underscores)
            break;
    }
    return r.done();
}

bool Space(Ctx &c)
{
    return plus(c, Spacechar);
}

// "xxxx" x* / Spacechar x+ &Spacechar
bool MarkerLine(Ctx &c, unsigned char x)
{
    const char firsts[] = {static_cast<char>(x), ' ', '\t', 0};
    if (refusedAt(c, firsts, {1, 1, 0, false, false}))
        return false;
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (c.ch(x) && c.ch(x) && c.ch(x) && c.ch(x)) {
        while (c.ch(x)) {
        }
        return r.done();
    }
    r.back();
    if (Spacechar(c) && c.ch(x)) {
        while (c.ch(x)) {
        }
        if (ahead(c, Spacechar))
            return r.done();
    }
    return r.fail();
}

bool StarLine(Ctx &c) { return MarkerLine(c, '*'); }
bool UlLine(Ctx &c) { return MarkerLine(c, '_'); }

bool UlOrStarLine(Ctx &c)
{
    return UlLine(c) || StarLine(c);
}


bool NormalEndline(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    Sp(c);
    if (!Newline(c))
        return r.fail();
    if (ahead(c, BlankLine) || c.peek('>') || ahead(c, AtxStart))
        return r.fail();
    const bool underline = ahead(c, [](Ctx &c) {
        if (!Line(c))
            return false;
        const bool bottom = seq(c, [&] {
            if (!c.str("==="))
                return false;
            while (c.ch('=')) {
            }
            return true;
        }) || seq(c, [&] {
            if (!c.str("---"))
                return false;
            while (c.ch('-')) {
            }
            return true;
        });
        return bottom && Newline(c);
    });
    if (underline)
        return r.fail();
    return r.done();
}

bool TerminalEndline(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    Sp(c);
    if (!Newline(c) || !EndOfInput(c))
        return r.fail();
    return r.done();
}

bool LineBreak(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (!c.str("  ") || !NormalEndline(c))
        return r.fail();
    return r.done();
}

} // namespace

bool Endline(Ctx &c)
{
    // Unless spaces and tabs lead to a line end, all three alternatives fail
    // once they have read them; only their bookkeeping (steps, depth reached)
    // is kept. A line break's two spaces make it try one rule more.
    if (c.depth + 3 <= kMaxDepth && !c.ps.aborted && c.ps.steps + 5 <= c.ps.stepBudget) {
        const std::int32_t stop = c.readable();
        std::int32_t j = c.pos;
        while (j < stop && (c.in[j] == ' ' || c.in[j] == '\t'))
            ++j;
        if (j < stop && c.in[j] != '\n' && c.in[j] != '\r') {
            c.readThrough(j);
            const bool twoSpaces = j - c.pos >= 2 && c.in[c.pos] == ' ' && c.in[c.pos + 1] == ' ';
            c.ps.steps += twoSpaces ? 5 : 4;
            const int deepest = c.depth + (twoSpaces ? 3 : 2);
            if (deepest > c.maxDepthSeen)
                c.maxDepthSeen = deepest;
            return false;
        }
    }
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (LineBreak(c) || TerminalEndline(c) || NormalEndline(c))
        return r.done();
    return r.fail();
}

bool AlphanumericAscii(Ctx &c)
{
    return oneOf(c, kAlphanumericAscii, kDigits);
}

namespace {

// ---------------------------------------------------------------------------
// Emphasis.

// Opening marker: !MarkerLine ⟦marker⟧ !Spacechar !Newline
bool EmphOpen(Ctx &c, bool (*line)(Ctx &), const char *marker)
{
    Rule r(c);
    if (!r.ok || ahead(c, line))
        return r.fail();
    c.begin();
    if (!c.str(marker))
        return r.fail();
    c.end();
    if (ahead(c, Spacechar) || ahead(c, Newline))
        return r.fail();
    c.act(actNoTypeOverCapture);
    return r.done();
}

bool StrongStar(Ctx &c);
bool StrongUl(Ctx &c);

// Closing marker: !Spacechar !Newline Inline [!notBefore] ⟦marker⟧ [!Alphanumeric]
bool EmphClose(Ctx &c, const char *marker, bool (*notBefore)(Ctx &), bool wordEnd)
{
    Rule r(c);
    if (!r.ok || ahead(c, Spacechar) || ahead(c, Newline))
        return r.fail();
    if (!Inline(c))
        return r.fail();
    if (notBefore && ahead(c, notBefore))
        return r.fail();
    c.begin();
    if (!c.str(marker))
        return r.fail();
    c.end();
    if (wordEnd && ahead(c, Alphanumeric))
        return r.fail();
    c.act(actNoTypeOverCapture);
    return r.done();
}

bool StrongStarClose(Ctx &c) { return EmphClose(c, "**", nullptr, false); }
bool StrongUlClose(Ctx &c) { return EmphClose(c, "__", nullptr, true); }
bool EmphStarClose(Ctx &c) { return EmphClose(c, "*", StrongStar, false); }
bool EmphUlClose(Ctx &c) { return EmphClose(c, "_", StrongUl, true); }

// s=Open (!Close Inline)* Close → add type from s
bool EmphRun(Ctx &c, bool (*line)(Ctx &), const char *marker, bool (*close)(Ctx &), std::uint32_t tailId,
             int type)
{
    Rule r(c, 1);
    if (!r.ok || !EmphOpen(c, line, marker))
        return r.fail();
    r.set(0);
    const bool closed = memoTail(
        c, tailId, [close](Ctx &c) { return !ahead(c, close) && Inline(c); }, close);
    if (!closed)
        return r.fail();
    c.act(actAddFromSlot, packSlot(1, 0, type));
    return r.done();
}

bool StrongStarBody(Ctx &c) { return EmphRun(c, StarLine, "**", StrongStarClose, kMemoStrongStarTail, STRONG); }
bool StrongUlBody(Ctx &c) { return EmphRun(c, UlLine, "__", StrongUlClose, kMemoStrongUlTail, STRONG); }
bool EmphStarBody(Ctx &c) { return EmphRun(c, StarLine, "*", EmphStarClose, kMemoEmphStarTail, EMPH); }
bool EmphUlBody(Ctx &c) { return EmphRun(c, UlLine, "_", EmphUlClose, kMemoEmphUlTail, EMPH); }

// What an opening marker does before it fails on a character already read
// that is not its marker: its capture opens there.
bool noMarkerAt(Ctx &c, unsigned char marker)
{
    if (c.pos < c.limit && c.cur() != marker) {
        c.begin();
        return true;
    }
    return false;
}

bool StrongStar(Ctx &c) { return !noMarkerAt(c, '*') && memoized(c, kMemoStrongStar, StrongStarBody); }
bool StrongUl(Ctx &c) { return !noMarkerAt(c, '_') && memoized(c, kMemoStrongUl, StrongUlBody); }
bool EmphStar(Ctx &c) { return !noMarkerAt(c, '*') && memoized(c, kMemoEmphStar, EmphStarBody); }
bool EmphUl(Ctx &c) { return !noMarkerAt(c, '_') && memoized(c, kMemoEmphUl, EmphUlBody); }

bool Strong(Ctx &c)
{
    return StrongStar(c) || StrongUl(c);
}

bool Emph(Ctx &c)
{
    return EmphStar(c) || EmphUl(c);
}

// ---------------------------------------------------------------------------
// Code spans.

bool Ticks(Ctx &c, int n)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    c.begin();
    for (int i = 0; i < n; ++i) {
        if (!c.ch('`'))
            return r.fail();
    }
    c.end();
    if (c.peek('`'))
        return r.fail();
    c.act(actNoTypeOverCapture);
    return r.done();
}

bool CodeBody(Ctx &c, int n)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (plus(c, [](Ctx &c) { return !c.peek('`') && Nonspacechar(c); }))
        return r.done();
    r.back();
    if (!ahead(c, [n](Ctx &c) { return Ticks(c, n); }) && plus(c, [](Ctx &c) { return c.ch('`'); }))
        return r.done();
    r.back();
    const bool closing = ahead(c, [n](Ctx &c) {
        Sp(c);
        return Ticks(c, n);
    });
    if (!closing) {
        if (Spacechar(c))
            return r.done();
        if (seq(c, [&] { return Newline(c) && !ahead(c, BlankLine); }))
            return r.done();
    }
    return r.fail();
}

bool Code(Ctx &c)
{
    // Itself and five tries of opening ticks, each opening a capture.
    if (refusedAt(c, "`", {6, 2, 1, true, false}))
        return false;
    Rule r(c, 1);
    if (!r.ok)
        return r.fail();
    for (int n = 1; n <= 5; ++n) {
        if (n > 1)
            r.back();
        if (!Ticks(c, n))
            continue;
        r.set(0);
        Sp(c);
        if (!CodeBody(c, n))
            continue;
        const bool closed = memoTail(
            c, kMemoCodeTail1 + static_cast<std::uint32_t>(n - 1), [n](Ctx &c) { return CodeBody(c, n); },
            [n](Ctx &c) {
                Sp(c);
                return Ticks(c, n);
            });
        if (!closed)
            continue;
        c.act(actAddFromSlot, packSlot(1, 0, CODE));
        return r.done();
    }
    return r.fail();
}

// ---------------------------------------------------------------------------
// Links and images.

bool LabelBody(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    if (!c.ch('['))
        return r.fail();
    const bool opening = seq(c, [&] { return !c.peek('^') && c.notes(); })
        || seq(c, [&] { return c.avail() && !c.notes(); });
    if (!opening)
        return r.fail();
    c.begin();
    const bool closed = memoTail(
        c, kMemoLabelTail, [](Ctx &c) { return !c.peek(']') && Inline(c); },
        [](Ctx &c) {
            c.end();
            c.act(actSetLabel, packSlot(1, 0));
            c.begin();
            if (!c.ch(']'))
                return false;
            c.end();
            return true;
        });
    if (!closed)
        return r.fail();
    c.act(actSetEndFromCapture, packSlot(1, 0));
    return r.done();
}

bool SourceContents(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    star(c, [](Ctx &c) {
        if (plus(c, [](Ctx &c) { return !c.peek('(') && !c.peek(')') && !c.peek('>') && Nonspacechar(c); }))
            return true;
        return seq(c, [&] { return c.ch('(') && SourceContents(c) && c.ch(')'); });
    });
    return r.done();
}

bool Source(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    c.act(actNoTypeOverCapture);
    const std::int32_t p = c.pos;
    const std::size_t n = c.q.size();
    if (c.ch('<')) {
        c.begin();
        if (SourceContents(c)) {
            c.end();
            c.act(actYYAddressFromCapture);
            if (c.ch('>'))
                return r.done();
        }
    }
    c.restore(p, n);
    c.begin();
    if (!SourceContents(c))
        return r.fail();
    c.end();
    c.act(actYYAddressFromCapture);
    return r.done();
}

// q (!(q Sp (")" / Newline)) any)* q
bool TitleQuoted(Ctx &c, unsigned char quote, std::uint32_t tailId)
{
    return seq(c, [&] {
        if (!c.ch(quote))
            return false;
        return memoTail(
            c, tailId,
            [quote](Ctx &c) {
                const bool stop = ahead(c, [quote](Ctx &c) {
                    if (!c.ch(quote))
                        return false;
                    Sp(c);
                    return c.ch(')') || Newline(c);
                });
                return !stop && c.any();
            },
            [quote](Ctx &c) { return c.ch(quote); });
    });
}

bool Title(Ctx &c)
{
    return TitleQuoted(c, '\'', kMemoTitleSingleTail) || TitleQuoted(c, '"', kMemoTitleDoubleTail) || true;
}

bool ExplicitLink(Ctx &c)
{
    Rule r(c, 2);
    if (!r.ok || !Label(c))
        return r.fail();
    r.set(0);
    Spnl(c);
    if (!c.ch('('))
        return r.fail();
    Sp(c);
    if (!Source(c))
        return r.fail();
    r.set(1);
    Spnl(c);
    Title(c);
    Sp(c);
    c.begin();
    if (!c.ch(')'))
        return r.fail();
    c.end();
    c.act(actExplicitLink, packSlot(2, 0));
    return r.done();
}

bool ReferenceLinkDouble(Ctx &c)
{
    Rule r(c, 2);
    if (!r.ok || !Label(c))
        return r.fail();
    r.set(0);
    Spnl(c);
    if (ahead(c, [](Ctx &c) { return c.str("[]"); }))
        return r.fail();
    if (!Label(c))
        return r.fail();
    r.set(1);
    c.act(actReferenceLinkDouble, packSlot(2, 0));
    return r.done();
}

bool ReferenceLinkSingle(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Label(c))
        return r.fail();
    r.set(0);
    seq(c, [&] {
        Spnl(c);
        return c.str("[]");
    });
    // The link runs through the last "]" read, the optional "[]" included.
    c.q.push_back({c.capBegin, c.pos, actReferenceLinkSingle, packSlot(1, 0)});
    return r.done();
}

bool ReferenceLink(Ctx &c)
{
    return ReferenceLinkDouble(c) || ReferenceLinkSingle(c);
}

bool AutoLinkTail(Ctx &c, std::uint32_t tailId)
{
    // (!Newline !">" any)+ ⟧ →address; ⟦">"⟧ →end; add
    const auto step = [](Ctx &c) { return !ahead(c, Newline) && !c.peek('>') && c.any(); };
    if (!seq(c, [&] { return step(c); }))
        return false;
    return memoTail(c, tailId, step, [](Ctx &c) {
        c.end();
        c.act(actSetAddress, packSlot(1, 0));
        c.begin();
        if (!c.ch('>'))
            return false;
        c.end();
        c.act(actSetEndFromCapture, packSlot(1, 0));
        c.act(actAddSlotElement, packSlot(1, 0));
        return true;
    });
}

bool AutoLinkUrl(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.act(actSetType, packSlot(1, 0, AUTO_LINK_URL));
    if (!c.ch('<'))
        return r.fail();
    c.begin();
    if (!plus(c, [](Ctx &c) { return inClass(c, kLetters); }) || !c.str("://"))
        return r.fail();
    if (!AutoLinkTail(c, kMemoAutoUrlTail))
        return r.fail();
    return r.done();
}

bool AutoLinkEmail(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.act(actSetType, packSlot(1, 0, AUTO_LINK_EMAIL));
    if (!c.ch('<'))
        return r.fail();
    c.str("mailto:");
    c.begin();
    if (!plus(c, [](Ctx &c) { return oneOf(c, kEmailChars, kLetters); }) || !c.ch('@'))
        return r.fail();
    if (!AutoLinkTail(c, kMemoAutoEmailTail))
        return r.fail();
    return r.done();
}

bool AutoLink(Ctx &c)
{
    return AutoLinkUrl(c) || AutoLinkEmail(c);
}

bool Image(Ctx &c)
{
    if (refusedAt(c, "!", {1, 1, 0, false, false}))
        return false;
    Rule r(c);
    if (!r.ok || !c.ch('!'))
        return r.fail();
    if (!(ExplicitLink(c) || ReferenceLink(c)))
        return r.fail();
    c.act(actImage);
    return r.done();
}

bool Link(Ctx &c)
{
    // On a character already read, the three link forms refuse anything but
    // "[" through the label's own shortcut, and both automatic links anything
    // but "<" after their position marker.
    if (c.pos < c.limit && refusedAt(c, "[<", {6, 2, 2, true, true}))
        return false;
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (ExplicitLink(c) || ReferenceLink(c)) {
        c.act(actAddYYIfAny);
        return r.done();
    }
    r.back();
    if (AutoLink(c))
        return r.done();
    return r.fail();
}

// ---------------------------------------------------------------------------
// Notes.

bool NoteReference(Ctx &c)
{
    return c.notes() && RawNoteReference(c);
}

bool InlineNote(Ctx &c)
{
    if (c.notes() && refusedAt(c, "^", {1, 1, 0, false, false}))
        return false;
    Rule r(c);
    if (!r.ok || !c.notes() || !c.str("^["))
        return r.fail();
    if (!seq(c, [&] { return !c.peek(']') && Inline(c); }))
        return r.fail();
    if (!memoTail(c, kMemoInlineNoteTail, [](Ctx &c) { return !c.peek(']') && Inline(c); },
                  [](Ctx &c) { return c.ch(']'); }))
        return r.fail();
    return r.done();
}

// ---------------------------------------------------------------------------
// HTML and entities.

bool Quoted(Ctx &c)
{
    for (const unsigned char q : {static_cast<unsigned char>('"'), static_cast<unsigned char>('\'')}) {
        const bool ok = seq(c, [&] {
            if (!c.ch(q))
                return false;
            while (!c.peek(q) && c.any()) {
            }
            return c.ch(q);
        });
        if (ok)
            return true;
    }
    return false;
}

bool HtmlTag(Ctx &c)
{
    Rule r(c);
    if (!r.ok || !c.ch('<'))
        return r.fail();
    Spnl(c);
    c.ch('/');
    if (!plus(c, AlphanumericAscii))
        return r.fail();
    Spnl(c);
    star(c, HtmlAttribute);
    c.ch('/');
    Spnl(c);
    if (!c.ch('>'))
        return r.fail();
    return r.done();
}

bool RawHtml(Ctx &c)
{
    // Itself and its three alternatives, all wanting "<"; the comment's marker
    // is the last capture.
    if (refusedAt(c, "<", {4, 2, 2, true, true}))
        return false;
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    if (!(HtmlComment(c) || HtmlBlockScript(c) || HtmlTag(c)))
        return r.fail();
    c.end();
    c.act(actAddFromSlot, packSlot(1, 0, HTML));
    return r.done();
}

bool Entity(Ctx &c)
{
    if (refusedAt(c, "&", {1, 1, 1, true, true}))
        return false;
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    const bool hex = seq(c, [&] {
        if (!c.ch('&') || !c.ch('#') || !(c.ch('X') || c.ch('x')))
            return false;
        if (!plus(c, [](Ctx &c) { return inClass(c, kHexDigits); }))
            return false;
        return c.ch(';');
    });
    const bool found = hex || seq(c, [&] {
        if (!c.ch('&') || !c.ch('#'))
            return false;
        if (!plus(c, [](Ctx &c) { return inClass(c, kDigits); }))
            return false;
        return c.ch(';');
    }) || seq(c, [&] {
        if (!c.ch('&'))
            return false;
        if (!plus(c, [](Ctx &c) { return oneOf(c, kAlphanumericAscii, kLetters); }))
            return false;
        return c.ch(';');
    });
    if (!found)
        return r.fail();
    c.end();
    c.act(actAddFromSlot, packSlot(1, 0, HTML_ENTITY));
    return r.done();
}

bool EscapedChar(Ctx &c)
{
    return seq(c, [&] { return c.ch('\\') && !ahead(c, Newline) && inClass(c, kEscapable); });
}

bool InlineBody(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (c.pos < c.limit) {
        // A special character that starts no construct: every alternative
        // before Symbol fails at once; the last of them to open a capture
        // was a position marker.
        switch (c.cur()) {
        case ']': case '(': case ')': case '#': case '\'': case '"':
            c.begin();
            c.end();
            ++c.pos;
            return r.done();
        default:
            break;
        }
    }
    static bool (*const alternatives[])(Ctx &) = {
        Str, Endline, UlOrStarLine, Space, Strong, Emph, Image, Link,
        NoteReference, InlineNote, Code, RawHtml, Entity, EscapedChar, SpecialChar,
    };
    for (auto alt : alternatives) {
        if (alt(c))
            return r.done();
        r.back();
        if (c.ps.aborted)
            break;
    }
    return r.fail();
}

} // namespace

bool Inline(Ctx &c)
{
    return InlineBody(c);
}

bool Label(Ctx &c)
{
    // Without a "[" the position marker's capture is all a label leaves behind.
    if (c.pos < c.limit && c.cur() != '[') {
        c.begin();
        c.end();
        return false;
    }
    return memoized(c, kMemoLabel, LabelBody);
}

bool RawNoteReference(Ctx &c)
{
    return seq(c, [&] {
        if (!c.str("[^"))
            return false;
        if (!plus(c, [](Ctx &c) { return !ahead(c, Newline) && !c.peek(']') && c.any(); }))
            return false;
        return c.ch(']');
    });
}

bool HtmlAttribute(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    if (!plus(c, [](Ctx &c) { return AlphanumericAscii(c) || c.ch('-'); }))
        return r.fail();
    Spnl(c);
    seq(c, [&] {
        if (!c.ch('='))
            return false;
        Spnl(c);
        return Quoted(c) || plus(c, [](Ctx &c) { return !c.peek('>') && Nonspacechar(c); });
    });
    Spnl(c);
    return r.done();
}

bool HtmlComment(Ctx &c)
{
    Rule r(c, 1);
    if (!r.ok || !Mark(c))
        return r.fail();
    r.set(0);
    c.begin();
    if (!c.str("<!--"))
        return r.fail();
    if (!memoTail(c, kMemoCommentTail, [](Ctx &c) { return !ahead(c, [](Ctx &c) { return c.str("-->"); }) && c.any(); },
                  [](Ctx &c) { return c.str("-->"); }))
        return r.fail();
    c.end();
    c.act(actAddFromSlot, packSlot(1, 0, COMMENT));
    return r.done();
}

bool Inlines(Ctx &c)
{
    Rule r(c);
    if (!r.ok)
        return r.fail();
    const auto item = [](Ctx &c) {
        if (seq(c, [&] { return !ahead(c, Endline) && Inline(c); }))
            return true;
        return seq(c, [&] { return Endline(c) && ahead(c, Inline); });
    };
    if (!plus(c, item))
        return r.fail();
    Endline(c);
    return r.done();
}

} // namespace penwick::mdh
