#include "Extensions/DateTemplateFormatting.h"

#include <QRegularExpression>

#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/simpletz.h>
#include <unicode/timezone.h>

#include <memory>

namespace penwick {

namespace {

icu::UnicodeString toIcu(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace

QString formatDateFromTemplate(const QDateTime& date, const QString& dateTemplate, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    const icu::Locale icuLocale(locale.name().toLatin1().constData());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(icuLocale, status));
    if (U_FAILURE(status))
        return {};
    // The template's own separators mean nothing to the generator: only its fields count.
    QString skeleton = dateTemplate;
    skeleton.remove(QRegularExpression(QStringLiteral("[^A-Za-z]")));
    const icu::UnicodeString pattern = generator->getBestPattern(toIcu(skeleton), status);
    if (U_FAILURE(status) || pattern.isEmpty())
        return {};
    icu::SimpleDateFormat format(pattern, icuLocale, status);
    if (U_FAILURE(status))
        return {};
    // The offset the date carries, so that a date in UTC prints its UTC time.
    const int offsetMs = date.offsetFromUtc() * 1000;
    format.adoptTimeZone(new icu::SimpleTimeZone(offsetMs, icu::UnicodeString(u"date")));
    icu::UnicodeString out;
    format.format(UDate(date.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

} // namespace penwick
