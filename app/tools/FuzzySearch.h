#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace penwick {

// Rates how well a short typed pattern matches a longer string, from 0 to 1.
// Every length, position and step counts user-perceived characters (grapheme
// clusters), never bytes or UTF-16 units. Pure computation: nothing outlives a call.
class FuzzySearch {
public:
    FuzzySearch() = delete;

    // Whether some of `pattern` occurs, in order, as a subsequence of `source`.
    static bool contains(const QString& source, const QString& pattern);
    static bool contains(const QString& source, const QString& pattern, bool ignoreCase);
    // How many characters of `pattern`, from its start, occur in order as a subsequence of `source`.
    static qsizetype matchCount(const QString& source, const QString& pattern);
    static qsizetype matchCount(const QString& source, const QString& pattern, bool ignoreCase);
    // The space-separated words of `text` that hold all of `pattern` as a subsequence, ignoring case.
    static QStringList filterWords(const QString& text, const QString& pattern);

    // The score of `candidate` for `stringToMatch`. Without fuzziness a character of the
    // pattern that cannot be found makes the score 0; with it, a miss only weakens it.
    static double score(const QString& candidate, const QString& stringToMatch,
        std::optional<double> fuzziness = std::nullopt);

    // The last step of a score: below 0.85 it is lifted by 0.15.
    static double lift(double score);
};

} // namespace penwick
