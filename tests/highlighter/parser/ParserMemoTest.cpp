// The memo table changes no result: the parse with it equals the parse
// without it on a corpus of ordinary and awkward Markdown.
#include "ParserTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

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

const char *const kFragments[] = {
    "*", "**", "_", "__", "`", "``", "[", "]", "(", ")", "<", ">", "!", "&", "#", "\\", "'", "\"", "^",
    " ", "  ", "\n", "\n\n", "    ", "\t", "a", "word", "\xC3\xA9", "\xF0\x9F\x98\x80", "- ", "* ", "1. ", "> ",
    "---", "===", "* * *", "<div>", "</div>", "<h1>", "</h1>", "<p>", "</p>", "<!--", "-->", "<hr/>", "<style>",
    "</style>", "<script>", "</script>", "&amp;", "&#12;", "<http://x>", "<a@b.c>", "[a]: /u \"t\"\n", "[a]",
    "[a](/b)", "![i](/j)", "[^n]", "^[", "\r\n", "\xEF\xBB\xBF", "a=\"b\"", "mailto:",
};

std::string randomText(std::mt19937 &random, std::size_t pieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kFragments) - 1);
    std::string text;
    for (std::size_t i = 0; i < pieces; ++i)
        text += kFragments[pick(random)];
    return text;
}

std::vector<std::string> corpus()
{
    std::vector<std::string> texts = {
        "# Title\n\nSome *emphasis*, **strong** and `code`.\n\n> quote **across\n> lines**\n\n- item\n- item two\n",
        "[link](http://x.y \"t\") ![img](a.png) [ref][r] <http://a.b> <a@b.c>\n\n[r]: http://r \"title\"\n",
        "<div>\n<div>x</div>\n</div>\n\n<h2>head</h2>\n\n<hr/>\n\n<style>\np {}\n</style>\nafter\n",
        "- a\n    - b\n\n- c\n\n  more\n\n* * *\n\nSetext\n===\n\nTwo\n---\n",
        "> a\n>\n> b\n\n> > nested *quote\n> > across* lines\n\n1. one\n\n2. two\n   lazy\n",
        "*a _b *c _d e_ f* g_ h*\n\n**a __b__ c**\n\n`` a ` b `` c\n",
        "Note[^1] and ^[inline *note*].\n\n[^1]: the note\n    more\n",
        "\xEF\xBB\xBF\xC3\xA9 *\xF0\x9F\x98\x80* [\xC3\xA9](/\xC3\xBC)\n",
        "*a *a *a *a *a *a *a *a\n\n[a [a [a [a [a\n\n<div><div><div>\n\n",
    };
    std::mt19937 random(20261210);
    for (int i = 0; i < 400; ++i)
        texts.push_back(randomText(random, 5 + static_cast<std::size_t>(i % 40)));
    return texts;
}

TEST(ParserMemo, SameResultWithAndWithoutMemo)
{
    mdh_parse_options plain;
    plain.memoize = false;
    plain.stepBudget = 50'000'000;
    std::size_t compared = 0;
    for (const std::string &text : corpus()) {
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
