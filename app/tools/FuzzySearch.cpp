#include "tools/FuzzySearch.h"

#include "Extensions/StringAdditions.h"

#include <QList>
#include <QStringView>

#include <vector>

namespace penwick {

namespace {

constexpr double kAtStart = 0.7;
constexpr double kFurtherOn = 0.1;
constexpr double kAfterSpace = 0.9;
constexpr double kSameCharacter = 0.1;

// Text in which every UTF-16 unit is a character of its own and that composition
// leaves as it is: Latin, Latin-1 and the Latin extensions, kana, the common CJK
// ideographs and precomposed Hangul syllables, with no carriage return (CR LF is one
// character), no combining mark and no surrogate. Anything else is segmented with ICU.
bool isSimple(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u == u'\r')
                return false;
            continue;
        }
        if (u < 0x300 || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7A3))
            continue;
        if (u >= 0x3040 && u <= 0x30FF && !c.isMark())
            continue;
        return false;
    }
    return true;
}

char16_t fold(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar::toCaseFolded(c);
}

double finish(double runningScore, qsizetype strLength, qsizetype wordLength, double fuzzies)
{
    const double finalScore = 0.5 * (runningScore / double(strLength) + runningScore / double(wordLength)) / fuzzies;
    return FuzzySearch::lift(finalScore);
}

// Both strings simple: one code unit is one character, case folds unit by unit, and
// nothing is allocated.
double simpleScore(QStringView s, QStringView w, std::optional<double> fuzziness)
{
    const qsizetype strLength = s.size(), wordLength = w.size();
    const double fuzzyFactor = fuzziness ? 1.0 - *fuzziness : 0.0;
    double fuzzies = 1.0, runningScore = 0.0;
    const char16_t* sd = s.utf16();
    const char16_t* wd = w.utf16();
    qsizetype startAt = 0;
    for (qsizetype i = 0; i < wordLength; ++i) {
        const char16_t wanted = fold(wd[i]);
        qsizetype idx = startAt;
        while (idx < strLength && fold(sd[idx]) != wanted)
            ++idx;
        if (idx == strLength) {
            if (!fuzziness)
                return 0.0;
            fuzzies += fuzzyFactor;
            continue;
        }
        double charScore = idx == startAt ? kAtStart : (sd[idx - 1] == u' ' ? kAfterSpace : kFurtherOn);
        if (sd[idx] == wd[i])
            charScore += kSameCharacter;
        runningScore += charScore;
        startAt = idx + 1;
    }
    return finish(runningScore, strLength, wordLength, fuzzies);
}

// The characters of a text as views into it.
std::vector<QStringView> characters(const QString& text, const QList<qsizetype>& bounds)
{
    std::vector<QStringView> out;
    out.reserve(size_t(bounds.size()));
    for (qsizetype i = 0; i + 1 < bounds.size(); ++i)
        out.push_back(QStringView(text).mid(bounds[i], bounds[i + 1] - bounds[i]));
    return out;
}

std::vector<QStringView> characters(const QString& text) { return characters(text, characterBoundaries(text)); }

// The characters of the lower-cased copy: where lower-casing kept every length, at the
// original's boundaries; otherwise segmented anew.
std::vector<QStringView> lowerCharacters(const QString& original, const QList<qsizetype>& bounds, const QString& lower)
{
    if (lower.size() == original.size())
        return characters(lower, bounds);
    return characters(lower);
}

double unicodeScore(const QString& s, const QString& w, std::optional<double> fuzziness)
{
    const QString ls = s.toLower(), lw = w.toLower();
    const QList<qsizetype> sBounds = characterBoundaries(s), wBounds = characterBoundaries(w);
    const std::vector<QStringView> sChars = characters(s, sBounds), wChars = characters(w, wBounds);
    const std::vector<QStringView> lsChars = lowerCharacters(s, sBounds, ls), lwChars = lowerCharacters(w, wBounds, lw);
    const qsizetype strLength = qsizetype(sChars.size()), wordLength = qsizetype(wChars.size());
    const double fuzzyFactor = fuzziness ? 1.0 - *fuzziness : 0.0;
    double fuzzies = 1.0, runningScore = 0.0;
    qsizetype startAt = 0;
    const qsizetype lsLength = qsizetype(lsChars.size());
    for (qsizetype i = 0; i < wordLength; ++i) {
        qsizetype idx = lsLength;
        if (i < qsizetype(lwChars.size())) {
            for (idx = startAt; idx < lsLength; ++idx) {
                if (lsChars[size_t(idx)].compare(lwChars[size_t(i)], Qt::CaseInsensitive) == 0)
                    break;
            }
        }
        if (idx >= lsLength) {
            if (!fuzziness)
                return 0.0;
            fuzzies += fuzzyFactor;
            continue;
        }
        // Positions found in the lower-cased copy read the original only where it has
        // that many characters (lower-casing may change the count).
        double charScore = kFurtherOn;
        if (idx == startAt)
            charScore = kAtStart;
        else if (idx - 1 < strLength && sChars[size_t(idx - 1)] == u" ")
            charScore = kAfterSpace;
        if (idx < strLength && sChars[size_t(idx)] == wChars[size_t(i)])
            charScore += kSameCharacter;
        runningScore += charScore;
        startAt = idx + 1;
    }
    return finish(runningScore, strLength, wordLength, fuzzies);
}

qsizetype countIn(const QString& source, const QString& pattern, bool ignoreCase)
{
    const std::vector<QStringView> s = characters(source), p = characters(pattern);
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    size_t at = 0;
    qsizetype found = 0;
    for (const QStringView c : p) {
        while (at < s.size() && s[at].compare(c, cs) != 0)
            ++at;
        if (at == s.size())
            break;
        ++at;
        ++found;
    }
    return found;
}

} // namespace

bool FuzzySearch::contains(const QString& source, const QString& pattern) { return contains(source, pattern, false); }

bool FuzzySearch::contains(const QString& source, const QString& pattern, bool ignoreCase)
{
    return countIn(source, pattern, ignoreCase) > 0;
}

qsizetype FuzzySearch::matchCount(const QString& source, const QString& pattern)
{
    return matchCount(source, pattern, false);
}

qsizetype FuzzySearch::matchCount(const QString& source, const QString& pattern, bool ignoreCase)
{
    return countIn(source, pattern, ignoreCase);
}

QStringList FuzzySearch::filterWords(const QString& text, const QString& pattern)
{
    const qsizetype needed = characterCount(pattern);
    QStringList out;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (countIn(word, pattern, true) == needed)
            out.append(word);
    }
    return out;
}

double FuzzySearch::lift(double score) { return score < 0.85 ? score + 0.15 : score; }

double FuzzySearch::score(const QString& candidate, const QString& stringToMatch, std::optional<double> fuzziness)
{
    if (candidate.isEmpty() || stringToMatch.isEmpty())
        return 0.0;
    if (isSimple(candidate) && isSimple(stringToMatch)) {
        if (candidate.size() < stringToMatch.size())
            return 0.0;
        if (candidate == stringToMatch)
            return 1.0;
        return simpleScore(candidate, stringToMatch, fuzziness);
    }
    // Canonically equal text is the same text: compare and match composed forms.
    const QString s = candidate.normalized(QString::NormalizationForm_C);
    const QString w = stringToMatch.normalized(QString::NormalizationForm_C);
    if (characterCount(s) < characterCount(w))
        return 0.0;
    if (s == w)
        return 1.0;
    return unicodeScore(s, w, fuzziness);
}

} // namespace penwick
