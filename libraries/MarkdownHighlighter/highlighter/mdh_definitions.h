// Internals of the element parser: the per-parse shared state, the parsing
// context of one pass (matching primitives, captures, deferred actions, value
// frames, memo table) and the grammar entry points.
#pragma once

#include "mdh_parser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace penwick::mdh {

// Deepest nesting of rule calls; a rule entered deeper fails (its construct
// is read as text). Keeps the native stack small on any thread.
inline constexpr int kMaxDepth = 1500;
// Value frames: slots for named sub-results of nested rules.
inline constexpr int kMaxSlots = 512;
// Deepest nesting of block quotes and list items whose content is parsed.
inline constexpr int kMaxBlockNesting = 32;

struct Ctx;
struct Thunk;
using ActionFn = void (*)(Ctx &, const Thunk &);

struct Thunk {
    std::int32_t begin;
    std::int32_t end;
    ActionFn fn;
    std::intptr_t arg;
};

// Growable array of queued actions. Pushing and cutting back happen on every
// rule attempt, so both stay inline; only growing is a call.
class ThunkBuffer {
public:
    ThunkBuffer() = default;
    ~ThunkBuffer() { std::free(m_data); }
    ThunkBuffer(const ThunkBuffer &) = delete;
    ThunkBuffer &operator=(const ThunkBuffer &) = delete;

    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    const Thunk *begin() const { return m_data; }
    const Thunk *end() const { return m_data + m_size; }
    const Thunk &operator[](std::size_t i) const { return m_data[i]; }
    void push_back(const Thunk &t)
    {
        if (m_size == m_capacity)
            grow(m_size + 1);
        m_data[m_size++] = t;
    }
    void append(const Thunk *from, std::size_t count)
    {
        if (m_size + count > m_capacity)
            grow(m_size + count);
        if (count > 0)
            std::memcpy(m_data + m_size, from, count * sizeof(Thunk));
        m_size += count;
    }
    // Only ever cuts back to an earlier size.
    void resize(std::size_t n)
    {
        if (n < m_size)
            m_size = n;
    }
    void clear() { m_size = 0; }
    void release()
    {
        std::free(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

private:
    void grow(std::size_t needed);
    Thunk *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// Storage of one parse result: element records and their strings, taken in
// chunks and given back all at once when the result is freed.
struct ElementPool {
    struct Chunk {
        Chunk *next;
        std::size_t size;
        std::size_t used;
    };
    Chunk *head = nullptr;
    std::size_t nextChunkSize = 16 * 1024;

    void *allocate(std::size_t bytes);
    void release();
};

// State shared by every pass of one parse.
struct ParseShared {
    const char *inputText = nullptr;
    std::size_t inputLen = 0;
    std::vector<std::uint32_t> strips; // byte offsets of removed bytes, ascending
    std::string buffer;                // the parse buffer (kept bytes, then "\n\n")
    int extensions = 0;
    ElementPool *pool = nullptr;
    ElementPool *listedPool = nullptr;
    mdh_Element **result = nullptr;
    mdh_Element *references = nullptr;
    // Label to definition, made on the first look-up.
    std::unordered_map<std::string_view, mdh_Element *> referenceIndex;
    bool referenceIndexBuilt = false;

    bool memoize = true;
    std::uint64_t stepBudget = 0;
    std::uint64_t steps = 0;
    bool aborted = false;
    bool boundReached = false;
};

// Where the text of one pass comes from: its span list, flattened.
struct SpanMap {
    std::vector<mdh_Element *> spans;
    std::vector<std::uint64_t> offset;      // running offset at each span
    std::vector<std::uint64_t> length;      // its length in the pass text
    std::vector<std::uint64_t> lastRealEnd; // end of the last RAW_SPAN before it
};

struct MemoEntry {
    std::int32_t endPos = -1;  // -1: the attempt failed
    std::uint32_t epoch = 0;
    std::int32_t capBegin = 0;
    std::int32_t capEnd = 0;
    std::uint32_t thunkStart = 0;
    std::uint32_t thunkCount = 0;
    // Packed into one word: depth and slots stay below kMaxDepth and kMaxSlots.
    std::uint32_t relDepth : 15 = 0;
    std::uint32_t relSlots : 15 = 0;
    std::uint32_t flags : 2 = 0;
};
static_assert(kMaxDepth < (1 << 15) && kMaxSlots < (1 << 15));

enum : std::uint8_t { kMemoPoison = 1, kMemoCapture = 2 };

// Results of rule attempts by (rule, position). The grammar's hot rules are
// found through one index per rule over the positions of the current
// top-level block; the rest through a hash table with linear probing. Emptied
// when a top-level block is done, since no rule goes back before it: the
// index slots that were used are cleared and the hash table starts a new
// generation. Indexes and entries live in fixed-size pages, taken as a block
// reaches them and kept for the next block and the next parse: a long block
// never copies what it already holds into a bigger array.
class MemoTable {
public:
    MemoTable() = default;
    ~MemoTable() { release(); }
    MemoTable(const MemoTable &) = delete;
    MemoTable &operator=(const MemoTable &) = delete;

    MemoEntry *find(std::uint64_t key)
    {
        const std::uint32_t id = static_cast<std::uint32_t>(key >> 32);
        if (id < kDenseIds) {
            const std::uint32_t pos = static_cast<std::uint32_t>(key);
            if (pos < m_base || id >= m_dense.size())
                return nullptr;
            const std::vector<std::uint32_t *> &pages = m_dense[id];
            const std::size_t rel = pos - m_base;
            const std::size_t page = rel >> kIndexPageBits;
            if (page >= pages.size() || !pages[page])
                return nullptr;
            const std::uint32_t n = pages[page][rel & (kIndexPageSize - 1)];
            return n == 0 ? nullptr : &entryAt(n - 1);
        }
        return findHashed(key);
    }
    MemoEntry &insert(std::uint64_t key);
    // Forgets every entry; positions from `base` on are the ones asked for next.
    void clear(std::uint32_t base);
    void release();
    std::size_t bytes() const;

    static constexpr std::uint32_t kDenseIds = 32;

private:
    static constexpr unsigned kIndexPageBits = 12;
    static constexpr std::size_t kIndexPageSize = std::size_t{1} << kIndexPageBits;
    static constexpr unsigned kEntryPageBits = 13;
    static constexpr std::size_t kEntryPageSize = std::size_t{1} << kEntryPageBits;
    static constexpr std::size_t kFirstEntries = 4096;

    struct HashSlot {
        std::uint64_t key = 0;        // stored plus one
        std::uint32_t generation = 0; // slots of other generations are empty
        MemoEntry entry;
    };

    MemoEntry &entryAt(std::size_t n)
    {
        return m_entryPages[n >> kEntryPageBits][n & (kEntryPageSize - 1)];
    }
    MemoEntry *findHashed(std::uint64_t key)
    {
        if (m_slots.empty())
            return nullptr;
        const std::uint64_t stored = key + 1;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = slotFor(stored);; i = (i + 1) & mask) {
            HashSlot &e = m_slots[i];
            if (e.generation != m_generation)
                return nullptr;
            if (e.key == stored)
                return &e.entry;
        }
    }
    MemoEntry &insertHashed(std::uint64_t key);
    void grow();
    std::size_t slotFor(std::uint64_t stored) const
    {
        return static_cast<std::size_t>((stored * 0x9E3779B97F4A7C15ull) >> m_shift);
    }
    std::uint32_t m_base = 0;
    std::vector<std::vector<std::uint32_t *>> m_dense; // per rule: index pages (entry number plus one)
    std::vector<std::size_t> m_extent;                 // per rule: index slots in use are below this
    std::vector<std::uint64_t> m_first;                // rule and slot of the block's first entries
    std::size_t m_indexPages = 0;
    std::vector<MemoEntry *> m_entryPages;
    std::size_t m_entryCount = 0;
    std::vector<HashSlot> m_slots;
    unsigned m_shift = 64;
    std::size_t m_count = 0;
    std::uint32_t m_generation = 1;
};

// Memo rule identifiers (the high half of a memo key).
enum MemoId : std::uint32_t {
    kMemoLabel = 1,
    kMemoStrongStarTail,
    kMemoStrongUlTail,
    kMemoEmphStarTail,
    kMemoEmphUlTail,
    kMemoLabelTail,
    kMemoInlineNoteTail,
    kMemoCodeTail1, // .. kMemoCodeTail1 + 4
    kMemoCodeTail5 = kMemoCodeTail1 + 4,
    kMemoTitleSingleTail,
    kMemoTitleDoubleTail,
    kMemoAutoUrlTail,
    kMemoAutoEmailTail,
    kMemoCommentTail,
    kMemoScriptTail,
    kMemoStyleTail,
    kMemoStrongStar,
    kMemoStrongUl,
    kMemoEmphStar,
    kMemoEmphUl,
    kMemoHtmlBlockTag, // + tag index
    kMemoHtmlBlockTagTail = kMemoHtmlBlockTag + 64,
};

// What the passes of a parse need while they run, kept by the thread between
// passes and parses so that a parse takes memory from the system only when it
// needs more than the one before.
struct PassStorage {
    SpanMap map;
    std::string text;
    std::vector<std::int32_t> softEnds;
    ThunkBuffer queue;
    MemoTable memo;
    ThunkBuffer memoActions;
    std::vector<std::pair<std::int32_t, std::uint64_t>> visits;
    std::vector<mdh_Element *> values;
    std::string buffer;
    std::vector<std::uint32_t> strips;

    std::size_t bytes() const;
    void release();
};

struct Ctx {
    ParseShared &ps;
    const SpanMap &map;
    const unsigned char *in;
    std::int32_t len;
    const std::vector<std::int32_t> &softEnds; // positions where one read fails once
    std::size_t nextSoft = 0;
    std::uint32_t epoch = 0; // number of soft ends met so far

    std::int32_t pos = 0;
    std::int32_t limit = 0; // characters read so far
    std::int32_t capBegin = 0;
    std::int32_t capEnd = 0;
    std::uint64_t capSeq = 0;
    ThunkBuffer &q;

    int depth = 0;
    int maxDepthSeen = 0;
    int slots = 0;
    int maxSlotsSeen = 0;
    std::uint64_t boundHits = 0;

    MemoTable &memo;
    ThunkBuffer &arena; // actions of memoised successes
    std::vector<std::pair<std::int32_t, std::uint64_t>> &visits;

    // Running the actions.
    mdh_Element *yy = nullptr;
    std::vector<mdh_Element *> &vstack;
    int fp = 0;

    Ctx(ParseShared &shared, PassStorage &storage)
        : ps(shared), map(storage.map), in(reinterpret_cast<const unsigned char *>(storage.text.data())),
          len(static_cast<std::int32_t>(storage.text.size())), softEnds(storage.softEnds), q(storage.queue),
          memo(storage.memo), arena(storage.memoActions), visits(storage.visits), vstack(storage.values)
    {
        q.clear();
        memo.clear(0);
        arena.clear();
        visits.clear();
        vstack.assign(kMaxSlots + 64, nullptr);
    }

    // A top-level block is done and no rule will go back into it: run its
    // actions now and forget the attempts made so far.
    void commit();

    // Reading: one character per refill; a soft end fails the first read there.
    bool availSlow()
    {
        if (pos >= len)
            return false;
        while (nextSoft < softEnds.size() && softEnds[nextSoft] < pos)
            ++nextSoft;
        if (nextSoft < softEnds.size() && softEnds[nextSoft] == pos) {
            ++nextSoft;
            ++epoch;
            return false;
        }
        limit = pos + 1;
        return true;
    }
    // End of the stretch from `pos` that reads without meeting a soft end:
    // scanning loops run through it directly and then move `limit` to what
    // they read. Soft ends before `limit` can no longer be met.
    std::int32_t readable()
    {
        while (nextSoft < softEnds.size() && softEnds[nextSoft] < limit)
            ++nextSoft;
        return nextSoft < softEnds.size() ? std::min(softEnds[nextSoft], len) : len;
    }
    void readThrough(std::int32_t last)
    {
        if (limit <= last)
            limit = last + 1;
    }
    bool avail() { return pos < limit ? true : availSlow(); }
    bool ch(unsigned char x)
    {
        if (!avail() || in[pos] != x)
            return false;
        ++pos;
        return true;
    }
    bool peek(unsigned char x)
    {
        return avail() && in[pos] == x;
    }
    bool any()
    {
        if (!avail())
            return false;
        ++pos;
        return true;
    }
    bool str(const char *s)
    {
        const std::int32_t start = pos;
        for (; *s; ++s) {
            if (!ch(static_cast<unsigned char>(*s))) {
                pos = start;
                return false;
            }
        }
        return true;
    }
    unsigned char cur() const { return in[pos]; }

    void begin()
    {
        capBegin = pos;
        ++capSeq;
    }
    void end()
    {
        capEnd = pos;
        ++capSeq;
    }
    void act(ActionFn fn, std::intptr_t arg = 0) { q.push_back({capBegin, capEnd, fn, arg}); }
    void restore(std::int32_t p, std::size_t n)
    {
        pos = p;
        q.resize(n);
    }

    // Rule bookkeeping.
    bool enter()
    {
        ++depth;
        if (++ps.steps > ps.stepBudget)
            ps.aborted = true;
        if (ps.aborted)
            return false;
        if (depth > kMaxDepth) {
            hitBound();
            return false;
        }
        if (depth > maxDepthSeen)
            maxDepthSeen = depth;
        return true;
    }
    void hitBound()
    {
        ++boundHits;
        ps.boundReached = true;
    }
    bool notes() const { return (ps.extensions & EXT_NOTES) != 0; }
};

// Quick refusal of a rule that fails on the first character it reads unless
// that character is one of `firsts`: when the character reads without a soft
// end, the rule's own bookkeeping is done here instead (the rule attempts it
// would count, `levels` deep, with `names` value slots at the deepest point,
// and a capture opened (and closed, with `closeCapture`) at the position) and
// the caller fails at once. Near a bound or the step budget the rule runs.
struct FailShape {
    int steps;
    int levels;
    int names;
    bool openCapture;
    bool closeCapture;
};
inline bool refusedAt(Ctx &c, const char *firsts, const FailShape &shape)
{
    if (c.pos >= c.readable())
        return false;
    const unsigned char x = c.in[c.pos];
    for (const char *f = firsts; *f; ++f) {
        if (static_cast<unsigned char>(*f) == x)
            return false;
    }
    if (c.ps.aborted || c.ps.steps + static_cast<std::uint64_t>(shape.steps) > c.ps.stepBudget
        || c.depth + shape.levels > kMaxDepth || c.slots + shape.names > kMaxSlots)
        return false;
    c.readThrough(c.pos);
    c.ps.steps += static_cast<std::uint64_t>(shape.steps);
    if (c.depth + shape.levels > c.maxDepthSeen)
        c.maxDepthSeen = c.depth + shape.levels;
    if (shape.names > 0 && c.slots + shape.names > c.maxSlotsSeen)
        c.maxSlotsSeen = c.slots + shape.names;
    if (shape.openCapture) {
        c.capBegin = c.pos;
        if (shape.closeCapture)
            c.capEnd = c.pos;
        ++c.capSeq;
    }
    return true;
}

// Value frame actions.
void actPushFrame(Ctx &c, const Thunk &t);
void actPopFrame(Ctx &c, const Thunk &t);
void actSetSlot(Ctx &c, const Thunk &t);

// One rule invocation: position and queue to return to, depth, value frame.
struct Rule {
    Ctx &c;
    std::int32_t p0;
    std::size_t q0;
    std::size_t qa;
    int nslots = 0;
    bool ok;
    explicit Rule(Ctx &ctx, int names = 0) : c(ctx), p0(ctx.pos), q0(ctx.q.size()), qa(q0)
    {
        ok = c.enter();
        if (ok && names > 0) {
            if (c.slots + names > kMaxSlots) {
                c.hitBound();
                ok = false;
            } else {
                nslots = names;
                c.slots += names;
                if (c.slots > c.maxSlotsSeen)
                    c.maxSlotsSeen = c.slots;
                c.q.push_back({names, 0, actPushFrame, names});
                qa = c.q.size();
            }
        }
    }
    ~Rule()
    {
        --c.depth;
        c.slots -= nslots;
    }
    Rule(const Rule &) = delete;
    Rule &operator=(const Rule &) = delete;
    bool fail()
    {
        c.restore(p0, q0);
        return false;
    }
    // Back to the start of the rule, before trying a further alternative.
    void back() { c.restore(p0, qa); }
    // Stores the current result value as name i (0-based) of this rule.
    void set(int i) { c.q.push_back({-(nslots - i), 0, actSetSlot, -(nslots - i)}); }
    bool done()
    {
        if (nslots > 0)
            c.q.push_back({nslots, 0, actPopFrame, nslots});
        return true;
    }
};

// Value of name i (0-based) of a rule with n names, while its actions run.
inline mdh_Element *&slot(Ctx &c, int n, int i)
{
    const int index = c.fp - n + i;
    if (index < 0 || static_cast<std::size_t>(index) >= c.vstack.size()) {
        static thread_local mdh_Element *outside;
        outside = nullptr;
        return outside;
    }
    return c.vstack[static_cast<std::size_t>(index)];
}

template <class F> inline bool ahead(Ctx &c, F f)
{
    const std::int32_t p = c.pos;
    const std::size_t n = c.q.size();
    const bool r = f(c);
    c.restore(p, n);
    return r;
}
template <class F> inline bool notAhead(Ctx &c, F f) { return !ahead(c, f); }
template <class F> inline bool seq(Ctx &c, F f)
{
    const std::int32_t p = c.pos;
    const std::size_t n = c.q.size();
    if (f())
        return true;
    c.restore(p, n);
    return false;
}
template <class F> inline void star(Ctx &c, F f)
{
    for (;;) {
        const std::int32_t p = c.pos;
        if (!seq(c, [&] { return f(c); }))
            break;
        if (c.pos == p)
            break;
    }
}
template <class F> inline bool plus(Ctx &c, F f)
{
    if (!seq(c, [&] { return f(c); }))
        return false;
    star(c, f);
    return true;
}

// Memoised attempt of `body` at the current position under `id`.
template <class F> bool memoized(Ctx &c, std::uint32_t id, F body);
// Memoised loop "(step)* final": known failures of the loop from a position end it at once.
template <class S, class F> bool memoTail(Ctx &c, std::uint32_t id, S step, F final);

// Elements.
mdh_Element *newElement(Ctx &c, int type, std::uint64_t pos, std::uint64_t end);
mdh_Element *newElement(ParseShared &ps, int type, std::uint64_t pos, std::uint64_t end);
mdh_Element *mkEtext(Ctx &c, const char *text);
mdh_Element *cloneElement(ParseShared &ps, const mdh_Element *e);
mdh_Element *cons(mdh_Element *elem, mdh_Element *list);
mdh_Element *reverseList(mdh_Element *list);
void addElement(Ctx &c, mdh_Element *e);
char *extractOriginalText(Ctx &c, std::uint64_t begin, std::uint64_t end);
mdh_Element *findReference(Ctx &c, const char *label);
// Element strings live in the result's pool and are never changed once made,
// so copies of an element share them.
inline char *dupString(const char *s)
{
    return const_cast<char *>(s);
}
inline void releaseString(char *&s)
{
    s = nullptr;
}

// Grammar entry points and rules shared between the grammar units.
bool ruleReferenceStart(Ctx &c);
bool ruleDocument(Ctx &c);
inline bool Spacechar(Ctx &c)
{
    return c.ch(' ') || c.ch('\t');
}
inline bool Newline(Ctx &c)
{
    if (c.ch('\n'))
        return true;
    if (c.ch('\r')) {
        c.ch('\n');
        return true;
    }
    return false;
}
inline bool Sp(Ctx &c)
{
    while (Spacechar(c)) {
    }
    return true;
}
bool Spnl(Ctx &c);
bool BlankLine(Ctx &c);
bool Nonspacechar(Ctx &c);
bool EndOfInput(Ctx &c);
bool Line(Ctx &c);
bool RawLine(Ctx &c);
bool AtxStart(Ctx &c);
bool Inlines(Ctx &c);
bool Inline(Ctx &c);
bool Endline(Ctx &c);
bool Label(Ctx &c);
bool RawNoteReference(Ctx &c);
bool AlphanumericAscii(Ctx &c);
bool HtmlAttribute(Ctx &c);
bool HtmlComment(Ctx &c);
bool HtmlBlockScript(Ctx &c);
bool HtmlBlock(Ctx &c);
bool StyleBlock(Ctx &c);

// Actions shared between the grammar units.
void actNoTypeOverCapture(Ctx &c, const Thunk &t);
bool Mark(Ctx &c);

// ---------------------------------------------------------------------------

template <class F> bool memoized(Ctx &c, std::uint32_t id, F body)
{
    if (!c.ps.memoize)
        return body(c);
    const std::uint64_t key = (static_cast<std::uint64_t>(id) << 32) | static_cast<std::uint32_t>(c.pos);
    if (MemoEntry *e = c.memo.find(key)) {
        const bool usable = e->epoch == c.epoch
            && ((e->flags & kMemoPoison)
                || (c.depth + static_cast<int>(e->relDepth) <= kMaxDepth
                    && c.slots + static_cast<int>(e->relSlots) <= kMaxSlots));
        if (usable) {
            if (++c.ps.steps > c.ps.stepBudget)
                c.ps.aborted = true;
            if (e->flags & kMemoPoison)
                ++c.boundHits;
            if (e->flags & kMemoCapture) {
                c.capBegin = e->capBegin;
                c.capEnd = e->capEnd;
                ++c.capSeq;
            }
            if (e->endPos < 0)
                return false;
            for (std::uint32_t i = 0; i < e->thunkCount; ++i)
                c.q.push_back(c.arena[e->thunkStart + i]);
            c.pos = e->endPos;
            if (c.limit < c.pos)
                c.limit = c.pos;
            return true;
        }
    }
    const std::uint32_t epoch0 = c.epoch;
    const std::uint64_t cap0 = c.capSeq;
    const std::uint64_t bound0 = c.boundHits;
    const std::size_t q0 = c.q.size();
    const int depth0 = c.depth, slots0 = c.slots;
    const int savedDepth = c.maxDepthSeen, savedSlots = c.maxSlotsSeen;
    c.maxDepthSeen = depth0;
    c.maxSlotsSeen = slots0;
    const bool ok = body(c);
    const int relDepth = c.maxDepthSeen - depth0, relSlots = c.maxSlotsSeen - slots0;
    if (savedDepth > c.maxDepthSeen)
        c.maxDepthSeen = savedDepth;
    if (savedSlots > c.maxSlotsSeen)
        c.maxSlotsSeen = savedSlots;
    if (c.epoch != epoch0 || c.ps.aborted)
        return ok;
    MemoEntry &e = c.memo.insert(key);
    e.epoch = epoch0;
    e.relDepth = static_cast<std::uint16_t>(relDepth);
    e.relSlots = static_cast<std::uint16_t>(relSlots);
    e.flags = 0;
    if (c.boundHits != bound0)
        e.flags |= kMemoPoison;
    if (c.capSeq != cap0) {
        e.flags |= kMemoCapture;
        e.capBegin = c.capBegin;
        e.capEnd = c.capEnd;
    }
    e.endPos = ok ? c.pos : -1;
    e.thunkStart = static_cast<std::uint32_t>(c.arena.size());
    e.thunkCount = ok ? static_cast<std::uint32_t>(c.q.size() - q0) : 0;
    if (ok)
        c.arena.append(c.q.begin() + q0, c.q.size() - q0);
    return ok;
}

template <class S, class F> bool memoTail(Ctx &c, std::uint32_t id, S step, F final)
{
    if (!c.ps.memoize) {
        star(c, step);
        return final(c);
    }
    const std::size_t mark = c.visits.size();
    const std::uint32_t epoch0 = c.epoch;
    const std::uint64_t bound0 = c.boundHits;
    const int depth0 = c.depth, slots0 = c.slots;
    const int savedDepth = c.maxDepthSeen, savedSlots = c.maxSlotsSeen;
    c.maxDepthSeen = depth0;
    c.maxSlotsSeen = slots0;
    bool knownFailure = false;
    bool inheritedPoison = false;
    std::uint32_t inheritedDepth = 0, inheritedSlots = 0;
    bool ok = false;
    for (;;) {
        const std::uint64_t key = (static_cast<std::uint64_t>(id) << 32) | static_cast<std::uint32_t>(c.pos);
        if (MemoEntry *e = c.memo.find(key)) {
            const bool usable = e->epoch == c.epoch && e->endPos < 0
                && ((e->flags & kMemoPoison)
                    || (c.depth + static_cast<int>(e->relDepth) <= kMaxDepth
                        && c.slots + static_cast<int>(e->relSlots) <= kMaxSlots));
            if (usable) {
                if (e->flags & kMemoCapture) {
                    c.capBegin = e->capBegin;
                    c.capEnd = e->capEnd;
                    ++c.capSeq;
                }
                inheritedPoison = (e->flags & kMemoPoison) != 0;
                if (inheritedPoison)
                    ++c.boundHits;
                inheritedDepth = e->relDepth;
                inheritedSlots = e->relSlots;
                knownFailure = true;
                break;
            }
        }
        c.visits.emplace_back(c.pos, c.capSeq);
        const std::int32_t p = c.pos;
        if (!seq(c, [&] { return step(c); }) || c.pos == p)
            break;
        if (c.boundHits != bound0) {
            // Something nested too deeply inside: this construct is text too,
            // and so is every construct around it.
            knownFailure = true;
            break;
        }
    }
    if (!knownFailure)
        ok = final(c);
    int relDepth = c.maxDepthSeen - depth0, relSlots = c.maxSlotsSeen - slots0;
    if (static_cast<int>(inheritedDepth) > relDepth)
        relDepth = static_cast<int>(inheritedDepth);
    if (static_cast<int>(inheritedSlots) > relSlots)
        relSlots = static_cast<int>(inheritedSlots);
    if (savedDepth > c.maxDepthSeen)
        c.maxDepthSeen = savedDepth;
    if (savedSlots > c.maxSlotsSeen)
        c.maxSlotsSeen = savedSlots;
    if (!ok && c.epoch == epoch0 && !c.ps.aborted) {
        const bool poison = inheritedPoison || c.boundHits != bound0;
        for (std::size_t i = mark; i < c.visits.size(); ++i) {
            const auto [vpos, vcap] = c.visits[i];
            MemoEntry &e = c.memo.insert((static_cast<std::uint64_t>(id) << 32) | static_cast<std::uint32_t>(vpos));
            e.epoch = epoch0;
            e.endPos = -1;
            e.relDepth = static_cast<std::uint16_t>(relDepth);
            e.relSlots = static_cast<std::uint16_t>(relSlots);
            e.thunkStart = 0;
            e.thunkCount = 0;
            e.flags = poison ? kMemoPoison : 0;
            if (c.capSeq != vcap) {
                e.flags |= kMemoCapture;
                e.capBegin = c.capBegin;
                e.capEnd = c.capEnd;
            }
        }
    }
    c.visits.resize(mark);
    return ok;
}

} // namespace penwick::mdh
