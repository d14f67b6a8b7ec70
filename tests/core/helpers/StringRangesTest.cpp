#include "Extensions/StringAdditions.h"

#include "Printers.h"

#include <gtest/gtest.h>

#include <vector>

using namespace penwick;

namespace {

const QString kGrin = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600: two UTF-16 units
const QString kFamily = QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"); // man ZWJ woman ZWJ girl: 8 units
const QString kFlag = QString::fromUtf8("\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"); // regional indicators F R: 4 units
const QString kEAcute = QStringLiteral("e") + QChar(0x0301); // letter with a combining mark: 2 units

TEST(CharacterBoundaries, GraphemeClusters)
{
    EXPECT_EQ(characterBoundaries(QString()), QList<qsizetype> { 0 });
    EXPECT_EQ(characterBoundaries(QStringLiteral("a") + kGrin), (QList<qsizetype> { 0, 1, 3 }));
    EXPECT_EQ(characterBoundaries(kEAcute + QStringLiteral("\r\nx")), (QList<qsizetype> { 0, 2, 4, 5 }));
    // A flag right after a joined emoji sequence stays two characters (Qt's own iteration splits it).
    EXPECT_EQ(characterBoundaries(kFamily + kFlag), (QList<qsizetype> { 0, 8, 12 }));
    EXPECT_EQ(characterCount(kFamily + kFlag + QStringLiteral("ab")), 4);
    EXPECT_EQ(characterCount(QString()), 0);
}

TEST(RangeFromNSRange, Table)
{
    struct Case {
        QString text;
        UTF16Range range;
        std::optional<CharacterRange> expected;
    };
    const QString grinX = kGrin + QStringLiteral("x");
    const std::vector<Case> cases = {
        // a range that splits an emoji converts to nothing
        { grinX, { 0, 1 }, std::nullopt },
        { grinX, { 1, 1 }, std::nullopt },
        { grinX, { 1, 2 }, std::nullopt },
        { grinX, { 0, 2 }, CharacterRange { 0, 1 } },
        { grinX, { 2, 1 }, CharacterRange { 1, 2 } },
        { grinX, { 0, 3 }, CharacterRange { 0, 2 } },
        // past the end: cut back to the end
        { grinX, { 3, 0 }, CharacterRange { 2, 2 } },
        { grinX, { 7, 4 }, CharacterRange { 2, 2 } },
        { grinX, { 2, 100 }, CharacterRange { 1, 2 } },
        { grinX, { 0, 100 }, CharacterRange { 0, 2 } },
        // letter and combining mark, CR LF
        { kEAcute + QStringLiteral("x"), { 0, 1 }, std::nullopt },
        { kEAcute + QStringLiteral("x"), { 1, 2 }, std::nullopt },
        { kEAcute + QStringLiteral("x"), { 2, 1 }, CharacterRange { 1, 2 } },
        { QStringLiteral("a\r\nb"), { 0, 2 }, std::nullopt },
        { QStringLiteral("a\r\nb"), { 2, 2 }, std::nullopt },
        { QStringLiteral("a\r\nb"), { 1, 2 }, CharacterRange { 1, 2 } },
        { QStringLiteral("a\r\nb"), { 3, 1 }, CharacterRange { 2, 3 } },
        // joined emoji sequence is one character
        { kFamily + QStringLiteral("!"), { 0, 2 }, std::nullopt },
        { kFamily + QStringLiteral("!"), { 8, 1 }, CharacterRange { 1, 2 } },
        // empty text
        { QString(), { 0, 0 }, CharacterRange { 0, 0 } },
        { QString(), { 5, 3 }, CharacterRange { 0, 0 } },
        // plain text: identity
        { QStringLiteral("hello"), { 1, 3 }, CharacterRange { 1, 4 } },
        { QStringLiteral("hello"), { 2, 0 }, CharacterRange { 2, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        SCOPED_TRACE(::testing::PrintToString(c.range));
        EXPECT_EQ(rangeFromNSRange(c.text, c.range), c.expected);
    }
}

TEST(IsOnCharacterBoundaries, AgreesWithTheFullConversionEverywhere)
{
    // Every range of texts built from the hard cases, also ranges that run past the end.
    const QString pieces[] = { kGrin, kFamily, kFlag, kEAcute, QStringLiteral("\r\n"), QStringLiteral("ab"),
        QString(QChar(0xD83D)) /* a lone high surrogate */, QString(QChar(0xDE00)) /* a lone low one */ };
    std::vector<QString> texts { QString() };
    for (const QString& a : pieces)
        for (const QString& b : pieces)
            texts.push_back(a + b + kFlag + a);
    for (const QString& text : texts) {
        for (qsizetype location = -1; location <= text.size() + 1; ++location) {
            for (qsizetype length = -1; location + length <= text.size() + 2; ++length) {
                const UTF16Range range { location, length };
                EXPECT_EQ(isOnCharacterBoundaries(text, range), rangeFromNSRange(text, range).has_value())
                    << text.toStdString() << " " << location << "+" << length;
            }
        }
    }
}

TEST(NSRangeFromRange, Table)
{
    struct Case {
        QString text;
        CharacterRange range;
        UTF16Range expected;
    };
    const QString grinX = kGrin + QStringLiteral("x");
    const std::vector<Case> cases = {
        // ranges after an emoji shift by two
        { grinX, { 1, 2 }, { 2, 1 } },
        { grinX, { 0, 1 }, { 0, 2 } },
        { grinX, { 0, 2 }, { 0, 3 } },
        { grinX, { 2, 2 }, { 3, 0 } },
        { QStringLiteral("ab") + kFamily + QStringLiteral("cd"), { 3, 5 }, { 10, 2 } },
        { QStringLiteral("ab") + kFamily + QStringLiteral("cd"), { 2, 3 }, { 2, 8 } },
        { QStringLiteral("a\r\nb"), { 1, 3 }, { 1, 3 } },
        // out of bounds: cut back to the end; an inverted range is empty
        { grinX, { 1, 9 }, { 2, 1 } },
        { grinX, { 5, 9 }, { 3, 0 } },
        { grinX, { 1, 0 }, { 2, 0 } },
        { QString(), { 0, 3 }, { 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        SCOPED_TRACE(::testing::PrintToString(c.range));
        EXPECT_EQ(NSRangeFromRange(c.text, c.range), c.expected);
    }
}

TEST(RangeConversions, RoundTripOverEveryCharacterRange)
{
    const QString text = QStringLiteral("a") + kGrin + kEAcute + QStringLiteral("\r\n") + kFamily + kFlag + QStringLiteral("z");
    const qsizetype count = characterCount(text);
    ASSERT_EQ(count, 7);
    for (qsizetype lower = 0; lower <= count; ++lower) {
        for (qsizetype upper = lower; upper <= count; ++upper) {
            const CharacterRange range { lower, upper };
            const UTF16Range units = NSRangeFromRange(text, range);
            EXPECT_EQ(rangeFromNSRange(text, units), range) << lower << ".." << upper;
        }
    }
}

} // namespace
