#include "common/MiniDocumentType.h"

#include <QUrl>

namespace penwick {

std::optional<MiniDocumentType> miniDocumentTypeFromRawValue(int rawValue)
{
    switch (rawValue) {
    case 0:
        return MiniDocumentType::Scratch;
    case 1:
        return MiniDocumentType::Shadow;
    default:
        return std::nullopt;
    }
}

namespace {

// The scheme exactly as written: a letter, then letters, digits, "+", "-" or "."; up to ":".
std::optional<QString> literalScheme(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = text[i];
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        const bool other = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.');
        if (!letter && (i == 0 || !other))
            return std::nullopt;
    }
    return text.left(colon);
}

} // namespace

std::optional<MiniDocumentType> miniDocumentType(const std::optional<QString>& urlString)
{
    if (!urlString)
        return std::nullopt;
    if (!QUrl(*urlString, QUrl::StrictMode).isValid())
        return std::nullopt;
    const auto scheme = literalScheme(*urlString);
    if (!scheme)
        return std::nullopt;
    if (*scheme == QStringLiteral("pwshadow"))
        return MiniDocumentType::Shadow;
    if (*scheme == QStringLiteral("pwscratch"))
        return MiniDocumentType::Scratch;
    return std::nullopt;
}

} // namespace penwick
