#include "Extensions/StringAdditions.h"

#include <gtest/gtest.h>

#include <vector>

using namespace penwick;

namespace {

const QString kGrin = QString::fromUtf8("\xF0\x9F\x98\x80");   // U+1F600
const QString kDecomposedE = QStringLiteral("e") + QChar(0x0301); // e + combining acute
const QString kComposedE = QString(QChar(0x00E9));

TEST(StringHelpers, Trim)
{
    struct Case {
        QString input;
        QString expected;
    };
    const std::vector<Case> cases = {
        { " \n a b \t", "a b" },
        { "a \n b", "a \n b" },
        { QString(QChar(0x00A0)) + "x" + QChar(0x2028) + QChar(0x2029), "x" },
        { QString(QChar(0x0085)) + "\v\f\r" + "x" + QChar(0x3000), "x" },
        { " \t\n ", "" },
        { "", "" },
        { QString(QChar(0x200B)) + "x", QString(QChar(0x200B)) + "x" }, // zero-width space is no separator
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(trim(c.input), c.expected);
        EXPECT_EQ(trimWhiteSpace(c.input), c.expected);
    }
}

TEST(StringHelpers, StringsByTrimmingLeadingWhitespace)
{
    struct Case {
        QString input;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        { "\t  item", { "\t  ", "item" } },
        { "", { "", "" } },
        { "   ", { "   ", "" } },
        { "\nitem", { "", "\nitem" } },
        { QString(QChar(0x00A0)) + " x ", { QString(QChar(0x00A0)) + " ", "x " } },
        { "item  ", { "", "item  " } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(stringsByTrimmingLeadingWhitespace(c.input), c.expected);
    }
}

TEST(StringHelpers, Split)
{
    struct Case {
        QString text;
        QString separator;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        { "abc", ",", { "abc" } },
        { "", ",", {} },
        { ",a,,b,", ",", { "a", "b" } },
        { ",,,", ",", {} },
        { "2024-01-02_notes.pwtemp", "_", { "2024-01-02", "notes.pwtemp" } },
        { "a" + kGrin + "b" + kGrin, kGrin, { "a", "b" } },
        // a letter that carries a combining mark is another character
        { kDecomposedE + ",e", "e", { kDecomposedE + "," } },
        // canonically equal characters are equal
        { "x" + kDecomposedE + "y", kComposedE, { "x", "y" } },
        // more than one character: split at that run; nothing: no split
        { "a::b:c::", "::", { "a", "b:c" } },
        { "abc", "", { "abc" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.text + " at " + c.separator).toStdString());
        EXPECT_EQ(split(c.text, c.separator), c.expected);
        EXPECT_EQ(splitAt(c.text, c.separator), c.expected);
    }
}

TEST(StringHelpers, CapitalizeFirst)
{
    struct Case {
        QString input;
        QString expected;
    };
    const std::vector<Case> cases = {
        { "hello World", "Hello World" },
        { "aBC", "ABC" },
        { "Already", "Already" },
        { "1abc", "1abc" },
        { QString(QChar(0x00E9)) + "lan", QString(QChar(0x00C9)) + "lan" },
        { kDecomposedE + "x", "E" + QString(QChar(0x0301)) + "x" },
        { QString(QChar(0x00DF)) + "x", "Ssx" },
        { QString(QChar(0x01C6)) + "x", QString(QChar(0x01C5)) + "x" }, // title case, not upper case
        { kGrin + "abc", kGrin + "abc" },
        { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(capitalizeFirst(c.input), c.expected);
    }
}

TEST(StringHelpers, Subscripts)
{
    const QString text = "a" + kGrin + kDecomposedE + "b";
    struct IndexCase {
        qsizetype index;
        QString expected;
    };
    const std::vector<IndexCase> indexCases = {
        { 0, "a" }, { 1, kGrin }, { 2, kDecomposedE }, { 3, "b" }, { 4, "" }, { 99, "" }, { -1, "" },
    };
    for (const IndexCase& c : indexCases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(subscript(text, c.index), c.expected);
    }

    struct RangeCase {
        CharacterRange range;
        QString expected;
    };
    const std::vector<RangeCase> rangeCases = {
        { { 1, 3 }, kGrin + kDecomposedE },
        { { 0, 4 }, text },
        { { 0, 99 }, text },
        { { 2, 2 }, "" },
        { { 3, 1 }, "" },
        { { 7, 9 }, "" },
        { { -3, 1 }, "a" },
    };
    for (const RangeCase& c : rangeCases) {
        SCOPED_TRACE(::testing::Message() << c.range.lowerBound << ".." << c.range.upperBound);
        EXPECT_EQ(subscript(text, c.range), c.expected);
    }
}

TEST(StringHelpers, Replace)
{
    struct Case {
        QString text;
        QString target;
        QString replacement;
        QString expected;
    };
    const std::vector<Case> cases = {
        { "aAa", "a", "b", "bAb" },
        { "x.y.z", ".", "-", "x-y-z" },
        { "{{title}} - {{title}}", "{{title}}", "Notes", "Notes - Notes" },
        { "abc", "", "x", "abc" },
        { "abc", "q", "x", "abc" },
        // literal code-unit comparison: a composed letter is not its decomposed form
        { kComposedE + kDecomposedE, kDecomposedE, "E", kComposedE + "E" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(replace(c.text, c.target, c.replacement), c.expected);
    }
}

} // namespace
