#pragma once

#include <QFlags>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace penwick {

// Thrown by RegExp's constructor when a pattern does not compile.
class RegExpError : public std::runtime_error {
public:
    RegExpError(const QString& pattern, const QString& message, qsizetype offset);

    static inline const QString domain = QStringLiteral("RegExpErrorDomain");

    const QString& pattern() const { return m_pattern; }
    const QString& message() const { return m_message; }
    // Position in the pattern (UTF-16 units) where compilation stopped; -1 when unknown.
    qsizetype offset() const { return m_offset; }

private:
    QString m_pattern;
    QString m_message;
    qsizetype m_offset;
};

// A compiled regular expression asked three questions of a text: does it match,
// what is the first match, what are all matches with their groups.
// Positions are UTF-16 units and every search covers the whole text. Unicode
// properties are on, so \s, \w and \b follow Unicode as in the editor's text.
// Line ends for ., ^ and $ are all Unicode line ends (CR, LF, CR LF, VT, FF,
// NEL, U+2028, U+2029) unless UseUnixLineSeparators asks for LF only.
class RegExp {
public:
    enum Option : unsigned {
        CaseInsensitive = 1u << 0,
        AllowCommentsAndWhitespace = 1u << 1,
        IgnoreMetacharacters = 1u << 2,
        DotMatchesLineSeparators = 1u << 3,
        AnchorsMatchLines = 1u << 4,
        UseUnixLineSeparators = 1u << 5,
        UseUnicodeWordBoundaries = 1u << 6, // accepted; word boundaries are always Unicode-aware here
    };
    Q_DECLARE_FLAGS(Options, Option)

    // Throws RegExpError when the pattern does not compile; nothing is made then.
    explicit RegExp(const QString& pattern, Options options = {});
    virtual ~RegExp() = default;
    RegExp(const RegExp&) = default;
    RegExp& operator=(const RegExp&) = default;

    const QRegularExpression& regexp() const { return m_regexp; }
    void setRegexp(const QRegularExpression& regexp);

    // The pattern and options as given to the constructor.
    const QString& pattern() const { return m_pattern; }
    Options options() const { return m_options; }

    virtual bool isMatching(const QString& text) const;
    // The whole first match (group 0); nothing when there is none.
    virtual std::optional<QString> match(const QString& text) const;
    // For each match in order: the whole match, then every capture group, flattened.
    // A group that took no part in a match reads as "".
    virtual QStringList allMatches(const QString& text) const;
    // The text with every match replaced by `replacement`, taken literally.
    QString replacingMatches(const QString& text, const QString& replacement) const;

private:
    QString m_pattern;
    Options m_options;
    QRegularExpression m_regexp;
};

// The two forms of "text =~ expression": the first match, as RegExp::match.
std::optional<QString> firstMatch(const QString& text, const RegExp& expression);
std::optional<QString> firstMatch(const RegExp& expression, const QString& text);

} // namespace penwick

Q_DECLARE_OPERATORS_FOR_FLAGS(penwick::RegExp::Options)
