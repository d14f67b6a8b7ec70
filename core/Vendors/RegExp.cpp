#include "Vendors/RegExp.h"

#include <QRegularExpressionMatchIterator>

namespace penwick {

namespace {

// Start-of-pattern items choosing the line ends that ., ^ and $ know.
const QString kAnyLineEnd = QStringLiteral("(*ANY)");
const QString kUnixLineEnd = QStringLiteral("(*LF)");

QString linePrefix(RegExp::Options options)
{
    return options.testFlag(RegExp::UseUnixLineSeparators) ? kUnixLineEnd : kAnyLineEnd;
}

QRegularExpression::PatternOptions patternOptions(RegExp::Options options)
{
    QRegularExpression::PatternOptions result = QRegularExpression::UseUnicodePropertiesOption;
    if (options.testFlag(RegExp::CaseInsensitive))
        result |= QRegularExpression::CaseInsensitiveOption;
    if (options.testFlag(RegExp::AllowCommentsAndWhitespace))
        result |= QRegularExpression::ExtendedPatternSyntaxOption;
    if (options.testFlag(RegExp::DotMatchesLineSeparators))
        result |= QRegularExpression::DotMatchesEverythingOption;
    if (options.testFlag(RegExp::AnchorsMatchLines))
        result |= QRegularExpression::MultilineOption;
    return result;
}

// The matcher refuses text with unpaired surrogates, which editors can hold
// (a paste cut in the middle of an emoji). Each such unit becomes U+FFFD, one
// unit for one unit, so that every offset still points into the original text.
const QString& matchableText(const QString& text, QString& storage)
{
    const qsizetype size = text.size();
    const QChar* units = text.constData();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = units[i];
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < size && units[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (storage.isNull())
            storage = text;
        storage[i] = QChar::ReplacementCharacter;
    }
    return storage.isNull() ? text : storage;
}

QString piece(const QString& text, qsizetype start, qsizetype length)
{
    if (start < 0 || length <= 0)
        return QStringLiteral("");
    return text.mid(start, length);
}

} // namespace

RegExpError::RegExpError(const QString& pattern, const QString& message, qsizetype offset)
    : std::runtime_error(QStringLiteral("Invalid regular expression \"%1\": %2").arg(pattern, message).toStdString())
    , m_pattern(pattern)
    , m_message(message)
    , m_offset(offset)
{
}

RegExp::RegExp(const QString& pattern, Options options)
    : m_pattern(pattern)
    , m_options(options)
{
    const QString prefix = linePrefix(options);
    const QString body = options.testFlag(IgnoreMetacharacters) ? QRegularExpression::escape(pattern) : pattern;
    QRegularExpression compiled(prefix + body, patternOptions(options));
    if (!compiled.isValid()) {
        const qsizetype offset = compiled.patternErrorOffset();
        throw RegExpError(pattern, compiled.errorString(), offset < 0 ? -1 : qMax<qsizetype>(0, offset - prefix.size()));
    }
    // Compile now, so that a shared instance is never compiled lazily from two threads.
    compiled.optimize();
    m_regexp = compiled;
}

void RegExp::setRegexp(const QRegularExpression& regexp)
{
    m_regexp = regexp;
    m_regexp.optimize();
}

bool RegExp::isMatching(const QString& text) const
{
    QString storage;
    return m_regexp.match(matchableText(text, storage)).hasMatch();
}

std::optional<QString> RegExp::match(const QString& text) const
{
    QString storage;
    const QRegularExpressionMatch found = m_regexp.match(matchableText(text, storage));
    if (!found.hasMatch())
        return std::nullopt;
    return piece(text, found.capturedStart(0), found.capturedLength(0));
}

QStringList RegExp::allMatches(const QString& text) const
{
    QStringList result;
    QString storage;
    const int groups = m_regexp.captureCount();
    QRegularExpressionMatchIterator it = m_regexp.globalMatch(matchableText(text, storage));
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        for (int i = 0; i <= groups; ++i)
            result.append(piece(text, found.capturedStart(i), found.capturedLength(i)));
    }
    return result;
}

QString RegExp::replacingMatches(const QString& text, const QString& replacement) const
{
    QString storage;
    QString result;
    qsizetype copied = 0;
    QRegularExpressionMatchIterator it = m_regexp.globalMatch(matchableText(text, storage));
    while (it.hasNext()) {
        const QRegularExpressionMatch found = it.next();
        result.append(QStringView(text).mid(copied, found.capturedStart(0) - copied));
        result.append(replacement);
        copied = found.capturedEnd(0);
    }
    if (copied == 0 && result.isEmpty())
        return text;
    result.append(QStringView(text).mid(copied));
    return result;
}

std::optional<QString> firstMatch(const QString& text, const RegExp& expression)
{
    return expression.match(text);
}

std::optional<QString> firstMatch(const RegExp& expression, const QString& text)
{
    return expression.match(text);
}

} // namespace penwick
