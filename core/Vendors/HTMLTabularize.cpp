#include "Vendors/HTMLTabularize.h"

namespace penwick::HTMLTabularize {

QString htmlEscape(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default: out += c;
        }
    }
    return out;
}

QString sequenceTable(const QStringList& cells)
{
    QString out = QStringLiteral("<table class=\"jekyll-table\"><tbody><tr>");
    for (const QString& cell : cells)
        out += QLatin1String("<td>") + cell + QLatin1String("</td>");
    out += QLatin1String("</tr></tbody></table>");
    return out;
}

QString mappingTable(const QStringList& keyCells, const QStringList& valueCells)
{
    QString out = QStringLiteral("<table class=\"jekyll-table\"><thead><tr>");
    for (const QString& cell : keyCells)
        out += QLatin1String("<th>") + cell + QLatin1String("</th>");
    out += QLatin1String("</tr></thead><tbody><tr>");
    for (const QString& cell : valueCells)
        out += QLatin1String("<td>") + cell + QLatin1String("</td>");
    out += QLatin1String("</tr></tbody></table>");
    return out;
}

QString HTMLTable(const YamlValue& value)
{
    switch (value.kind()) {
    case YamlValue::Kind::Null:
        return QString(QLatin1String(""));
    case YamlValue::Kind::Scalar:
        return htmlEscape(value.scalarText());
    case YamlValue::Kind::Sequence: {
        QStringList cells;
        for (const YamlValue& item : value.items())
            cells.append(HTMLTable(item));
        return sequenceTable(cells);
    }
    case YamlValue::Kind::Mapping: {
        QStringList keys, values;
        for (const YamlValue& key : value.keys())
            keys.append(HTMLTable(key));
        for (const YamlValue& item : value.values())
            values.append(HTMLTable(item));
        return mappingTable(keys, values);
    }
    }
    return QString(QLatin1String(""));
}

QString HTMLTable(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QString(QLatin1String(""));
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        QStringList keys, values;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            keys.append(htmlEscape(it.key()));
            values.append(HTMLTable(it.value()));
        }
        return mappingTable(keys, values);
    }
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        QStringList cells;
        for (const QVariant& item : value.toList())
            cells.append(HTMLTable(item));
        return sequenceTable(cells);
    }
    return htmlEscape(value.toString());
}

} // namespace penwick::HTMLTabularize
