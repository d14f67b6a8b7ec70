#include "mdh_parser.h"

#include "mdh_definitions.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace penwick {

namespace mdh {

// ---------------------------------------------------------------------------
// Memo table.

// The parser has no way to report a failed allocation: it ends the process.
static void *orDie(void *p)
{
    if (!p) {
        std::fputs("mdh_parser: out of memory\n", stderr);
        std::abort();
    }
    return p;
}

MemoEntry &MemoTable::insert(std::uint64_t key)
{
    const std::uint32_t id = static_cast<std::uint32_t>(key >> 32);
    const std::uint32_t pos = static_cast<std::uint32_t>(key);
    if (id >= kDenseIds || pos < m_base)
        return insertHashed(key);
    if (id >= m_dense.size()) {
        m_dense.resize(id + 1);
        m_extent.resize(id + 1, 0);
    }
    std::vector<std::uint32_t *> &pages = m_dense[id];
    const std::size_t rel = pos - m_base;
    const std::size_t page = rel >> kIndexPageBits;
    if (page >= pages.size())
        pages.resize(page + 1, nullptr);
    if (!pages[page]) {
        pages[page] = static_cast<std::uint32_t *>(orDie(std::calloc(kIndexPageSize, sizeof(std::uint32_t))));
        ++m_indexPages;
    }
    std::uint32_t &slot = pages[page][rel & (kIndexPageSize - 1)];
    if (slot == 0) {
        const std::size_t n = m_entryCount;
        if ((n >> kEntryPageBits) >= m_entryPages.size())
            m_entryPages.push_back(static_cast<MemoEntry *>(orDie(std::malloc(kEntryPageSize * sizeof(MemoEntry)))));
        entryAt(n) = MemoEntry{};
        if (n < kFirstEntries)
            m_first.push_back((static_cast<std::uint64_t>(id) << 32) | rel);
        ++m_entryCount;
        slot = static_cast<std::uint32_t>(m_entryCount);
        if (rel >= m_extent[id])
            m_extent[id] = rel + 1;
    }
    return entryAt(slot - 1);
}

MemoEntry &MemoTable::insertHashed(std::uint64_t key)
{
    if (MemoEntry *e = findHashed(key))
        return *e;
    if ((m_count + 1) * 2 >= m_slots.size())
        grow();
    const std::uint64_t stored = key + 1;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = slotFor(stored);
    while (m_slots[i].generation == m_generation)
        i = (i + 1) & mask;
    ++m_count;
    m_slots[i] = HashSlot{};
    m_slots[i].key = stored;
    m_slots[i].generation = m_generation;
    return m_slots[i].entry;
}

void MemoTable::clear(std::uint32_t base)
{
    // A short block clears the slots it used one by one; a long one zeroes
    // everything below each rule's extent.
    if (m_entryCount <= kFirstEntries) {
        for (const std::uint64_t where : m_first) {
            const std::size_t rel = static_cast<std::uint32_t>(where);
            m_dense[where >> 32][rel >> kIndexPageBits][rel & (kIndexPageSize - 1)] = 0;
        }
        std::fill(m_extent.begin(), m_extent.end(), 0);
    }
    for (std::size_t id = 0; m_entryCount > kFirstEntries && id < m_dense.size(); ++id) {
        const std::size_t extent = m_extent[id];
        for (std::size_t page = 0; page * kIndexPageSize < extent; ++page) {
            if (std::uint32_t *slots = m_dense[id][page])
                std::memset(slots, 0, std::min(kIndexPageSize, extent - page * kIndexPageSize) * sizeof(std::uint32_t));
        }
        m_extent[id] = 0;
    }
    m_first.clear();
    m_entryCount = 0;
    m_base = base;
    if (m_count == 0)
        return;
    m_count = 0;
    if (++m_generation == 0) {
        // After four billion blocks the stamps come round again: start from empty slots.
        std::fill(m_slots.begin(), m_slots.end(), HashSlot{});
        m_generation = 1;
    }
}

std::size_t MemoTable::bytes() const
{
    std::size_t n = m_slots.capacity() * sizeof(HashSlot) + m_entryPages.size() * kEntryPageSize * sizeof(MemoEntry)
        + m_indexPages * kIndexPageSize * sizeof(std::uint32_t);
    for (const auto &pages : m_dense)
        n += pages.capacity() * sizeof(std::uint32_t *);
    return n;
}

void MemoTable::release()
{
    for (auto &pages : m_dense) {
        for (std::uint32_t *page : pages)
            std::free(page);
    }
    std::vector<std::vector<std::uint32_t *>>().swap(m_dense);
    std::vector<std::size_t>().swap(m_extent);
    std::vector<std::uint64_t>().swap(m_first);
    m_indexPages = 0;
    for (MemoEntry *page : m_entryPages)
        std::free(page);
    std::vector<MemoEntry *>().swap(m_entryPages);
    m_entryCount = 0;
    std::vector<HashSlot>().swap(m_slots);
    m_base = 0;
    m_shift = 64;
    m_count = 0;
    m_generation = 1;
}

void MemoTable::grow()
{
    std::vector<HashSlot> old;
    old.swap(m_slots);
    m_slots.assign(old.empty() ? 1024 : old.size() * 2, HashSlot{});
    m_shift = 64;
    for (std::size_t n = m_slots.size(); n > 1; n >>= 1)
        --m_shift;
    const std::uint32_t live = m_generation;
    m_generation = 1;
    const std::size_t mask = m_slots.size() - 1;
    for (const HashSlot &e : old) {
        if (e.generation != live)
            continue;
        std::size_t i = slotFor(e.key);
        while (m_slots[i].generation == m_generation)
            i = (i + 1) & mask;
        m_slots[i] = e;
        m_slots[i].generation = m_generation;
    }
}

void ThunkBuffer::grow(std::size_t needed)
{
    std::size_t capacity = m_capacity ? m_capacity : 128;
    while (capacity < needed)
        capacity *= 2;
    m_data = static_cast<Thunk *>(orDie(std::realloc(m_data, capacity * sizeof(Thunk))));
    m_capacity = capacity;
}

// ---------------------------------------------------------------------------
// Storage kept between passes and parses.

std::size_t PassStorage::bytes() const
{
    return map.spans.capacity() * sizeof(mdh_Element *) + 3 * map.offset.capacity() * sizeof(std::uint64_t)
        + text.capacity() + softEnds.capacity() * sizeof(std::int32_t)
        + (queue.capacity() + memoActions.capacity()) * sizeof(Thunk) + memo.bytes()
        + visits.capacity() * sizeof(visits[0]) + values.capacity() * sizeof(mdh_Element *) + buffer.capacity()
        + strips.capacity() * sizeof(std::uint32_t);
}

void PassStorage::release()
{
    SpanMap().spans.swap(map.spans);
    std::vector<std::uint64_t>().swap(map.offset);
    std::vector<std::uint64_t>().swap(map.length);
    std::vector<std::uint64_t>().swap(map.lastRealEnd);
    std::string().swap(text);
    std::vector<std::int32_t>().swap(softEnds);
    queue.release();
    memo.release();
    memoActions.release();
    std::vector<std::pair<std::int32_t, std::uint64_t>>().swap(visits);
    std::vector<mdh_Element *>().swap(values);
    std::string().swap(buffer);
    std::vector<std::uint32_t>().swap(strips);
}

// A thread's storage stays between parses unless it grew beyond this.
constexpr std::size_t kKeptStorageBytes = 32u << 20;

static PassStorage &threadStorage()
{
    static thread_local PassStorage storage;
    return storage;
}

// ---------------------------------------------------------------------------
// Element pool.

void *ElementPool::allocate(std::size_t bytes)
{
    bytes = (bytes + 15) & ~std::size_t(15);
    if (!head || head->size - head->used < bytes) {
        std::size_t size = std::max(nextChunkSize, bytes + 64);
        auto *chunk = static_cast<Chunk *>(orDie(std::malloc(sizeof(Chunk) + 16 + size)));
        chunk->next = head;
        chunk->size = size;
        chunk->used = 0;
        head = chunk;
        if (nextChunkSize < (1u << 20))
            nextChunkSize *= 2;
    }
    char *base = reinterpret_cast<char *>(head) + ((sizeof(Chunk) + 15) & ~std::size_t(15));
    void *p = base + head->used;
    head->used += bytes;
    return p;
}

void ElementPool::release()
{
    while (head) {
        Chunk *next = head->next;
        std::free(head);
        head = next;
    }
    nextChunkSize = 16 * 1024;
}

// What a parse hands to its caller: the list heads, with the pool behind them.
struct ParseResult {
    ElementPool pool;
    ElementPool listed; // elements of lists 0 to 23, kept apart (see addElement)
    mdh_Element *heads[mdh_NUM_TYPES];
};

static ParseResult *resultOf(mdh_Element **heads)
{
    return reinterpret_cast<ParseResult *>(reinterpret_cast<char *>(heads) - offsetof(ParseResult, heads));
}

// ---------------------------------------------------------------------------
// Value frames.

void actPushFrame(Ctx &c, const Thunk &t)
{
    c.fp += static_cast<int>(t.arg);
    if (c.fp >= 0 && static_cast<std::size_t>(c.fp) >= c.vstack.size())
        c.vstack.resize(static_cast<std::size_t>(c.fp) + 64, nullptr);
}

void actPopFrame(Ctx &c, const Thunk &t)
{
    c.fp -= static_cast<int>(t.arg);
}

void actSetSlot(Ctx &c, const Thunk &t)
{
    const int index = c.fp + static_cast<int>(t.arg);
    if (index >= 0 && static_cast<std::size_t>(index) < c.vstack.size())
        c.vstack[static_cast<std::size_t>(index)] = c.yy;
}

// ---------------------------------------------------------------------------
// Elements.

mdh_Element *newElement(ParseShared &ps, int type, std::uint64_t pos, std::uint64_t end)
{
    auto *e = static_cast<mdh_Element *>(ps.pool->allocate(sizeof(mdh_Element)));
    std::memset(e, 0, sizeof(mdh_Element));
    e->type = static_cast<mdh_element_type>(type);
    e->pos = pos;
    e->end = end;
    e->allNext = ps.result[ALL_ELEMENTS];
    ps.result[ALL_ELEMENTS] = e;
    return e;
}

mdh_Element *newElement(Ctx &c, int type, std::uint64_t pos, std::uint64_t end)
{
    return newElement(c.ps, type, pos, end);
}

static mdh_Element *mkEtext(ParseShared &ps, const char *text)
{
    if (text == nullptr) {
        std::fputs("mk_etext: Assertion `string != NULL' failed\n", stderr);
        std::abort();
    }
    mdh_Element *e = newElement(ps, EXTRA_TEXT, 0, 0);
    // The grammar only inserts line ends, given as literals that outlive every result.
    e->text = const_cast<char *>(text);
    return e;
}

mdh_Element *mkEtext(Ctx &c, const char *text)
{
    return mkEtext(c.ps, text);
}

mdh_Element *cloneElement(ParseShared &ps, const mdh_Element *e)
{
    mdh_Element *r = newElement(ps, e->type, e->pos, e->end);
    r->label = dupString(e->label);
    r->address = dupString(e->address);
    r->text = dupString(e->text);
    return r;
}

mdh_Element *cons(mdh_Element *elem, mdh_Element *list)
{
    if (elem == nullptr) {
        std::fputs("cons: Assertion `elem != NULL' failed\n", stderr);
        std::abort();
    }
    mdh_Element *last = elem;
    while (last->next)
        last = last->next;
    last->next = list;
    return elem;
}

mdh_Element *reverseList(mdh_Element *list)
{
    mdh_Element *out = nullptr;
    while (list) {
        mdh_Element *next = list->next;
        list->next = out;
        out = list;
        list = next;
    }
    return out;
}

// First span whose stretch of the pass text holds offset x (ends inclusive).
static std::size_t firstCovering(const SpanMap &m, std::uint64_t x)
{
    std::size_t lo = 0, hi = m.spans.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (m.offset[mid] + m.length[mid] >= x)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo; // == size when none
}

// Maps an element from pass-text positions to parse-buffer positions,
// splitting it where it crosses from one span to the next.
static mdh_Element *mapToBuffer(ParseShared &ps, const SpanMap &m, const mdh_Element *elem)
{
    if (elem->type == EXTRA_TEXT)
        return mkEtext(ps, elem->text);
    if (elem->type == RAW_SPAN_LIST) {
        mdh_Element *copy = cloneElement(ps, elem);
        mdh_Element *head = nullptr, *last = nullptr;
        for (const mdh_Element *child = elem->children; child; child = child->next) {
            mdh_Element *chain = mapToBuffer(ps, m, child);
            if (!head)
                head = chain;
            else
                last->next = chain;
            last = chain;
            while (last->next)
                last = last->next;
        }
        copy->children = head;
        return copy;
    }
    mdh_Element *tail = cloneElement(ps, elem);
    mdh_Element *head = tail, *prev = nullptr;
    const std::uint64_t start = elem->pos, stop = elem->end;
    const std::size_t i0 = std::min(firstCovering(m, start), firstCovering(m, stop));
    if (i0 >= m.spans.size())
        return head;
    bool foundStart = false, foundEnd = false, waiting = false;
    std::uint64_t lastReal = m.lastRealEnd[i0];
    for (std::size_t i = i0; i < m.spans.size(); ++i) {
        const mdh_Element *span = m.spans[i];
        const std::uint64_t running = m.offset[i], length = m.length[i];
        const bool real = span->type != EXTRA_TEXT;
        if (waiting && real) {
            tail->pos = span->pos;
            waiting = false;
        }
        std::uint64_t piecePos = span->pos;
        if (!foundStart && running <= start && start <= running + length) {
            tail->pos = real ? span->pos + (start - running) : lastReal;
            piecePos = tail->pos;
            foundStart = true;
        }
        if (!foundEnd && running <= stop && stop <= running + length) {
            tail->end = real ? span->pos + (stop - running) : lastReal;
            foundEnd = true;
        }
        if (foundStart && foundEnd)
            break;
        if (real)
            lastReal = span->end;
        if (foundStart) {
            mdh_Element *piece = cloneElement(ps, tail);
            piece->pos = piecePos;
            piece->end = span->end;
            piece->next = tail;
            if (prev)
                prev->next = piece;
            if (head == tail)
                head = piece;
            prev = piece;
            waiting = true;
        }
    }
    return head;
}

void addElement(Ctx &c, mdh_Element *e)
{
    // The caller walks the element lists several times (trim, sort, styling):
    // elements that stand in them come from storage of their own, so that a
    // walk reads consecutive memory instead of hopping over the rule values
    // made in between.
    ElementPool *const general = c.ps.pool;
    if (e->type < mdh_NUM_LANG_TYPES)
        c.ps.pool = c.ps.listedPool;
    mdh_Element *chain = mapToBuffer(c.ps, c.map, e);
    c.ps.pool = general;
    if (chain->type < mdh_NUM_LANG_TYPES) {
        // A piece that starts or ends inside inserted text (a blank quoted line, the
        // gap after a loose item) can come out empty or reversed: that is no element.
        // Constructs that run to a line end may end on the line end appended to the
        // text: they stop at the text's end, and whatever lies wholly past it goes.
        const std::uint64_t textEnd = c.ps.buffer.size() - 2;
        mdh_Element **link = &chain;
        while (*link) {
            (*link)->end = std::min((*link)->end, textEnd);
            if ((*link)->end <= (*link)->pos)
                *link = (*link)->next;
            else
                link = &(*link)->next;
        }
        if (!chain)
            return;
    }
    mdh_Element *last = chain;
    while (last->next)
        last = last->next;
    mdh_Element **list = &c.ps.result[chain->type];
    last->next = *list;
    *list = chain;
}

// Byte offset in the caller's text of parse-buffer index k.
static std::size_t toInputOffset(const std::vector<std::uint32_t> &strips, std::uint64_t k)
{
    std::size_t lo = 0, hi = strips.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        const auto g = static_cast<std::size_t>(
            std::upper_bound(strips.begin(), strips.end(), k + mid) - strips.begin());
        if (g <= mid)
            hi = mid;
        else
            lo = mid + 1;
    }
    return static_cast<std::size_t>(k) + lo;
}

char *extractOriginalText(Ctx &c, std::uint64_t begin, std::uint64_t end)
{
    if (end <= begin)
        return nullptr;
    mdh_Element *range = newElement(c, NO_TYPE, begin, end);
    std::string out;
    for (mdh_Element *piece = mapToBuffer(c.ps, c.map, range); piece; piece = piece->next) {
        if (piece->end <= piece->pos)
            continue;
        std::size_t from = toInputOffset(c.ps.strips, piece->pos);
        std::size_t to = toInputOffset(c.ps.strips, piece->end);
        from = std::min(from, c.ps.inputLen);
        to = std::min(to, c.ps.inputLen);
        if (to > from)
            out.append(c.ps.inputText + from, to - from);
    }
    char *copy = static_cast<char *>(c.ps.pool->allocate(out.size() + 1));
    std::memcpy(copy, out.c_str(), out.size() + 1);
    return copy;
}

mdh_Element *findReference(Ctx &c, const char *label)
{
    if (!label)
        return nullptr;
    if (!c.ps.referenceIndexBuilt) {
        // The first definition of a label in list order is the one that counts.
        c.ps.referenceIndexBuilt = true;
        for (mdh_Element *r = c.ps.references; r; r = r->next) {
            if (r->label)
                c.ps.referenceIndex.emplace(std::string_view(r->label), r);
        }
    }
    const auto found = c.ps.referenceIndex.find(std::string_view(label));
    return found == c.ps.referenceIndex.end() ? nullptr : found->second;
}

// ---------------------------------------------------------------------------
// Passes.

void Ctx::commit()
{
    if (ps.aborted)
        return;
    for (const Thunk &t : q)
        t.fn(*this, t);
    q.clear();
    memo.clear(static_cast<std::uint32_t>(pos));
    arena.clear();
}

static bool runPass(ParseShared &ps, mdh_Element *spanList, bool (*start)(Ctx &))
{
    PassStorage &storage = threadStorage();
    SpanMap &map = storage.map;
    std::string &text = storage.text;
    std::vector<std::int32_t> &softEnds = storage.softEnds;
    map.spans.clear();
    map.offset.clear();
    map.length.clear();
    map.lastRealEnd.clear();
    text.clear();
    softEnds.clear();
    std::uint64_t running = 0, lastReal = 0;
    for (mdh_Element *s = spanList; s; s = s->next) {
        std::uint64_t length;
        map.spans.push_back(s);
        map.offset.push_back(running);
        map.lastRealEnd.push_back(lastReal);
        if (s->type == EXTRA_TEXT) {
            const char *t = s->text ? s->text : "";
            length = std::strlen(t);
            text.append(t, length);
            softEnds.push_back(static_cast<std::int32_t>(running + length));
        } else {
            length = s->end > s->pos ? s->end - s->pos : 0;
            const std::uint64_t bufLen = ps.buffer.size();
            const std::uint64_t from = std::min<std::uint64_t>(s->pos, bufLen);
            const std::uint64_t to = std::min<std::uint64_t>(from + length, bufLen);
            text.append(ps.buffer, from, to - from);
            // A NUL byte would end the input; the buffer never holds one.
            lastReal = s->end;
        }
        map.length.push_back(length);
        running += length;
    }
    if (text.size() > 0x7fff0000u)
        return false;

    Ctx c(ps, storage);
    const bool ok = start(c);
    if (ok)
        c.commit();
    return ok;
}

static void rawBlockPasses(ParseShared &ps)
{
    int nesting = 0;
    while (ps.result[RAW_SPAN_LIST] && !ps.aborted) {
        mdh_Element *lists = ps.result[RAW_SPAN_LIST];
        ps.result[RAW_SPAN_LIST] = nullptr;
        if (++nesting > kMaxBlockNesting) {
            // Deeper quotes and list items are left unparsed.
            ps.boundReached = true;
            break;
        }
        for (mdh_Element *list = lists; list && !ps.aborted; list = list->next) {
            mdh_Element **link = &list->children;
            while (*link) {
                mdh_Element *e = *link;
                if (e->type == RAW_SPAN && e->end == e->pos)
                    *link = e->next;
                else
                    link = &e->next;
            }
            mdh_Element *cur = list->children;
            while (cur) {
                if (cur->type == SPAN_SEPARATOR) {
                    cur = cur->next;
                    continue;
                }
                mdh_Element *first = cur, *last = cur;
                while (last->next && last->next->type != SPAN_SEPARATOR)
                    last = last->next;
                cur = last->next;
                last->next = nullptr;
                runPass(ps, first, ruleDocument);
            }
        }
    }
}

static void stripContinuationBytes(ParseShared &ps, bool &hadBom)
{
    const auto *text = reinterpret_cast<const unsigned char *>(ps.inputText);
    std::size_t i = 0;
    hadBom = false;
    ps.buffer.reserve(ps.inputLen + 3);
    if (ps.inputLen >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
        ps.strips.push_back(0);
        ps.strips.push_back(1);
        ps.strips.push_back(2);
        i = 3;
        hadBom = true;
    }
    // Copied in runs between continuation bytes: most text has few of them.
    ps.buffer.resize(ps.inputLen - i);
    char *out = ps.buffer.data();
    std::size_t kept = 0;
    while (i < ps.inputLen) {
        std::size_t run = i;
        while (run < ps.inputLen && (text[run] & 0xC0) != 0x80)
            ++run;
        std::memcpy(out + kept, text + i, run - i);
        kept += run - i;
        for (i = run; i < ps.inputLen && (text[i] & 0xC0) == 0x80; ++i)
            ps.strips.push_back(static_cast<std::uint32_t>(i));
    }
    ps.buffer.resize(kept);
    ps.buffer.append("\n\n");
}

static void freeAll(mdh_Element **lists)
{
    for (int i = 0; i < mdh_NUM_TYPES; ++i)
        lists[i] = nullptr;
    resultOf(lists)->pool.release();
    resultOf(lists)->listed.release();
}

// Stable sort by position through an array of keys: walking a long linked
// list once per merge width costs a cache miss per element and width.
// Positions past 2^31 would make the wrapped difference disagree with the
// plain order, so such lists take the list merge below.
static bool sortByKeys(mdh_Element *&list, std::vector<std::pair<std::uint64_t, mdh_Element *>> &keys)
{
    keys.clear();
    bool sorted = true;
    std::uint64_t previous = 0;
    for (mdh_Element *e = list; e; e = e->next) {
        if (e->pos >= (std::uint64_t{1} << 31))
            return false;
        if (e->pos < previous)
            sorted = false;
        previous = e->pos;
        // The list index in the low half keeps equal positions in list order.
        keys.emplace_back((e->pos << 32) | keys.size(), e);
    }
    if (sorted || keys.size() >= (std::uint64_t{1} << 32))
        return sorted;
    std::sort(keys.begin(), keys.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        keys[i].second->next = keys[i + 1].second;
    keys.back().second->next = nullptr;
    list = keys.front().second;
    return true;
}

static mdh_Element *sortList(mdh_Element *list, std::vector<std::pair<std::uint64_t, mdh_Element *>> &keys)
{
    if (!list)
        return nullptr;
    if (sortByKeys(list, keys))
        return list;
    for (std::size_t size = 1;; size *= 2) {
        mdh_Element *p = list, *tail = nullptr;
        list = nullptr;
        std::size_t merges = 0;
        while (p) {
            ++merges;
            mdh_Element *q = p;
            std::size_t psize = 0;
            for (std::size_t i = 0; i < size && q; ++i) {
                ++psize;
                q = q->next;
            }
            std::size_t qsize = size;
            while (psize > 0 || (qsize > 0 && q)) {
                mdh_Element *e;
                if (psize == 0) {
                    e = q;
                    q = q->next;
                    --qsize;
                } else if (qsize == 0 || !q) {
                    e = p;
                    p = p->next;
                    --psize;
                } else if (static_cast<std::int32_t>(static_cast<std::uint32_t>(p->pos - q->pos)) <= 0) {
                    e = p;
                    p = p->next;
                    --psize;
                } else {
                    e = q;
                    q = q->next;
                    --qsize;
                }
                if (tail)
                    tail->next = e;
                else
                    list = e;
                tail = e;
            }
            p = q;
        }
        tail->next = nullptr;
        if (merges <= 1)
            return list;
    }
}

static const char *const kNames[mdh_NUM_LANG_TYPES] = {
    "LINK", "AUTO_LINK_URL", "AUTO_LINK_EMAIL", "IMAGE", "CODE", "HTML", "HTML_ENTITY", "EMPH",
    "STRONG", "LIST_BULLET", "LIST_ENUMERATOR", "COMMENT", "H1", "H2", "H3", "H4",
    "H5", "H6", "BLOCKQUOTE", "VERBATIM", "HTMLBLOCK", "HRULE", "REFERENCE", "NOTE",
};

} // namespace mdh

using namespace mdh;

bool mdh_parse_text_to_elements_with(const char *text, int extensions, mdh_Element ***result,
                                     const mdh_parse_options &options, mdh_parse_report *report)
{
    ParseShared ps;
    ps.inputText = text ? text : "";
    ps.inputLen = std::strlen(ps.inputText);
    ps.extensions = extensions;
    ps.memoize = options.memoize;
    ps.stepBudget = options.stepBudget ? options.stepBudget : 20'000'000ull + 400ull * ps.inputLen;
    auto *block = static_cast<ParseResult *>(orDie(std::calloc(1, sizeof(ParseResult))));
    block->pool.nextChunkSize = 16 * 1024;
    block->listed.nextChunkSize = 16 * 1024;
    ps.pool = &block->pool;
    ps.listedPool = &block->listed;
    ps.result = block->heads;

    // The parse buffer and the strip positions reuse the thread's storage too.
    PassStorage &storage = threadStorage();
    ps.buffer.swap(storage.buffer);
    ps.strips.swap(storage.strips);
    ps.buffer.clear();
    ps.strips.clear();
    struct GiveBack {
        ParseShared &ps;
        PassStorage &storage;
        ~GiveBack()
        {
            ps.buffer.swap(storage.buffer);
            ps.strips.swap(storage.strips);
            if (storage.bytes() > kKeptStorageBytes)
                storage.release();
        }
    } giveBack{ps, storage};

    bool hadBom = false;
    stripContinuationBytes(ps, hadBom);
    if (ps.buffer.size() == 2) {
        // Nothing but the two appended line ends: no element, not even a span.
        if (report) {
            report->completed = true;
            report->nestingBoundReached = false;
            report->steps = 0;
        }
        *result = ps.result;
        return true;
    }

    mdh_Element *whole = newElement(ps, RAW_SPAN, 0, ps.buffer.size());

    runPass(ps, whole, ruleReferenceStart);
    ps.references = ps.result[REFERENCE];
    ps.result[REFERENCE] = nullptr;
    whole->next = nullptr;

    if (!ps.aborted)
        runPass(ps, whole, ruleDocument);
    if (!ps.aborted)
        rawBlockPasses(ps);

    if (ps.aborted) {
        freeAll(ps.result);
    } else {
        for (int i = mdh_NUM_LANG_TYPES; i < ALL_ELEMENTS; ++i)
            ps.result[i] = nullptr;
        if (hadBom) {
            // The mark is a character of the editor's text too: count it.
            for (int i = 0; i < mdh_NUM_LANG_TYPES; ++i) {
                for (mdh_Element *e = ps.result[i]; e; e = e->next) {
                    e->pos += 1;
                    e->end += 1;
                }
            }
        }
    }
    if (report) {
        report->completed = !ps.aborted;
        report->nestingBoundReached = ps.boundReached;
        report->steps = ps.steps;
    }
    *result = ps.result;
    return !ps.aborted;
}

bool mdh_parse_text_to_elements(const char *text, int extensions, mdh_Element ***result)
{
    return mdh_parse_text_to_elements_with(text, extensions, result, mdh_parse_options{});
}

void mdh_sort_element_lists(mdh_Element **elements)
{
    if (!elements)
        return;
    std::vector<std::pair<std::uint64_t, mdh_Element *>> keys;
    for (int i = 0; i < mdh_NUM_LANG_TYPES; ++i)
        elements[i] = sortList(elements[i], keys);
}

void mdh_free_element_lists(mdh_Element **elements)
{
    if (!elements)
        return;
    ParseResult *block = resultOf(elements);
    block->pool.release();
    block->listed.release();
    std::free(block);
}

void mdh_release_parse_memory()
{
    threadStorage().release();
}

mdh_element_type mdh_element_type_for_name(const char *name)
{
    if (name) {
        for (int i = 0; i < mdh_NUM_LANG_TYPES; ++i) {
            if (std::strcmp(kNames[i], name) == 0)
                return static_cast<mdh_element_type>(i);
        }
    }
    return NO_TYPE;
}

const char *mdh_element_name_for_type(int type)
{
    if (type < 0 || type >= mdh_NUM_LANG_TYPES)
        return "unknown type";
    return kNames[type];
}

} // namespace penwick
