#include "Vendors/YamlReader.h"

#include <QRegularExpression>

#include <yaml.h>

#include <limits>

#include <map>
#include <memory>

namespace penwick {

YamlValue YamlValue::scalar(const QString& text, bool plain)
{
    YamlValue v;
    v.m_kind = Kind::Scalar;
    v.m_text = text;
    v.m_plain = plain;
    return v;
}

YamlValue YamlValue::sequence(std::vector<YamlValue> items)
{
    YamlValue v;
    v.m_kind = Kind::Sequence;
    v.m_items = std::move(items);
    return v;
}

YamlValue YamlValue::mapping(std::vector<YamlValue> keys, std::vector<YamlValue> values)
{
    YamlValue v;
    v.m_kind = Kind::Mapping;
    v.m_keys = std::move(keys);
    v.m_items = std::move(values);
    v.m_items.resize(v.m_keys.size());
    return v;
}

void YamlValue::append(YamlValue item)
{
    m_items.push_back(std::move(item));
}

void YamlValue::insert(YamlValue key, YamlValue value)
{
    m_keys.push_back(std::move(key));
    m_items.push_back(std::move(value));
}

namespace {

// The YAML 1.2 core schema's resolution of a plain scalar to a number or a Boolean.
QVariant typedScalar(const QString& text)
{
    static const QRegularExpression boolean(QStringLiteral("^(?:true|True|TRUE|false|False|FALSE)$"));
    static const QRegularExpression decimal(QStringLiteral("^[-+]?[0-9]+$"));
    static const QRegularExpression octal(QStringLiteral("^0o[0-7]+$"));
    static const QRegularExpression hex(QStringLiteral("^0x[0-9a-fA-F]+$"));
    static const QRegularExpression real(QStringLiteral("^[-+]?(?:\\.[0-9]+|[0-9]+(?:\\.[0-9]*)?)(?:[eE][-+]?[0-9]+)?$"));
    static const QRegularExpression infinity(QStringLiteral("^[-+]?\\.(?:inf|Inf|INF)$"));
    static const QRegularExpression notANumber(QStringLiteral("^\\.(?:nan|NaN|NAN)$"));
    bool ok = false;
    if (boolean.match(text).hasMatch())
        return text.at(0).toLower() == QLatin1Char('t');
    if (decimal.match(text).hasMatch()) {
        const qint64 value = text.toLongLong(&ok, 10);
        if (ok)
            return value;
    }
    if (octal.match(text).hasMatch()) {
        const qint64 value = text.mid(2).toLongLong(&ok, 8);
        if (ok)
            return value;
    }
    if (hex.match(text).hasMatch()) {
        const qint64 value = text.mid(2).toLongLong(&ok, 16);
        if (ok)
            return value;
    }
    if (real.match(text).hasMatch()) {
        const double value = text.toDouble(&ok);
        if (ok)
            return value;
    }
    if (infinity.match(text).hasMatch())
        return text.startsWith(QLatin1Char('-')) ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    if (notANumber.match(text).hasMatch())
        return std::numeric_limits<double>::quiet_NaN();
    // Everything else stays text (a decimal too large for 64 bits became a double above).
    return text;
}

} // namespace

QVariant YamlValue::toVariant() const
{
    return toVariant(false);
}

QVariant YamlValue::toTypedVariant() const
{
    return toVariant(true);
}

QVariant YamlValue::toVariant(bool typed) const
{
    switch (m_kind) {
    case Kind::Null:
        return {};
    case Kind::Scalar:
        return typed && m_plain ? typedScalar(m_text) : QVariant(m_text);
    case Kind::Sequence: {
        QVariantList list;
        list.reserve(qsizetype(m_items.size()));
        for (const YamlValue& item : m_items)
            list.append(item.toVariant(typed));
        return list;
    }
    case Kind::Mapping: {
        QVariantMap map;
        for (size_t i = 0; i < m_keys.size(); ++i)
            map.insert(m_keys[i].scalarText(), m_items[i].toVariant(typed));
        return map;
    }
    }
    return {};
}

bool YamlValue::operator==(const YamlValue& other) const
{
    return m_kind == other.m_kind && m_text == other.m_text && m_items == other.m_items && m_keys == other.m_keys;
}

namespace {

// Aliases copy the anchored node; this bound keeps a small hostile document from
// expanding into an enormous one.
constexpr size_t kMaxNodes = 100000;

struct Frame {
    YamlValue value;
    size_t nodes = 1;
    QString anchor;
    bool hasPendingKey = false;
    YamlValue pendingKey;
};

class Builder {
public:
    bool run(const QByteArray& utf8, QList<YamlValue>* documents)
    {
        yaml_parser_t parser;
        if (!yaml_parser_initialize(&parser))
            return false;
        yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(utf8.constData()), size_t(utf8.size()));
        bool ok = true;
        bool done = false;
        while (ok && !done) {
            yaml_event_t event;
            if (!yaml_parser_parse(&parser, &event)) {
                ok = false;
                break;
            }
            ok = handle(event, documents, &done);
            yaml_event_delete(&event);
        }
        yaml_parser_delete(&parser);
        return ok;
    }

private:
    static QString text(const yaml_char_t* chars)
    {
        return chars ? QString::fromUtf8(reinterpret_cast<const char*>(chars)) : QString();
    }

    static QString text(const yaml_char_t* chars, size_t length)
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(chars), qsizetype(length));
    }

    // `fresh` is the number of nodes this value adds to the document that were not counted
    // before (a container's children were counted as they arrived).
    bool add(YamlValue value, size_t nodes, size_t fresh, const QString& anchor)
    {
        m_total += fresh;
        if (m_total > kMaxNodes)
            return false;
        if (!anchor.isEmpty())
            m_anchors[anchor] = { value, nodes };
        if (m_stack.empty()) {
            m_document = std::move(value);
            m_hasDocument = true;
            return true;
        }
        Frame& parent = m_stack.back();
        parent.nodes += nodes;
        if (parent.value.isSequence()) {
            parent.value.append(std::move(value));
        } else if (!parent.hasPendingKey) {
            parent.pendingKey = std::move(value);
            parent.hasPendingKey = true;
        } else {
            parent.value.insert(std::move(parent.pendingKey), std::move(value));
            parent.pendingKey = YamlValue();
            parent.hasPendingKey = false;
        }
        return true;
    }

    bool handle(const yaml_event_t& event, QList<YamlValue>* documents, bool* done)
    {
        switch (event.type) {
        case YAML_STREAM_START_EVENT:
        case YAML_NO_EVENT:
            return true;
        case YAML_STREAM_END_EVENT:
            *done = true;
            return true;
        case YAML_DOCUMENT_START_EVENT:
            m_anchors.clear();
            m_hasDocument = false;
            m_document = YamlValue();
            return true;
        case YAML_DOCUMENT_END_EVENT:
            documents->append(m_hasDocument ? m_document : YamlValue());
            return true;
        case YAML_SCALAR_EVENT: {
            const auto& s = event.data.scalar;
            const QString value = text(s.value, s.length);
            const bool plain = s.style == YAML_PLAIN_SCALAR_STYLE;
            const bool isNull = plain
                && (value.isEmpty() || value == QLatin1String("~") || value == QLatin1String("null")
                    || value == QLatin1String("Null") || value == QLatin1String("NULL"));
            return add(isNull ? YamlValue() : YamlValue::scalar(value, plain && s.plain_implicit), 1, 1, text(s.anchor));
        }
        case YAML_SEQUENCE_START_EVENT:
            m_stack.push_back(Frame { YamlValue::sequence(), 1, text(event.data.sequence_start.anchor), false, {} });
            return ++m_total <= kMaxNodes && m_stack.size() < 1000;
        case YAML_MAPPING_START_EVENT:
            m_stack.push_back(Frame { YamlValue::mapping(), 1, text(event.data.mapping_start.anchor), false, {} });
            return ++m_total <= kMaxNodes && m_stack.size() < 1000;
        case YAML_SEQUENCE_END_EVENT:
        case YAML_MAPPING_END_EVENT: {
            if (m_stack.empty())
                return false;
            Frame frame = std::move(m_stack.back());
            m_stack.pop_back();
            return add(std::move(frame.value), frame.nodes, 0, frame.anchor);
        }
        case YAML_ALIAS_EVENT: {
            const auto it = m_anchors.find(text(event.data.alias.anchor));
            if (it == m_anchors.end())
                return false;
            return add(it->second.first, it->second.second, it->second.second, QString());
        }
        }
        return true;
    }

    std::vector<Frame> m_stack;
    std::map<QString, std::pair<YamlValue, size_t>> m_anchors;
    YamlValue m_document;
    bool m_hasDocument = false;
    size_t m_total = 0;
};

} // namespace

QList<YamlValue> readYamlDocuments(const QString& text)
{
    QList<YamlValue> documents;
    Builder builder;
    if (!builder.run(text.toUtf8(), &documents))
        return {};
    return documents;
}

} // namespace penwick
