#include "Vendors/PWOrderedDictionary.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>

#include <gtest/gtest.h>

#include <functional>

using namespace penwick;

namespace {

QStringList texts(const QList<PWObject>& list)
{
    QStringList out;
    for (const PWObject& o : list)
        out << o.description();
    return out;
}

QStringList keysOf(const PWOrderedDictionary& d)
{
    return texts(d.allKeys());
}

QStringList objectsOf(const PWOrderedDictionary& d)
{
    return texts(d.allObjects());
}

// The three stores hold the same entries: every key maps to the object at its own position.
void expectInStep(const PWOrderedDictionary& d)
{
    ASSERT_EQ(d.allKeys().size(), d.count());
    ASSERT_EQ(d.allObjects().size(), d.count());
    EXPECT_EQ(d.unorderedDictionary().size(), d.count());
    for (qsizetype i = 0; i < d.count(); ++i) {
        EXPECT_TRUE(d.objectForKey(d.keyAtIndex(i)).isIdenticalTo(d.objectAtIndex(i)))
            << "key " << d.keyAtIndex(i).description().toStdString() << " out of step at " << i;
    }
}

// Entries a=1, b=2, c=3.
PWMutableOrderedDictionary abc()
{
    return PWMutableOrderedDictionary(QList<PWObject> { 1, 2, 3 }, QList<PWObject> { "a", "b", "c" });
}

PWDictionary entry(const PWObject& key, const PWObject& object)
{
    return PWDictionary { { key, object } };
}

template <typename Error, typename F>
std::string messageOf(F&& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(nothing raised)";
}

} // namespace

struct ChangeCase {
    const char* name;
    std::function<void(PWMutableOrderedDictionary&)> change;
    QStringList keys;
    QStringList objects;
};

TEST(PWOrderedDictionaryTest, AddingInsertingAndSettingPlaceEntries)
{
    const ChangeCase cases[] = {
        { "add new key goes to the end", [](auto& d) { d.addObject(4, "d"); }, { "a", "b", "c", "d" }, { "1", "2", "3", "4" } },
        { "add present key moves it to the end", [](auto& d) { d.addObject(9, "a"); }, { "b", "c", "a" }, { "2", "3", "9" } },
        { "add entry takes its pair", [](auto& d) { d.addEntry(entry("b", 7)); }, { "a", "c", "b" }, { "1", "3", "7" } },
        { "set present key keeps its place", [](auto& d) { d.setObject(9, "a"); }, { "a", "b", "c" }, { "9", "2", "3" } },
        { "set new key adds at the end", [](auto& d) { d.setObject(4, "d"); }, { "a", "b", "c", "d" }, { "1", "2", "3", "4" } },
        { "set at index ignores the index for a present key", [](auto& d) { d.setObject(9, "c", 0); }, { "a", "b", "c" }, { "1", "2", "9" } },
        { "set at index inserts a new key there", [](auto& d) { d.setObject(4, "d", 1); }, { "a", "d", "b", "c" }, { "1", "4", "2", "3" } },
        { "insert new key at index", [](auto& d) { d.insertObject(0, "z", 0); }, { "z", "a", "b", "c" }, { "0", "1", "2", "3" } },
        { "insert at the count appends", [](auto& d) { d.insertObject(4, "d", 3); }, { "a", "b", "c", "d" }, { "1", "2", "3", "4" } },
        { "insert present key counts among the remaining", [](auto& d) { d.insertObject(9, "a", 2); }, { "b", "c", "a" }, { "2", "3", "9" } },
        { "insert present key at the front", [](auto& d) { d.insertObject(9, "c", 0); }, { "c", "a", "b" }, { "9", "1", "2" } },
        { "insert entries of another at index + n",
          [](auto& d) { d.insertEntriesFromOrderedDictionary(PWOrderedDictionary(QList<PWObject> { 8, 9 }, QList<PWObject> { "x", "y" }), 1); },
          { "a", "x", "y", "b", "c" }, { "1", "8", "9", "2", "3" } },
        { "add entries of another moves present keys",
          [](auto& d) { d.addEntriesFromOrderedDictionary(PWOrderedDictionary(QList<PWObject> { 8, 9 }, QList<PWObject> { "a", "y" })); },
          { "b", "c", "a", "y" }, { "2", "3", "8", "9" } },
        { "set entries of another keeps present keys in place",
          [](auto& d) { d.setEntriesFromOrderedDictionary(PWOrderedDictionary(QList<PWObject> { 8, 9 }, QList<PWObject> { "a", "y" })); },
          { "a", "b", "c", "y" }, { "8", "2", "3", "9" } },
        { "set entries at index: n counts every entry",
          [](auto& d) { d.setEntriesFromOrderedDictionary(PWOrderedDictionary(QList<PWObject> { 8, 9 }, QList<PWObject> { "b", "y" }), 0); },
          { "a", "y", "b", "c" }, { "1", "9", "8", "3" } },
        { "set entries to objects ignores surplus", [](auto& d) { d.setEntriesToObjects({ 7, 8, 9 }, { "c", "d" }); }, { "a", "b", "c", "d" }, { "1", "2", "7", "8" } },
        { "keyed subscript sets", [](auto& d) { d.setObjectForKeyedSubscript(5, "b"); }, { "a", "b", "c" }, { "1", "5", "3" } },
        { "exchange swaps positions", [](auto& d) { d.exchangeEntryAtIndex(0, 2); }, { "c", "b", "a" }, { "3", "2", "1" } },
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        PWMutableOrderedDictionary d = abc();
        c.change(d);
        EXPECT_EQ(keysOf(d), c.keys);
        EXPECT_EQ(objectsOf(d), c.objects);
        expectInStep(d);
    }
}

TEST(PWOrderedDictionaryTest, RemovalsTakeTheRightEntries)
{
    const auto six = [] {
        return PWMutableOrderedDictionary(QList<PWObject> { 1, 2, 3, 1, 5, 6 }, QList<PWObject> { "a", "b", "c", "d", "e", "f" });
    };
    const ChangeCase cases[] = {
        { "at index", [](auto& d) { d.removeEntryAtIndex(1); }, { "a", "c", "d", "e", "f" }, { "1", "3", "1", "5", "6" } },
        { "last", [](auto& d) { d.removeLastEntry(); }, { "a", "b", "c", "d", "e" }, { "1", "2", "3", "1", "5" } },
        { "by key", [](auto& d) { d.removeEntryWithKey("e"); }, { "a", "b", "c", "d", "f" }, { "1", "2", "3", "1", "6" } },
        { "absent key does nothing", [](auto& d) { d.removeObjectForKey("zz"); }, { "a", "b", "c", "d", "e", "f" }, { "1", "2", "3", "1", "5", "6" } },
        { "by object: the first equal one", [](auto& d) { d.removeEntryWithObject(1); }, { "b", "c", "d", "e", "f" }, { "2", "3", "1", "5", "6" } },
        { "by object in range", [](auto& d) { d.removeEntryWithObject(1, PWRange { 1, 4 }); }, { "a", "b", "c", "e", "f" }, { "1", "2", "3", "5", "6" } },
        { "by object and key in range answers a whole-dictionary index",
          [](auto& d) { d.removeEntryWithObject(1, "d", PWRange { 2, 3 }); }, { "a", "b", "c", "e", "f" }, { "1", "2", "3", "5", "6" } },
        { "entry in range outside the range does nothing",
          [](auto& d) { d.removeEntry(entry("a", 1), PWRange { 1, 5 }); }, { "a", "b", "c", "d", "e", "f" }, { "1", "2", "3", "1", "5", "6" } },
        { "first four of six in a range", [](auto& d) { d.removeEntriesInRange({ 0, 4 }); }, { "e", "f" }, { "5", "6" } },
        { "at indices", [](auto& d) { d.removeEntriesAtIndices({ 0, 2, 5 }); }, { "b", "d", "e" }, { "2", "1", "5" } },
        { "keys in array", [](auto& d) { d.removeEntriesWithKeysInArray({ "f", "a", "nope" }); }, { "b", "c", "d", "e" }, { "2", "3", "1", "5" } },
        { "one object element removes one of two equal", [](auto& d) { d.removeEntriesWithObjectsInArray({ 1 }); }, { "b", "c", "d", "e", "f" }, { "2", "3", "1", "5", "6" } },
        { "two object elements remove both equal", [](auto& d) { d.removeEntriesWithObjectsInArray({ 1, 1 }); }, { "b", "c", "e", "f" }, { "2", "3", "5", "6" } },
        { "all", [](auto& d) { d.removeAllEntries(); }, {}, {} },
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        PWMutableOrderedDictionary d = six();
        c.change(d);
        EXPECT_EQ(keysOf(d), c.keys);
        EXPECT_EQ(objectsOf(d), c.objects);
        expectInStep(d);
    }
}

TEST(PWOrderedDictionaryTest, RemovalByIdentityIgnoresEqualCopies)
{
    const PWObject x(QStringLiteral("same"));
    PWMutableOrderedDictionary d(QList<PWObject> { x.copy(), x }, QList<PWObject> { "a", "b" });
    d.removeEntryWithObjectIdenticalTo(x);
    EXPECT_EQ(keysOf(d), QStringList { "a" });
    expectInStep(d);
}

TEST(PWOrderedDictionaryTest, ReplacementsPutEntriesAtTheirIndices)
{
    const auto five = [] {
        return PWMutableOrderedDictionary(QList<PWObject> { 0, 1, 2, 3, 4 }, QList<PWObject> { "a", "b", "c", "d", "e" });
    };
    const ChangeCase cases[] = {
        { "one entry", [](auto& d) { d.replaceEntryAtIndex(2, 9, "z"); }, { "a", "b", "z", "d", "e" }, { "0", "1", "9", "3", "4" } },
        { "same key, new object", [](auto& d) { d.replaceEntryAtIndex(2, entry("c", 9)); }, { "a", "b", "c", "d", "e" }, { "0", "1", "9", "3", "4" } },
        { "indices {1, 3} with two entries",
          [](auto& d) { d.replaceEntriesAtIndices({ 1, 3 }, QList<PWDictionary> { entry("x", 7), entry("y", 8) }); },
          { "a", "x", "c", "y", "e" }, { "0", "7", "2", "8", "4" } },
        { "more indices than pairs leaves the rest",
          [](auto& d) { d.replaceEntriesAtIndices({ 0, 1, 2 }, QList<PWObject> { 7 }, QList<PWObject> { "x", "y" }); },
          { "x", "b", "c", "d", "e" }, { "7", "1", "2", "3", "4" } },
        { "range from another dictionary",
          [](auto& d) { d.replaceEntriesInRange({ 3, 2 }, PWOrderedDictionary(QList<PWObject> { 7, 8 }, QList<PWObject> { "x", "y" })); },
          { "a", "b", "c", "x", "y" }, { "0", "1", "2", "7", "8" } },
        { "range with a source range",
          [](auto& d) { d.replaceEntriesInRange({ 0, 2 }, QList<PWObject> { 6, 7, 8 }, QList<PWObject> { "u", "v", "w" }, PWRange { 1, 2 }); },
          { "v", "w", "c", "d", "e" }, { "7", "8", "2", "3", "4" } },
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        PWMutableOrderedDictionary d = five();
        c.change(d);
        EXPECT_EQ(keysOf(d), c.keys);
        EXPECT_EQ(objectsOf(d), c.objects);
        expectInStep(d);
    }
}

TEST(PWOrderedDictionaryTest, RefusedChangesLoseNothing)
{
    struct Refusal {
        const char* name;
        std::function<void(PWMutableOrderedDictionary&)> change;
    };
    const Refusal cases[] = {
        { "insert past the count", [](auto& d) { d.insertObject(4, "d", 4); } },
        { "insert of a present key past the remaining count", [](auto& d) { d.insertObject(9, "a", 3); } },
        { "add a null object under a present key", [](auto& d) { d.addObject(PWObject(), "a"); } },
        { "add under a null key", [](auto& d) { d.addObject(1, PWObject()); } },
        { "set a null object", [](auto& d) { d.setObject(PWObject(), "b"); } },
        { "replace with a key another entry holds", [](auto& d) { d.replaceEntryAtIndex(0, 9, "b"); } },
        { "replace past the count", [](auto& d) { d.replaceEntryAtIndex(3, 9, "z"); } },
        { "replace with a null", [](auto& d) { d.replaceEntryAtIndex(1, PWObject(), "z"); } },
        { "remove past the count", [](auto& d) { d.removeEntryAtIndex(3); } },
        { "remove a range past the count", [](auto& d) { d.removeEntriesInRange({ 2, 2 }); } },
        { "add an empty entry", [](auto& d) { d.addEntry(PWDictionary()); } },
        { "exchange past the count", [](auto& d) { d.exchangeEntryAtIndex(0, 5); } },
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        PWMutableOrderedDictionary d = abc();
        EXPECT_THROW(c.change(d), std::exception);
        EXPECT_EQ(keysOf(d), (QStringList { "a", "b", "c" }));
        EXPECT_EQ(objectsOf(d), (QStringList { "1", "2", "3" }));
        expectInStep(d);
    }
}

TEST(PWOrderedDictionaryTest, ConstructionChecksLengthsThenDuplicates)
{
    EXPECT_EQ(messageOf<PWInconsistencyError>([] { PWOrderedDictionary(QList<PWObject> { 1 }, QList<PWObject> { "a", "b" }); }),
              "The amount of objects does not match the number of keys");
    EXPECT_EQ(messageOf<PWInconsistencyError>([] { PWOrderedDictionary(QList<PWObject> { 1, 2 }, QList<PWObject> { "a", "a" }); }),
              "There are duplicate keys on initialization");
    // The length check comes first.
    EXPECT_EQ(messageOf<PWInconsistencyError>([] { PWOrderedDictionary(QList<PWObject> { 1 }, QList<PWObject> { "a", "a" }); }),
              "The amount of objects does not match the number of keys");
    EXPECT_EQ(PWOrderedDictionary(QList<PWObject> {}, QList<PWObject> {}).count(), 0);
}

TEST(PWOrderedDictionaryTest, DerivedDictionariesNeverReplace)
{
    const PWOrderedDictionary d = abc();
    EXPECT_EQ(messageOf<PWInconsistencyError>([&] { d.orderedDictionaryByAddingObject(9, "a"); }),
              "There are duplicate keys on initialization");
    EXPECT_EQ(messageOf<PWInconsistencyError>([&] { d.orderedDictionaryByAddingObjects({ 4, 5 }, { "d", "d" }); }),
              "There are duplicate keys on initialization");
    const PWOrderedDictionary added = d.orderedDictionaryByAddingEntry(entry("d", 4));
    EXPECT_EQ(keysOf(added), (QStringList { "a", "b", "c", "d" }));
    EXPECT_EQ(keysOf(d), (QStringList { "a", "b", "c" }));
    EXPECT_EQ(keysOf(d.subOrderedDictionaryWithRange({ 1, 2 })), (QStringList { "b", "c" }));
    EXPECT_THROW(d.subOrderedDictionaryWithRange({ 2, 2 }), PWRangeError);
}

TEST(PWOrderedDictionaryTest, LookupsAndSearches)
{
    const PWOrderedDictionary d(QList<PWObject> { 10, 20, 10, 30 }, QList<PWObject> { "a", "b", "c", "d" });
    EXPECT_TRUE(d.containsObject(30, "a")) << "object and key may belong to different entries";
    EXPECT_FALSE(d.containsObject(40, "a"));
    EXPECT_FALSE(d.containsObject(10, "z"));
    EXPECT_EQ(d.indexOfObject(10), 0);
    EXPECT_EQ(d.indexOfObject(10, PWRange { 1, 3 }), 2);
    EXPECT_EQ(d.indexOfObject(99), PWNotFound);
    EXPECT_EQ(d.indexOfKey("d"), 3);
    EXPECT_EQ(d.indexOfEntryWithObject(10, "c"), 2);
    EXPECT_EQ(d.indexOfEntryWithObject(10, "b"), PWNotFound);
    EXPECT_EQ(d.indexOfEntryWithObject(10, "c", PWRange { 1, 3 }), 2) << "answers an index of the whole dictionary";
    EXPECT_EQ(d.indexOfEntry(entry("a", 10), PWRange { 1, 3 }), PWNotFound);
    EXPECT_THROW(d.indexOfObject(10, PWRange { 3, 2 }), PWRangeError);
    EXPECT_EQ(d.objectForKey("b").toLongLong(), 20);
    EXPECT_TRUE(d.objectForKey("zz").isNull());
    EXPECT_EQ(texts(d.objectForKeys({ "d", "zz" }, "none")), (QStringList { "30", "none" }));
    QStringList forTen = texts(d.allKeysForObject(10));
    forTen.sort();
    EXPECT_EQ(forTen, (QStringList { "a", "c" }));
    EXPECT_EQ(d.keyOfObjectPassingTest([](const PWObject& o, qsizetype, bool*) { return o.toLongLong() > 15; }).toString(), "b");
    EXPECT_EQ(d.keyOfObjectWithOptions(int(PWEnumerationOption::Reverse),
                                       [](const PWObject& o, qsizetype, bool*) { return o.toLongLong() == 10; })
                  .toString(),
              "c");
    EXPECT_EQ(d.indicesOfObjectsPassingTest([](const PWObject& o, qsizetype, bool*) { return o.toLongLong() == 10; }),
              (PWIndexSet { 0, 2 }));
    EXPECT_EQ(texts(d.keysOfObjectsAtIndices({ 1, 2, 3 }, 0, [](const PWObject& o, qsizetype, bool*) { return o.toLongLong() >= 20; })),
              (QStringList { "b", "d" }));
    EXPECT_EQ(d.indexOfObjectPassingTest([](const PWObject&, qsizetype i, bool* stop) {
        *stop = i == 1;
        return false;
    }),
              PWNotFound);
    EXPECT_EQ(d.lastKey().toString(), "d");
    EXPECT_TRUE(PWOrderedDictionary().lastObject().isNull());
    EXPECT_FALSE(PWOrderedDictionary().lastEntry().has_value());
    EXPECT_THROW(d.objectAtIndex(4), PWRangeError);
}

TEST(PWOrderedDictionaryTest, BinarySearchOfASortedRange)
{
    const PWOrderedDictionary d(QList<PWObject> { 1, 3, 3, 3, 7 }, QList<PWObject> { "a", "b", "c", "d", "e" });
    const PWComparator byValue = [](const PWObject& a, const PWObject& b) { return a.compare(b); };
    struct Case {
        int value;
        int options;
        qsizetype expected;
    };
    const Case cases[] = {
        { 3, int(PWBinarySearchingOption::FirstEqual), 1 },
        { 3, int(PWBinarySearchingOption::LastEqual), 3 },
        { 3, int(PWBinarySearchingOption::InsertionIndex), 1 },
        { 3, int(PWBinarySearchingOption::InsertionIndex) | int(PWBinarySearchingOption::LastEqual), 4 },
        { 5, int(PWBinarySearchingOption::InsertionIndex), 4 },
        { 5, int(PWBinarySearchingOption::FirstEqual), PWNotFound },
        { 9, int(PWBinarySearchingOption::InsertionIndex), 5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(d.indexOfObject(c.value, PWRange { 0, 5 }, c.options, byValue), c.expected);
    }
    EXPECT_EQ(d.keyOfObject(7, PWRange { 0, 5 }, 0, byValue).toString(), "e");
}

TEST(PWOrderedDictionaryTest, EnumeratorsWalkInEntryOrderOrBackwards)
{
    const PWOrderedDictionary d = abc();
    auto reverse = d.reverseEntryEnumerator();
    QStringList seen;
    while (auto e = reverse.nextObject())
        seen << e->cbegin().key().toString() + QLatin1Char('=') + e->cbegin().value().description();
    EXPECT_EQ(seen, (QStringList { "c=3", "b=2", "a=1" }));
    EXPECT_FALSE(PWOrderedDictionary().reverseEntryEnumerator().nextObject().has_value());
    EXPECT_EQ(texts(d.reverseKeyEnumerator().allObjects()), (QStringList { "c", "b", "a" }));
    EXPECT_EQ(texts(d.objectEnumerator().allObjects()), (QStringList { "1", "2", "3" }));

    QStringList walked;
    for (const PWObject& key : d)
        walked << key.toString();
    EXPECT_EQ(walked, (QStringList { "a", "b", "c" }));

    QList<qsizetype> visited;
    d.enumerateObjectsWithOptions(int(PWEnumerationOption::Reverse), [&](const PWObject&, qsizetype i, bool* stop) {
        visited << i;
        *stop = i == 1;
    });
    EXPECT_EQ(visited, (QList<qsizetype> { 2, 1 }));
}

TEST(PWOrderedDictionaryTest, EntryEnumeratorIsASnapshotAndChangingDuringAWalkRaises)
{
    PWMutableOrderedDictionary d = abc();
    auto entries = d.entryEnumerator();
    d.removeAllEntries();
    EXPECT_EQ(entries.allObjects().size(), 3);

    PWMutableOrderedDictionary walked = abc();
    EXPECT_THROW(
        {
            for (const PWObject& key : walked) {
                if (key.toString() == QLatin1String("a"))
                    walked.addObject(4, "d");
            }
        },
        PWMutationError);
}

TEST(PWOrderedDictionaryTest, IdentityMatchingKeepsKeysWithTheirObjects)
{
    const PWObject shared(QStringLiteral("x"));
    const PWOrderedDictionary d(QList<PWObject> { shared, shared, PWObject("y") }, QList<PWObject> { "k1", "k2", "k3" });
    EXPECT_EQ(texts(d.keysForSortedObjects({ shared, shared })), (QStringList { "k1", "k2" }));
    EXPECT_THROW(d.keysForSortedObjects({ PWObject("x") }), PWRangeError) << "an equal but different instance is not held";
    EXPECT_THROW(d.objectsForSortedKeys({ "nope" }), PWInvalidArgumentError);

    // Equal objects that are distinct instances each keep their own key through a sort.
    const PWObject first(QStringLiteral("same"));
    const PWObject second = first.copy();
    const PWOrderedDictionary ties(QList<PWObject> { "zed", first, second }, QList<PWObject> { "k1", "k2", "k3" });
    const PWOrderedDictionary sorted = ties.sortedByObjectsUsingSelector(&PWObject::compare);
    EXPECT_EQ(objectsOf(sorted), (QStringList { "same", "same", "zed" }));
    for (qsizetype i = 0; i < sorted.count(); ++i) {
        const qsizetype original = ties.indexOfKey(sorted.keyAtIndex(i));
        EXPECT_TRUE(sorted.objectAtIndex(i).isIdenticalTo(ties.objectAtIndex(original)));
    }
}

namespace {
std::weak_ordering descendingNumbers(const PWObject& a, const PWObject& b, void* context)
{
    ++*static_cast<int*>(context);
    return b.compare(a);
}
} // namespace

TEST(PWOrderedDictionaryTest, SortedCopiesAndSortsInPlace)
{
    const PWOrderedDictionary d(QList<PWObject> { 2, 3, 1 }, QList<PWObject> { "b", "a", "C" });
    const PWComparator ascending = [](const PWObject& a, const PWObject& b) { return a.compare(b); };
    int calls = 0;
    struct Case {
        const char* name;
        std::function<PWOrderedDictionary()> sort;
        QStringList keys;
    };
    const Case cases[] = {
        { "objects, comparator", [&] { return d.sortedByObjectsUsingComparator(ascending); }, { "C", "b", "a" } },
        { "keys, comparator", [&] { return d.sortedByKeysUsingComparator(ascending); }, { "C", "a", "b" } },
        { "keys, options", [&] { return d.sortedByKeysWithOptions(int(PWSortOption::Stable), ascending); }, { "C", "a", "b" } },
        { "objects, options", [&] { return d.sortedByObjectsWithOptions(int(PWSortOption::Concurrent), ascending); }, { "C", "b", "a" } },
        { "keys, selector", [&] { return d.sortedByKeysUsingSelector(&PWObject::caseInsensitiveCompare); }, { "a", "b", "C" } },
        { "objects, function", [&] { return d.sortedByObjectsUsingFunction(&descendingNumbers, &calls); }, { "a", "b", "C" } },
        { "keys, function with hint",
          [&] { return d.sortedByKeysUsingFunction(&descendingNumbers, &calls, d.sortedKeysHint()); }, { "b", "a", "C" } },
        { "keys, descending descriptor", [&] { return d.sortedByKeysUsingDescriptors({ PWSortDescriptor { {}, false, {} } }); }, { "b", "a", "C" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PWOrderedDictionary sorted = c.sort();
        EXPECT_EQ(keysOf(sorted), c.keys);
        expectInStep(sorted);
    }
    EXPECT_GT(calls, 0);
    EXPECT_EQ(keysOf(d), (QStringList { "b", "a", "C" })) << "sorted copies leave the receiver alone";

    PWMutableOrderedDictionary m = d.mutableCopy();
    m.sortEntriesByObjectUsingComparator(ascending);
    EXPECT_EQ(keysOf(m), (QStringList { "C", "b", "a" }));
    expectInStep(m);
    m.sortEntriesByKeysUsingSelector(&PWObject::caseInsensitiveCompare);
    EXPECT_EQ(keysOf(m), (QStringList { "a", "b", "C" }));
    expectInStep(m);
}

TEST(PWOrderedDictionaryTest, SortDescriptorsReadMapValues)
{
    const PWObject bob(QVariantMap { { "name", "Bob" }, { "age", 40 } });
    const PWObject amy(QVariantMap { { "name", "Amy" }, { "age", 40 } });
    const PWObject cid(QVariantMap { { "name", "Cid" }, { "age", 20 } });
    const PWOrderedDictionary d(QList<PWObject> { bob, amy, cid }, QList<PWObject> { 1, 2, 3 });
    const PWOrderedDictionary sorted = d.sortedByObjectsUsingDescriptors(
        { PWSortDescriptor { "age", false, {} }, PWSortDescriptor { "name", true, {} } });
    EXPECT_EQ(texts(sorted.allKeys()), (QStringList { "2", "1", "3" }));
}

TEST(PWOrderedDictionaryTest, FilteringKeepsExactlyThePassingEntries)
{
    const auto source = [] {
        return PWMutableOrderedDictionary(QList<PWObject> { 1, 2, 3, 2 }, QList<PWObject> { "a", "b", "c", "d" });
    };
    struct Case {
        const char* name;
        PWPredicate predicate;
        QStringList keys;
    };
    const Case cases[] = {
        { "rejects some", [](const PWObject& o) { return o.toLongLong() != 2; }, { "a", "c" } },
        { "keeps equal objects with their keys", [](const PWObject& o) { return o.toLongLong() == 2; }, { "b", "d" } },
        { "rejects all", [](const PWObject&) { return false; }, {} },
        { "keeps all", [](const PWObject&) { return true; }, { "a", "b", "c", "d" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PWOrderedDictionary copy = source().filteredOrderDictionarysUsingPredicateForObjects(c.predicate);
        EXPECT_EQ(keysOf(copy), c.keys);
        expectInStep(copy);
        PWMutableOrderedDictionary inPlace = source();
        inPlace.filterEntriesUsingPredicateForObjects(c.predicate);
        EXPECT_EQ(keysOf(inPlace), c.keys);
        expectInStep(inPlace);
    }
}

TEST(PWOrderedDictionaryTest, FilteringKeepsEachPassingObjectWithItsOwnKey)
{
    // Only the second occurrence of one object, held under two keys, passes.
    const auto secondTwo = [] { return [n = 0](const PWObject& o) mutable { return o.toLongLong() == 2 && n++ == 1; }; };
    const PWObject two(2);
    const PWOrderedDictionary source(QList<PWObject> { 1, two, 3, two }, QList<PWObject> { "a", "b", "c", "d" });
    EXPECT_EQ(keysOf(source.filteredOrderDictionarysUsingPredicateForObjects(secondTwo())), QStringList { "d" });
    PWMutableOrderedDictionary inPlace = source.mutableCopy();
    inPlace.filterEntriesUsingPredicateForObjects(secondTwo());
    EXPECT_EQ(keysOf(inPlace), QStringList { "d" });
    expectInStep(inPlace);
}

TEST(PWOrderedDictionaryTest, ComparisonIsByOrderAndContent)
{
    const PWOrderedDictionary d = abc();
    const PWOrderedDictionary reordered(QList<PWObject> { 2, 1, 3 }, QList<PWObject> { "b", "a", "c" });
    EXPECT_FALSE(d.isEqualToOrderedDictionary(reordered));
    EXPECT_TRUE(d.isEqualToOrderedDictionary(PWOrderedDictionary(QList<PWObject> { 1.0, 2, 3 }, QList<PWObject> { "a", "b", "c" })));
    EXPECT_EQ(d.firstKeyInCommonWithOrderedDictionary(reordered).toString(), "a");
    const PWOrderedDictionary other(QList<PWObject> { 9, 3 }, QList<PWObject> { "a", "c" });
    EXPECT_EQ(d.firstObjectInCommonWithOrderedDictionary(other).toLongLong(), 3);
    const auto common = d.firstEntryInCommonWithOrderedDictionary(other);
    ASSERT_TRUE(common.has_value());
    EXPECT_EQ(common->cbegin().key().toString(), "c");
    EXPECT_FALSE(d.firstEntryInCommonWithOrderedDictionary(PWOrderedDictionary(QList<PWObject> { 5 }, QList<PWObject> { "a" })).has_value());
}

TEST(PWOrderedDictionaryTest, CopiesAreImmutableSnapshotsAndMutableCopiesShareEntries)
{
    PWMutableOrderedDictionary source = abc();
    const PWOrderedDictionary copy = source.copy();
    static_assert(std::is_same_v<decltype(source.copy()), PWOrderedDictionary>);
    source.addObject(4, "d");
    source.setObject(9, "a");
    EXPECT_EQ(keysOf(copy), (QStringList { "a", "b", "c" }));
    EXPECT_EQ(objectsOf(copy), (QStringList { "1", "2", "3" }));

    const PWMutableOrderedDictionary mutableCopy = copy.mutableCopy();
    EXPECT_TRUE(mutableCopy.objectAtIndex(0).isIdenticalTo(copy.objectAtIndex(0)));
    const PWOrderedDictionary deep(copy, true);
    EXPECT_TRUE(deep.isEqualToOrderedDictionary(copy));
    EXPECT_FALSE(deep.objectAtIndex(0).isIdenticalTo(copy.objectAtIndex(0)));

    const auto kept = &source.allKeys();
    source.removeEntryAtIndex(0);
    EXPECT_EQ(kept->size(), 3) << "the stored sequence itself is answered";
}

TEST(PWOrderedDictionaryTest, DescriptionLayout)
{
    EXPECT_EQ(PWOrderedDictionary().description(), "{\n}");
    const PWOrderedDictionary two(QList<PWObject> { 1, "x" }, QList<PWObject> { "a", "b" });
    EXPECT_EQ(two.description(), "{\n\ta = 1;\n\tb = x\n}");
    EXPECT_EQ(two.descriptionWithLocale(QLocale::c(), 1), "    {\n\t\ta = 1;\n\t\tb = x\n\t}");
    const PWOrderedDictionary real(QList<PWObject> { 1.5 }, QList<PWObject> { "a" });
    EXPECT_EQ(real.descriptionWithLocale(QLocale(QLocale::German)), "{\n\ta = 1,5\n}");
}

TEST(PWOrderedDictionaryTest, ArchivesRoundTrip)
{
    const QList<PWOrderedDictionary> samples = {
        PWOrderedDictionary(),
        abc(),
        PWOrderedDictionary(QList<PWObject> { QVariantList { 1, "two" }, QVariantMap { { "k", true } }, QByteArray("\x00\x01", 2) },
                            QList<PWObject> { 3, "b", 1.5 }),
    };
    for (const PWOrderedDictionary& original : samples) {
        SCOPED_TRACE(original.description().toStdString());
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << original;
        }
        QDataStream in(bytes);
        PWOrderedDictionary restored = PWOrderedDictionary::orderedDictionaryWithObject("stale", "stale");
        in >> restored;
        EXPECT_EQ(in.status(), QDataStream::Ok);
        EXPECT_TRUE(restored.isEqualToOrderedDictionary(original));
        EXPECT_EQ(keysOf(restored), keysOf(original));
    }
}

TEST(PWOrderedDictionaryTest, MalformedArchivesAreRefusedAndLeaveTheTargetAlone)
{
    const auto archive = [](const QVariantList& objects, const QVariantList& keys, const QString& objectsName) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << quint32(1) << objectsName << objects << QStringLiteral("NSODKeys") << keys;
        return bytes;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "lengths differ", archive({ 1, 2 }, { "a" }, "NSODObjects") },
        { "duplicate keys", archive({ 1, 2 }, { "a", "a" }, "NSODObjects") },
        { "wrong names", archive({ 1 }, { "a" }, "Objects") },
        { "truncated", archive({ 1 }, { "a" }, "NSODObjects").left(10) },
        { "empty", QByteArray() },
        // Lengths read from the file are checked against what the stream still holds.
        { "a list length far beyond the bytes", QByteArray::fromHex("00000001" "ffffffff" "7fffffff") },
        { "a nested list length far beyond the bytes",
          [&archive] {
              QByteArray bytes = archive(QVariantList { QVariant(QVariantList { 1 }) }, { "a" }, "NSODObjects");
              // version, name (4 + 22 bytes), outer count, then the inner variant: type, null flag, count.
              const qsizetype innerCount = 4 + 4 + 22 + 4 + 4 + 1;
              bytes.replace(innerCount, 4, QByteArray::fromHex("7fffffff"));
              return bytes;
          }() },
        { "nesting without end",
          [] {
              QByteArray bytes = QByteArray::fromHex("00000001") + QByteArray::fromHex("00000016")
                  + QByteArray("\0N\0S\0O\0D\0O\0b\0j\0e\0c\0t\0s", 22);
              bytes += QByteArray::fromHex("00000001"); // one object, a list holding a list holding ...
              for (int i = 0; i < 100000; ++i)
                  bytes += QByteArray::fromHex("00000009" "00" "00000001");
              return bytes;
          }() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDataStream in(c.bytes);
        PWOrderedDictionary target = abc();
        in >> target;
        EXPECT_NE(in.status(), QDataStream::Ok);
        EXPECT_EQ(keysOf(target), (QStringList { "a", "b", "c" }));
    }
    QDataStream direct(archive({ 1 }, { "a", "b" }, "NSODObjects"));
    EXPECT_EQ(messageOf<PWInconsistencyError>([&] { PWOrderedDictionary d(direct); }),
              "The amount of objects does not match the number of keys");
}

TEST(PWOrderedDictionaryTest, WrittenFilesReadBackEqual)
{
    const QString folder = test::temporaryFolder();
    const QList<PWOrderedDictionary> samples = {
        PWOrderedDictionary(),
        PWOrderedDictionary(QList<PWObject> { 1, 2, 3 }, QList<PWObject> { "zeta", "alpha", "mid" }),
        PWOrderedDictionary(QList<PWObject> { "ten", "one" }, QList<PWObject> { 10, 1 }),
        PWOrderedDictionary(QList<PWObject> { QVariantList { 1, 2.25, "x" }, QVariantMap { { "b", 1 }, { "a", QVariantList {} } },
                                              true, QByteArray("bytes"), QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC) },
                            QList<PWObject> { "list", "map", "flag", "data", "date" }),
        PWOrderedDictionary(QList<PWObject> { "a < b & \"c\" ünï" }, QList<PWObject> { "<key>" }),
    };
    int n = 0;
    for (const PWOrderedDictionary& original : samples) {
        SCOPED_TRACE(original.description().toStdString());
        for (bool atomically : { true, false }) {
            const QString path = QDir(folder).filePath(QStringLiteral("dict%1.plist").arg(n++));
            ASSERT_TRUE(original.writeToFile(path, atomically));
            const PWOrderedDictionary restored = PWOrderedDictionary::orderedDictionaryWithContentsOfFile(path);
            EXPECT_TRUE(restored.isEqualToOrderedDictionary(original)) << restored.description().toStdString();
            EXPECT_EQ(keysOf(restored), keysOf(original));
            const PWMutableOrderedDictionary viaUrl =
                PWMutableOrderedDictionary::orderedDictionaryWithContentsOfURL(QUrl::fromLocalFile(path));
            EXPECT_TRUE(viaUrl.isEqualToOrderedDictionary(original));
        }
    }
}

TEST(PWOrderedDictionaryTest, WritingRefusesValuesAPropertyListCannotHoldAndKeepsTheOldFile)
{
    const QString path = QDir(test::temporaryFolder()).filePath(QStringLiteral("kept.plist"));
    const PWOrderedDictionary good = abc();
    ASSERT_TRUE(good.writeToFile(path, true));
    const PWOrderedDictionary bad(QList<PWObject> { QVariant(QPoint(1, 2)) }, QList<PWObject> { "point" });
    EXPECT_FALSE(bad.writeToFile(path, true));
    EXPECT_FALSE(bad.writeToURL(QUrl(QStringLiteral("https://example.invalid/x.plist")), true));
    EXPECT_TRUE(PWOrderedDictionary::orderedDictionaryWithContentsOfFile(path).isEqualToOrderedDictionary(good));
}

TEST(PWOrderedDictionaryTest, ReadingFilesOfOtherShapes)
{
    const QString folder = test::temporaryFolder();
    const auto write = [&](const QString& name, const QByteArray& body) {
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><plist version=\"1.0\">" + body + "</plist>");
        return path;
    };
    struct Case {
        const char* name;
        QString path;
        QStringList keys;
    };
    const Case cases[] = {
        { "missing file", QDir(folder).filePath("absent.plist"), {} },
        { "not a dictionary", write("array.plist", "<array><string>x</string></array>"), {} },
        { "neither array", write("other.plist", "<dict><key>x</key><string>y</string></dict>"), {} },
        { "only an empty Keys", write("emptykeys.plist", "<dict><key>Keys</key><array/></dict>"), {} },
        { "both arrays, other entries ignored",
          write("both.plist", "<dict><key>Keys</key><array><string>k</string></array><key>Objects</key>"
                              "<array><integer>4</integer></array><key>Extra</key><true/></dict>"),
          { "k" } },
        { "malformed XML", write("broken.plist", "<dict><key>Keys</key><array>"), {} },
        // Malformed dictionaries give no dictionary rather than an exception.
        { "only Objects", write("onlyobjects.plist", "<dict><key>Objects</key><array><integer>1</integer></array></dict>"), {} },
        { "lengths differ",
          write("lengths.plist", "<dict><key>Keys</key><array><string>a</string><string>b</string></array>"
                                 "<key>Objects</key><array><integer>1</integer></array></dict>"),
          {} },
        { "duplicate keys",
          write("twice.plist", "<dict><key>Keys</key><array><string>a</string><string>a</string></array>"
                               "<key>Objects</key><array><integer>1</integer><integer>2</integer></array></dict>"),
          {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<QStringList> keys;
        std::optional<QStringList> mutableKeys;
        EXPECT_NO_THROW(keys = keysOf(PWOrderedDictionary::orderedDictionaryWithContentsOfFile(c.path)));
        EXPECT_NO_THROW(mutableKeys = keysOf(PWMutableOrderedDictionary::orderedDictionaryWithContentsOfFile(c.path)));
        EXPECT_EQ(keys, c.keys);
        EXPECT_EQ(mutableKeys, c.keys);
    }
}

TEST(PWOrderedDictionaryTest, KeyPathWritesKeepKeysAndObjectsInStep)
{
    struct Case {
        const char* name;
        QString path;
        QVariant value;
        QStringList keys;
        QVariant readBack; // valueForKeyPath(path) afterwards
    };
    const Case cases[] = {
        { "one component replaces the object in place", "b", 42, { "a", "b", "c" }, 42 },
        { "one component with a new key adds an entry", "d", "new", { "a", "b", "c", "d" }, "new" },
        { "an invalid value removes the entry", "a", QVariant(), { "b", "c" }, QVariant() },
        { "a longer path changes the map object", "c.inner.leaf", "deep", { "a", "b", "c" }, "deep" },
        { "a longer path through an absent key does nothing", "zz.leaf", 1, { "a", "b", "c" }, QVariant() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PWMutableOrderedDictionary d(QList<PWObject> { 1, 2, QVariantMap { { "inner", QVariantMap { { "leaf", "old" } } } } },
                                     QList<PWObject> { "a", "b", "c" });
        d.setValueForKeyPath(c.value, c.path);
        EXPECT_EQ(keysOf(d), c.keys);
        expectInStep(d);
        EXPECT_EQ(d.valueForKeyPath(c.path), c.readBack);
    }
    PWMutableOrderedDictionary scalar = abc();
    EXPECT_THROW(scalar.setValueForKeyPath(1, "a.leaf"), PWInvalidArgumentError);
    EXPECT_EQ(objectsOf(scalar), (QStringList { "1", "2", "3" }));
}

TEST(PWOrderedDictionaryTest, ValueForKeyAppliesToEveryObject)
{
    PWMutableOrderedDictionary d(QList<PWObject> { QVariantMap { { "n", 1 } }, QVariantMap { { "n", 2 } } }, QList<PWObject> { "a", "b" });
    EXPECT_EQ(d.valueForKey("n"), (QVariantList { 1, 2 }));
    d.setValue(7, "n");
    EXPECT_EQ(d.valueForKey("n"), (QVariantList { 7, 7 }));
    expectInStep(d);
    PWMutableOrderedDictionary scalars = abc();
    EXPECT_THROW(scalars.setValue(7, "n"), PWInvalidArgumentError);
    EXPECT_EQ(objectsOf(scalars), (QStringList { "1", "2", "3" }));
}

TEST(PWOrderedDictionaryTest, PlainDictionariesAndFactories)
{
    const PWDictionary plain { { "x", 1 }, { "y", 2 } };
    const PWOrderedDictionary fromPlain = PWOrderedDictionary::orderedDictionaryWithDictionary(plain);
    EXPECT_EQ(fromPlain.count(), 2);
    expectInStep(fromPlain);
    EXPECT_EQ(fromPlain.unorderedDictionary(), plain);
    PWMutableOrderedDictionary grown = PWMutableOrderedDictionary::orderedDictionaryWithCapacity(8);
    grown.addEntriesFromDictionary(plain);
    grown.insertEntriesFromDictionary(PWDictionary { { "z", 3 } }, 0);
    EXPECT_EQ(grown.keyAtIndex(0).toString(), "z");
    EXPECT_EQ(grown.count(), 3);
    expectInStep(grown);
    const PWOrderedDictionary picked = abc().entriesAtIndices({ 2, 0 });
    EXPECT_EQ(keysOf(picked), (QStringList { "a", "c" }));
    EXPECT_EQ(abc().unorderedEntriesAtIndices({ 1 }), (PWDictionary { { "b", 2 } }));
}

TEST(PWOrderedDictionaryTest, HTMLTableShowsKeysInEntryOrderWithTheirValues)
{
    struct Case {
        const char* name;
        PWOrderedDictionary dictionary;
        QString table;
    };
    const Case cases[] = {
        { "empty", PWOrderedDictionary(),
          "<table class=\"jekyll-table\"><thead><tr></tr></thead><tbody><tr></tr></tbody></table>" },
        { "entry order, not sorted",
          PWOrderedDictionary(QList<PWObject> { "last", 1 }, QList<PWObject> { "zeta", "alpha" }),
          "<table class=\"jekyll-table\"><thead><tr><th>zeta</th><th>alpha</th></tr></thead>"
          "<tbody><tr><td>last</td><td>1</td></tr></tbody></table>" },
        { "escaped scalars, nested sequence, numeric key",
          PWOrderedDictionary(QList<PWObject> { "a<b", QVariantList { "x&y" } }, QList<PWObject> { 7, "list" }),
          "<table class=\"jekyll-table\"><thead><tr><th>7</th><th>list</th></tr></thead>"
          "<tbody><tr><td>a&lt;b</td><td><table class=\"jekyll-table\"><tbody><tr><td>x&amp;y</td></tr></tbody></table></td></tr></tbody></table>" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.dictionary.HTMLTable(), c.table);
    }
}
