#include "platform/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace penwick::platform {

namespace {

// Far deeper than any settings file nests; a damaged file that goes on nesting is refused
// before the reader's recursion can exhaust the stack.
constexpr int kMaximumDepth = 512;

QVariant readValue(QXmlStreamReader& xml, int depth);

QVariant readDict(QXmlStreamReader& xml, int depth)
{
    QVariantMap map;
    QString key;
    bool haveKey = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"key") {
            key = xml.readElementText();
            haveKey = true;
            continue;
        }
        if (!haveKey) {
            xml.raiseError(QStringLiteral("value without a key in dict"));
            return {};
        }
        map.insert(key, readValue(xml, depth));
        if (xml.hasError())
            return {};
        haveKey = false;
    }
    if (haveKey && !xml.hasError())
        xml.raiseError(QStringLiteral("key without a value in dict"));
    return map;
}

QVariant readValue(QXmlStreamReader& xml, int depth)
{
    const auto name = xml.name();
    if ((name == u"dict" || name == u"array") && depth >= kMaximumDepth) {
        xml.raiseError(QStringLiteral("nested more than %1 levels deep").arg(kMaximumDepth));
        return {};
    }
    if (name == u"dict")
        return readDict(xml, depth + 1);
    if (name == u"array") {
        QVariantList list;
        while (xml.readNextStartElement()) {
            list.append(readValue(xml, depth + 1));
            if (xml.hasError())
                return {};
        }
        return list;
    }
    if (name == u"string")
        return xml.readElementText();
    if (name == u"integer") {
        bool ok = false;
        const qlonglong v = xml.readElementText().trimmed().toLongLong(&ok);
        if (!ok)
            xml.raiseError(QStringLiteral("invalid integer"));
        return v;
    }
    if (name == u"real") {
        bool ok = false;
        const double v = xml.readElementText().trimmed().toDouble(&ok);
        if (!ok)
            xml.raiseError(QStringLiteral("invalid real"));
        return v;
    }
    if (name == u"true" || name == u"false") {
        const bool v = name == u"true";
        xml.skipCurrentElement();
        return v;
    }
    if (name == u"data")
        return QByteArray::fromBase64(xml.readElementText().toLatin1());
    if (name == u"date") {
        QDateTime d = QDateTime::fromString(xml.readElementText().trimmed(), Qt::ISODateWithMs);
        if (!d.isValid())
            xml.raiseError(QStringLiteral("invalid date"));
        return d.toUTC();
    }
    xml.raiseError(QStringLiteral("unknown element <%1>").arg(name.toString()));
    return {};
}

void writeValue(QXmlStreamWriter& w, const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QVariantMap: {
        w.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            w.writeTextElement(QStringLiteral("key"), it.key());
            writeValue(w, it.value());
        }
        w.writeEndElement();
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        w.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : v.toList())
            writeValue(w, item);
        w.writeEndElement();
        break;
    }
    case QMetaType::Bool:
        w.writeEmptyElement(v.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        w.writeTextElement(QStringLiteral("integer"), QString::number(v.toLongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        w.writeTextElement(QStringLiteral("real"), QString::number(v.toDouble(), 'g', 17));
        break;
    case QMetaType::QByteArray:
        w.writeTextElement(QStringLiteral("data"), QString::fromLatin1(v.toByteArray().toBase64()));
        break;
    case QMetaType::QDateTime:
        w.writeTextElement(QStringLiteral("date"), v.toDateTime().toUTC().toString(Qt::ISODateWithMs));
        break;
    default:
        w.writeTextElement(QStringLiteral("string"), v.toString());
        break;
    }
}

} // namespace

PropertyListResult readPropertyList(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != u"plist")
        return { {}, QStringLiteral("not a property list") };
    QVariant root;
    if (xml.readNextStartElement())
        root = readValue(xml, 0);
    if (xml.hasError())
        return { {}, QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString()) };
    return { root, {} };
}

PropertyListResult readPropertyListFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { {}, QStringLiteral("%1: %2").arg(path, file.errorString()) };
    PropertyListResult result = readPropertyList(file.readAll());
    if (!result.ok())
        result.error = path + QStringLiteral(": ") + result.error;
    return result;
}

QByteArray writePropertyList(const QVariant& value)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("plist"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeValue(w, value);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

} // namespace penwick::platform
