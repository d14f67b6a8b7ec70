// Element spans of the parser for the constructs it recognises, as tables of
// (type, start, end) per input. Positions count code points.
#include "ParserTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace penwick;
using penwick::test::LinkInfo;
using penwick::test::Parsed;
using penwick::test::Span;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

struct SpanCase {
    const char *name;
    std::string text;
    int extensions;
    std::vector<Span> expected; // lists 0..23 in type order, each sorted by start
};

void PrintTo(const SpanCase &c, std::ostream *out)
{
    *out << c.name;
}

class ElementSpans : public ::testing::TestWithParam<SpanCase> {};

TEST_P(ElementSpans, MatchTable)
{
    const SpanCase &c = GetParam();
    Parsed parsed(c.text, c.extensions);
    ASSERT_TRUE(parsed.completed());
    EXPECT_EQ(parsed.spans(), c.expected);
}

const SpanCase kSpanCases[] = {
    {"EmptyText", "", EXT_NONE, {}},
    {"OnlyByteOrderMark", kBom, EXT_NONE, {}},
    // The mark is one character of the editor's text: the heading starts after it.
    {"ByteOrderMarkBeforeHeading", kBom + "# H\n", EXT_NONE, {{H1, 1, 5}}},
    {"TwoByteCharacterBeforeEmphasis", "\xC3\xA9*a*\n", EXT_NONE, {{EMPH, 1, 4}}},
    {"ThreeByteCharactersAroundStrong", "\xE2\x9C\xA8**\xE2\x9C\xA8**\n", EXT_NONE, {{STRONG, 1, 6}}},
    {"EmphasisOverLetter", "*a*\n", EXT_NONE, {{EMPH, 0, 3}}},
    {"EmphasisNeedsNoSpaceAfterOpener", "* a*\n", EXT_NONE, {{LIST_BULLET, 0, 1}}},
    {"StrongNotEmphasis", "**a**\n", EXT_NONE, {{STRONG, 0, 5}}},
    {"NestedEmphasisKept", "*a *b* c*\n", EXT_NONE, {{EMPH, 0, 9}, {EMPH, 3, 6}}},
    {"UnderscoresInsideWords", "a_b_c and _x_ and _y_z\n", EXT_NONE, {{EMPH, 10, 13}}},
    {"StarsBetweenSpacesAreText", "a ** b ** c\n", EXT_NONE, {}},
    {"ReferenceDefinedLater", "[a]\n\n[a]: /u\n", EXT_NONE, {{LINK, 0, 3}, {REFERENCE, 5, 12}}},
    {"UndefinedReferenceIsNoLink", "[b] *c*\n", EXT_NONE, {{EMPH, 4, 7}}},
    {"StrongAcrossQuotedLines", "> **a\n> b**\n", EXT_NONE,
     {{STRONG, 2, 6}, {STRONG, 8, 11}, {BLOCKQUOTE, 0, 2}, {BLOCKQUOTE, 6, 8}}},
    {"LazyQuoteLine", "> a\nb\n", EXT_NONE, {{BLOCKQUOTE, 0, 2}}},
    {"AtxHeadingWithClosingHashes", "## a ##\n", EXT_NONE, {{H2, 0, 8}}},
    {"SevenHashesAreH6", "####### a\n", EXT_NONE, {{H6, 0, 10}}},
    {"SetextHeadings", "Title\n=====\n\nSub\n---\n", EXT_NONE, {{H1, 0, 12}, {H2, 13, 21}}},
    {"RuleNeedsBlankLineAfter", "* * *\nb\n", EXT_NONE, {{LIST_BULLET, 0, 1}, {LIST_BULLET, 2, 3}}},
    {"RuleBeforeBlankLine", "* * *\n\nb\n", EXT_NONE, {{HRULE, 0, 6}}},
    {"DashRuleIsNoBullet", "---\n\n- a\n", EXT_NONE, {{LIST_BULLET, 5, 6}, {HRULE, 0, 4}}},
    {"TightList", "- a\n- b\n", EXT_NONE, {{LIST_BULLET, 0, 1}, {LIST_BULLET, 4, 5}}},
    {"LooseList", "* a\n* b\n\n* c\n", EXT_NONE, {{LIST_BULLET, 0, 1}, {LIST_BULLET, 4, 5}, {LIST_BULLET, 9, 10}}},
    // The nested item is found when the first item's content is parsed again.
    {"NestedItemAfterReparse", "- a\n    - b\n", EXT_NONE, {{LIST_BULLET, 0, 1}, {LIST_BULLET, 8, 9}}},
    // A span that starts where a piece of a list item ends maps to that end
    // first: an empty piece, then the bullet itself.
    {"NestedItemInLooseList", "- a\n\n    - b\n\n- c\n", EXT_NONE,
     {{LIST_BULLET, 0, 1}, {LIST_BULLET, 9, 10}, {LIST_BULLET, 14, 15}}},
    {"OrderedList", "1. x\n2. y\n", EXT_NONE, {{LIST_ENUMERATOR, 0, 2}, {LIST_ENUMERATOR, 5, 7}}},
    {"IndentedCode", "    code\n\n    more\nx\n", EXT_NONE, {{VERBATIM, 0, 19}}},
    {"CodeSpansOfSeveralLengths", "`a` ``b`c`` ```d```\n", EXT_NONE, {{CODE, 0, 3}, {CODE, 4, 11}, {CODE, 12, 19}}},
    {"SingleTicksInsideDoubleUnclosed", "``a`b\n", EXT_NONE, {{CODE, 1, 4}}},
    {"Images", "![i](/img.png) ![r][r]\n\n[r]: /ref\n", EXT_NONE, {{IMAGE, 0, 14}, {IMAGE, 15, 22}, {REFERENCE, 24, 33}}},
    {"AutomaticLinks", "<http://a.b/c> <me@x.org> <mailto:me@x.org>\n", EXT_NONE,
     {{AUTO_LINK_URL, 0, 14}, {AUTO_LINK_EMAIL, 15, 25}, {AUTO_LINK_EMAIL, 26, 43}}},
    {"Entities", "&amp; &#35; &#x2F; & b\n", EXT_NONE, {{HTML_ENTITY, 0, 5}, {HTML_ENTITY, 6, 11}, {HTML_ENTITY, 12, 18}}},
    {"InlineCommentIsCommentAndHtml", "a <!-- c --> b\n", EXT_NONE, {{HTML, 2, 12}, {COMMENT, 2, 12}}},
    {"CommentBlock", "<!-- block -->\n\nx\n", EXT_NONE, {{COMMENT, 0, 14}, {HTMLBLOCK, 0, 14}}},
    {"NestedDivsAreOneBlock", "<div>\n<div>in</div>\n</div>\n\n", EXT_NONE, {{HTMLBLOCK, 0, 26}}},
    {"HeadingBlock", "<h2>Head</h2>\n\n", EXT_NONE, {{H2, 0, 13}, {HTMLBLOCK, 0, 13}}},
    {"NestedHeadingBlock", "<h1>a <h1>b</h1></h1>\n\n", EXT_NONE, {{H1, 0, 21}, {H1, 6, 16}, {HTMLBLOCK, 0, 21}}},
    {"MixedCaseTagRefused", "<Div>x</Div>\n\n", EXT_NONE, {{HTML, 0, 5}, {HTML, 6, 12}}},
    {"LowerOpenUpperClose", "<div>x</DIV>\n\n", EXT_NONE, {{HTMLBLOCK, 0, 12}}},
    {"TextAfterClosingTag", "<div>x</div> tail\n\n", EXT_NONE, {{HTML, 0, 5}, {HTML, 6, 12}}},
    {"TextLineAfterBlock", "<div>x</div>\nnext\n", EXT_NONE, {{HTMLBLOCK, 0, 12}}},
    // Inside a quote the blank line is inserted text; the first read after it
    // fails once, so the inner "<div>" there is not seen as nested and the
    // block ends at the first closing tag. Spans are cut at the quote markers.
    {"SoftEndAfterInsertedBlankLine", "> <div>\n\n> <div>in</div>\n> </div>\n", EXT_NONE,
     {{HTML, 27, 33}, {BLOCKQUOTE, 0, 2}, {BLOCKQUOTE, 9, 11}, {BLOCKQUOTE, 25, 27}, {HTMLBLOCK, 2, 8},
      {HTMLBLOCK, 11, 24}}},
    {"SameBlockOutsideQuote", "<div>\n\n<div>in</div>\n</div>\n", EXT_NONE, {{HTMLBLOCK, 0, 27}}},
    {"PreAfterP", "<p>x</p>\n\n<pre>y</pre>\n\n", EXT_NONE, {{HTMLBLOCK, 0, 8}, {HTMLBLOCK, 10, 22}}},
    {"SelfClosingRule", "<hr/>\n\n", EXT_NONE, {{HTMLBLOCK, 0, 5}}},
    {"RuleTagWithoutSlash", "<hr>\n\n", EXT_NONE, {{HTML, 0, 4}}},
    {"StyleFollowedByText", "<style>p{}</style>more\n", EXT_NONE, {{HTMLBLOCK, 0, 18}}},
    {"ScriptBlock", "<script>a</script>\n\n<b>i</b>\n", EXT_NONE, {{HTML, 20, 23}, {HTML, 24, 28}, {HTMLBLOCK, 0, 18}}},
    // The reference pass reads a definition's label too, so emphasis in it is added twice.
    {"EmphasisInDefinitionLabel", "[x *y* z]: /u\n", EXT_NONE, {{EMPH, 3, 6}, {EMPH, 3, 6}, {REFERENCE, 0, 13}}},
    {"NoteDefinitionWithoutNotesIsReference", "[^n]\n\n[^n]: x\n", EXT_NONE, {{LINK, 0, 4}, {REFERENCE, 6, 13}}},
    {"NotesMakeNoElements", "[^n]\n\n[^n]: x\n", EXT_NOTES, {}},
    {"CaretIsTextWithoutNotes", "^[x](y)\n", EXT_NONE, {{LINK, 1, 7}}},
    {"InlineNoteWithNotes", "^[x](y)\n", EXT_NOTES, {}},
};

INSTANTIATE_TEST_SUITE_P(Parser, ElementSpans, ::testing::ValuesIn(kSpanCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct LinkCase {
    const char *name;
    std::string text;
    std::vector<LinkInfo> expected; // elements with a label or an address
};

void PrintTo(const LinkCase &c, std::ostream *out)
{
    *out << c.name;
}

class LinkTargets : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkTargets, MatchTable)
{
    const LinkCase &c = GetParam();
    Parsed parsed(c.text);
    EXPECT_EQ(parsed.links(), c.expected);
}

const LinkCase kLinkCases[] = {
    {"ExplicitLinks",
     "[t](<http://x>) [e]() [u](/a(b)c \"T\")\n",
     {{LINK, 0, "-", "http://x"}, {LINK, 22, "-", "/a(b)c"}}},
    {"ReferenceForms",
     "[r] [r][] [r] [] [x][r] [y]\n\n[r]: /ref\n",
     {{LINK, 0, "r", "/ref"}, {LINK, 7, "r", "/ref"}, {REFERENCE, 29, "r", "/ref"}}},
    {"LaterDefinitionWins",
     "[a][b]\n\n[b]: u1\n[b]: u2\n",
     {{LINK, 0, "b", "u2"}, {REFERENCE, 8, "b", "u1"}, {REFERENCE, 16, "b", "u2"}}},
    {"ReferenceWithTitle",
     "[a]: http://x \"Title\"\n",
     {{REFERENCE, 0, "a", "http://x"}}},
    {"ImagesCarryTargets",
     "![i](/img.png) ![r][r]\n\n[r]: /ref\n",
     {{IMAGE, 0, "-", "/img.png"}, {IMAGE, 15, "r", "/ref"}, {REFERENCE, 24, "r", "/ref"}}},
    {"AutomaticLinkAddresses",
     "<http://a.b/c> <mailto:me@x.org>\n",
     {{AUTO_LINK_URL, 0, "-", "http://a.b/c"}, {AUTO_LINK_EMAIL, 15, "-", "me@x.org"}}},
    // Labels and addresses keep the caller's bytes; positions count characters.
    {"MultibyteTargets", "[\xC3\xA9](/\xC3\xBC) <http://\xC3\xA9.x>\n",
     {{LINK, 0, "-", "/\xC3\xBC"}, {AUTO_LINK_URL, 8, "-", "http://\xC3\xA9.x"}}},
    {"TargetsAfterByteOrderMark", kBom + "[a]: /u\n\n[a]\n", {{LINK, 10, "a", "/u"}, {REFERENCE, 1, "a", "/u"}}},
    // Captures opened inside a label (here by the attempts at "(") move the
    // start of the label's text; links and definitions read labels alike.
    {"LabelTextFromLastCaptureInside", "[zz(b]\n\n[a(b]: /u\n", {{LINK, 0, "(b", "/u"}, {REFERENCE, 8, "(b", "/u"}}},
};

INSTANTIATE_TEST_SUITE_P(Parser, LinkTargets, ::testing::ValuesIn(kLinkCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ParserResult, HasThirtyListsWithInternalOnesEmpty)
{
    Parsed parsed("# a\n\n> *b*\n\n- c\n", EXT_NONE);
    for (int t = mdh_NUM_LANG_TYPES; t < ALL_ELEMENTS; ++t)
        EXPECT_EQ(parsed.lists()[t], nullptr) << "list " << t;
    // Every element of the lists is on the chain of all elements.
    std::size_t inLists = 0, onChain = 0;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        for (const mdh_Element *e = parsed.lists()[t]; e; e = e->next) {
            ++inLists;
            EXPECT_EQ(e->type, t);
            bool found = false;
            for (const mdh_Element *a = parsed.lists()[ALL_ELEMENTS]; a && !found; a = a->allNext)
                found = a == e;
            EXPECT_TRUE(found);
        }
    }
    for (const mdh_Element *a = parsed.lists()[ALL_ELEMENTS]; a; a = a->allNext)
        ++onChain;
    EXPECT_EQ(inLists, 4u);
    EXPECT_GE(onChain, inLists);
}

TEST(ParserResult, EmptyTextHasNoElementsAtAll)
{
    Parsed parsed("", EXT_NONE);
    for (int t = 0; t < mdh_NUM_TYPES; ++t)
        EXPECT_EQ(parsed.lists()[t], nullptr) << "list " << t;
}

TEST(NameLookup, NamesAndTypesBothWays)
{
    const char *names[] = {"LINK", "AUTO_LINK_URL", "AUTO_LINK_EMAIL", "IMAGE", "CODE", "HTML", "HTML_ENTITY", "EMPH",
                           "STRONG", "LIST_BULLET", "LIST_ENUMERATOR", "COMMENT", "H1", "H2", "H3", "H4",
                           "H5", "H6", "BLOCKQUOTE", "VERBATIM", "HTMLBLOCK", "HRULE", "REFERENCE", "NOTE"};
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        EXPECT_STREQ(mdh_element_name_for_type(t), names[t]);
        EXPECT_EQ(mdh_element_type_for_name(names[t]), t);
    }
}

TEST(NameLookup, UnknownNamesAndTypes)
{
    EXPECT_EQ(mdh_element_type_for_name("link"), NO_TYPE);
    EXPECT_EQ(mdh_element_type_for_name("link"), 28);
    EXPECT_EQ(mdh_element_type_for_name("NOTE"), 23);
    EXPECT_EQ(mdh_element_type_for_name(""), NO_TYPE);
    EXPECT_EQ(mdh_element_type_for_name("RAW_SPAN"), NO_TYPE);
    EXPECT_EQ(mdh_element_type_for_name("H1 "), NO_TYPE);
    EXPECT_STREQ(mdh_element_name_for_type(24), "unknown type");
    EXPECT_STREQ(mdh_element_name_for_type(-1), "unknown type");
    EXPECT_STREQ(mdh_element_name_for_type(1000), "unknown type");
}

// Builds a result array by hand: list 7 holds elements with the given
// positions in the given order, each tagged by its index through `textOffset`.
mdh_Element **handMadeList(const std::vector<std::uint64_t> &positions)
{
    auto **lists = static_cast<mdh_Element **>(std::calloc(mdh_NUM_TYPES, sizeof(mdh_Element *)));
    mdh_Element *head = nullptr;
    for (std::size_t i = positions.size(); i-- > 0;) {
        auto *e = static_cast<mdh_Element *>(std::calloc(1, sizeof(mdh_Element)));
        e->type = EMPH;
        e->pos = positions[i];
        e->end = positions[i] + 1;
        e->textOffset = static_cast<std::int32_t>(i);
        e->next = head;
        head = e;
        e->allNext = lists[ALL_ELEMENTS];
        lists[ALL_ELEMENTS] = e;
    }
    lists[EMPH] = head;
    return lists;
}

// Hand-made arrays are not the parser's to free.
void freeHandMade(mdh_Element **lists)
{
    for (mdh_Element *e = lists[ALL_ELEMENTS]; e;) {
        mdh_Element *next = e->allNext;
        std::free(e);
        e = next;
    }
    std::free(lists);
}

TEST(Sorting, StableByStart)
{
    const std::vector<std::uint64_t> positions = {5, 1, 5, 3, 1, 9, 0, 5, 2, 2, 7};
    mdh_Element **lists = handMadeList(positions);
    mdh_sort_element_lists(lists);
    std::vector<std::pair<std::uint64_t, int>> order;
    for (const mdh_Element *e = lists[EMPH]; e; e = e->next)
        order.emplace_back(e->pos, e->textOffset);
    const std::vector<std::pair<std::uint64_t, int>> expected = {{0, 6}, {1, 1}, {1, 4}, {2, 8}, {2, 9}, {3, 3},
                                                                 {5, 0}, {5, 2}, {5, 7}, {7, 10}, {9, 5}};
    EXPECT_EQ(order, expected);
    freeHandMade(lists);
}

TEST(Sorting, EqualStartsKeepTheLaterAddedFirst)
{
    // Elements are added at the front of their list, newest first; sorting keeps
    // that order among equal starts.
    Parsed unsorted("*a* *b*\n", EXT_NONE, false);
    std::vector<std::uint64_t> before;
    for (const mdh_Element *e = unsorted.lists()[EMPH]; e; e = e->next)
        before.push_back(e->pos);
    EXPECT_EQ(before, (std::vector<std::uint64_t>{4, 0}));

    mdh_Element **lists = handMadeList({4, 4, 4});
    mdh_sort_element_lists(lists);
    std::vector<int> tags;
    for (const mdh_Element *e = lists[EMPH]; e; e = e->next)
        tags.push_back(e->textOffset);
    EXPECT_EQ(tags, (std::vector<int>{0, 1, 2}));
    freeHandMade(lists);
}

TEST(Sorting, EmptyAndSingleLists)
{
    mdh_Element **lists = handMadeList({});
    mdh_sort_element_lists(lists);
    EXPECT_EQ(lists[EMPH], nullptr);
    freeHandMade(lists);
    lists = handMadeList({3});
    mdh_sort_element_lists(lists);
    ASSERT_NE(lists[EMPH], nullptr);
    EXPECT_EQ(lists[EMPH]->pos, 3u);
    EXPECT_EQ(lists[EMPH]->next, nullptr);
    freeHandMade(lists);
    mdh_sort_element_lists(nullptr);
    mdh_free_element_lists(nullptr);
}

} // namespace
