// The insertion-ordered map the shadow-notes section groups with.
#include "sidebar/OrderedDictionary.h"

#include <gtest/gtest.h>

using namespace penwick;
using Map = OrderedDictionary<QString, int>;

namespace {

QStringList keys(const Map& map)
{
    return map.keyList();
}

TEST(OrderedDictionary, SettingKeepsPlacesAppendsNewKeysAndNothingRemoves)
{
    Map map { { "a", 1 }, { "b", 2 }, { "c", 3 } };
    map.setValueForKey("b", 20);
    map.setValueForKey("d", 4);
    EXPECT_EQ(keys(map), (QStringList { "a", "b", "c", "d" }));
    EXPECT_EQ(map.valueForKey("b"), 20);
    map.setValueForKey("a", std::nullopt);
    map.setValueForKey("zz", std::nullopt);
    EXPECT_EQ(keys(map), (QStringList { "b", "c", "d" }));
    EXPECT_EQ(map.valueList(), (QList<int> { 20, 3, 4 }));
    EXPECT_FALSE(map.valueForKey("a"));
    EXPECT_EQ(map.positionOfKey("d"), 2);
    EXPECT_EQ(map.storeValue(30, "c"), 3);
    EXPECT_EQ(map.removeKey("c"), 30);
    EXPECT_FALSE(map.removeKey("c"));
}

TEST(OrderedDictionary, ARepeatedConstructorKeyStandsFirstWithItsLastValue)
{
    const Map map { { "x", 1 }, { "y", 2 }, { "x", 3 } };
    EXPECT_EQ(keys(map), (QStringList { "x", "y" }));
    EXPECT_EQ(map.valueForKey("x"), 3);
    const Map fromList(QList<Map::Pair> { { "x", 1 }, { "y", 2 }, { "x", 3 } });
    EXPECT_EQ(fromList, map);
}

TEST(OrderedDictionary, InsertPairPlacesNewKeysAndMovesPresentOnes)
{
    struct Case {
        QString key;
        int position;
        QStringList expected;
        std::optional<int> previous;
    };
    const QList<Case> cases {
        { "D", 1, { "A", "D", "B", "C" }, std::nullopt },
        { "D", 3, { "A", "B", "C", "D" }, std::nullopt },
        { "A", 3, { "B", "C", "A" }, 1 },
        { "A", 2, { "B", "A", "C" }, 1 },
        { "A", 1, { "B", "A", "C" }, 1 },
        { "C", 0, { "C", "A", "B" }, 3 },
        // The last key moved to the end stays last (the shortened list is not overrun).
        { "C", 3, { "A", "B", "C" }, 3 },
    };
    for (const Case& c : cases) {
        Map map { { "A", 1 }, { "B", 2 }, { "C", 3 } };
        EXPECT_EQ(map.insertPair(c.key, 9, c.position), c.previous) << c.key.toStdString() << c.position;
        EXPECT_EQ(keys(map), c.expected) << c.key.toStdString() << c.position;
        EXPECT_EQ(map.valueForKey(c.key), 9);
        EXPECT_EQ(map.count(), c.expected.size());
    }
}

TEST(OrderedDictionary, PositionsOutsideTheRangeGiveNothing)
{
    Map map { { "a", 1 }, { "b", 2 } };
    EXPECT_FALSE(map.pairAt(-1));
    EXPECT_FALSE(map.pairAt(map.count()));
    EXPECT_EQ(map.pairAt(1), Map::Pair("b", 2));
    EXPECT_EQ(map.pairAtPosition(0), Map::Pair("a", 1));
    EXPECT_FALSE(Map().removePairAt(0));
    EXPECT_EQ(map.removePairAt(0), Map::Pair("a", 1));
    EXPECT_EQ(keys(map), QStringList { "b" });
    map.removeAllPairs();
    EXPECT_EQ(map.count(), 0);
    EXPECT_EQ(map.startPosition(), map.endPosition());
}

TEST(OrderedDictionary, TextFormAndEqualityFollowTheOrder)
{
    EXPECT_EQ((Map { { "a", 1 }, { "b", 2 } }).textDescription(), "[a: 1, b: 2]");
    EXPECT_EQ(Map().textDescription(), "[]");
    EXPECT_EQ((Map { { "a", 1 }, { "b", 2 } }), (Map { { "a", 1 }, { "b", 2 } }));
    EXPECT_NE((Map { { "a", 1 }, { "b", 2 } }), (Map { { "b", 2 }, { "a", 1 } }));
    EXPECT_NE((Map { { "a", 1 } }), (Map { { "a", 2 } }));
}

TEST(OrderedDictionary, IterationWalksTheMapAsItWasWhenItBegan)
{
    Map map { { "a", 1 }, { "b", 2 }, { "c", 3 } };
    QStringList seen;
    for (const auto& [key, value] : map) {
        seen << key + QString::number(value);
        map.removeKey("c");
        map.setValueForKey("z", 26);
    }
    EXPECT_EQ(seen, (QStringList { "a1", "b2", "c3" }));
    EXPECT_EQ(keys(map), (QStringList { "a", "b", "z" }));

    auto iterator = map.pairIterator();
    map.removeAllPairs();
    EXPECT_EQ(iterator.next(), Map::Pair("a", 1));
    EXPECT_EQ(iterator.next(), Map::Pair("b", 2));
    EXPECT_EQ(iterator.next(), Map::Pair("z", 26));
    EXPECT_FALSE(iterator.next());
}

TEST(OrderedDictionary, CopiesAreIndependentAndAPermutationWrittenPairByPairStaysConsistent)
{
    Map map { { "a", 1 }, { "b", 2 }, { "c", 3 } };
    Map copy = map;
    copy.setValueForKey("a", 100);
    EXPECT_EQ(map.valueForKey("a"), 1);

    // Reversed in place, as a generic reordering writes it.
    const Map::Pair first = map.pairAtPosition(0);
    map.setPairAtPosition(0, map.pairAtPosition(2));
    map.setPairAtPosition(2, first);
    EXPECT_EQ(keys(map), (QStringList { "c", "b", "a" }));
    EXPECT_EQ(map.valueList(), (QList<int> { 3, 2, 1 }));
}

using OrderedDictionaryDeathTest = ::testing::Test;

TEST_F(OrderedDictionaryDeathTest, BrokenPreconditionsStopWithTheirMessages)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Map map { { "a", 1 } };
    EXPECT_DEATH(map.pairAtPosition(1), "OrderedDictionary index out of range");
    EXPECT_DEATH(map.pairAtPosition(-1), "OrderedDictionary index out of range");
    EXPECT_DEATH(map.insertPair("b", 2, -1), "Negative OrderedDictionary index is out of range");
    EXPECT_DEATH(map.insertPair("b", 2, 2), "OrderedDictionary index out of range");
    EXPECT_DEATH(map.setPairAtPosition(3, { "x", 1 }), "OrderedDictionary index out of range");
    // A listed key without a value: the two members are out of step.
    Map broken { { "a", 1 }, { "b", 2 } };
    broken.setPairAtPosition(0, { "b", 5 }); // keys b, b; "a" keeps a value nothing lists
    broken.removeKey("b");                    // drops the first "b" and the only value of "b"
    EXPECT_DEATH(broken.pairAtPosition(0), "Inconsistency error occured in OrderedDictionary");
}

} // namespace
