// Fuzzes the element parser: any text must parse without a sanitizer report,
// every returned element must be well formed (in its list, sorted, not
// empty, inside the text), and the parse with the memo
// table must equal the parse without it whenever both complete without
// reaching a nesting bound.
#include "mdh_parser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace penwick;

namespace {

[[noreturn]] void fail(const char *what, int type)
{
    std::fprintf(stderr, "mdh_parser_fuzzer: %s (list %d)\n", what, type);
    std::abort();
}

// Characters of the text as the parser counts them (code points).
std::size_t positions(const std::string &text)
{
    std::size_t n = 0;
    for (const unsigned char b : text)
        n += (b & 0xC0) != 0x80;
    return n;
}

void checkWellFormed(mdh_Element **lists, std::size_t textLength)
{
    if (!lists)
        fail("no result array", -1);
    for (int t = mdh_NUM_LANG_TYPES; t < mdh_NUM_TYPES - 1; ++t) {
        if (lists[t])
            fail("internal list not empty", t);
    }
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        std::uint64_t previous = 0;
        for (const mdh_Element *e = lists[t]; e; e = e->next) {
            if (e->type != t)
                fail("element in the wrong list", t);
            if (e->pos < previous)
                fail("list not sorted", t);
            previous = e->pos;
            if (e->end <= e->pos)
                fail("element empty or ending before its start", t);
            if (e->end > textLength)
                fail("position beyond the text", t);
            if (e->label)
                (void)std::strlen(e->label);
            if (e->address)
                (void)std::strlen(e->address);
        }
    }
}

bool sameString(const char *a, const char *b)
{
    if (!a || !b)
        return a == b;
    return std::strcmp(a, b) == 0;
}

void compare(mdh_Element **a, mdh_Element **b)
{
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        const mdh_Element *x = a[t], *y = b[t];
        for (; x && y; x = x->next, y = y->next) {
            if (x->pos != y->pos || x->end != y->end || !sameString(x->label, y->label)
                || !sameString(x->address, y->address))
                fail("memoised parse differs from the plain parse", t);
        }
        if (x || y)
            fail("memoised parse has a different number of elements", t);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int extensions = data[0] & 1;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    text = text.c_str(); // the parser reads up to the first NUL

    mdh_Element **cached = nullptr;
    mdh_parse_options withMemo;
    mdh_parse_report cachedReport;
    mdh_parse_text_to_elements_with(text.c_str(), extensions, &cached, withMemo, &cachedReport);
    mdh_sort_element_lists(cached);
    checkWellFormed(cached, positions(text));

    mdh_Element **plain = nullptr;
    mdh_parse_options withoutMemo;
    withoutMemo.memoize = false;
    withoutMemo.stepBudget = 400000;
    mdh_parse_report plainReport;
    mdh_parse_text_to_elements_with(text.c_str(), extensions, &plain, withoutMemo, &plainReport);
    mdh_sort_element_lists(plain);
    checkWellFormed(plain, positions(text));

    if (cachedReport.completed && plainReport.completed && !cachedReport.nestingBoundReached
        && !plainReport.nestingBoundReached)
        compare(cached, plain);

    mdh_free_element_lists(cached);
    mdh_free_element_lists(plain);
    return 0;
}
