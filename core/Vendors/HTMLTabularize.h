#pragma once

#include "Vendors/YamlReader.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace penwick {

// Front matter as HTML: mappings and sequences become tables of class "jekyll-table",
// values nested in them become tables nested in their cells, scalars become escaped
// text and null becomes nothing. Escaping happens once, at the scalars; table markup is
// never escaped.
namespace HTMLTabularize {

// The one escaping function every scalar goes through.
QString htmlEscape(const QString& text);

QString HTMLTable(const YamlValue& value);
// Qt values: QVariantMap (keys in the map's order), QVariantList, null/invalid, anything
// else by its text form.
QString HTMLTable(const QVariant& value);

// The two table shapes, over cells that are already HTML.
QString sequenceTable(const QStringList& cells);
QString mappingTable(const QStringList& keyCells, const QStringList& valueCells);

} // namespace HTMLTabularize

} // namespace penwick
