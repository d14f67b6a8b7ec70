#include "Vendors/RegExp.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using penwick::RegExp;
using penwick::RegExpError;

namespace {

const QString kGrin = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, two UTF-16 units

TEST(RegExp, InvalidPatternsThrow)
{
    for (const char* pattern : { "(", "a)", "(a", "[a", "(?<name>a", "*a", "a{2,1}" }) {
        SCOPED_TRACE(pattern);
        EXPECT_THROW(RegExp { QString::fromUtf8(pattern) }, RegExpError);
    }
}

TEST(RegExp, ErrorCarriesPatternMessageAndOffset)
{
    try {
        RegExp expression(QStringLiteral("ab(c"));
        FAIL() << "an unbalanced pattern compiled";
    } catch (const RegExpError& error) {
        EXPECT_EQ(error.pattern(), QStringLiteral("ab(c"));
        EXPECT_FALSE(error.message().isEmpty());
        EXPECT_GE(error.offset(), 0);
        EXPECT_LE(error.offset(), 4);
        EXPECT_NE(std::string(error.what()).find("ab(c"), std::string::npos);
    }
}

TEST(RegExp, AnchorsMatchLinesReachesTheCompiledExpression)
{
    const RegExp lines(QStringLiteral("^b$"), RegExp::AnchorsMatchLines);
    EXPECT_TRUE(lines.regexp().patternOptions().testFlag(QRegularExpression::MultilineOption));
    EXPECT_TRUE(lines.options().testFlag(RegExp::AnchorsMatchLines));
    EXPECT_TRUE(lines.isMatching(QStringLiteral("a\nb\nc")));

    const RegExp whole(QStringLiteral("^b$"));
    EXPECT_FALSE(whole.regexp().patternOptions().testFlag(QRegularExpression::MultilineOption));
    EXPECT_FALSE(whole.isMatching(QStringLiteral("a\nb\nc")));
}

TEST(RegExp, AllMatchesFlattensGroupsByMatch)
{
    struct Case {
        const char* pattern;
        const char* text;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        { "\\d+", "1 22 333", { "1", "22", "333" } },
        { "(\\w)=(\\d)", "a=1, b=2; c=3", { "a=1", "a", "1", "b=2", "b", "2", "c=3", "c", "3" } },
        { "id=\"([^\"]+)\"", "<h1 id=\"one\"> <h2 id=\"two\"> <h3 id=\"three\">",
          { "id=\"one\"", "one", "id=\"two\"", "two", "id=\"three\"", "three" } },
        { "x", "abc", {} },
        { "(a)|(b)", "ab", { "a", "a", "", "b", "", "b" } },
        { "(a)?b", "b", { "b", "" } },
        { "(a)|b", "b", { "b", "" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const RegExp expression(QString::fromUtf8(c.pattern));
        EXPECT_EQ(expression.allMatches(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(RegExp, NonParticipatingGroupReadsEmpty)
{
    const RegExp expression(QStringLiteral("(x)?(y)?z"));
    const QStringList matches = expression.allMatches(QStringLiteral("z yz"));
    ASSERT_EQ(matches.size(), 6);
    EXPECT_EQ(matches, (QStringList { "z", "", "", "yz", "", "y" }));
    for (const QString& piece : matches)
        EXPECT_FALSE(piece.isNull());
}

TEST(RegExp, MatchGivesOnlyTheFirstMatch)
{
    const RegExp expression(QStringLiteral("a+"));
    EXPECT_EQ(expression.match(QStringLiteral("ba baaaa")), QStringLiteral("a"));
    EXPECT_EQ(expression.match(QStringLiteral("bbb")), std::nullopt);
}

TEST(RegExp, MatchOperatorsAgreeInEitherOrder)
{
    const RegExp expression(QStringLiteral("^\\s*([*+-])\\s"));
    for (const char* line : { "  - item", "* x", "plain", "" }) {
        SCOPED_TRACE(line);
        const QString text = QString::fromUtf8(line);
        EXPECT_EQ(penwick::firstMatch(text, expression), penwick::firstMatch(expression, text));
        EXPECT_EQ(penwick::firstMatch(text, expression), expression.match(text));
    }
    EXPECT_EQ(penwick::firstMatch(QStringLiteral("  - item"), expression), QStringLiteral("  - "));
}

TEST(RegExp, NoMatchAnswers)
{
    const RegExp expression(QStringLiteral("q"));
    EXPECT_FALSE(expression.isMatching(QStringLiteral("abc")));
    EXPECT_EQ(expression.match(QStringLiteral("abc")), std::nullopt);
    EXPECT_TRUE(expression.allMatches(QStringLiteral("abc")).isEmpty());
}

TEST(RegExp, EmptyText)
{
    const RegExp anchors(QStringLiteral("^$"));
    EXPECT_TRUE(anchors.isMatching(QString()));
    const std::optional<QString> found = anchors.match(QString());
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(found->isEmpty());
    EXPECT_EQ(anchors.allMatches(QStringLiteral("")), QStringList { QString() });

    const RegExp letter(QStringLiteral("a"));
    EXPECT_FALSE(letter.isMatching(QString()));
    EXPECT_EQ(letter.match(QString()), std::nullopt);
}

TEST(RegExp, SearchCoversTextAfterAnEmoji)
{
    const QString text = kGrin + QStringLiteral("x");
    ASSERT_EQ(text.size(), 3);
    const RegExp x(QStringLiteral("x"));
    EXPECT_TRUE(x.isMatching(text));
    EXPECT_EQ(x.match(text), QStringLiteral("x"));
    EXPECT_EQ(RegExp(QStringLiteral(".")).allMatches(text), (QStringList { kGrin, QStringLiteral("x") }));
}

TEST(RegExp, UnpairedSurrogatesDoNotStopMatching)
{
    const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00);
    EXPECT_EQ(RegExp(QStringLiteral("b")).match(text), QStringLiteral("b"));
    const QStringList units = RegExp(QStringLiteral(".")).allMatches(text);
    ASSERT_EQ(units.size(), 4);
    EXPECT_EQ(units[1], QString(QChar(0xD800)));
    EXPECT_EQ(units[3], QString(QChar(0xDC00)));
}

TEST(RegExp, UnicodePropertiesAreOn)
{
    EXPECT_TRUE(RegExp(QStringLiteral("^---\\s*$")).isMatching(QStringLiteral("---") + QChar(0x00A0)));
    EXPECT_EQ(RegExp(QStringLiteral("\\w+")).match(QStringLiteral("  caf\u00e9 ")), QStringLiteral("caf\u00e9"));
}

TEST(RegExp, LineEnds)
{
    struct Case {
        const char* pattern;
        RegExp::Options options;
        QString text;
        bool matches;
    };
    const std::vector<Case> cases = {
        { "^b$", RegExp::AnchorsMatchLines, QStringLiteral("a\rb"), true },
        { "^b$", RegExp::AnchorsMatchLines, QStringLiteral("a\r\nb\r\n"), true },
        { "^b$", RegExp::AnchorsMatchLines, QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b"), true },
        { "^b$", RegExp::AnchorsMatchLines | RegExp::UseUnixLineSeparators, QStringLiteral("a\rb"), false },
        { "^b$", RegExp::AnchorsMatchLines | RegExp::UseUnixLineSeparators, QStringLiteral("a\nb"), true },
        { "a.b", {}, QStringLiteral("a\rb"), false },
        { "a.b", RegExp::DotMatchesLineSeparators, QStringLiteral("a\rb"), true },
        { "a$", {}, QStringLiteral("a\r\n"), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(RegExp(QString::fromUtf8(c.pattern), c.options).isMatching(c.text), c.matches);
    }
}

TEST(RegExp, OtherOptions)
{
    EXPECT_TRUE(RegExp(QStringLiteral("ABC"), RegExp::CaseInsensitive).isMatching(QStringLiteral("xabcx")));
    EXPECT_FALSE(RegExp(QStringLiteral("ABC")).isMatching(QStringLiteral("xabcx")));

    const RegExp literal(QStringLiteral("a.c("), RegExp::IgnoreMetacharacters);
    EXPECT_FALSE(literal.isMatching(QStringLiteral("abc(")));
    EXPECT_TRUE(literal.isMatching(QStringLiteral("xa.c(x")));

    EXPECT_EQ(RegExp(QStringLiteral("a b # comment"), RegExp::AllowCommentsAndWhitespace).match(QStringLiteral("xab")),
        QStringLiteral("ab"));
}

TEST(RegExp, SetRegexpReplacesTheExpression)
{
    RegExp expression(QStringLiteral("a"));
    expression.setRegexp(QRegularExpression(QStringLiteral("b+")));
    EXPECT_EQ(expression.match(QStringLiteral("abbb")), QStringLiteral("bbb"));
}

TEST(RegExp, SharedInstanceAcrossThreads)
{
    const RegExp expression(QStringLiteral("(\\d+)-(\\d+)"));
    std::atomic<int> wrong { 0 };
    std::vector<QThread*> threads;
    for (int t = 0; t < 4; ++t) {
        threads.push_back(QThread::create([&expression, &wrong, t] {
            for (int i = 0; i < 500; ++i) {
                const QString text = QStringLiteral("%1-%2").arg(t).arg(i);
                if (expression.allMatches(text) != QStringList { text, QString::number(t), QString::number(i) })
                    ++wrong;
            }
        }));
        threads.back()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST(RegExp, OverridesAreCalledThroughTheMatchOperator)
{
    struct Upper : RegExp {
        using RegExp::RegExp;
        std::optional<QString> match(const QString& text) const override
        {
            const std::optional<QString> found = RegExp::match(text);
            return found ? std::optional<QString>(found->toUpper()) : std::nullopt;
        }
    };
    const Upper expression(QStringLiteral("b+"));
    EXPECT_EQ(penwick::firstMatch(QStringLiteral("abb"), expression), QStringLiteral("BB"));
}

} // namespace
