#include "sidebar/IgnorePattern.h"

#include "common/AppLogger.h"

namespace penwick {

QRegularExpression IgnorePattern::compile(const QString& expression)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
}

IgnorePattern::IgnorePattern(const QString& expression, const QStringList& pieces)
    : m_expression(expression)
{
    if (expression.isEmpty())
        return;
    QRegularExpression whole = compile(expression);
    if (whole.isValid()) {
        whole.optimize();
        m_expressions.push_back(std::move(whole));
        return;
    }
    // One bad pattern must not hide the user's other rules, nor stop the program.
    const QStringList parts = pieces.isEmpty() ? expression.split(QLatin1Char('|')) : pieces;
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        QRegularExpression single = compile(part);
        if (!single.isValid()) {
            appLog().error(QStringLiteral("Ignored-files pattern \"%1\" is not a valid regular expression (%2); it is skipped")
                               .arg(part, single.errorString()));
            continue;
        }
        single.optimize();
        m_expressions.push_back(std::move(single));
    }
}

bool IgnorePattern::matches(const QString& name) const
{
    for (const QRegularExpression& expression : m_expressions) {
        if (expression.match(name).hasMatch())
            return true;
    }
    return false;
}

} // namespace penwick
