#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace penwick {

// The ignore expression compiled once: a name is ignored when the expression matches
// the whole name, without regard to case. An expression that does not compile is
// compiled piece by piece instead; the valid pieces are kept and the others logged.
class IgnorePattern {
public:
    IgnorePattern() = default;
    // `pieces` are the alternatives joined into `expression` ("|"); empty means split it.
    explicit IgnorePattern(const QString& expression, const QStringList& pieces = {});

    bool matches(const QString& name) const;
    bool isEmpty() const { return m_expressions.empty(); }
    QString expression() const { return m_expression; }

private:
    static QRegularExpression compile(const QString& expression);

    QString m_expression;
    std::vector<QRegularExpression> m_expressions;
};

} // namespace penwick
