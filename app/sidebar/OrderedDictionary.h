#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace penwick {

namespace ordered_dictionary_detail {

template <typename T>
QString textOf(const T& value)
{
    if constexpr (std::is_convertible_v<T, QString>)
        return QString(value);
    else if constexpr (std::is_arithmetic_v<T>)
        return QString::number(value);
    else
        return QVariant::fromValue(value).toString();
}

} // namespace ordered_dictionary_detail

// A map that answers lookups by key and hands its pairs out in the order in which the keys
// were first added. A value type: both members are copy-on-write containers, so copies are
// cheap and independent. Broken preconditions (a position out of range, the two members out
// of step) stop the process.
template <typename Key, typename Value>
class OrderedDictionary {
public:
    using Pair = std::pair<Key, Value>;

    OrderedDictionary() = default;
    OrderedDictionary(std::initializer_list<Pair> pairs)
    {
        for (const Pair& pair : pairs)
            setValueForKey(pair.first, pair.second);
    }
    explicit OrderedDictionary(const QList<Pair>& pairs)
    {
        for (const Pair& pair : pairs)
            setValueForKey(pair.first, pair.second);
    }

    std::optional<Value> valueForKey(const Key& key) const
    {
        const auto it = m_keysToValues.constFind(key);
        if (it == m_keysToValues.constEnd())
            return std::nullopt;
        return it.value();
    }

    // A value stores it; nothing removes the key.
    void setValueForKey(const Key& key, const std::optional<Value>& value)
    {
        if (value)
            storeValue(*value, key);
        else
            removeKey(key);
    }

    // Replaces the value of a present key (which keeps its place) or appends a new key.
    std::optional<Value> storeValue(const Value& value, const Key& key)
    {
        if (hasKey(key)) {
            const auto it = m_keysToValues.find(key);
            if (it == m_keysToValues.end())
                inconsistency();
            Value previous = it.value();
            it.value() = value;
            return previous;
        }
        m_orderedKeys.append(key);
        m_keysToValues.insert(key, value);
        return std::nullopt;
    }

    std::optional<Value> removeKey(const Key& key)
    {
        const auto position = positionOfKey(key);
        if (!position)
            return std::nullopt;
        const auto it = m_keysToValues.find(key);
        if (it == m_keysToValues.end())
            inconsistency();
        Value previous = it.value();
        m_orderedKeys.removeAt(*position);
        m_keysToValues.erase(it);
        return previous;
    }

    bool hasKey(const Key& key) const { return m_orderedKeys.contains(key); }
    std::optional<qsizetype> positionOfKey(const Key& key) const
    {
        const qsizetype position = m_orderedKeys.indexOf(key);
        return position < 0 ? std::nullopt : std::optional<qsizetype>(position);
    }
    qsizetype count() const { return m_orderedKeys.size(); }
    qsizetype startPosition() const { return 0; }
    qsizetype endPosition() const { return count(); }

    std::optional<Pair> pairAt(qsizetype position) const
    {
        if (position < 0 || position >= count())
            return std::nullopt;
        const Key& key = m_orderedKeys.at(position);
        const auto it = m_keysToValues.constFind(key);
        if (it == m_keysToValues.constEnd())
            inconsistency();
        return Pair(key, it.value());
    }

    Pair pairAtPosition(qsizetype position) const
    {
        auto pair = pairAt(position);
        if (!pair)
            outOfRange();
        return *std::move(pair);
    }

    // Puts the pair's key at the position and stores its value; nothing is removed, so a
    // permutation written pair by pair ends consistent.
    void setPairAtPosition(qsizetype position, const Pair& pair)
    {
        if (!pairAt(position))
            outOfRange();
        m_orderedKeys[position] = pair.first;
        m_keysToValues.insert(pair.first, pair.second);
    }

    // Places the key at the position (moving it when present) and stores the value.
    std::optional<Value> insertPair(const Key& key, const Value& value, qsizetype position)
    {
        if (position < 0)
            qFatal("Negative OrderedDictionary index is out of range");
        if (position > count())
            outOfRange();
        std::optional<Value> previous;
        if (const auto current = positionOfKey(key)) {
            previous = valueForKey(key);
            if (*current < position - 1)
                --position;
            m_orderedKeys.removeAt(*current);
            m_keysToValues.remove(key);
        }
        // Moving the last key to the end would otherwise insert past the shortened list.
        position = std::min(position, m_orderedKeys.size());
        m_orderedKeys.insert(position, key);
        m_keysToValues.insert(key, value);
        return previous;
    }

    std::optional<Pair> removePairAt(qsizetype position)
    {
        auto pair = pairAt(position);
        if (!pair)
            return std::nullopt;
        m_orderedKeys.removeAt(position);
        m_keysToValues.remove(pair->first);
        return pair;
    }

    void removeAllPairs(bool keepCapacity = true)
    {
        if (keepCapacity) {
            m_orderedKeys.clear();
            m_keysToValues.clear();
            return;
        }
        m_orderedKeys = {};
        m_keysToValues = {};
    }

    QList<Key> keyList() const { return m_orderedKeys; }
    QList<Value> valueList() const
    {
        QList<Value> values;
        values.reserve(m_orderedKeys.size());
        for (const Key& key : m_orderedKeys) {
            const auto it = m_keysToValues.constFind(key);
            if (it != m_keysToValues.constEnd())
                values.append(it.value());
        }
        return values;
    }

    QString textDescription() const
    {
        QStringList parts;
        for (const Pair& pair : *this)
            parts << ordered_dictionary_detail::textOf(pair.first) + QStringLiteral(": ") + ordered_dictionary_detail::textOf(pair.second);
        return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
    }

    // Walks a snapshot taken at creation: later changes to the map are not seen.
    class PairIterator {
    public:
        explicit PairIterator(const OrderedDictionary& map)
            : m_snapshot(std::make_shared<const OrderedDictionary>(map))
            , m_end(map.count())
        {
        }
        std::optional<Pair> next()
        {
            if (m_next >= m_end)
                return std::nullopt;
            return m_snapshot->pairAtPosition(m_next++);
        }

        // Range-for support over the same snapshot.
        class Cursor {
        public:
            Cursor(std::shared_ptr<const OrderedDictionary> snapshot, qsizetype position)
                : m_snapshot(std::move(snapshot))
                , m_position(position)
            {
            }
            Pair operator*() const { return m_snapshot->pairAtPosition(m_position); }
            Cursor& operator++()
            {
                ++m_position;
                return *this;
            }
            bool operator!=(const Cursor& other) const { return m_position != other.m_position; }
            bool operator==(const Cursor& other) const { return m_position == other.m_position; }

        private:
            std::shared_ptr<const OrderedDictionary> m_snapshot;
            qsizetype m_position;
        };
        Cursor begin() const { return Cursor(m_snapshot, m_next); }
        Cursor end() const { return Cursor(m_snapshot, m_end); }

    private:
        std::shared_ptr<const OrderedDictionary> m_snapshot;
        qsizetype m_end;
        qsizetype m_next = 0;
    };

    PairIterator pairIterator() const { return PairIterator(*this); }
    // Range-for over the map walks a snapshot too.
    typename PairIterator::Cursor begin() const { return pairIterator().begin(); }
    typename PairIterator::Cursor end() const { return pairIterator().end(); }

    friend bool operator==(const OrderedDictionary& a, const OrderedDictionary& b)
    {
        return a.m_orderedKeys == b.m_orderedKeys && a.m_keysToValues == b.m_keysToValues;
    }
    friend bool operator!=(const OrderedDictionary& a, const OrderedDictionary& b) { return !(a == b); }

private:
    [[noreturn]] static void inconsistency() { qFatal("Inconsistency error occured in OrderedDictionary"); }
    [[noreturn]] static void outOfRange() { qFatal("OrderedDictionary index out of range"); }

    QList<Key> m_orderedKeys;
    QHash<Key, Value> m_keysToValues;
};

} // namespace penwick
