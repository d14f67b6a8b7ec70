// Every element the parser returns covers at least one character of the text:
// pieces of an element that fall into inserted text (blank quoted lines, the
// gap after a loose list item) are dropped, not returned empty or reversed,
// and nothing reaches past the end of the text.
#include "ParserTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace penwick;
using penwick::test::Parsed;
using penwick::test::Span;

namespace {

// Characters of the text as the parser counts them (code points).
std::uint64_t positions(const std::string &text)
{
    const std::string visible = text.c_str();
    std::uint64_t n = 0;
    for (const unsigned char b : visible)
        n += (b & 0xC0) != 0x80;
    return n;
}

// Ill-formed elements of one parse, printed for the failure message.
std::vector<Span> illFormed(const Parsed &parsed, std::uint64_t length)
{
    std::vector<Span> bad;
    for (const Span &s : parsed.spans()) {
        if (!(s.pos < s.end) || s.end > length)
            bad.push_back(s);
    }
    return bad;
}

struct Case {
    const char *name;
    std::string text;
    std::vector<Span> expected; // the whole result, lists 0..23 in type order
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class NoEmptyElements : public ::testing::TestWithParam<Case> {};

TEST_P(NoEmptyElements, OnlyTheRealElements)
{
    const Case &c = GetParam();
    Parsed parsed(c.text);
    ASSERT_TRUE(parsed.completed());
    EXPECT_EQ(parsed.spans(), c.expected);
}

const Case kCases[] = {
    {"CodeAfterBlankQuotedLine", ">\n\n>`)`", {{CODE, 4, 7}, {BLOCKQUOTE, 0, 1}, {BLOCKQUOTE, 3, 4}}},
    {"EmphasisAfterBlankQuotedLine", "> a\n\n> *x*", {{EMPH, 7, 10}, {BLOCKQUOTE, 0, 2}, {BLOCKQUOTE, 5, 7}}},
    {"StrongAfterBlankQuotedLine", "> Stability\n\n> **Warning:** x\n",
     {{STRONG, 15, 27}, {BLOCKQUOTE, 0, 2}, {BLOCKQUOTE, 13, 15}}},
    // The code block ends on the line end the parser appends: it stops at the text's end.
    {"CodeAfterTabsInLooseItem", "- foo\n\n\t\tbar", {{LIST_BULLET, 0, 1}, {VERBATIM, 8, 12}}},
    {"NestedBulletInLooseOrderedItem", "1.  foo\n\n    - bar", {{LIST_BULLET, 13, 14}, {LIST_ENUMERATOR, 0, 2}}},
};

INSTANTIATE_TEST_SUITE_P(Parser, NoEmptyElements, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ParserWellFormed, EveryElementOfTheCorpusIsNonEmptyAndInsideTheText)
{
    std::vector<std::string> texts = test::mixedCorpus();
    std::string quotes, items;
    for (int i = 0; i < 200; ++i) {
        quotes += std::string(static_cast<std::size_t>(i % 20), '>') + " *a* `b`\n\n";
        items += std::string(static_cast<std::size_t>(2 * (i % 12)), ' ') + "- **c**\n\n\tcode\n";
    }
    texts.push_back(quotes);
    texts.push_back(items);
    std::size_t elements = 0;
    for (const std::string &text : texts) {
        for (const int extensions : {EXT_NONE, EXT_NOTES}) {
            Parsed parsed(text, extensions);
            ASSERT_TRUE(parsed.completed()) << text;
            EXPECT_EQ(illFormed(parsed, positions(text)), std::vector<Span>{}) << "text: " << text;
            elements += parsed.spans().size();
        }
    }
    EXPECT_GT(elements, 5000u);
}

} // namespace
