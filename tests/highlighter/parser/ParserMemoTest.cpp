// The memo table changes no result: the parse with it equals the parse
// without it on a corpus of ordinary and awkward Markdown.
#include "ParserTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace penwick;
using penwick::test::Parsed;

namespace {

struct Element {
    int type;
    std::uint64_t pos, end;
    std::string label, address;
    bool operator==(const Element &) const = default;
};

std::vector<Element> everything(const Parsed &parsed)
{
    std::vector<Element> out;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        for (const mdh_Element *e = parsed.lists()[t]; e; e = e->next)
            out.push_back({t, e->pos, e->end, e->label ? e->label : "<none>", e->address ? e->address : "<none>"});
    }
    return out;
}

TEST(ParserMemo, SameResultWithAndWithoutMemo)
{
    mdh_parse_options plain;
    plain.memoize = false;
    plain.stepBudget = 50'000'000;
    std::size_t compared = 0;
    for (const std::string &text : test::mixedCorpus()) {
        for (const int extensions : {EXT_NONE, EXT_NOTES}) {
            Parsed withMemo(text, extensions, mdh_parse_options{});
            Parsed withoutMemo(text, extensions, plain);
            ASSERT_TRUE(withMemo.completed()) << text;
            if (!withoutMemo.completed() || withMemo.report().nestingBoundReached)
                continue;
            ++compared;
            EXPECT_EQ(everything(withMemo), everything(withoutMemo)) << "text: " << text;
            EXPECT_LE(withMemo.report().steps, withoutMemo.report().steps) << text;
        }
    }
    // Nearly every text of the corpus is small enough to parse without the memo.
    EXPECT_GT(compared, 700u);
}

TEST(ParserMemo, UnclosedOpenersGrowLinearlyWithMemo)
{
    for (const char *unit : {"*a ", "_a ", "**a ", "[a ", "![a ", "``a ", "<a b=\"", "<!-- ", "<http://a ", "a ^[b "}) {
        std::string small, large;
        while (small.size() < 20000)
            small += unit;
        while (large.size() < 80000)
            large += unit;
        Parsed a(small, EXT_NOTES, mdh_parse_options{});
        Parsed b(large, EXT_NOTES, mdh_parse_options{});
        ASSERT_TRUE(a.completed()) << unit;
        ASSERT_TRUE(b.completed()) << unit;
        // Four times the text, at most about four times the work.
        EXPECT_LT(b.report().steps, a.report().steps * 5) << unit;
    }
}

TEST(ParserMemo, WithoutMemoUnclosedOpenersExplode)
{
    std::string text;
    while (text.size() < 60)
        text += "*a [b ";
    mdh_parse_options plain;
    plain.memoize = false;
    plain.stepBudget = 2'000'000;
    Parsed withoutMemo(text, EXT_NONE, plain);
    Parsed withMemo(text, EXT_NONE, mdh_parse_options{});
    EXPECT_FALSE(withoutMemo.completed());
    EXPECT_TRUE(withMemo.completed());
    EXPECT_LT(withMemo.report().steps, 20000u);
}

} // namespace
