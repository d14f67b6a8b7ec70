#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace penwick {

// Formats `date` with the pattern that `locale` prefers for the fields of `dateTemplate`
// (a skeleton such as "yy-MM-dd HH:mm": which fields, not their order or separators), in the
// date's own time zone or offset. Empty when the template gives no pattern.
QString formatDateFromTemplate(const QDateTime& date, const QString& dateTemplate, const QLocale& locale);

} // namespace penwick
