// The fuzzy scorer: one table of candidates, patterns and scores.
#include "tools/FuzzySearch.h"

#include <gtest/gtest.h>

#include <optional>

using namespace penwick;

namespace {

struct ScoreCase {
    const char* name;
    QString candidate;
    QString pattern;
    std::optional<double> fuzziness;
    double expected;
};

void PrintTo(const ScoreCase& c, std::ostream* out) { *out << c.name; }

const QString kFamily = QStringLiteral(u"\U0001F468\u200D\U0001F469\u200D\U0001F467");

const ScoreCase kCases[] = {
    { "SameStringIsOne", "readme", "readme", 0.7, 1.0 },
    { "PatternLongerThanCandidate", "ab", "abc", 0.7, 0.0 },
    { "StartsAndRuns", "readme", "rdm", 0.7, 0.6 },
    { "LetterAfterSpace", "my notes", "mn", 0.7, 0.7125 },
    { "MissWithFuzziness", "readme", "rx", 0.7, 0.15 + 0.5 * (0.8 / 6 + 0.8 / 2) / 1.3 },
    { "MissWithoutFuzziness", "readme", "rx", std::nullopt, 0.0 },
    { "LiftWhateverTheFirstCharacters", "readme", "dm", 0.7, 0.15 + 0.5 * (1.0 / 6 + 1.0 / 2) },
    { "TwoEmptyStrings", "", "", 0.7, 0.0 },
    { "EmptyPattern", "readme", "", 0.7, 0.0 },
    // "a" stands only before the search start once "b" is found: it is not found again.
    { "NoSearchBackwards", "abc", "ba", std::nullopt, 0.0 },
    { "NoSearchBackwardsFuzzy", "abc", "ba", 0.7, 0.15 + 0.5 * (0.2 / 3 + 0.2 / 2) / 1.3 },
    { "UpperCaseCandidateMatchesWithoutBonus", "README", "rdm", 0.7, 0.15 + 0.5 * (1.5 / 6 + 1.5 / 3) },
    // e plus a combining accent is one character: six characters, not eight.
    { "CombiningAccentIsOneCharacter", QStringLiteral(u"re\u0301sume\u0301"), "rsm", 0.7,
        0.15 + 0.5 * (1.2 / 6 + 1.2 / 3) },
    { "ComposedAndDecomposedAreEqual", QStringLiteral(u"caf\u00e9"), QStringLiteral(u"cafe\u0301"), 0.7, 1.0 },
    // Characters compare in their composed forms.
    { "DecomposedPatternIsNotLonger", QStringLiteral(u"caf\u00e9s"), QStringLiteral(u"cafe\u0301"), 0.7,
        0.15 + 0.5 * (3.2 / 5 + 3.2 / 4) },
    { "FamilyEmojiIsOneCharacter", QStringLiteral("a") + kFamily + QStringLiteral("b"), "ab", 0.7,
        0.15 + 0.5 * (1.0 / 3 + 1.0 / 2) },
    { "FamilyEmojiPattern", QStringLiteral("x") + kFamily, kFamily, 0.7, 0.15 + 0.5 * (0.2 / 2 + 0.2 / 1) },
    { "FamilyEmojiPatternLongerThanCandidate", "x", QStringLiteral("x") + kFamily, 0.7, 0.0 },
    // Lower-casing "İ" gives two code units; the original is read where it has the character.
    { "LowerCasingThatGrowsTheText", QStringLiteral(u"\U0001F600\u0130\u0130\u0130\u0130a"), "a", 0.7,
        0.15 + 0.5 * (0.2 / 6 + 0.2 / 1) },
    { "SimpleTextWithCapitalDottedI", QStringLiteral(u"\u0130\u0130\u0130\u0130a"), "a", 0.7,
        0.15 + 0.5 * (0.2 / 5 + 0.2 / 1) },
    { "KanaAndIdeographsAreCharactersEach", QStringLiteral(u"\u306e\u30fc\u3068 \u4e2d"), QStringLiteral(u"\u306e\u4e2d"), 0.7,
        0.15 + 0.5 * (1.8 / 5 + 1.8 / 2) },
    { "CarriageReturnLineFeedIsOneCharacter", QStringLiteral("a\r\nb"), "ab", 0.7, 0.15 + 0.5 * (1.0 / 3 + 1.0 / 2) },
};

class FuzzyScore : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(FuzzyScore, MatchesTable)
{
    const ScoreCase& c = GetParam();
    EXPECT_NEAR(FuzzySearch::score(c.candidate, c.pattern, c.fuzziness), c.expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Scorer, FuzzyScore, ::testing::ValuesIn(kCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FuzzyScore, FinalLift)
{
    EXPECT_NEAR(FuzzySearch::lift(0.849), 0.999, 1e-12);
    EXPECT_EQ(FuzzySearch::lift(0.85), 0.85);
    EXPECT_EQ(FuzzySearch::lift(0.0), 0.15);
}

TEST(FuzzyScore, TheQuotedFiguresOfTheTable)
{
    EXPECT_NEAR(FuzzySearch::score("readme", "rx", 0.7), 0.355128, 1e-6);
    EXPECT_NEAR(FuzzySearch::score("readme", "dm", 0.7), 0.483333, 1e-6);
}

TEST(FuzzySubsequence, CountsTestsAndWordFilter)
{
    EXPECT_EQ(FuzzySearch::matchCount("readme", "rdx"), 2);
    EXPECT_EQ(FuzzySearch::matchCount("README", "rd"), 0);
    EXPECT_EQ(FuzzySearch::matchCount("README", "rd", true), 2);
    EXPECT_EQ(FuzzySearch::matchCount(QStringLiteral(u"re\u0301a"), QStringLiteral(u"e\u0301a")), 2);
    EXPECT_TRUE(FuzzySearch::contains("readme", "dm"));
    EXPECT_FALSE(FuzzySearch::contains("readme", "x"));
    EXPECT_TRUE(FuzzySearch::contains("README", "r", true));
    EXPECT_EQ(FuzzySearch::filterWords("my Notes and nets", "nts"), (QStringList { "Notes", "nets" }));
}

} // namespace
