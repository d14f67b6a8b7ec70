#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <compare>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

namespace penwick {

// An element of an ordered dictionary: a shared, immutable value with an identity.
// Copies of a PWObject are the same instance (as pointers to one object would be);
// `copy()` makes a new instance with an equal value. A default-constructed PWObject,
// or one made from an invalid QVariant, is null.
class PWObject {
public:
    PWObject() = default;
    PWObject(const QVariant& value); // NOLINT: implicit on purpose, like boxing a literal

    template <typename T>
        requires(!std::is_same_v<std::decay_t<T>, PWObject> && !std::is_same_v<std::decay_t<T>, QVariant>
                 && std::is_constructible_v<QVariant, const T&>)
    PWObject(const T& value) // NOLINT
        : PWObject(QVariant(value))
    {
    }

    bool isNull() const { return !m_value; }
    const QVariant& value() const;
    QString toString() const { return value().toString(); }
    qlonglong toLongLong() const { return value().toLongLong(); }

    // Equality of values ("isEqual"): numbers compare numerically, everything else by type and value.
    bool operator==(const PWObject& other) const;
    bool isIdenticalTo(const PWObject& other) const { return m_value == other.m_value; }
    PWObject copy() const;

    // Natural orderings that elements answer, usable as comparison selectors.
    std::weak_ordering compare(const PWObject& other) const;
    std::weak_ordering caseInsensitiveCompare(const PWObject& other) const;

    QString description() const;
    QString descriptionWithLocale(const QLocale& locale) const;

private:
    std::shared_ptr<const QVariant> m_value;
};

size_t qHash(const PWObject& object, size_t seed = 0);
QDataStream& operator<<(QDataStream& stream, const PWObject& object);
QDataStream& operator>>(QDataStream& stream, PWObject& object);

// A plain, unordered dictionary; an entry is such a dictionary holding one pair.
using PWDictionary = QHash<PWObject, PWObject>;
using PWIndexSet = std::set<qsizetype>;

inline constexpr qsizetype PWNotFound = std::numeric_limits<qsizetype>::max();

struct PWRange {
    qsizetype location = 0;
    qsizetype length = 0;
    qsizetype end() const { return location + length; }
};

enum class PWEnumerationOption { Concurrent = 1, Reverse = 2 };
using PWEnumerationOptions = int;
enum class PWSortOption { Concurrent = 1, Stable = 16 };
using PWSortOptions = int;
enum class PWBinarySearchingOption { FirstEqual = 256, LastEqual = 512, InsertionIndex = 1024 };
using PWBinarySearchingOptions = int;

using PWComparator = std::function<std::weak_ordering(const PWObject&, const PWObject&)>;
using PWCompareSelector = std::weak_ordering (PWObject::*)(const PWObject&) const;
using PWCompareFunction = std::weak_ordering (*)(const PWObject&, const PWObject&, void* context);
using PWPredicate = std::function<bool(const PWObject&)>;
// Receives the object, its index and a stop flag.
using PWObjectTest = std::function<bool(const PWObject&, qsizetype, bool*)>;
using PWObjectBlock = std::function<void(const PWObject&, qsizetype, bool*)>;

// Orders by the value at `key` (a dot-separated path into map values; empty: the element itself).
struct PWSortDescriptor {
    QString key;
    bool ascending = true;
    PWComparator comparator; // empty: the elements' natural order
};

// Errors raised by the ordered dictionaries.
class PWRangeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};
class PWInvalidArgumentError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};
class PWInconsistencyError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};
class PWMutationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Walks a snapshot taken when it was made; `nextObject()` answers null at the end.
template <typename T>
class PWEnumerator {
public:
    explicit PWEnumerator(QList<T> items)
        : m_items(std::move(items))
    {
    }
    std::optional<T> nextObject()
    {
        if (m_position >= m_items.size())
            return std::nullopt;
        return m_items.at(m_position++);
    }
    QList<T> allObjects()
    {
        QList<T> rest = m_items.mid(m_position);
        m_position = m_items.size();
        return rest;
    }

private:
    QList<T> m_items;
    qsizetype m_position = 0;
};

class PWMutableOrderedDictionary;

// Keys to objects in a fixed order. Immutable once built.
class PWOrderedDictionary {
public:
    // Walks the keys; changing the dictionary during the walk raises PWMutationError.
    class const_iterator {
    public:
        using value_type = PWObject;
        using difference_type = qsizetype;
        const_iterator() = default;
        const PWObject& operator*() const;
        const_iterator& operator++();
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }

    private:
        friend class PWOrderedDictionary;
        const_iterator(const PWOrderedDictionary* owner, qsizetype index);
        void check() const;
        const PWOrderedDictionary* m_owner = nullptr;
        qsizetype m_index = 0;
        quint64 m_mutations = 0;
    };

    // Construction: every constructor ends in the checks of the central one.
    PWOrderedDictionary() = default;
    PWOrderedDictionary(const QList<PWObject>& objects, const QList<PWObject>& keys);
    PWOrderedDictionary(const PWOrderedDictionary& other, bool copyEntries);
    explicit PWOrderedDictionary(const PWDictionary& dictionary);
    explicit PWOrderedDictionary(QDataStream& coder);
    PWOrderedDictionary(const PWOrderedDictionary&) = default;
    PWOrderedDictionary(PWOrderedDictionary&&) = default;
    PWOrderedDictionary& operator=(const PWOrderedDictionary&) = default;
    PWOrderedDictionary& operator=(PWOrderedDictionary&&) = default;
    virtual ~PWOrderedDictionary() = default;

    static PWOrderedDictionary orderedDictionary() { return {}; }
    static PWOrderedDictionary orderedDictionaryWithOrderedDictionary(const PWOrderedDictionary& other);
    static PWOrderedDictionary orderedDictionaryWithContentsOfFile(const QString& path);
    static PWOrderedDictionary orderedDictionaryWithContentsOfURL(const QUrl& url);
    static PWOrderedDictionary orderedDictionaryWithObject(const PWObject& object, const PWObject& key);
    static PWOrderedDictionary orderedDictionaryWithDictionary(const PWDictionary& dictionary);

    // Count and access.
    qsizetype count() const { return m_keys.size(); }
    PWObject lastObject() const;
    PWObject lastKey() const;
    std::optional<PWDictionary> lastEntry() const;
    PWObject objectAtIndex(qsizetype index) const;
    PWObject keyAtIndex(qsizetype index) const;
    PWDictionary entryAtIndex(qsizetype index) const;
    PWObject operator[](qsizetype index) const { return objectAtIndex(index); }
    QList<PWObject> objectsAtIndices(const PWIndexSet& indices) const;
    QList<PWObject> keysAtIndices(const PWIndexSet& indices) const;
    PWOrderedDictionary entriesAtIndices(const PWIndexSet& indices) const;
    PWDictionary unorderedEntriesAtIndices(const PWIndexSet& indices) const;
    PWDictionary unorderedDictionary() const { return m_pairs; }
    // The stored sequences themselves: a kept reference sees later changes.
    const QList<PWObject>& allKeys() const { return m_keys; }
    const QList<PWObject>& allObjects() const { return m_objects; }
    PWObject objectForKey(const PWObject& key) const;
    PWObject operator[](const PWObject& key) const { return objectForKey(key); }
    QList<PWObject> objectForKeys(const QList<PWObject>& keys, const PWObject& notFoundMarker) const;
    QList<PWObject> allKeysForObject(const PWObject& object) const;
    bool containsObject(const PWObject& object) const;
    bool containsObject(const PWObject& object, const PWObject& pairedWithKey) const;
    bool containsEntry(const PWDictionary& entry) const;

    // Searches answering an index (PWNotFound when nothing matches).
    qsizetype indexOfObject(const PWObject& object) const;
    qsizetype indexOfObject(const PWObject& object, PWRange inRange) const;
    qsizetype indexOfKey(const PWObject& key) const;
    qsizetype indexOfKey(const PWObject& key, PWRange inRange) const;
    qsizetype indexOfObjectIdenticalTo(const PWObject& object) const;
    qsizetype indexOfObjectIdenticalTo(const PWObject& object, PWRange inRange) const;
    qsizetype indexOfObjectPassingTest(const PWObjectTest& test) const;
    qsizetype indexOfObjectWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const;
    qsizetype indexOfObjectAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                     const PWObjectTest& test) const;
    qsizetype indexOfObject(const PWObject& object, PWRange inSortedRange, PWBinarySearchingOptions options,
                            const PWComparator& comparator) const;
    qsizetype indexOfEntryWithObject(const PWObject& object, const PWObject& pairedWithKey) const;
    qsizetype indexOfEntryWithObject(const PWObject& object, const PWObject& pairedWithKey, PWRange inRange) const;
    qsizetype indexOfEntry(const PWDictionary& entry) const;
    qsizetype indexOfEntry(const PWDictionary& entry, PWRange inRange) const;

    // Searches answering a key (null when nothing matches).
    PWObject keyOfObjectIdenticalTo(const PWObject& object) const;
    PWObject keyOfObjectIdenticalTo(const PWObject& object, PWRange inRange) const;
    PWObject keyOfObjectPassingTest(const PWObjectTest& test) const;
    PWObject keyOfObjectWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const;
    PWObject keyOfObjectAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                  const PWObjectTest& test) const;
    PWObject keyOfObject(const PWObject& object, PWRange inSortedRange, PWBinarySearchingOptions options,
                         const PWComparator& comparator) const;

    // Searches answering many.
    PWIndexSet indicesOfObjectsPassingTest(const PWObjectTest& test) const;
    PWIndexSet indicesOfObjectsWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const;
    PWIndexSet indicesOfObjectsAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                         const PWObjectTest& test) const;
    QList<PWObject> keysOfObjectsPassingTest(const PWObjectTest& test) const;
    QList<PWObject> keysOfObjectsWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const;
    QList<PWObject> keysOfObjectsAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                           const PWObjectTest& test) const;

    // Enumeration.
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, count()); }
    PWEnumerator<PWObject> objectEnumerator() const;
    PWEnumerator<PWObject> keyEnumerator() const;
    PWEnumerator<PWDictionary> entryEnumerator() const;
    PWEnumerator<PWObject> reverseObjectEnumerator() const;
    PWEnumerator<PWObject> reverseKeyEnumerator() const;
    PWEnumerator<PWDictionary> reverseEntryEnumerator() const;
    void enumerateObjectsUsingBlock(const PWObjectBlock& block) const;
    void enumerateObjectsWithOptions(PWEnumerationOptions options, const PWObjectBlock& block) const;
    void enumerateObjectsAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                   const PWObjectBlock& block) const;
    void makeObjectsPerformSelector(const std::function<void(const PWObject&)>& selector) const;
    void makeObjectsPerformSelector(const std::function<void(const PWObject&, const PWObject&)>& selector,
                                    const PWObject& withObject) const;

    // Derived ordered dictionaries (never replace an entry: a repeated key fails).
    PWOrderedDictionary orderedDictionaryByAddingObject(const PWObject& object, const PWObject& pairedWithKey) const;
    PWOrderedDictionary orderedDictionaryByAddingEntry(const PWDictionary& entry) const;
    PWOrderedDictionary orderedDictionaryByAddingObjects(const QList<PWObject>& objects,
                                                         const QList<PWObject>& pairedWithKeys) const;
    PWOrderedDictionary filteredOrderDictionarysUsingPredicateForObjects(const PWPredicate& predicate) const;
    PWOrderedDictionary subOrderedDictionaryWithRange(PWRange range) const;

    PWOrderedDictionary sortedByObjectsUsingComparator(const PWComparator& comparator) const;
    PWOrderedDictionary sortedByKeysUsingComparator(const PWComparator& comparator) const;
    PWOrderedDictionary sortedByObjectsWithOptions(PWSortOptions options, const PWComparator& comparator) const;
    PWOrderedDictionary sortedByKeysWithOptions(PWSortOptions options, const PWComparator& comparator) const;
    PWOrderedDictionary sortedByObjectsUsingDescriptors(const QList<PWSortDescriptor>& descriptors) const;
    PWOrderedDictionary sortedByKeysUsingDescriptors(const QList<PWSortDescriptor>& descriptors) const;
    PWOrderedDictionary sortedByObjectsUsingSelector(PWCompareSelector selector) const;
    PWOrderedDictionary sortedByKeysUsingSelector(PWCompareSelector selector) const;
    PWOrderedDictionary sortedByObjectsUsingFunction(PWCompareFunction function, void* context) const;
    PWOrderedDictionary sortedByKeysUsingFunction(PWCompareFunction function, void* context) const;
    PWOrderedDictionary sortedByObjectsUsingFunction(PWCompareFunction function, void* context,
                                                     const QByteArray& hint) const;
    PWOrderedDictionary sortedByKeysUsingFunction(PWCompareFunction function, void* context,
                                                  const QByteArray& hint) const;
    // Opaque hints for the hinted sorts.
    QByteArray sortedObjectsHint() const;
    QByteArray sortedKeysHint() const;
    QList<PWObject> keysForSortedObjects(const QList<PWObject>& sortedObjects) const;
    QList<PWObject> objectsForSortedKeys(const QList<PWObject>& sortedKeys) const;

    // Comparison.
    bool isEqualToOrderedDictionary(const PWOrderedDictionary& other) const;
    PWObject firstObjectInCommonWithOrderedDictionary(const PWOrderedDictionary& other) const;
    PWObject firstKeyInCommonWithOrderedDictionary(const PWOrderedDictionary& other) const;
    // The receiver's first entry whose key the other holds with an equal object.
    std::optional<PWDictionary> firstEntryInCommonWithOrderedDictionary(const PWOrderedDictionary& other) const;

    // Text, files, archives, copies.
    // The front-matter mapping table: one column per key in entry order, its value beneath.
    QString HTMLTable() const;
    QString description() const;
    QString descriptionWithLocale(const QLocale& locale) const;
    QString descriptionWithLocale(const QLocale& locale, int indent) const;
    // Writes "Objects" and "Keys" arrays, the layout the readers take; false when a key or
    // object is no property-list value or the file cannot be written.
    bool writeToFile(const QString& path, bool atomically) const;
    bool writeToURL(const QUrl& url, bool atomically) const;
    void encodeWithCoder(QDataStream& coder) const;
    PWOrderedDictionary copy() const;
    PWMutableOrderedDictionary mutableCopy() const;

    // Key-value reads: a key applies to every object, a key path names an entry first.
    QVariantList valueForKey(const QString& key) const;
    QVariant valueForKeyPath(const QString& keyPath) const;

protected:
    void initialize(const QList<PWObject>& objects, const QList<PWObject>& keys);
    void checkIndex(qsizetype index, qsizetype bound) const;
    void checkRange(PWRange range) const;
    static std::pair<PWObject, PWObject> firstPair(const PWDictionary& entry);
    static PWOrderedDictionary readPropertyListFile(const QString& path);
    static PWOrderedDictionary readPropertyListFileUnchecked(const QString& path);
    QList<PWObject> sortedSequence(const QList<PWObject>& sequence, const PWComparator& comparator) const;
    QList<PWObject> sortedSequence(const QList<PWObject>& sequence, const QList<PWSortDescriptor>& descriptors) const;
    PWOrderedDictionary sortedByObjects(const PWComparator& comparator) const;
    PWOrderedDictionary sortedByKeys(const PWComparator& comparator) const;
    qsizetype searchObjects(qsizetype from, qsizetype to, const std::function<bool(const PWObject&)>& match) const;
    qsizetype searchIndices(const QList<qsizetype>& indices, PWEnumerationOptions options,
                            const PWObjectTest& test) const;

    QList<PWObject> m_keys;
    QList<PWObject> m_objects;
    PWDictionary m_pairs;
    quint64 m_mutations = 0;
};

// Adds, inserts, sets, removes, replaces and reorders entries. Add and insert move a
// present key's entry; set keeps its place.
class PWMutableOrderedDictionary : public PWOrderedDictionary {
public:
    using PWOrderedDictionary::PWOrderedDictionary;
    PWMutableOrderedDictionary() = default;
    explicit PWMutableOrderedDictionary(qsizetype capacity);
    explicit PWMutableOrderedDictionary(const PWOrderedDictionary& other)
        : PWOrderedDictionary(other)
    {
    }

    static PWMutableOrderedDictionary orderedDictionary() { return {}; }
    static PWMutableOrderedDictionary orderedDictionaryWithCapacity(qsizetype capacity);
    static PWMutableOrderedDictionary orderedDictionaryWithOrderedDictionary(const PWOrderedDictionary& other);
    static PWMutableOrderedDictionary orderedDictionaryWithContentsOfFile(const QString& path);
    static PWMutableOrderedDictionary orderedDictionaryWithContentsOfURL(const QUrl& url);
    static PWMutableOrderedDictionary orderedDictionaryWithObject(const PWObject& object, const PWObject& key);
    static PWMutableOrderedDictionary orderedDictionaryWithDictionary(const PWDictionary& dictionary);

    void addObject(const PWObject& object, const PWObject& pairedWithKey);
    void addEntry(const PWDictionary& entry);
    void addEntriesFromOrderedDictionary(const PWOrderedDictionary& other);
    void addEntriesFromDictionary(const PWDictionary& dictionary);
    void insertObject(const PWObject& object, const PWObject& pairedWithKey, qsizetype atIndex);
    void insertEntry(const PWDictionary& entry, qsizetype atIndex);
    void insertEntriesFromOrderedDictionary(const PWOrderedDictionary& other, qsizetype atIndex);
    void insertEntriesFromDictionary(const PWDictionary& dictionary, qsizetype atIndex);

    void setObject(const PWObject& object, const PWObject& forKey);
    void setObjectForKeyedSubscript(const PWObject& object, const PWObject& key) { setObject(object, key); }
    void setEntry(const PWDictionary& entry);
    void setEntriesFromOrderedDictionary(const PWOrderedDictionary& other);
    void setEntriesFromDictionary(const PWDictionary& dictionary);
    void setObject(const PWObject& object, const PWObject& forKey, qsizetype atIndex);
    void setEntry(const PWDictionary& entry, qsizetype atIndex);
    void setEntriesFromOrderedDictionary(const PWOrderedDictionary& other, qsizetype atIndex);
    void setEntriesFromDictionary(const PWDictionary& dictionary, qsizetype atIndex);
    void setEntriesToObjects(const QList<PWObject>& objects, const QList<PWObject>& pairedWithKeys);
    void setEntriesToOrderedDictionary(const PWOrderedDictionary& other);

    void removeEntryAtIndex(qsizetype index);
    void removeLastEntry();
    void removeAllEntries();
    void removeAllObjects() { removeAllEntries(); }
    void removeEntryWithKey(const PWObject& key);
    void removeObjectForKey(const PWObject& key) { removeEntryWithKey(key); }
    void removeEntryWithObject(const PWObject& object);
    void removeEntryWithObjectIdenticalTo(const PWObject& object);
    void removeEntryWithObject(const PWObject& object, const PWObject& pairedWithKey);
    void removeEntry(const PWDictionary& entry);
    void removeEntryWithKey(const PWObject& key, PWRange inRange);
    void removeEntryWithObject(const PWObject& object, PWRange inRange);
    void removeEntryWithObjectIdenticalTo(const PWObject& object, PWRange inRange);
    void removeEntryWithObject(const PWObject& object, const PWObject& pairedWithKey, PWRange inRange);
    void removeEntry(const PWDictionary& entry, PWRange inRange);
    void removeEntriesAtIndices(const PWIndexSet& indices);
    void removeEntriesInRange(PWRange range);
    void removeEntriesWithKeysInArray(const QList<PWObject>& keys);
    void removeObjectsForKeys(const QList<PWObject>& keys) { removeEntriesWithKeysInArray(keys); }
    void removeEntriesWithObjectsInArray(const QList<PWObject>& objects);

    // A replacement refuses a key that another entry holds.
    void replaceEntryAtIndex(qsizetype index, const PWObject& withObject, const PWObject& pairedWithKey);
    void replaceEntryAtIndex(qsizetype index, const PWDictionary& withEntry);
    void replaceEntriesAtIndices(const PWIndexSet& indices, const QList<PWObject>& withObjects,
                                 const QList<PWObject>& pairedWithKeys);
    void replaceEntriesAtIndices(const PWIndexSet& indices, const QList<PWDictionary>& withEntries);
    void replaceEntriesAtIndices(const PWIndexSet& indices, const PWOrderedDictionary& withEntriesFrom);
    void replaceEntriesInRange(PWRange range, const QList<PWObject>& withObjects, const QList<PWObject>& pairedWithKeys);
    void replaceEntriesInRange(PWRange range, const QList<PWDictionary>& withEntries);
    void replaceEntriesInRange(PWRange range, const PWOrderedDictionary& withEntriesFrom);
    void replaceEntriesInRange(PWRange range, const QList<PWObject>& withObjects, const QList<PWObject>& pairedWithKeys,
                               PWRange sourceRange);
    void replaceEntriesInRange(PWRange range, const QList<PWDictionary>& withEntries, PWRange sourceRange);
    void replaceEntriesInRange(PWRange range, const PWOrderedDictionary& withEntriesFrom, PWRange sourceRange);

    void exchangeEntryAtIndex(qsizetype index, qsizetype withEntryAtIndex);
    void sortEntriesByObjectUsingComparator(const PWComparator& comparator);
    void sortEntriesByKeysUsingComparator(const PWComparator& comparator);
    void sortEntriesByObjectWithOptions(PWSortOptions options, const PWComparator& comparator);
    void sortEntriesByKeysWithOptions(PWSortOptions options, const PWComparator& comparator);
    void sortEntriesByObjectUsingDescriptors(const QList<PWSortDescriptor>& descriptors);
    void sortEntriesByKeysUsingDescriptors(const QList<PWSortDescriptor>& descriptors);
    void sortEntriesByObjectUsingSelector(PWCompareSelector selector);
    void sortEntriesByKeysUsingSelector(PWCompareSelector selector);
    void sortEntriesByObjectUsingFunction(PWCompareFunction function, void* context);
    void sortEntriesByKeysUsingFunction(PWCompareFunction function, void* context);
    void filterEntriesUsingPredicateForObjects(const PWPredicate& predicate);

    // Key-value writes. A one-component path sets that key's entry (an invalid value removes it);
    // a longer one changes the entry's map object in place. Either way all stores change together.
    void setValue(const QVariant& value, const QString& forKey);
    void setValueForKeyPath(const QVariant& value, const QString& keyPath);

private:
    void touch() { ++m_mutations; }
    void insertChecked(const PWObject& object, const PWObject& key, qsizetype index);
    void replaceChecked(qsizetype index, const PWObject& object, const PWObject& key);
    void reorderByObjects(const QList<PWObject>& sortedObjects);
    void reorderByKeys(const QList<PWObject>& sortedKeys);
};

QDataStream& operator<<(QDataStream& stream, const PWOrderedDictionary& dictionary);
// Leaves the dictionary unchanged and marks the stream corrupt when the archive is malformed.
QDataStream& operator>>(QDataStream& stream, PWOrderedDictionary& dictionary);

} // namespace penwick
