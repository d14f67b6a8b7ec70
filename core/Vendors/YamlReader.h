#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

namespace penwick {

// One node of a YAML document. Scalars keep their text as written (after quoting and
// folding are resolved), and whether they were plain (unquoted, untagged); only
// toTypedVariant() guesses a type from that. Mappings keep their entries in document order.
class YamlValue {
public:
    enum class Kind { Null, Scalar, Sequence, Mapping };

    YamlValue() = default; // null
    static YamlValue scalar(const QString& text, bool plain = false);
    static YamlValue sequence(std::vector<YamlValue> items = {});
    static YamlValue mapping(std::vector<YamlValue> keys = {}, std::vector<YamlValue> values = {});

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isScalar() const { return m_kind == Kind::Scalar; }
    bool isSequence() const { return m_kind == Kind::Sequence; }
    bool isMapping() const { return m_kind == Kind::Mapping; }

    const QString& scalarText() const { return m_text; }
    // An unquoted scalar without a tag: the only kind whose text may stand for a number or a
    // Boolean.
    bool isPlain() const { return m_plain; }
    // The elements of a sequence; empty for other kinds.
    const std::vector<YamlValue>& items() const { return m_items; }
    // The keys of a mapping, in document order, and the value of each key at the same index.
    const std::vector<YamlValue>& keys() const { return m_keys; }
    const std::vector<YamlValue>& values() const { return m_items; }

    void append(YamlValue item);
    void insert(YamlValue key, YamlValue value);

    // Qt form: null -> invalid QVariant, scalar -> QString, sequence -> QVariantList,
    // mapping -> QVariantMap keyed by each key's text (a later duplicate key wins).
    QVariant toVariant() const;
    // As toVariant(), but plain scalars written as YAML 1.2 core numbers or Booleans become
    // qint64, double or bool ("2024", "0x1F", "1.5e3", ".inf", "true"); everything else stays
    // text ("'2024'", "v1.0", "yes").
    QVariant toTypedVariant() const;

    // Compares kinds, texts and structure; whether a scalar was plain does not count.
    bool operator==(const YamlValue& other) const;

private:
    QVariant toVariant(bool typed) const;

    Kind m_kind = Kind::Null;
    QString m_text;
    bool m_plain = false;
    std::vector<YamlValue> m_items; // sequence elements or mapping values
    std::vector<YamlValue> m_keys;
};

// Reads every document of a YAML stream, in order. Text that is not valid YAML gives no
// documents at all; so does a stream without documents.
QList<YamlValue> readYamlDocuments(const QString& text);

} // namespace penwick
