// Nesting bounds and the step budget: deep or pathological input parses
// without overflowing the stack, and a parse cut short says so.
#include "ParserTestSupport.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>

using namespace penwick;
using penwick::test::Parsed;
using penwick::test::Span;

namespace {

// Runs `work` on a thread whose stack is `bytes` large.
void runWithStack(std::size_t bytes, const std::function<void()> &work)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto *job = new std::function<void()>(work);
    const int started = pthread_create(
        &thread, &attributes,
        [](void *argument) -> void * {
            auto *f = static_cast<std::function<void()> *>(argument);
            (*f)();
            delete f;
            return nullptr;
        },
        job);
    pthread_attr_destroy(&attributes);
    ASSERT_EQ(started, 0);
    pthread_join(thread, nullptr);
}

std::string repeat(const std::string &unit, std::size_t times)
{
    std::string out;
    out.reserve(unit.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

// A quarter of the highlighter worker's 8 MiB stack is enough, even in builds
// without optimisation; AddressSanitizer's frames are several times larger.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kTestStackBytes = 8u << 20;
#else
constexpr std::size_t kTestStackBytes = 2u << 20;
#endif

struct DeepCase {
    const char *name;
    std::string text;
};

class DeepNesting : public ::testing::TestWithParam<DeepCase> {};

TEST_P(DeepNesting, ParsesOnASmallStackAndReportsTheBound)
{
    const DeepCase &c = GetParam();
    bool completed = false, bound = false;
    runWithStack(kTestStackBytes, [&] {
        Parsed parsed(c.text, EXT_NOTES);
        completed = parsed.completed();
        bound = parsed.report().nestingBoundReached;
    });
    EXPECT_TRUE(completed);
    EXPECT_TRUE(bound);
}

const DeepCase kDeepCases[] = {
    {"Brackets", repeat("[", 20000) + repeat("]", 20000)},
    {"Parentheses", "[a](" + repeat("(", 20000) + repeat(")", 20000) + ")"},
    {"Emphasis", repeat("*a _b ", 5000) + repeat(" b_ a*", 5000)},
    {"UnclosedEmphasis", repeat("*a ", 20000)},
    {"UnclosedLinks", repeat("[a ", 20000)},
    {"Quotes", repeat("> ", 2000) + "a\n"},
    {"ListItems", repeat("- ", 2000) + "a\n"},
    {"Divs", repeat("<div>", 5000) + repeat("</div>", 5000) + "\n\n"},
    {"HeadingTags", repeat("<h1>", 5000) + repeat("</h1>", 5000) + "\n\n"},
    {"InlineNotes", repeat("^[a ", 20000)},
};

INSTANTIATE_TEST_SUITE_P(Parser, DeepNesting, ::testing::ValuesIn(kDeepCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(NestingBound, ShallowNestingIsStillRecognised)
{
    // Ten levels of emphasis and quotes are far from any bound.
    Parsed emphasis(repeat("*a _b ", 5) + "c" + repeat(" b_ a*", 5) + "\n");
    EXPECT_FALSE(emphasis.report().nestingBoundReached);
    EXPECT_EQ(emphasis.spans(EMPH).size(), 10u);
    Parsed quotes(repeat("> ", 10) + "*a*\n");
    EXPECT_FALSE(quotes.report().nestingBoundReached);
    EXPECT_EQ(quotes.spans(BLOCKQUOTE).size(), 10u);
    EXPECT_EQ(quotes.spans(EMPH), (std::vector<Span>{{EMPH, 20, 23}}));
}

TEST(NestingBound, TooDeepEmphasisIsText)
{
    Parsed parsed(repeat("*a ", 3000) + "b" + repeat(" a*", 3000) + "\n");
    EXPECT_TRUE(parsed.completed());
    EXPECT_TRUE(parsed.report().nestingBoundReached);
    EXPECT_LT(parsed.spans(EMPH).size(), 3000u);
}

TEST(StepBudget, ExhaustedBudgetGivesEmptyListsAndSaysSo)
{
    mdh_parse_options options;
    options.stepBudget = 50;
    mdh_Element **lists = nullptr;
    mdh_parse_report report;
    const bool completed = mdh_parse_text_to_elements_with("# a\n\n*b* **c** [d](e)\n", EXT_NONE, &lists, options, &report);
    EXPECT_FALSE(completed);
    EXPECT_FALSE(report.completed);
    ASSERT_NE(lists, nullptr);
    for (int t = 0; t < mdh_NUM_TYPES; ++t)
        EXPECT_EQ(lists[t], nullptr) << "list " << t;
    mdh_sort_element_lists(lists);
    mdh_free_element_lists(lists);
}

TEST(StepBudget, DefaultBudgetCompletesOrdinaryText)
{
    mdh_Element **lists = nullptr;
    EXPECT_TRUE(mdh_parse_text_to_elements(repeat("Some *text* with a [link](/x).\n\n", 2000).c_str(), EXT_NONE, &lists));
    ASSERT_NE(lists[EMPH], nullptr);
    mdh_free_element_lists(lists);
}

} // namespace
