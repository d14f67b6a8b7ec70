#include "Vendors/PWOrderedDictionary.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QXmlStreamWriter>

#include "Vendors/HTMLTabularize.h"
#include "platform/AtomicFileWriter.h"
#include "platform/PropertyList.h"

#include <algorithm>
#include <cmath>

namespace penwick {

namespace {

const char* const kLengthMismatch = "The amount of objects does not match the number of keys";
const char* const kDuplicateKeys = "There are duplicate keys on initialization";
const char* const kNullArgument = "A key or object is null";
const char* const kArchiveObjectsKey = "NSODObjects";
const char* const kArchiveKeysKey = "NSODKeys";
const quint32 kArchiveVersion = 1;

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isFloating(const QVariant& v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isList(const QVariant& v)
{
    return v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList;
}

bool valuesEqual(const QVariant& a, const QVariant& b);

bool listsEqual(const QVariantList& a, const QVariantList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!valuesEqual(a.at(i), b.at(i)))
            return false;
    }
    return true;
}

bool valuesEqual(const QVariant& a, const QVariant& b)
{
    if (isNumber(a) && isNumber(b)) {
        if (!isFloating(a) && !isFloating(b))
            return a.toLongLong() == b.toLongLong() && a.toULongLong() == b.toULongLong();
        return a.toDouble() == b.toDouble();
    }
    if (isList(a) && isList(b))
        return listsEqual(a.toList(), b.toList());
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap ma = a.toMap();
        const QVariantMap mb = b.toMap();
        if (ma.size() != mb.size())
            return false;
        for (auto it = ma.cbegin(); it != ma.cend(); ++it) {
            auto other = mb.constFind(it.key());
            if (other == mb.cend() || !valuesEqual(it.value(), other.value()))
                return false;
        }
        return true;
    }
    return a == b;
}

// Equal values must hash alike, so numbers hash by their numeric value.
size_t hashValue(const QVariant& v, size_t seed)
{
    if (isNumber(v)) {
        const double d = v.toDouble();
        if (!isFloating(v) || (std::trunc(d) == d && std::abs(d) < 9.0e18))
            return ::qHash(isFloating(v) ? static_cast<qlonglong>(d) : v.toLongLong(), seed);
        return ::qHash(d, seed);
    }
    if (isList(v)) {
        size_t h = seed;
        for (const QVariant& item : v.toList())
            h = hashValue(item, h) ^ (h << 1);
        return h;
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return ::qHash(v.toString(), seed);
    case QMetaType::QByteArray:
        return ::qHash(v.toByteArray(), seed);
    case QMetaType::QDateTime:
        return ::qHash(v.toDateTime().toMSecsSinceEpoch(), seed);
    case QMetaType::QVariantMap:
        return ::qHash(v.toMap().keys(), seed);
    default:
        return ::qHash(v.typeId(), seed);
    }
}

std::weak_ordering fromInt(int c)
{
    return c < 0 ? std::weak_ordering::less : c > 0 ? std::weak_ordering::greater : std::weak_ordering::equivalent;
}

QString indentText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    return out;
}

QString describe(const QVariant& v, const QLocale* locale)
{
    if (!v.isValid())
        return QStringLiteral("(null)");
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (isNumber(v)) {
        if (locale)
            return isFloating(v) ? locale->toString(v.toDouble(), 'g', QLocale::FloatingPointShortest)
                                 : locale->toString(v.toLongLong());
        return v.toString();
    }
    if (isList(v)) {
        QStringList parts;
        for (const QVariant& item : v.toList())
            parts << QStringLiteral("    ") + indentText(describe(item, locale));
        return parts.isEmpty() ? QStringLiteral("(\n)") : QStringLiteral("(\n") + parts.join(QStringLiteral(",\n")) + QStringLiteral("\n)");
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::QVariantMap: {
        QString out = QStringLiteral("{\n");
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            out += QStringLiteral("    ") + it.key() + QStringLiteral(" = ") + indentText(describe(it.value(), locale)) + QStringLiteral(";\n");
        return out + QLatin1Char('}');
    }
    case QMetaType::QByteArray: {
        const QByteArray hex = v.toByteArray().toHex();
        QString out = QStringLiteral("<");
        for (qsizetype i = 0; i < hex.size(); i += 8) {
            if (i > 0)
                out += QLatin1Char(' ');
            out += QString::fromLatin1(hex.mid(i, 8));
        }
        return out + QLatin1Char('>');
    }
    case QMetaType::QDateTime:
        return v.toDateTime().toUTC().toString(Qt::ISODate);
    default: {
        const QString text = v.toString();
        return text.isEmpty() && !v.canConvert<QString>() ? QString::fromLatin1(v.typeName()) : text;
    }
    }
}

// Property-list values, written in their own order; false for anything a property list cannot hold.
bool writePlistValue(QXmlStreamWriter& w, const QVariant& v)
{
    if (isList(v)) {
        w.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : v.toList()) {
            if (!writePlistValue(w, item))
                return false;
        }
        w.writeEndElement();
        return true;
    }
    if (v.typeId() == QMetaType::Bool) {
        w.writeEmptyElement(v.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        return true;
    }
    if (isNumber(v)) {
        if (isFloating(v))
            w.writeTextElement(QStringLiteral("real"), QString::number(v.toDouble(), 'g', 17));
        else
            w.writeTextElement(QStringLiteral("integer"), v.toString());
        return true;
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        w.writeTextElement(QStringLiteral("string"), v.toString());
        return true;
    case QMetaType::QByteArray:
        w.writeTextElement(QStringLiteral("data"), QString::fromLatin1(v.toByteArray().toBase64()));
        return true;
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        if (!d.isValid())
            return false;
        w.writeTextElement(QStringLiteral("date"), d.toUTC().toString(Qt::ISODateWithMs));
        return true;
    }
    case QMetaType::QVariantMap: {
        w.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            w.writeTextElement(QStringLiteral("key"), it.key());
            if (!writePlistValue(w, it.value()))
                return false;
        }
        w.writeEndElement();
        return true;
    }
    default:
        return false;
    }
}

QVariantList toVariants(const QList<PWObject>& list)
{
    QVariantList out;
    out.reserve(list.size());
    for (const PWObject& o : list)
        out << o.value();
    return out;
}

QList<PWObject> toObjects(const QVariantList& list)
{
    QList<PWObject> out;
    out.reserve(list.size());
    for (const QVariant& v : list)
        out << PWObject(v);
    return out;
}

QList<qsizetype> orderedIndices(const PWIndexSet& set, PWEnumerationOptions options)
{
    QList<qsizetype> out(set.begin(), set.end());
    if (options & int(PWEnumerationOption::Reverse))
        std::reverse(out.begin(), out.end());
    return out;
}

QList<qsizetype> allIndices(qsizetype count, PWEnumerationOptions options)
{
    QList<qsizetype> out;
    out.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        out << i;
    if (options & int(PWEnumerationOption::Reverse))
        std::reverse(out.begin(), out.end());
    return out;
}

PWComparator fromSelector(PWCompareSelector selector)
{
    return [selector](const PWObject& a, const PWObject& b) { return (a.*selector)(b); };
}

PWComparator fromFunction(PWCompareFunction function, void* context)
{
    return [function, context](const PWObject& a, const PWObject& b) { return function(a, b, context); };
}

QVariant valueAtPath(QVariant value, const QStringList& path)
{
    for (const QString& component : path) {
        if (value.typeId() != QMetaType::QVariantMap)
            return {};
        value = value.toMap().value(component);
    }
    return value;
}

// Sets `value` at `path` inside the map `root`; false when a step is no map.
bool setValueAtPath(QVariant& root, QStringList path, const QVariant& value)
{
    if (root.typeId() != QMetaType::QVariantMap)
        return false;
    QVariantMap map = root.toMap();
    const QString head = path.takeFirst();
    if (path.isEmpty()) {
        if (value.isValid())
            map.insert(head, value);
        else
            map.remove(head);
    } else {
        QVariant child = map.value(head);
        if (!child.isValid())
            child = QVariantMap();
        if (!setValueAtPath(child, path, value))
            return false;
        map.insert(head, child);
    }
    root = map;
    return true;
}

// Archive reading. A list length comes from the file: it is checked against the bytes the
// stream still holds before anything is reserved, so a damaged archive cannot ask for
// gigabytes, and nesting is bounded so that it cannot exhaust the stack. Containers are read
// here; every other value goes through QVariant's own reader.
constexpr int kMaximumArchiveDepth = 256;
constexpr qint64 kSmallestStreamedVariant = 5; // type id and null flag
constexpr qint64 kSmallestStreamedString = 4;  // length

bool readVariantChecked(QDataStream& in, QVariant& value, int depth);

bool countFits(QDataStream& in, quint32 count, qint64 smallestItem)
{
    QIODevice* device = in.device();
    if (in.status() != QDataStream::Ok)
        return false;
    if (!device || device->isSequential())
        return count <= 1u << 20; // nothing to measure against: a bound far above real archives
    return qint64(count) <= device->bytesAvailable() / smallestItem;
}

bool corrupt(QDataStream& in)
{
    in.setStatus(QDataStream::ReadCorruptData);
    return false;
}

bool readVariantListChecked(QDataStream& in, QVariantList& list, int depth)
{
    quint32 count = 0;
    in >> count;
    if (!countFits(in, count, kSmallestStreamedVariant))
        return corrupt(in);
    list.clear();
    list.reserve(qsizetype(count));
    for (quint32 i = 0; i < count; ++i) {
        QVariant item;
        if (!readVariantChecked(in, item, depth + 1))
            return false;
        list.append(item);
    }
    return true;
}

bool readVariantChecked(QDataStream& in, QVariant& value, int depth)
{
    if (depth > kMaximumArchiveDepth)
        return corrupt(in);
    QIODevice* device = in.device();
    if (!device)
        return corrupt(in);
    // Peek at the type without consuming it, so that other types are read by QVariant itself.
    QDataStream peek(device->peek(4));
    peek.setByteOrder(in.byteOrder());
    quint32 typeId = 0;
    peek >> typeId;
    if (peek.status() != QDataStream::Ok)
        return corrupt(in);
    if (typeId != QMetaType::QVariantList && typeId != QMetaType::QStringList && typeId != QMetaType::QVariantMap) {
        in >> value;
        return in.status() == QDataStream::Ok;
    }
    quint32 type = 0;
    qint8 isNull = 0;
    in >> type >> isNull;
    if (typeId == QMetaType::QVariantList) {
        QVariantList list;
        if (!readVariantListChecked(in, list, depth))
            return false;
        value = list;
        return true;
    }
    quint32 count = 0;
    in >> count;
    if (typeId == QMetaType::QStringList) {
        if (!countFits(in, count, kSmallestStreamedString))
            return corrupt(in);
        QStringList strings;
        strings.reserve(qsizetype(count));
        for (quint32 i = 0; i < count; ++i) {
            QString s;
            in >> s;
            if (in.status() != QDataStream::Ok)
                return false;
            strings.append(s);
        }
        value = strings;
        return true;
    }
    if (!countFits(in, count, kSmallestStreamedString + kSmallestStreamedVariant))
        return corrupt(in);
    QVariantMap map;
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        QVariant item;
        in >> key;
        if (in.status() != QDataStream::Ok || !readVariantChecked(in, item, depth + 1))
            return false;
        map.insert(key, item);
    }
    value = map;
    return true;
}

QByteArray hintFor(const QList<PWObject>& sequence)
{
    QByteArray hint;
    QDataStream out(&hint, QIODevice::WriteOnly);
    out << quint64(sequence.size());
    for (const PWObject& o : sequence)
        out << quint64(qHash(o));
    return hint;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// PWObject

PWObject::PWObject(const QVariant& value)
{
    if (value.isValid())
        m_value = std::make_shared<const QVariant>(value);
}

const QVariant& PWObject::value() const
{
    static const QVariant null;
    return m_value ? *m_value : null;
}

bool PWObject::operator==(const PWObject& other) const
{
    if (m_value == other.m_value)
        return true;
    if (!m_value || !other.m_value)
        return false;
    return valuesEqual(*m_value, *other.m_value);
}

PWObject PWObject::copy() const
{
    return PWObject(value());
}

std::weak_ordering PWObject::compare(const PWObject& other) const
{
    const QVariant& a = value();
    const QVariant& b = other.value();
    if (isNumber(a) && isNumber(b)) {
        if (!isFloating(a) && !isFloating(b))
            return a.toLongLong() <=> b.toLongLong();
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? std::weak_ordering::less : y < x ? std::weak_ordering::greater : std::weak_ordering::equivalent;
    }
    if (a.typeId() == b.typeId()) {
        switch (a.typeId()) {
        case QMetaType::QString:
            return fromInt(a.toString().compare(b.toString()));
        case QMetaType::QByteArray:
            return fromInt(a.toByteArray().compare(b.toByteArray()));
        case QMetaType::QDateTime:
            return a.toDateTime().toMSecsSinceEpoch() <=> b.toDateTime().toMSecsSinceEpoch();
        default:
            break;
        }
    }
    if (a.typeId() != b.typeId())
        return a.typeId() <=> b.typeId();
    return fromInt(description().compare(other.description()));
}

std::weak_ordering PWObject::caseInsensitiveCompare(const PWObject& other) const
{
    if (value().typeId() == QMetaType::QString && other.value().typeId() == QMetaType::QString)
        return fromInt(value().toString().compare(other.value().toString(), Qt::CaseInsensitive));
    return compare(other);
}

QString PWObject::description() const
{
    return describe(value(), nullptr);
}

QString PWObject::descriptionWithLocale(const QLocale& locale) const
{
    return describe(value(), &locale);
}

size_t qHash(const PWObject& object, size_t seed)
{
    return object.isNull() ? seed : hashValue(object.value(), seed);
}

QDataStream& operator<<(QDataStream& stream, const PWObject& object)
{
    return stream << object.value();
}

QDataStream& operator>>(QDataStream& stream, PWObject& object)
{
    QVariant v;
    stream >> v;
    object = PWObject(v);
    return stream;
}

// ---------------------------------------------------------------------------------------------
// PWOrderedDictionary: construction

PWOrderedDictionary::PWOrderedDictionary(const QList<PWObject>& objects, const QList<PWObject>& keys)
{
    initialize(objects, keys);
}

PWOrderedDictionary::PWOrderedDictionary(const PWOrderedDictionary& other, bool copyEntries)
{
    if (!copyEntries) {
        initialize(other.m_objects, other.m_keys);
        return;
    }
    QList<PWObject> objects;
    QList<PWObject> keys;
    for (qsizetype i = 0; i < other.count(); ++i) {
        objects << other.m_objects.at(i).copy();
        keys << other.m_keys.at(i).copy();
    }
    initialize(objects, keys);
}

PWOrderedDictionary::PWOrderedDictionary(const PWDictionary& dictionary)
{
    QList<PWObject> keys;
    QList<PWObject> objects;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        keys << it.key();
        objects << it.value();
    }
    initialize(objects, keys);
}

PWOrderedDictionary::PWOrderedDictionary(QDataStream& coder)
{
    quint32 version = 0;
    QString objectsName;
    QString keysName;
    QVariantList objects;
    QVariantList keys;
    coder >> version >> objectsName;
    readVariantListChecked(coder, objects, 0);
    coder >> keysName;
    readVariantListChecked(coder, keys, 0);
    if (coder.status() != QDataStream::Ok || version != kArchiveVersion
        || objectsName != QLatin1String(kArchiveObjectsKey) || keysName != QLatin1String(kArchiveKeysKey))
        throw PWInvalidArgumentError("The archive does not hold an ordered dictionary");
    initialize(toObjects(objects), toObjects(keys));
}

void PWOrderedDictionary::initialize(const QList<PWObject>& objects, const QList<PWObject>& keys)
{
    if (objects.size() != keys.size())
        throw PWInconsistencyError(kLengthMismatch);
    PWDictionary pairs;
    pairs.reserve(keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys.at(i).isNull() || objects.at(i).isNull())
            throw PWInvalidArgumentError(kNullArgument);
        pairs.insert(keys.at(i), objects.at(i));
    }
    if (pairs.size() < keys.size())
        throw PWInconsistencyError(kDuplicateKeys);
    m_keys = keys;
    m_objects = objects;
    m_pairs = std::move(pairs);
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryWithOrderedDictionary(const PWOrderedDictionary& other)
{
    return PWOrderedDictionary(other.m_objects, other.m_keys);
}

PWOrderedDictionary PWOrderedDictionary::readPropertyListFile(const QString& path)
{
    // A malformed file (lists of different lengths, a key twice) gives no dictionary.
    try {
        return readPropertyListFileUnchecked(path);
    } catch (const std::exception&) {
        return {};
    }
}

PWOrderedDictionary PWOrderedDictionary::readPropertyListFileUnchecked(const QString& path)
{
    const platform::PropertyListResult result = platform::readPropertyListFile(path);
    if (!result.ok() || result.value.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariantMap root = result.value.toMap();
    if (!root.contains(QStringLiteral("Objects")) && !root.contains(QStringLiteral("Keys")))
        return {};
    return PWOrderedDictionary(toObjects(root.value(QStringLiteral("Objects")).toList()),
                               toObjects(root.value(QStringLiteral("Keys")).toList()));
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryWithContentsOfFile(const QString& path)
{
    return readPropertyListFile(path);
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryWithContentsOfURL(const QUrl& url)
{
    return url.isLocalFile() ? readPropertyListFile(url.toLocalFile()) : PWOrderedDictionary();
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryWithObject(const PWObject& object, const PWObject& key)
{
    return PWOrderedDictionary({ object }, { key });
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryWithDictionary(const PWDictionary& dictionary)
{
    return PWOrderedDictionary(dictionary);
}

// ---------------------------------------------------------------------------------------------
// Checks

void PWOrderedDictionary::checkIndex(qsizetype index, qsizetype bound) const
{
    if (index < 0 || index >= bound)
        throw PWRangeError(QStringLiteral("index %1 beyond bounds [0 .. %2]").arg(index).arg(bound - 1).toStdString());
}

void PWOrderedDictionary::checkRange(PWRange range) const
{
    if (range.location < 0 || range.length < 0 || range.location > count() || range.length > count() - range.location)
        throw PWRangeError(QStringLiteral("range {%1, %2} extends beyond bounds [0 .. %3]")
                               .arg(range.location)
                               .arg(range.length)
                               .arg(count())
                               .toStdString());
}

std::pair<PWObject, PWObject> PWOrderedDictionary::firstPair(const PWDictionary& entry)
{
    if (entry.isEmpty())
        throw PWRangeError("an entry must hold a pair");
    return { entry.cbegin().value(), entry.cbegin().key() };
}

// ---------------------------------------------------------------------------------------------
// Access

PWObject PWOrderedDictionary::lastObject() const
{
    return m_objects.isEmpty() ? PWObject() : m_objects.last();
}

PWObject PWOrderedDictionary::lastKey() const
{
    return m_keys.isEmpty() ? PWObject() : m_keys.last();
}

std::optional<PWDictionary> PWOrderedDictionary::lastEntry() const
{
    if (m_keys.isEmpty())
        return std::nullopt;
    return entryAtIndex(count() - 1);
}

PWObject PWOrderedDictionary::objectAtIndex(qsizetype index) const
{
    checkIndex(index, count());
    return m_objects.at(index);
}

PWObject PWOrderedDictionary::keyAtIndex(qsizetype index) const
{
    checkIndex(index, count());
    return m_keys.at(index);
}

PWDictionary PWOrderedDictionary::entryAtIndex(qsizetype index) const
{
    checkIndex(index, count());
    return PWDictionary { { m_keys.at(index), m_objects.at(index) } };
}

QList<PWObject> PWOrderedDictionary::objectsAtIndices(const PWIndexSet& indices) const
{
    QList<PWObject> out;
    for (qsizetype i : indices)
        out << objectAtIndex(i);
    return out;
}

QList<PWObject> PWOrderedDictionary::keysAtIndices(const PWIndexSet& indices) const
{
    QList<PWObject> out;
    for (qsizetype i : indices)
        out << keyAtIndex(i);
    return out;
}

PWOrderedDictionary PWOrderedDictionary::entriesAtIndices(const PWIndexSet& indices) const
{
    return PWOrderedDictionary(objectsAtIndices(indices), keysAtIndices(indices));
}

PWDictionary PWOrderedDictionary::unorderedEntriesAtIndices(const PWIndexSet& indices) const
{
    PWDictionary out;
    for (qsizetype i : indices)
        out.insert(keyAtIndex(i), m_objects.at(i));
    return out;
}

PWObject PWOrderedDictionary::objectForKey(const PWObject& key) const
{
    return m_pairs.value(key);
}

QList<PWObject> PWOrderedDictionary::objectForKeys(const QList<PWObject>& keys, const PWObject& notFoundMarker) const
{
    QList<PWObject> out;
    for (const PWObject& key : keys) {
        auto it = m_pairs.constFind(key);
        out << (it == m_pairs.cend() ? notFoundMarker : it.value());
    }
    return out;
}

QList<PWObject> PWOrderedDictionary::allKeysForObject(const PWObject& object) const
{
    QList<PWObject> out;
    for (auto it = m_pairs.cbegin(); it != m_pairs.cend(); ++it) {
        if (it.value() == object)
            out << it.key();
    }
    return out;
}

bool PWOrderedDictionary::containsObject(const PWObject& object) const
{
    return m_objects.contains(object);
}

bool PWOrderedDictionary::containsObject(const PWObject& object, const PWObject& pairedWithKey) const
{
    return m_objects.contains(object) && m_pairs.contains(pairedWithKey);
}

bool PWOrderedDictionary::containsEntry(const PWDictionary& entry) const
{
    const auto [object, key] = firstPair(entry);
    return containsObject(object, key);
}

// ---------------------------------------------------------------------------------------------
// Searches

qsizetype PWOrderedDictionary::searchObjects(qsizetype from, qsizetype to,
                                             const std::function<bool(const PWObject&)>& match) const
{
    for (qsizetype i = from; i < to; ++i) {
        if (match(m_objects.at(i)))
            return i;
    }
    return PWNotFound;
}

qsizetype PWOrderedDictionary::indexOfObject(const PWObject& object) const
{
    return indexOfObject(object, PWRange { 0, count() });
}

qsizetype PWOrderedDictionary::indexOfObject(const PWObject& object, PWRange inRange) const
{
    checkRange(inRange);
    return searchObjects(inRange.location, inRange.end(), [&](const PWObject& o) { return o == object; });
}

qsizetype PWOrderedDictionary::indexOfKey(const PWObject& key) const
{
    return indexOfKey(key, PWRange { 0, count() });
}

qsizetype PWOrderedDictionary::indexOfKey(const PWObject& key, PWRange inRange) const
{
    checkRange(inRange);
    for (qsizetype i = inRange.location; i < inRange.end(); ++i) {
        if (m_keys.at(i) == key)
            return i;
    }
    return PWNotFound;
}

qsizetype PWOrderedDictionary::indexOfObjectIdenticalTo(const PWObject& object) const
{
    return indexOfObjectIdenticalTo(object, PWRange { 0, count() });
}

qsizetype PWOrderedDictionary::indexOfObjectIdenticalTo(const PWObject& object, PWRange inRange) const
{
    checkRange(inRange);
    return searchObjects(inRange.location, inRange.end(), [&](const PWObject& o) { return o.isIdenticalTo(object); });
}

qsizetype PWOrderedDictionary::searchIndices(const QList<qsizetype>& indices, PWEnumerationOptions,
                                             const PWObjectTest& test) const
{
    bool stop = false;
    for (qsizetype i : indices) {
        if (test(objectAtIndex(i), i, &stop))
            return i;
        if (stop)
            break;
    }
    return PWNotFound;
}

qsizetype PWOrderedDictionary::indexOfObjectPassingTest(const PWObjectTest& test) const
{
    return searchIndices(allIndices(count(), 0), 0, test);
}

qsizetype PWOrderedDictionary::indexOfObjectWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const
{
    return searchIndices(allIndices(count(), options), options, test);
}

qsizetype PWOrderedDictionary::indexOfObjectAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                                      const PWObjectTest& test) const
{
    return searchIndices(orderedIndices(indices, options), options, test);
}

qsizetype PWOrderedDictionary::indexOfObject(const PWObject& object, PWRange inSortedRange,
                                             PWBinarySearchingOptions options, const PWComparator& comparator) const
{
    checkRange(inSortedRange);
    const bool firstEqual = options & int(PWBinarySearchingOption::FirstEqual);
    const bool lastEqual = options & int(PWBinarySearchingOption::LastEqual);
    const bool insertion = options & int(PWBinarySearchingOption::InsertionIndex);
    const auto first = m_objects.cbegin() + inSortedRange.location;
    const auto last = first + inSortedRange.length;
    const auto less = [&](const PWObject& a, const PWObject& b) { return comparator(a, b) < 0; };
    const auto lower = std::lower_bound(first, last, object, less);
    const auto upper = std::upper_bound(lower, last, object, less);
    if (insertion)
        return (lastEqual ? upper : lower) - m_objects.cbegin();
    if (lower == upper)
        return PWNotFound;
    if (lastEqual && !firstEqual)
        return (upper - 1) - m_objects.cbegin();
    return lower - m_objects.cbegin();
}

qsizetype PWOrderedDictionary::indexOfEntryWithObject(const PWObject& object, const PWObject& pairedWithKey) const
{
    return indexOfEntryWithObject(object, pairedWithKey, PWRange { 0, count() });
}

qsizetype PWOrderedDictionary::indexOfEntryWithObject(const PWObject& object, const PWObject& pairedWithKey,
                                                      PWRange inRange) const
{
    checkRange(inRange);
    for (qsizetype i = inRange.location; i < inRange.end(); ++i) {
        if (m_objects.at(i) == object && m_keys.at(i) == pairedWithKey)
            return i;
    }
    return PWNotFound;
}

qsizetype PWOrderedDictionary::indexOfEntry(const PWDictionary& entry) const
{
    const auto [object, key] = firstPair(entry);
    return indexOfEntryWithObject(object, key);
}

qsizetype PWOrderedDictionary::indexOfEntry(const PWDictionary& entry, PWRange inRange) const
{
    const auto [object, key] = firstPair(entry);
    return indexOfEntryWithObject(object, key, inRange);
}

#define PW_KEY_AT(expression)                                                                                          \
    do {                                                                                                               \
        const qsizetype found = (expression);                                                                          \
        return found == PWNotFound ? PWObject() : m_keys.at(found);                                                    \
    } while (false)

PWObject PWOrderedDictionary::keyOfObjectIdenticalTo(const PWObject& object) const
{
    PW_KEY_AT(indexOfObjectIdenticalTo(object));
}

PWObject PWOrderedDictionary::keyOfObjectIdenticalTo(const PWObject& object, PWRange inRange) const
{
    PW_KEY_AT(indexOfObjectIdenticalTo(object, inRange));
}

PWObject PWOrderedDictionary::keyOfObjectPassingTest(const PWObjectTest& test) const
{
    PW_KEY_AT(indexOfObjectPassingTest(test));
}

PWObject PWOrderedDictionary::keyOfObjectWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const
{
    PW_KEY_AT(indexOfObjectWithOptions(options, test));
}

PWObject PWOrderedDictionary::keyOfObjectAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                                   const PWObjectTest& test) const
{
    PW_KEY_AT(indexOfObjectAtIndices(indices, options, test));
}

PWObject PWOrderedDictionary::keyOfObject(const PWObject& object, PWRange inSortedRange,
                                          PWBinarySearchingOptions options, const PWComparator& comparator) const
{
    const qsizetype found = indexOfObject(object, inSortedRange, options, comparator);
    return found < count() ? m_keys.at(found) : PWObject();
}

#undef PW_KEY_AT

PWIndexSet PWOrderedDictionary::indicesOfObjectsPassingTest(const PWObjectTest& test) const
{
    return indicesOfObjectsWithOptions(0, test);
}

PWIndexSet PWOrderedDictionary::indicesOfObjectsWithOptions(PWEnumerationOptions options, const PWObjectTest& test) const
{
    PWIndexSet all;
    for (qsizetype i = 0; i < count(); ++i)
        all.insert(i);
    return indicesOfObjectsAtIndices(all, options, test);
}

PWIndexSet PWOrderedDictionary::indicesOfObjectsAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                                          const PWObjectTest& test) const
{
    PWIndexSet out;
    bool stop = false;
    for (qsizetype i : orderedIndices(indices, options)) {
        if (test(objectAtIndex(i), i, &stop))
            out.insert(i);
        if (stop)
            break;
    }
    return out;
}

QList<PWObject> PWOrderedDictionary::keysOfObjectsPassingTest(const PWObjectTest& test) const
{
    return keysAtIndices(indicesOfObjectsPassingTest(test));
}

QList<PWObject> PWOrderedDictionary::keysOfObjectsWithOptions(PWEnumerationOptions options,
                                                              const PWObjectTest& test) const
{
    return keysAtIndices(indicesOfObjectsWithOptions(options, test));
}

QList<PWObject> PWOrderedDictionary::keysOfObjectsAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                                            const PWObjectTest& test) const
{
    return keysAtIndices(indicesOfObjectsAtIndices(indices, options, test));
}

// ---------------------------------------------------------------------------------------------
// Enumeration

PWOrderedDictionary::const_iterator::const_iterator(const PWOrderedDictionary* owner, qsizetype index)
    : m_owner(owner)
    , m_index(index)
    , m_mutations(owner->m_mutations)
{
}

void PWOrderedDictionary::const_iterator::check() const
{
    if (m_owner && m_owner->m_mutations != m_mutations)
        throw PWMutationError("Collection was mutated while being enumerated");
}

const PWObject& PWOrderedDictionary::const_iterator::operator*() const
{
    check();
    return m_owner->m_keys.at(m_index);
}

PWOrderedDictionary::const_iterator& PWOrderedDictionary::const_iterator::operator++()
{
    check();
    ++m_index;
    return *this;
}

PWEnumerator<PWObject> PWOrderedDictionary::objectEnumerator() const
{
    return PWEnumerator<PWObject>(m_objects);
}

PWEnumerator<PWObject> PWOrderedDictionary::keyEnumerator() const
{
    return PWEnumerator<PWObject>(m_keys);
}

PWEnumerator<PWDictionary> PWOrderedDictionary::entryEnumerator() const
{
    QList<PWDictionary> entries;
    for (qsizetype i = 0; i < count(); ++i)
        entries << entryAtIndex(i);
    return PWEnumerator<PWDictionary>(entries);
}

PWEnumerator<PWObject> PWOrderedDictionary::reverseObjectEnumerator() const
{
    QList<PWObject> items(m_objects.crbegin(), m_objects.crend());
    return PWEnumerator<PWObject>(items);
}

PWEnumerator<PWObject> PWOrderedDictionary::reverseKeyEnumerator() const
{
    QList<PWObject> items(m_keys.crbegin(), m_keys.crend());
    return PWEnumerator<PWObject>(items);
}

PWEnumerator<PWDictionary> PWOrderedDictionary::reverseEntryEnumerator() const
{
    QList<PWDictionary> entries;
    for (qsizetype i = count() - 1; i >= 0; --i)
        entries << entryAtIndex(i);
    return PWEnumerator<PWDictionary>(entries);
}

void PWOrderedDictionary::enumerateObjectsUsingBlock(const PWObjectBlock& block) const
{
    enumerateObjectsWithOptions(0, block);
}

void PWOrderedDictionary::enumerateObjectsWithOptions(PWEnumerationOptions options, const PWObjectBlock& block) const
{
    bool stop = false;
    for (qsizetype i : allIndices(count(), options)) {
        block(m_objects.at(i), i, &stop);
        if (stop)
            break;
    }
}

void PWOrderedDictionary::enumerateObjectsAtIndices(const PWIndexSet& indices, PWEnumerationOptions options,
                                                    const PWObjectBlock& block) const
{
    bool stop = false;
    for (qsizetype i : orderedIndices(indices, options)) {
        block(objectAtIndex(i), i, &stop);
        if (stop)
            break;
    }
}

void PWOrderedDictionary::makeObjectsPerformSelector(const std::function<void(const PWObject&)>& selector) const
{
    const QList<PWObject> objects = m_objects;
    for (const PWObject& o : objects)
        selector(o);
}

void PWOrderedDictionary::makeObjectsPerformSelector(
    const std::function<void(const PWObject&, const PWObject&)>& selector, const PWObject& withObject) const
{
    const QList<PWObject> objects = m_objects;
    for (const PWObject& o : objects)
        selector(o, withObject);
}

// ---------------------------------------------------------------------------------------------
// Derived dictionaries

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryByAddingObject(const PWObject& object,
                                                                         const PWObject& pairedWithKey) const
{
    return PWOrderedDictionary(m_objects + QList<PWObject> { object }, m_keys + QList<PWObject> { pairedWithKey });
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryByAddingEntry(const PWDictionary& entry) const
{
    const auto [object, key] = firstPair(entry);
    return orderedDictionaryByAddingObject(object, key);
}

PWOrderedDictionary PWOrderedDictionary::orderedDictionaryByAddingObjects(const QList<PWObject>& objects,
                                                                          const QList<PWObject>& pairedWithKeys) const
{
    return PWOrderedDictionary(m_objects + objects, m_keys + pairedWithKeys);
}

PWOrderedDictionary
PWOrderedDictionary::filteredOrderDictionarysUsingPredicateForObjects(const PWPredicate& predicate) const
{
    // Kept by position, so each passing object keeps its own key even where equal objects
    // got different verdicts.
    QList<PWObject> objects;
    QList<PWObject> keys;
    for (qsizetype i = 0; i < count(); ++i) {
        if (predicate(m_objects.at(i))) {
            objects << m_objects.at(i);
            keys << m_keys.at(i);
        }
    }
    return PWOrderedDictionary(objects, keys);
}

PWOrderedDictionary PWOrderedDictionary::subOrderedDictionaryWithRange(PWRange range) const
{
    checkRange(range);
    return PWOrderedDictionary(m_objects.mid(range.location, range.length), m_keys.mid(range.location, range.length));
}

QList<PWObject> PWOrderedDictionary::sortedSequence(const QList<PWObject>& sequence, const PWComparator& comparator) const
{
    QList<PWObject> sorted = sequence;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const PWObject& a, const PWObject& b) { return comparator(a, b) < 0; });
    return sorted;
}

QList<PWObject> PWOrderedDictionary::sortedSequence(const QList<PWObject>& sequence,
                                                    const QList<PWSortDescriptor>& descriptors) const
{
    return sortedSequence(sequence, [&descriptors](const PWObject& a, const PWObject& b) {
        for (const PWSortDescriptor& d : descriptors) {
            const QStringList path = d.key.isEmpty() ? QStringList() : d.key.split(QLatin1Char('.'));
            const PWObject x = path.isEmpty() ? a : PWObject(valueAtPath(a.value(), path));
            const PWObject y = path.isEmpty() ? b : PWObject(valueAtPath(b.value(), path));
            std::weak_ordering order = d.comparator ? d.comparator(x, y) : x.compare(y);
            if (!d.ascending)
                order = 0 <=> order;
            if (order != 0)
                return order;
        }
        return std::weak_ordering::equivalent;
    });
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjects(const PWComparator& comparator) const
{
    const QList<PWObject> objects = sortedSequence(m_objects, comparator);
    return PWOrderedDictionary(objects, keysForSortedObjects(objects));
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeys(const PWComparator& comparator) const
{
    const QList<PWObject> keys = sortedSequence(m_keys, comparator);
    return PWOrderedDictionary(objectsForSortedKeys(keys), keys);
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjectsUsingComparator(const PWComparator& comparator) const
{
    return sortedByObjects(comparator);
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeysUsingComparator(const PWComparator& comparator) const
{
    return sortedByKeys(comparator);
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjectsWithOptions(PWSortOptions, const PWComparator& comparator) const
{
    return sortedByObjects(comparator);
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeysWithOptions(PWSortOptions, const PWComparator& comparator) const
{
    return sortedByKeys(comparator);
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjectsUsingDescriptors(const QList<PWSortDescriptor>& descriptors) const
{
    const QList<PWObject> objects = sortedSequence(m_objects, descriptors);
    return PWOrderedDictionary(objects, keysForSortedObjects(objects));
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeysUsingDescriptors(const QList<PWSortDescriptor>& descriptors) const
{
    const QList<PWObject> keys = sortedSequence(m_keys, descriptors);
    return PWOrderedDictionary(objectsForSortedKeys(keys), keys);
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjectsUsingSelector(PWCompareSelector selector) const
{
    return sortedByObjects(fromSelector(selector));
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeysUsingSelector(PWCompareSelector selector) const
{
    return sortedByKeys(fromSelector(selector));
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjectsUsingFunction(PWCompareFunction function, void* context) const
{
    return sortedByObjects(fromFunction(function, context));
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeysUsingFunction(PWCompareFunction function, void* context) const
{
    return sortedByKeys(fromFunction(function, context));
}

PWOrderedDictionary PWOrderedDictionary::sortedByObjectsUsingFunction(PWCompareFunction function, void* context,
                                                                      const QByteArray&) const
{
    return sortedByObjects(fromFunction(function, context));
}

PWOrderedDictionary PWOrderedDictionary::sortedByKeysUsingFunction(PWCompareFunction function, void* context,
                                                                   const QByteArray&) const
{
    return sortedByKeys(fromFunction(function, context));
}

QByteArray PWOrderedDictionary::sortedObjectsHint() const
{
    return hintFor(m_objects);
}

QByteArray PWOrderedDictionary::sortedKeysHint() const
{
    return hintFor(m_keys);
}

QList<PWObject> PWOrderedDictionary::keysForSortedObjects(const QList<PWObject>& sortedObjects) const
{
    QList<PWObject> objects = m_objects;
    QList<PWObject> keys = m_keys;
    QList<PWObject> result;
    for (const PWObject& element : sortedObjects) {
        if (objects.isEmpty())
            break;
        qsizetype found = -1;
        for (qsizetype i = 0; i < objects.size(); ++i) {
            if (objects.at(i).isIdenticalTo(element)) {
                found = i;
                break;
            }
        }
        if (found < 0)
            throw PWRangeError("an object of the run is not held by the dictionary");
        result << keys.at(found);
        objects.removeAt(found);
        keys.removeAt(found);
    }
    return result;
}

QList<PWObject> PWOrderedDictionary::objectsForSortedKeys(const QList<PWObject>& sortedKeys) const
{
    QList<PWObject> result;
    for (const PWObject& key : sortedKeys) {
        auto it = m_pairs.constFind(key);
        if (it == m_pairs.cend())
            throw PWInvalidArgumentError("a key of the run is not held by the dictionary");
        result << it.value();
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Comparison

bool PWOrderedDictionary::isEqualToOrderedDictionary(const PWOrderedDictionary& other) const
{
    return count() == other.count() && m_keys == other.m_keys && m_objects == other.m_objects;
}

PWObject PWOrderedDictionary::firstObjectInCommonWithOrderedDictionary(const PWOrderedDictionary& other) const
{
    for (const PWObject& o : m_objects) {
        if (other.containsObject(o))
            return o;
    }
    return {};
}

PWObject PWOrderedDictionary::firstKeyInCommonWithOrderedDictionary(const PWOrderedDictionary& other) const
{
    for (const PWObject& k : m_keys) {
        if (other.m_pairs.contains(k))
            return k;
    }
    return {};
}

std::optional<PWDictionary> PWOrderedDictionary::firstEntryInCommonWithOrderedDictionary(
    const PWOrderedDictionary& other) const
{
    for (qsizetype i = 0; i < count(); ++i) {
        auto it = other.m_pairs.constFind(m_keys.at(i));
        if (it != other.m_pairs.cend() && it.value() == m_objects.at(i))
            return entryAtIndex(i);
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Text

QString PWOrderedDictionary::HTMLTable() const
{
    QStringList keyCells;
    QStringList objectCells;
    for (qsizetype i = 0; i < count(); ++i) {
        keyCells << HTMLTabularize::HTMLTable(m_keys.at(i).value());
        objectCells << HTMLTabularize::HTMLTable(m_objects.at(i).value());
    }
    return HTMLTabularize::mappingTable(keyCells, objectCells);
}

QString PWOrderedDictionary::description() const
{
    QString out = QStringLiteral("{");
    for (qsizetype i = 0; i < count(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += QStringLiteral("\n\t%1 = %2").arg(m_keys.at(i).description(), m_objects.at(i).description());
    }
    return out + QStringLiteral("\n}");
}

QString PWOrderedDictionary::descriptionWithLocale(const QLocale& locale) const
{
    QString out = QStringLiteral("{");
    for (qsizetype i = 0; i < count(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += QStringLiteral("\n\t%1 = %2")
                   .arg(m_keys.at(i).descriptionWithLocale(locale), m_objects.at(i).descriptionWithLocale(locale));
    }
    return out + QStringLiteral("\n}");
}

QString PWOrderedDictionary::descriptionWithLocale(const QLocale& locale, int indent) const
{
    const QString entryIndent(qMax(0, indent + 1), QLatin1Char('\t'));
    QString out = QStringLiteral("    {");
    for (qsizetype i = 0; i < count(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += QStringLiteral("\n%1%2 = %3")
                   .arg(entryIndent, m_keys.at(i).descriptionWithLocale(locale),
                        m_objects.at(i).descriptionWithLocale(locale));
    }
    return out + QLatin1Char('\n') + QString(qMax(0, indent), QLatin1Char('\t')) + QLatin1Char('}');
}

// ---------------------------------------------------------------------------------------------
// Files and archives

bool PWOrderedDictionary::writeToFile(const QString& path, bool atomically) const
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("plist"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    w.writeStartElement(QStringLiteral("dict"));
    w.writeTextElement(QStringLiteral("key"), QStringLiteral("Objects"));
    if (!writePlistValue(w, toVariants(m_objects)))
        return false;
    w.writeTextElement(QStringLiteral("key"), QStringLiteral("Keys"));
    if (!writePlistValue(w, toVariants(m_keys)))
        return false;
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();

    if (atomically) {
        return !platform::writeFileAtomically(path, xml);
    }
    QFile file(path);
    // Unbuffered, so that a write cut short shows in the count instead of in an unchecked flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    return file.write(xml) == xml.size();
}

bool PWOrderedDictionary::writeToURL(const QUrl& url, bool atomically) const
{
    return url.isLocalFile() && writeToFile(url.toLocalFile(), atomically);
}

void PWOrderedDictionary::encodeWithCoder(QDataStream& coder) const
{
    coder << kArchiveVersion << QString::fromLatin1(kArchiveObjectsKey) << toVariants(m_objects)
          << QString::fromLatin1(kArchiveKeysKey) << toVariants(m_keys);
}

PWOrderedDictionary PWOrderedDictionary::copy() const
{
    return PWOrderedDictionary(QList<PWObject>(m_objects), QList<PWObject>(m_keys));
}

PWMutableOrderedDictionary PWOrderedDictionary::mutableCopy() const
{
    return PWMutableOrderedDictionary(*this);
}

QDataStream& operator<<(QDataStream& stream, const PWOrderedDictionary& dictionary)
{
    dictionary.encodeWithCoder(stream);
    return stream;
}

QDataStream& operator>>(QDataStream& stream, PWOrderedDictionary& dictionary)
{
    try {
        dictionary = PWOrderedDictionary(stream);
    } catch (const std::exception&) {
        stream.setStatus(QDataStream::ReadCorruptData);
    }
    return stream;
}

// ---------------------------------------------------------------------------------------------
// Key-value reads

QVariantList PWOrderedDictionary::valueForKey(const QString& key) const
{
    QVariantList out;
    for (const PWObject& o : m_objects)
        out << valueAtPath(o.value(), { key });
    return out;
}

QVariant PWOrderedDictionary::valueForKeyPath(const QString& keyPath) const
{
    QStringList path = keyPath.split(QLatin1Char('.'));
    const PWObject object = objectForKey(path.takeFirst());
    return object.isNull() ? QVariant() : valueAtPath(object.value(), path);
}

// =============================================================================================
// PWMutableOrderedDictionary

PWMutableOrderedDictionary::PWMutableOrderedDictionary(qsizetype capacity)
{
    m_keys.reserve(capacity);
    m_objects.reserve(capacity);
    m_pairs.reserve(capacity);
}

PWMutableOrderedDictionary PWMutableOrderedDictionary::orderedDictionaryWithCapacity(qsizetype capacity)
{
    return PWMutableOrderedDictionary(capacity);
}

PWMutableOrderedDictionary
PWMutableOrderedDictionary::orderedDictionaryWithOrderedDictionary(const PWOrderedDictionary& other)
{
    return PWMutableOrderedDictionary(other);
}

PWMutableOrderedDictionary PWMutableOrderedDictionary::orderedDictionaryWithContentsOfFile(const QString& path)
{
    return PWMutableOrderedDictionary(readPropertyListFile(path));
}

PWMutableOrderedDictionary PWMutableOrderedDictionary::orderedDictionaryWithContentsOfURL(const QUrl& url)
{
    return PWMutableOrderedDictionary(PWOrderedDictionary::orderedDictionaryWithContentsOfURL(url));
}

PWMutableOrderedDictionary PWMutableOrderedDictionary::orderedDictionaryWithObject(const PWObject& object,
                                                                                   const PWObject& key)
{
    return PWMutableOrderedDictionary(QList<PWObject> { object }, QList<PWObject> { key });
}

PWMutableOrderedDictionary PWMutableOrderedDictionary::orderedDictionaryWithDictionary(const PWDictionary& dictionary)
{
    return PWMutableOrderedDictionary(dictionary);
}

// Adding and inserting. Every argument is checked before anything changes, so a refused call
// loses nothing (also not the old entry of a key that would have moved).
void PWMutableOrderedDictionary::insertChecked(const PWObject& object, const PWObject& key, qsizetype index)
{
    if (object.isNull() || key.isNull())
        throw PWInvalidArgumentError(kNullArgument);
    const qsizetype old = m_pairs.contains(key) ? indexOfKey(key) : PWNotFound;
    const qsizetype remaining = count() - (old == PWNotFound ? 0 : 1);
    checkIndex(index, remaining + 1);
    if (old != PWNotFound) {
        m_keys.removeAt(old);
        m_objects.removeAt(old);
        m_pairs.remove(key);
    }
    m_pairs.insert(key, object);
    m_keys.insert(index, key);
    m_objects.insert(index, object);
    touch();
}

void PWMutableOrderedDictionary::addObject(const PWObject& object, const PWObject& pairedWithKey)
{
    const qsizetype end = count() - (m_pairs.contains(pairedWithKey) ? 1 : 0);
    insertChecked(object, pairedWithKey, end);
}

void PWMutableOrderedDictionary::addEntry(const PWDictionary& entry)
{
    const auto [object, key] = firstPair(entry);
    addObject(object, key);
}

void PWMutableOrderedDictionary::addEntriesFromOrderedDictionary(const PWOrderedDictionary& other)
{
    const PWOrderedDictionary source = other;
    for (qsizetype i = 0; i < source.count(); ++i)
        addObject(source.allObjects().at(i), source.allKeys().at(i));
}

void PWMutableOrderedDictionary::addEntriesFromDictionary(const PWDictionary& dictionary)
{
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        addObject(it.value(), it.key());
}

void PWMutableOrderedDictionary::insertObject(const PWObject& object, const PWObject& pairedWithKey, qsizetype atIndex)
{
    insertChecked(object, pairedWithKey, atIndex);
}

void PWMutableOrderedDictionary::insertEntry(const PWDictionary& entry, qsizetype atIndex)
{
    const auto [object, key] = firstPair(entry);
    insertObject(object, key, atIndex);
}

void PWMutableOrderedDictionary::insertEntriesFromOrderedDictionary(const PWOrderedDictionary& other, qsizetype atIndex)
{
    const PWOrderedDictionary source = other;
    for (qsizetype n = 0; n < source.count(); ++n)
        insertObject(source.allObjects().at(n), source.allKeys().at(n), atIndex + n);
}

void PWMutableOrderedDictionary::insertEntriesFromDictionary(const PWDictionary& dictionary, qsizetype atIndex)
{
    qsizetype n = 0;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it, ++n)
        insertObject(it.value(), it.key(), atIndex + n);
}

// Setting
void PWMutableOrderedDictionary::setObject(const PWObject& object, const PWObject& forKey)
{
    if (!forKey.isNull() && m_pairs.contains(forKey)) {
        if (object.isNull())
            throw PWInvalidArgumentError(kNullArgument);
        m_objects[indexOfKey(forKey)] = object;
        m_pairs.insert(forKey, object);
        touch();
        return;
    }
    addObject(object, forKey);
}

void PWMutableOrderedDictionary::setObject(const PWObject& object, const PWObject& forKey, qsizetype atIndex)
{
    if (!forKey.isNull() && m_pairs.contains(forKey))
        setObject(object, forKey);
    else
        insertObject(object, forKey, atIndex);
}

void PWMutableOrderedDictionary::setEntry(const PWDictionary& entry)
{
    const auto [object, key] = firstPair(entry);
    setObject(object, key);
}

void PWMutableOrderedDictionary::setEntry(const PWDictionary& entry, qsizetype atIndex)
{
    const auto [object, key] = firstPair(entry);
    setObject(object, key, atIndex);
}

void PWMutableOrderedDictionary::setEntriesFromOrderedDictionary(const PWOrderedDictionary& other)
{
    const PWOrderedDictionary source = other;
    for (qsizetype i = 0; i < source.count(); ++i)
        setObject(source.allObjects().at(i), source.allKeys().at(i));
}

void PWMutableOrderedDictionary::setEntriesFromDictionary(const PWDictionary& dictionary)
{
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        setObject(it.value(), it.key());
}

void PWMutableOrderedDictionary::setEntriesFromOrderedDictionary(const PWOrderedDictionary& other, qsizetype atIndex)
{
    const PWOrderedDictionary source = other;
    for (qsizetype n = 0; n < source.count(); ++n)
        setObject(source.allObjects().at(n), source.allKeys().at(n), atIndex + n);
}

void PWMutableOrderedDictionary::setEntriesFromDictionary(const PWDictionary& dictionary, qsizetype atIndex)
{
    qsizetype n = 0;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it, ++n)
        setObject(it.value(), it.key(), atIndex + n);
}

void PWMutableOrderedDictionary::setEntriesToObjects(const QList<PWObject>& objects,
                                                     const QList<PWObject>& pairedWithKeys)
{
    const qsizetype n = qMin(objects.size(), pairedWithKeys.size());
    for (qsizetype i = 0; i < n; ++i)
        setObject(objects.at(i), pairedWithKeys.at(i));
}

void PWMutableOrderedDictionary::setEntriesToOrderedDictionary(const PWOrderedDictionary& other)
{
    const PWOrderedDictionary source = other;
    for (const PWObject& key : source.allKeys())
        setObject(source.objectForKey(key), key);
}

// Removing
void PWMutableOrderedDictionary::removeEntryAtIndex(qsizetype index)
{
    checkIndex(index, count());
    const PWObject key = m_keys.at(index);
    m_keys.removeAt(index);
    m_objects.removeAt(index);
    m_pairs.remove(key);
    touch();
}

void PWMutableOrderedDictionary::removeLastEntry()
{
    if (count() > 0)
        removeEntryAtIndex(count() - 1);
}

void PWMutableOrderedDictionary::removeAllEntries()
{
    m_keys.clear();
    m_objects.clear();
    m_pairs.clear();
    touch();
}

#define PW_REMOVE_FOUND(expression)                                                                                    \
    do {                                                                                                               \
        const qsizetype found = (expression);                                                                          \
        if (found != PWNotFound)                                                                                       \
            removeEntryAtIndex(found);                                                                                 \
    } while (false)

void PWMutableOrderedDictionary::removeEntryWithKey(const PWObject& key)
{
    if (m_pairs.contains(key))
        PW_REMOVE_FOUND(indexOfKey(key));
}

void PWMutableOrderedDictionary::removeEntryWithObject(const PWObject& object)
{
    PW_REMOVE_FOUND(indexOfObject(object));
}

void PWMutableOrderedDictionary::removeEntryWithObjectIdenticalTo(const PWObject& object)
{
    PW_REMOVE_FOUND(indexOfObjectIdenticalTo(object));
}

void PWMutableOrderedDictionary::removeEntryWithObject(const PWObject& object, const PWObject& pairedWithKey)
{
    PW_REMOVE_FOUND(indexOfEntryWithObject(object, pairedWithKey));
}

void PWMutableOrderedDictionary::removeEntry(const PWDictionary& entry)
{
    PW_REMOVE_FOUND(indexOfEntry(entry));
}

void PWMutableOrderedDictionary::removeEntryWithKey(const PWObject& key, PWRange inRange)
{
    PW_REMOVE_FOUND(indexOfKey(key, inRange));
}

void PWMutableOrderedDictionary::removeEntryWithObject(const PWObject& object, PWRange inRange)
{
    PW_REMOVE_FOUND(indexOfObject(object, inRange));
}

void PWMutableOrderedDictionary::removeEntryWithObjectIdenticalTo(const PWObject& object, PWRange inRange)
{
    PW_REMOVE_FOUND(indexOfObjectIdenticalTo(object, inRange));
}

void PWMutableOrderedDictionary::removeEntryWithObject(const PWObject& object, const PWObject& pairedWithKey,
                                                       PWRange inRange)
{
    PW_REMOVE_FOUND(indexOfEntryWithObject(object, pairedWithKey, inRange));
}

void PWMutableOrderedDictionary::removeEntry(const PWDictionary& entry, PWRange inRange)
{
    PW_REMOVE_FOUND(indexOfEntry(entry, inRange));
}

#undef PW_REMOVE_FOUND

void PWMutableOrderedDictionary::removeEntriesAtIndices(const PWIndexSet& indices)
{
    const QList<PWObject> keys = keysAtIndices(indices);
    for (const PWObject& key : keys)
        removeEntryWithKey(key);
}

void PWMutableOrderedDictionary::removeEntriesInRange(PWRange range)
{
    checkRange(range);
    for (qsizetype i = range.location; i < range.end(); ++i)
        m_pairs.remove(m_keys.at(i));
    m_keys.remove(range.location, range.length);
    m_objects.remove(range.location, range.length);
    touch();
}

void PWMutableOrderedDictionary::removeEntriesWithKeysInArray(const QList<PWObject>& keys)
{
    for (const PWObject& key : keys)
        removeEntryWithKey(key);
}

void PWMutableOrderedDictionary::removeEntriesWithObjectsInArray(const QList<PWObject>& objects)
{
    for (const PWObject& object : objects)
        removeEntryWithObject(object);
}

// Replacing. A key that another entry holds is refused, so keys stay unique.
void PWMutableOrderedDictionary::replaceChecked(qsizetype index, const PWObject& object, const PWObject& key)
{
    checkIndex(index, count());
    if (object.isNull() || key.isNull())
        throw PWInvalidArgumentError(kNullArgument);
    if (m_pairs.contains(key) && !(m_keys.at(index) == key))
        throw PWInvalidArgumentError("The key is already held by another entry");
    m_pairs.remove(m_keys.at(index));
    m_pairs.insert(key, object);
    m_keys[index] = key;
    m_objects[index] = object;
    touch();
}

void PWMutableOrderedDictionary::replaceEntryAtIndex(qsizetype index, const PWObject& withObject,
                                                     const PWObject& pairedWithKey)
{
    replaceChecked(index, withObject, pairedWithKey);
}

void PWMutableOrderedDictionary::replaceEntryAtIndex(qsizetype index, const PWDictionary& withEntry)
{
    const auto [object, key] = firstPair(withEntry);
    replaceChecked(index, object, key);
}

void PWMutableOrderedDictionary::replaceEntriesAtIndices(const PWIndexSet& indices, const QList<PWObject>& withObjects,
                                                         const QList<PWObject>& pairedWithKeys)
{
    const QList<PWObject> objects = withObjects;
    const QList<PWObject> keys = pairedWithKeys;
    qsizetype n = 0;
    for (qsizetype index : indices) {
        if (n >= objects.size() || n >= keys.size())
            break;
        replaceChecked(index, objects.at(n), keys.at(n));
        ++n;
    }
}

void PWMutableOrderedDictionary::replaceEntriesAtIndices(const PWIndexSet& indices,
                                                         const QList<PWDictionary>& withEntries)
{
    QList<PWObject> objects;
    QList<PWObject> keys;
    for (const PWDictionary& entry : withEntries) {
        const auto [object, key] = firstPair(entry);
        objects << object;
        keys << key;
    }
    replaceEntriesAtIndices(indices, objects, keys);
}

void PWMutableOrderedDictionary::replaceEntriesAtIndices(const PWIndexSet& indices,
                                                         const PWOrderedDictionary& withEntriesFrom)
{
    replaceEntriesAtIndices(indices, QList<PWObject>(withEntriesFrom.allObjects()),
                            QList<PWObject>(withEntriesFrom.allKeys()));
}

namespace {
PWIndexSet indicesOf(PWRange range)
{
    PWIndexSet out;
    for (qsizetype i = range.location; i < range.end(); ++i)
        out.insert(i);
    return out;
}

QList<PWObject> sourceSlice(const QList<PWObject>& list, PWRange range)
{
    if (range.location < 0 || range.length < 0 || range.location > list.size() || range.length > list.size() - range.location)
        throw PWRangeError("source range extends beyond the source");
    return list.mid(range.location, range.length);
}
} // namespace

void PWMutableOrderedDictionary::replaceEntriesInRange(PWRange range, const QList<PWObject>& withObjects,
                                                       const QList<PWObject>& pairedWithKeys)
{
    checkRange(range);
    replaceEntriesAtIndices(indicesOf(range), withObjects, pairedWithKeys);
}

void PWMutableOrderedDictionary::replaceEntriesInRange(PWRange range, const QList<PWDictionary>& withEntries)
{
    checkRange(range);
    replaceEntriesAtIndices(indicesOf(range), withEntries);
}

void PWMutableOrderedDictionary::replaceEntriesInRange(PWRange range, const PWOrderedDictionary& withEntriesFrom)
{
    checkRange(range);
    replaceEntriesAtIndices(indicesOf(range), withEntriesFrom);
}

void PWMutableOrderedDictionary::replaceEntriesInRange(PWRange range, const QList<PWObject>& withObjects,
                                                       const QList<PWObject>& pairedWithKeys, PWRange sourceRange)
{
    checkRange(range);
    replaceEntriesAtIndices(indicesOf(range), sourceSlice(withObjects, sourceRange),
                            sourceSlice(pairedWithKeys, sourceRange));
}

void PWMutableOrderedDictionary::replaceEntriesInRange(PWRange range, const QList<PWDictionary>& withEntries,
                                                       PWRange sourceRange)
{
    checkRange(range);
    if (sourceRange.location < 0 || sourceRange.length < 0 || sourceRange.location > withEntries.size()
        || sourceRange.length > withEntries.size() - sourceRange.location)
        throw PWRangeError("source range extends beyond the source");
    replaceEntriesAtIndices(indicesOf(range), withEntries.mid(sourceRange.location, sourceRange.length));
}

void PWMutableOrderedDictionary::replaceEntriesInRange(PWRange range, const PWOrderedDictionary& withEntriesFrom,
                                                       PWRange sourceRange)
{
    replaceEntriesInRange(range, withEntriesFrom.allObjects(), withEntriesFrom.allKeys(), sourceRange);
}

// Reordering and filtering
void PWMutableOrderedDictionary::exchangeEntryAtIndex(qsizetype index, qsizetype withEntryAtIndex)
{
    checkIndex(index, count());
    checkIndex(withEntryAtIndex, count());
    m_keys.swapItemsAt(index, withEntryAtIndex);
    m_objects.swapItemsAt(index, withEntryAtIndex);
    touch();
}

void PWMutableOrderedDictionary::reorderByObjects(const QList<PWObject>& sortedObjects)
{
    const QList<PWObject> keys = keysForSortedObjects(sortedObjects);
    m_objects = sortedObjects;
    m_keys = keys;
    touch();
}

void PWMutableOrderedDictionary::reorderByKeys(const QList<PWObject>& sortedKeys)
{
    const QList<PWObject> objects = objectsForSortedKeys(sortedKeys);
    m_keys = sortedKeys;
    m_objects = objects;
    touch();
}

void PWMutableOrderedDictionary::sortEntriesByObjectUsingComparator(const PWComparator& comparator)
{
    reorderByObjects(sortedSequence(m_objects, comparator));
}

void PWMutableOrderedDictionary::sortEntriesByKeysUsingComparator(const PWComparator& comparator)
{
    reorderByKeys(sortedSequence(m_keys, comparator));
}

void PWMutableOrderedDictionary::sortEntriesByObjectWithOptions(PWSortOptions, const PWComparator& comparator)
{
    reorderByObjects(sortedSequence(m_objects, comparator));
}

void PWMutableOrderedDictionary::sortEntriesByKeysWithOptions(PWSortOptions, const PWComparator& comparator)
{
    reorderByKeys(sortedSequence(m_keys, comparator));
}

void PWMutableOrderedDictionary::sortEntriesByObjectUsingDescriptors(const QList<PWSortDescriptor>& descriptors)
{
    reorderByObjects(sortedSequence(m_objects, descriptors));
}

void PWMutableOrderedDictionary::sortEntriesByKeysUsingDescriptors(const QList<PWSortDescriptor>& descriptors)
{
    reorderByKeys(sortedSequence(m_keys, descriptors));
}

void PWMutableOrderedDictionary::sortEntriesByObjectUsingSelector(PWCompareSelector selector)
{
    reorderByObjects(sortedSequence(m_objects, fromSelector(selector)));
}

void PWMutableOrderedDictionary::sortEntriesByKeysUsingSelector(PWCompareSelector selector)
{
    reorderByKeys(sortedSequence(m_keys, fromSelector(selector)));
}

void PWMutableOrderedDictionary::sortEntriesByObjectUsingFunction(PWCompareFunction function, void* context)
{
    reorderByObjects(sortedSequence(m_objects, fromFunction(function, context)));
}

void PWMutableOrderedDictionary::sortEntriesByKeysUsingFunction(PWCompareFunction function, void* context)
{
    reorderByKeys(sortedSequence(m_keys, fromFunction(function, context)));
}

void PWMutableOrderedDictionary::filterEntriesUsingPredicateForObjects(const PWPredicate& predicate)
{
    const PWOrderedDictionary kept = filteredOrderDictionarysUsingPredicateForObjects(predicate);
    m_objects = kept.allObjects();
    m_keys = kept.allKeys();
    m_pairs = kept.unorderedDictionary();
    touch();
}

// Key-value writes
void PWMutableOrderedDictionary::setValue(const QVariant& value, const QString& forKey)
{
    QList<PWObject> changed;
    for (const PWObject& o : m_objects) {
        QVariant v = o.value();
        if (!setValueAtPath(v, { forKey }, value))
            throw PWInvalidArgumentError("An object does not hold values by key");
        changed << PWObject(v);
    }
    for (qsizetype i = 0; i < changed.size(); ++i) {
        m_objects[i] = changed.at(i);
        m_pairs.insert(m_keys.at(i), changed.at(i));
    }
    touch();
}

void PWMutableOrderedDictionary::setValueForKeyPath(const QVariant& value, const QString& keyPath)
{
    QStringList path = keyPath.split(QLatin1Char('.'));
    const PWObject key(path.takeFirst());
    if (path.isEmpty()) {
        if (value.isValid())
            setObject(PWObject(value), key);
        else
            removeEntryWithKey(key);
        return;
    }
    if (!m_pairs.contains(key))
        return;
    const qsizetype index = indexOfKey(key);
    QVariant v = m_objects.at(index).value();
    if (!setValueAtPath(v, path, value))
        throw PWInvalidArgumentError("The object does not hold values by key");
    m_objects[index] = PWObject(v);
    m_pairs.insert(key, m_objects.at(index));
    touch();
}

} // namespace penwick
